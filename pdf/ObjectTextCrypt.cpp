// Strings and stream data of an object text passed through the object's cipher, every other byte
// kept as it is.
#include "pdf/ObjectTextCrypt.h"

#include "pdf/CPdfMemoryStream.h"
#include "pdf/CPdfParser.h"
#include "pdf/CPdfSecurity.h"
#include "pdf/FormatText.h"
#include "pdf/PdfTextScan.h"

namespace {

std::string hexStringText(const std::string& bytes) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string out = "<";
    for (unsigned char c : bytes) {
        out += kDigits[c >> 4];
        out += kDigits[c & 15];
    }
    return out + ">";
}

// The bytes a string token stands for, as the parser reads them.
std::string stringBytes(const std::string& text, const TextToken& token) {
    std::string bytes;
    TextSpanReader in(text.data(), token.begin + 1, token.end);
    if (token.kind == TextTokenKind::String) {
        readLiteralString(in, [&bytes](char c) { bytes += c; });
    } else {
        readHexString(in, [&bytes](char c) { bytes += c; });
    }
    return bytes;
}

// The data of a stream whose /Length is unknown runs to "endstream", less the line end before it.
int64_t lengthToEndstream(const std::string& text, size_t dataStart) {
    size_t end = text.rfind("endstream");
    if (end == std::string::npos || end < dataStart) return -1;
    if (end > dataStart && text[end - 1] == '\n') end--;
    if (end > dataStart && text[end - 1] == '\r') end--;
    return static_cast<int64_t>(end - dataStart);
}

int64_t directLength(const std::string& text) {
    DictText dict;
    if (!parseObjectDict(text, dict)) return -1;
    const DictEntry* entry = dict.find("Length");
    double value = 0;
    if (!entry || !parseNumber(text, entry->valueBegin, entry->valueEnd, value) || value < 0)
        return -1;
    return static_cast<int64_t>(value);
}

// Sets the stream dictionary's /Length in text to length.
void setLength(std::string& text, size_t length) {
    DictText dict;
    if (!parseObjectDict(text, dict)) return;
    const DictEntry* entry = dict.find("Length");
    std::string value = formatText("%zu", length);
    if (entry) {
        text.replace(entry->valueBegin, entry->valueEnd - entry->valueBegin, value);
    } else {
        text.insert(dict.open + 2, "/Length " + value + " ");
    }
}

std::string cryptObjectText(const CPdfSecurity& security, bool encrypting, int num, int gen,
                            const std::string& text, int64_t storedLength) {
    size_t value = findObjectValue(text);
    if (value == kNoPos) return text;
    // A signature's /Contents is never encrypted: it signs the encrypted file's bytes.
    bool signature = text.find("/ByteRange") != std::string::npos;
    std::string out;
    size_t copied = 0;
    size_t pos = value;
    bool afterContentsKey = false;
    TextToken token;
    for (;;) {
        token = nextTextToken(text, pos);
        if (token.kind == TextTokenKind::End || isKeywordToken(text, token, "endobj") ||
            isKeywordToken(text, token, "stream")) {
            break;
        }
        pos = token.end;
        bool isString =
            token.kind == TextTokenKind::String || token.kind == TextTokenKind::HexString;
        if (isString && !(signature && afterContentsKey)) {
            std::string bytes = stringBytes(text, token);
            bytes = encrypting ? security.encryptString(num, gen, bytes)
                               : security.decryptString(num, gen, bytes);
            out.append(text, copied, token.begin - copied);
            out += hexStringText(bytes);
            copied = token.end;
        }
        afterContentsKey = token.kind == TextTokenKind::Name &&
                           text.compare(token.begin, token.end - token.begin, "/Contents") == 0;
    }
    out.append(text, copied, token.begin - copied);
    if (!isKeywordToken(text, token, "stream")) return out + text.substr(token.begin);

    size_t dataStart = streamDataStart(text, token.end);
    int64_t length = storedLength >= 0 ? storedLength : directLength(text);
    if (dataStart == kNoPos) return out + text.substr(token.begin);
    if (length < 0 || static_cast<uint64_t>(length) > text.size() - dataStart)
        length = lengthToEndstream(text, dataStart);
    if (length < 0) return out + text.substr(token.begin);
    size_t dataLength = static_cast<size_t>(length);

    // The stream dictionary picks the crypt filter; its names are all that matters here.
    CPdfParser parser(nullptr,
                      std::make_shared<CPdfMemoryStream>(text.substr(value, token.begin - value)));
    CPdfObject dict = parser.nextObject();
    std::string data = text.substr(dataStart, dataLength);
    data = encrypting ? security.encryptStream(num, gen, dict, data)
                      : security.decryptStream(num, gen, dict, data);
    setLength(out, data.size());
    return out + text.substr(token.begin, dataStart - token.begin) + data +
           text.substr(dataStart + dataLength);
}

}  // namespace

std::string decryptObjectText(const CPdfSecurity& security, int num, int gen,
                              const std::string& text, int64_t storedLength) {
    return cryptObjectText(security, false, num, gen, text, storedLength);
}

std::string encryptObjectText(const CPdfSecurity& security, int num, int gen,
                              const std::string& text) {
    return cryptObjectText(security, true, num, gen, text, -1);
}
