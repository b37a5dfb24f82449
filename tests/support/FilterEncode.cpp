// Encoders for test data: the inverse of each decoder, written plainly.
#include "support/FilterEncode.h"

#include <cstdint>
#include <map>
#include <vector>

#include "support/TestPdf.h"

std::string asciiHexBytes(const std::string& data) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : data) out += std::string{kDigits[c >> 4], kDigits[c & 15], ' '};
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

// Literal runs only: a length byte and up to 128 bytes.
std::string runLengthBytes(const std::string& data) {
    std::string out;
    for (size_t i = 0; i < data.size(); i += 128) {
        std::string run = data.substr(i, 128);
        out += static_cast<char>(run.size() - 1) + run;
    }
    return out + '\x80';
}

std::string lzwBytes(const std::string& data, bool earlyChange) {
    std::string out;
    uint32_t bits = 0;
    int bitCount = 0, width = 9, next = 258;
    auto put = [&](int code) {
        bits = bits << width | static_cast<uint32_t>(code);
        for (bitCount += width; bitCount >= 8; bitCount -= 8)
            out += static_cast<char>(bits >> (bitCount - 8));
    };
    // The decoder makes each entry one code after the encoder: its width grows when it does.
    auto grow = [&] {
        if (++next + (earlyChange ? 1 : 0) > (1 << width) && width < 12) width++;
    };
    std::map<std::string, int> table;
    auto clear = [&] {
        put(256);
        table.clear();
        for (int c = 0; c < 256; c++) table[std::string(1, static_cast<char>(c))] = c;
        next = 258;
        width = 9;
    };
    clear();
    std::string current;
    for (char c : data) {
        if (table.count(current + c)) {
            current += c;
            continue;
        }
        put(table[current]);
        table[current + c] = next;
        grow();
        if (next == 4094) clear();
        current = std::string(1, c);
    }
    if (!current.empty()) {
        put(table[current]);
        grow();
    }
    put(257);
    if (bitCount > 0) out += static_cast<char>(bits << (8 - bitCount));
    return out;
}

std::string encodeWithFilters(const std::string& data, const std::string& filters) {
    // The last filter named is the first applied.
    std::string out = data;
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
