// Token-level scanning of raw PDF text.
#include "pdf/PdfTextScan.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace {

constexpr std::array<unsigned char, 256> makeByteClasses() {
    std::array<unsigned char, 256> of{};
    for (unsigned char c : {'\0', '\t', '\n', '\f', '\r', ' '}) of[c] = kTextWhite;
    for (unsigned char c : {'(', ')', '<', '>', '[', ']', '{', '}', '/', '%'})
        of[c] = kTextDelimiter;
    return of;
}

}  // namespace

const std::array<unsigned char, 256> kTextByteClass = makeByteClasses();

namespace {

// The bytes that matter inside an array or dictionary: those that open or close something.
constexpr std::array<bool, 256> makeContainerStops() {
    std::array<bool, 256> stop{};
    for (unsigned char c : {'(', ')', '%', '<', '>', '[', ']'}) stop[c] = true;
    return stop;
}
constexpr std::array<bool, 256> kContainerStop = makeContainerStops();

}  // namespace

namespace {

unsigned char at(const std::string& text, size_t pos) {
    return static_cast<unsigned char>(text[pos]);
}

// One past a literal string that opens at pos: parentheses nest, a backslash escapes one byte.
size_t skipLiteralString(const std::string& text, size_t pos, bool* closed = nullptr) {
    int depth = 0;
    size_t i = pos;
    while (i < text.size()) {
        char c = text[i++];
        if (c == '\\') {
            if (i < text.size()) i++;
        } else if (c == '(') {
            depth++;
        } else if (c == ')') {
            if (--depth == 0) {
                if (closed) *closed = true;
                return i;
            }
        }
    }
    return text.size();
}

bool looksNumeric(const std::string& text, size_t begin, size_t end) {
    bool digit = false;
    for (size_t i = begin; i < end; i++) {
        char c = text[i];
        if (c >= '0' && c <= '9') {
            digit = true;
        } else if (c != '+' && c != '-' && c != '.') {
            return false;
        }
    }
    return digit;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool isKeyword(const std::string& text, const TextToken& token, const char* word) {
    size_t length = std::strlen(word);
    return token.kind == TextTokenKind::Keyword && token.end - token.begin == length &&
           text.compare(token.begin, length, word) == 0;
}

}  // namespace

size_t skipContainerText(const std::string& text, size_t pos, bool strict, size_t maxDepth) {
    const size_t broken = strict ? std::string::npos : text.size();
    size_t depth = 1;
    size_t i = pos;
    const size_t size = text.size();
    while (i < size) {
        // Names, numbers, keywords and white space cannot end the container: step over them in
        // one tight loop.
        while (i < size && !kContainerStop[static_cast<unsigned char>(text[i])]) i++;
        if (i >= size) break;
        switch (text[i]) {
            case '%':
                while (i < size && text[i] != '\r' && text[i] != '\n') i++;
                break;
            case '(': {
                bool closed = false;
                i = skipLiteralString(text, i, &closed);
                if (!closed) return broken;
                break;
            }
            case ')':
                if (strict) return broken;
                i++;
                break;
            case '<':
                if (i + 1 < size && text[i + 1] == '<') {
                    if (++depth > maxDepth) return broken;
                    i += 2;
                } else {
                    size_t close = text.find('>', i + 1);
                    if (close == std::string::npos) return broken;
                    i = close + 1;
                }
                break;
            case '>':
                if (i + 1 < size && text[i + 1] == '>') {
                    if (--depth == 0) return i + 2;
                    i += 2;
                } else {
                    if (strict) return broken;
                    i++;
                }
                break;
            case '[':
                if (++depth > maxDepth) return broken;
                i++;
                break;
            case ']':
                if (--depth == 0) return i + 1;
                i++;
                break;
            default:
                i++;
                break;
        }
    }
    return broken;
}

TextToken nextTextToken(const std::string& text, size_t pos) {
    size_t i = pos;
    // White space and comments between tokens.
    while (i < text.size()) {
        unsigned char c = at(text, i);
        if (isTextWhite(c)) {
            i++;
        } else if (c == '%') {
            while (i < text.size() && text[i] != '\r' && text[i] != '\n') i++;
        } else {
            break;
        }
    }
    TextToken token;
    token.begin = i;
    if (i >= text.size()) {
        token.kind = TextTokenKind::End;
        token.begin = token.end = text.size();
        return token;
    }
    unsigned char c = at(text, i);
    switch (c) {
        case '/': {
            size_t j = i + 1;
            while (j < text.size() && isTextRegular(at(text, j))) j++;
            token.kind = TextTokenKind::Name;
            token.end = j;
            return token;
        }
        case '(':
            token.kind = TextTokenKind::String;
            token.end = skipLiteralString(text, i);
            return token;
        case '<':
            if (i + 1 < text.size() && text[i + 1] == '<') {
                token.kind = TextTokenKind::DictOpen;
                token.end = i + 2;
            } else {
                size_t close = text.find('>', i + 1);
                token.kind = TextTokenKind::HexString;
                token.end = close == std::string::npos ? text.size() : close + 1;
            }
            return token;
        case '>':
            if (i + 1 < text.size() && text[i + 1] == '>') {
                token.kind = TextTokenKind::DictClose;
                token.end = i + 2;
            } else {
                token.kind = TextTokenKind::Other;
                token.end = i + 1;
            }
            return token;
        case '[':
            token.kind = TextTokenKind::ArrayOpen;
            token.end = i + 1;
            return token;
        case ']':
            token.kind = TextTokenKind::ArrayClose;
            token.end = i + 1;
            return token;
        default:
            break;
    }
    if (isTextDelimiter(c)) {
        token.kind = TextTokenKind::Other;
        token.end = i + 1;
        return token;
    }
    size_t j = i;
    while (j < text.size() && isTextRegular(at(text, j))) j++;
    token.end = j;
    token.kind = looksNumeric(text, i, j) ? TextTokenKind::Number : TextTokenKind::Keyword;
    return token;
}

std::string decodeNameToken(const std::string& text, const TextToken& token) {
    if (token.end <= token.begin + 1) return std::string();
    size_t length = token.end - token.begin - 1;
    if (!std::memchr(text.data() + token.begin + 1, '#', length)) {
        return text.substr(token.begin + 1, length);
    }
    std::string name;
    for (size_t i = token.begin + 1; i < token.end; i++) {
        if (text[i] == '#' && i + 2 < token.end) {
            int high = hexValue(text[i + 1]);
            int low = hexValue(text[i + 2]);
            if (high >= 0 && low >= 0) {
                name += static_cast<char>(high * 16 + low);
                i += 2;
                continue;
            }
        }
        name += text[i];
    }
    return name;
}

size_t skipTextValue(const std::string& text, size_t pos) {
    TextToken first = nextTextToken(text, pos);
    switch (first.kind) {
        case TextTokenKind::End:
        case TextTokenKind::DictClose:
        case TextTokenKind::ArrayClose:
            return pos;
        case TextTokenKind::Number: {
            // "N G R" is one value.
            TextToken second = nextTextToken(text, first.end);
            if (second.kind == TextTokenKind::Number) {
                TextToken third = nextTextToken(text, second.end);
                if (isKeyword(text, third, "R")) return third.end;
            }
            return first.end;
        }
        case TextTokenKind::DictOpen:
        case TextTokenKind::ArrayOpen:
            return skipContainerText(text, first.end, false, SIZE_MAX);
        default:
            return first.end;
    }
}

const DictTextEntry* DictText::find(const std::string& key) const {
    for (const DictTextEntry& entry : entries) {
        if (entry.key == key) return &entry;
    }
    return nullptr;
}

bool parseDictText(const std::string& text, size_t open, DictText& dict) {
    dict = DictText();
    if (open + 1 >= text.size() || text[open] != '<' || text[open + 1] != '<') return false;
    dict.open = open;
    size_t i = open + 2;
    for (;;) {
        TextToken key = nextTextToken(text, i);
        if (key.kind == TextTokenKind::DictClose) {
            dict.close = key.begin;
            if (!dict.entries.empty()) dict.entries.back().entryEnd = key.begin;
            return true;
        }
        if (key.kind != TextTokenKind::Name) return false;
        if (!dict.entries.empty()) dict.entries.back().entryEnd = key.begin;
        DictTextEntry entry;
        entry.key = decodeNameToken(text, key);
        entry.keyBegin = key.begin;
        entry.keyEnd = key.end;
        TextToken value = nextTextToken(text, key.end);
        entry.valueBegin = value.begin;
        entry.valueEnd = skipTextValue(text, key.end);
        // A key without a value ("/A >>") is malformed.
        if (entry.valueEnd == key.end) return false;
        entry.entryEnd = entry.valueEnd;
        i = entry.valueEnd;
        dict.entries.push_back(std::move(entry));
    }
}

bool parseObjectDict(const std::string& objectText, DictText& dict) {
    TextToken num = nextTextToken(objectText, 0);
    TextToken gen = nextTextToken(objectText, num.end);
    TextToken obj = nextTextToken(objectText, gen.end);
    if (num.kind != TextTokenKind::Number || gen.kind != TextTokenKind::Number ||
        !isKeyword(objectText, obj, "obj")) {
        return false;
    }
    TextToken open = nextTextToken(objectText, obj.end);
    if (open.kind != TextTokenKind::DictOpen) return false;
    return parseDictText(objectText, open.begin, dict);
}
