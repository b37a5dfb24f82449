// ASCIIHexDecode: two hexadecimal digits make a byte; a lone last digit is followed by a 0.
#include "pdf/CPdfAsciiHexStream.h"

#include "pdf/PdfSyntax.h"

void CPdfAsciiHexStream::restart() {
    highDigit_ = -1;
    ended_ = false;
}

// A byte that is neither a digit, white space nor ">" is damage: the data ends before it, as
// corrupt flate data does.
bool CPdfAsciiHexStream::decodeMore(std::vector<uint8_t>& out) {
    while (!ended_ && out.size() < kBlockBytes) {
        int c = nextInput();
        if (c < 0 || c == '>') {
            if (highDigit_ >= 0) out.push_back(static_cast<uint8_t>(highDigit_ << 4));
            ended_ = true;
            break;
        }
        if (isTextWhite(static_cast<unsigned char>(c))) continue;
        int digit = hexDigitValue(c);
        if (digit < 0) {
            ended_ = true;
        } else if (highDigit_ < 0) {
            highDigit_ = digit;
        } else {
            out.push_back(static_cast<uint8_t>(highDigit_ << 4 | digit));
            highDigit_ = -1;
        }
    }
    return !out.empty();
}
