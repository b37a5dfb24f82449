// LZWDecode: codes read most significant bit first; 256 clears the table, 257 ends the data.
#include "pdf/CPdfLzwStream.h"

CPdfLzwStream::CPdfLzwStream(std::shared_ptr<CPdfStream> source, bool earlyChange)
    : CPdfDecodeStream(std::move(source)), early_(earlyChange ? 1 : 0) {
    for (int k = 0; k < 256; k++) {
        last_[k] = first_[k] = static_cast<uint8_t>(k);
        length_[k] = 1;
    }
    restart();
}

void CPdfLzwStream::restart() {
    bits_ = 0;
    bitCount_ = 0;
    ended_ = false;
    clearTable();
}

void CPdfLzwStream::clearTable() {
    codeWidth_ = 9;
    nextCode_ = kEndCode + 1;
    previous_ = -1;
}

int CPdfLzwStream::readCode() {
    while (bitCount_ < codeWidth_) {
        int c = nextInput();
        if (c < 0) return -1;
        bits_ = bits_ << 8 | static_cast<uint32_t>(c);
        bitCount_ += 8;
    }
    bitCount_ -= codeWidth_;
    return static_cast<int>(bits_ >> bitCount_) & ((1 << codeWidth_) - 1);
}

void CPdfLzwStream::appendString(int code, std::vector<uint8_t>& out) const {
    size_t start = out.size();
    out.resize(start + length_[static_cast<size_t>(code)]);
    // The string is read from its last byte back along its prefixes.
    for (size_t at = out.size(); at-- > start;) {
        out[at] = last_[static_cast<size_t>(code)];
        code = prefix_[static_cast<size_t>(code)];
    }
}

// A code the table cannot have yet is damage: the data ends before it, as corrupt flate data
// does. Every string is at most 4096 bytes long, so one code never writes more than that.
bool CPdfLzwStream::decodeMore(std::vector<uint8_t>& out) {
    while (!ended_ && out.size() < kBlockBytes) {
        int code = readCode();
        if (code < 0 || code == kEndCode) {
            ended_ = true;
        } else if (code == kClearCode) {
            clearTable();
        } else if (previous_ < 0) {
            if (code > 255) {
                ended_ = true;
            } else {
                out.push_back(static_cast<uint8_t>(code));
                previous_ = code;
            }
        } else if (code > nextCode_) {
            ended_ = true;
        } else {
            if (nextCode_ < kTableSize) {
                // The new entry is the previous string and the first byte of this one, which for
                // the code being defined right now is the previous string's first byte.
                size_t entry = static_cast<size_t>(nextCode_);
                size_t before = static_cast<size_t>(previous_);
                prefix_[entry] = static_cast<uint16_t>(previous_);
                first_[entry] = first_[before];
                last_[entry] =
                    code == nextCode_ ? first_[before] : first_[static_cast<size_t>(code)];
                length_[entry] = static_cast<uint16_t>(length_[before] + 1);
                nextCode_++;
            }
            appendString(code, out);
            previous_ = code;
            int reach = nextCode_ + early_;
            codeWidth_ = reach >= 2048 ? 12 : reach >= 1024 ? 11 : reach >= 512 ? 10 : 9;
        }
    }
    return !out.empty();
}
