// Encoders for test data: the inverse of each decoder, written plainly.
#include "support/FilterEncode.h"

#include <cstdint>
#include <map>
#include <sstream>
#include <vector>

#include "support/TestPdf.h"

std::string asciiHexBytes(const std::string& data) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : data) {
        out += kDigits[c >> 4];
        out += kDigits[c & 15];
        if (out.size() % 60 == 0) out += '\n';
    }
    return out + ">";
}

std::string ascii85Bytes(const std::string& data) {
    std::string out;
    for (size_t i = 0; i < data.size(); i += 4) {
        size_t n = std::min<size_t>(4, data.size() - i);
        uint32_t value = 0;
        for (size_t k = 0; k < 4; k++)
            value = value << 8 | (k < n ? static_cast<unsigned char>(data[i + k]) : 0);
        if (value == 0 && n == 4) {
            out += 'z';
            continue;
        }
        char group[5];
        for (int k = 4; k >= 0; k--, value /= 85) group[k] = static_cast<char>('!' + value % 85);
        out.append(group, n + 1);
    }
    return out + "~>";
}

std::string runLengthBytes(const std::string& data) {
    std::string out;
    for (size_t i = 0; i < data.size();) {
        size_t run = 1;
        while (i + run < data.size() && run < 128 && data[i + run] == data[i]) run++;
        if (run > 1) {
            out += static_cast<char>(257 - run);
            out += data[i];
        } else {
            size_t n = 1;
            while (i + n < data.size() && n < 128 && data[i + n] != data[i + n - 1]) n++;
            out += static_cast<char>(n - 1);
            out += data.substr(i, n);
            run = n;
        }
        i += run;
    }
    return out + '\x80';
}

std::string lzwBytes(const std::string& data, bool earlyChange) {
    std::string out;
    uint32_t bits = 0;
    int bitCount = 0, width = 9;
    auto put = [&](int code) {
        bits = bits << width | static_cast<uint32_t>(code);
        for (bitCount += width; bitCount >= 8; bitCount -= 8)
            out += static_cast<char>(bits >> (bitCount - 8));
    };
    std::map<std::string, int> table;
    int next = 258;
    put(256);
    std::string current;
    for (char c : data) {
        if (table.count(current + c) || current.empty()) {
            current += c;
            continue;
        }
        put(current.size() == 1 ? static_cast<unsigned char>(current[0]) : table[current]);
        table[current + c] = next++;
        // The decoder learns each entry one code later than the encoder makes it.
        if (next + (earlyChange ? 1 : 0) > (1 << width) && width < 12) width++;
        if (next == 4094) {
            put(256);
            table.clear();
            next = 258;
            width = 9;
        }
        current = std::string(1, c);
    }
    if (!current.empty()) {
        put(current.size() == 1 ? static_cast<unsigned char>(current[0]) : table[current]);
        // The decoder makes an entry for this code too, which may widen the end code.
        if (++next + (earlyChange ? 1 : 0) > (1 << width) && width < 12) width++;
    }
    put(257);
    if (bitCount > 0) out += static_cast<char>(bits << (8 - bitCount));
    return out;
}

std::string encodeWithFilters(const std::string& data, const std::string& filters) {
    std::vector<std::string> names;
    std::istringstream words(filters);
    std::string word;
    while (words >> word) {
        size_t slash = word.find('/');
        if (slash != std::string::npos)
            names.push_back(word.substr(slash + 1, word.find(']') - slash - 1));
    }
    // The last filter in the array is applied first when encoding.
    std::string out = data;
    for (auto name = names.rbegin(); name != names.rend(); ++name) {
        if (*name == "AHx" || *name == "ASCIIHexDecode") out = asciiHexBytes(out);
        if (*name == "A85" || *name == "ASCII85Decode") out = ascii85Bytes(out);
        if (*name == "RL" || *name == "RunLengthDecode") out = runLengthBytes(out);
        if (*name == "LZW" || *name == "LZWDecode") out = lzwBytes(out);
        if (*name == "Fl" || *name == "FlateDecode") out = deflateBytes(out);
    }
    return out;
}
