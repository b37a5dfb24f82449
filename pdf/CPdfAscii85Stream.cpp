// ASCII85Decode: base-85 groups; a last group of n characters (2 to 4) gives n - 1 bytes.
#include "pdf/CPdfAscii85Stream.h"

#include "pdf/PdfSyntax.h"

void CPdfAscii85Stream::restart() {
    value_ = 0;
    count_ = 0;
    started_ = false;
    ended_ = false;
}

bool CPdfAscii85Stream::emitGroup(std::vector<uint8_t>& out) {
    int bytes = count_ - 1;
    // A short group stands for one padded with "u" (84) to five characters.
    for (int i = count_; i < 5; i++) value_ = value_ * 85 + 84;
    count_ = 0;
    if (value_ > UINT32_MAX) return false;
    for (int i = 0; i < bytes; i++) out.push_back(static_cast<uint8_t>(value_ >> (24 - 8 * i)));
    value_ = 0;
    return true;
}

// Damage (a byte outside the alphabet, a group too large, "z" inside a group) ends the data
// before it, as corrupt flate data does.
bool CPdfAscii85Stream::decodeMore(std::vector<uint8_t>& out) {
    while (!ended_ && out.size() < kBlockBytes) {
        int c = nextInput();
        if (c >= 0 && isTextWhite(static_cast<unsigned char>(c))) continue;
        // Some producers keep PostScript's "<~" in front of the data.
        if (!started_ && c == '<') {
            started_ = true;
            if (nextInput() != '~') ended_ = true;
            continue;
        }
        started_ = true;
        if (c < 0 || c == '~') {
            if (count_ > 1) emitGroup(out);
            ended_ = true;
        } else if (c == 'z' && count_ == 0) {
            out.insert(out.end(), 4, 0);
        } else if (c < '!' || c > 'u') {
            ended_ = true;
        } else {
            value_ = value_ * 85 + static_cast<uint64_t>(c - '!');
            if (++count_ == 5 && !emitGroup(out)) ended_ = true;
        }
    }
    return !out.empty();
}
