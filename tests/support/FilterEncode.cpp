// Encoders for test data: the inverse of each decoder, written plainly.
#include "support/FilterEncode.h"

#include <algorithm>
#include <cstdint>

#include "support/TestPdf.h"

std::string asciiHexBytes(const std::string& data) {
    std::string out;
    for (unsigned char c : data)
        out += std::string{"0123456789ABCDEF"[c >> 4], "0123456789ABCDEF"[c & 15], ' '};
    return out + ">";
}

std::string ascii85Bytes(const std::string& data) {
    std::string out;
    for (size_t i = 0; i < data.size(); i += 4) {
        size_t n = std::min<size_t>(4, data.size() - i);
        uint32_t value = 0;
        for (size_t k = 0; k < 4; k++)
            value = value << 8 | (k < n ? static_cast<unsigned char>(data[i + k]) : 0);
        char group[5];
        for (int k = 4; k >= 0; k--, value /= 85) group[k] = static_cast<char>('!' + value % 85);
        out.append(group, n + 1);
    }
    return out + "~>";
}

std::string runLengthBytes(const std::string& data) {
    std::string out;  // literal runs only: a length byte and up to 128 bytes
    for (size_t i = 0; i < data.size(); i += 128)
        out += static_cast<char>(std::min<size_t>(128, data.size() - i) - 1) + data.substr(i, 128);
    return out + '\x80';
}

// Literal codes only: the decoder still makes an entry per code after the first, and widens its
// codes as its table grows, one code early with earlyChange.
std::string lzwBytes(const std::string& data, bool earlyChange) {
    std::string out;
    uint32_t bits = 0;
    int bitCount = 0, width = 9, next = 258;
    auto put = [&](int code) {
        bits = bits << width | static_cast<uint32_t>(code);
        for (bitCount += width; bitCount >= 8; bitCount -= 8)
            out += static_cast<char>(bits >> (bitCount - 8));
    };
    put(256);
    for (unsigned char c : data) {
        put(c);
        if (++next + (earlyChange ? 1 : 0) > (1 << width) && width < 12) width++;
        if (next == 4094) {
            put(256);
            next = 258;
            width = 9;
        }
    }
    put(257);
    if (bitCount > 0) out += static_cast<char>(bits << (8 - bitCount));
    return out;
}

std::string encodeWithFilters(const std::string& data, const std::string& filters) {
    std::string out = data;  // the last filter named is the first applied
    for (size_t slash = filters.rfind('/'); slash != std::string::npos;
         slash = slash ? filters.rfind('/', slash - 1) : std::string::npos) {
        std::string name = filters.substr(slash + 1);
        name = name.substr(0, name.find_first_of(" ]"));
        if (name == "AHx" || name == "ASCIIHexDecode") out = asciiHexBytes(out);
        if (name == "A85" || name == "ASCII85Decode") out = ascii85Bytes(out);
        if (name == "RL" || name == "RunLengthDecode") out = runLengthBytes(out);
        if (name == "LZW" || name == "LZWDecode") out = lzwBytes(out);
        if (name == "Fl" || name == "FlateDecode") out = deflateBytes(out);
    }
    return out;
}
