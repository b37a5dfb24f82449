// RunLengthDecode: a length byte n below 128 copies the next n + 1 bytes; above 128 the next byte
// stands 257 - n times.
#include "pdf/CPdfRunLengthStream.h"

bool CPdfRunLengthStream::decodeMore(std::vector<uint8_t>& out) {
    while (!ended_ && out.size() < kBlockBytes) {
        int length = nextInput();
        if (length < 0 || length == 128) {
            ended_ = true;
        } else if (length < 128) {
            for (int i = 0; i <= length; i++) {
                int c = nextInput();
                if (c < 0) {
                    ended_ = true;
                    break;
                }
                out.push_back(static_cast<uint8_t>(c));
            }
        } else {
            int c = nextInput();
            if (c < 0) {
                ended_ = true;
            } else {
                out.insert(out.end(), static_cast<size_t>(257 - length), static_cast<uint8_t>(c));
            }
        }
    }
    return !out.empty();
}
