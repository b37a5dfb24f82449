// Scanning raw PDF text: tokens, value extents, names, numbers, references and object headers.
#include "pdf/PdfTextScan.h"

#include <array>
#include <cstdlib>
#include <cstring>

#include "pdf/FormatText.h"

namespace {

// The bytes that matter inside an array or dictionary: those that open or close something.
constexpr std::array<bool, 256> makeContainerStops() {
    std::array<bool, 256> stop{};
    for (unsigned char c : {'(', ')', '%', '<', '>', '[', ']'}) stop[c] = true;
    return stop;
}
constexpr std::array<bool, 256> kContainerStop = makeContainerStops();

// A complete token that can start a value: not the end, a closing bracket, a stray ")" or ">",
// or a string left open.
bool startsValue(const std::string& text, const TextToken& token) {
    switch (token.kind) {
        case TextTokenKind::End:
        case TextTokenKind::DictClose:
        case TextTokenKind::ArrayClose:
            return false;
        case TextTokenKind::Other:
            return text[token.begin] == '{' || text[token.begin] == '}';
        default:
            return token.closed;
    }
}

}  // namespace

size_t skipSpace(const std::string& text, size_t pos) {
    TextBytes bytes(text);
    return skipTextSpace(bytes, pos);
}

TextToken nextTextToken(const std::string& text, size_t pos) {
    TextBytes bytes(text);
    return scanTextToken(bytes, pos);
}

bool isDigitsToken(const std::string& text, const TextToken& token) {
    if (token.kind != TextTokenKind::Number) return false;
    for (size_t i = token.begin; i < token.end; i++) {
        if (text[i] < '0' || text[i] > '9') return false;
    }
    return true;
}

std::string decodeNameToken(const std::string& text, const TextToken& token) {
    if (token.end <= token.begin + 1) return std::string();
    size_t length = token.end - token.begin - 1;
    // Most names hold no escape and are taken as they stand.
    if (!std::memchr(text.data() + token.begin + 1, '#', length)) {
        return text.substr(token.begin + 1, length);
    }
    std::string name;
    TextSpanReader in(text.data(), token.begin + 1, token.end);
    readNameBytes(in, [&name](char c) { name += c; });
    return name;
}

std::string encodeName(const std::string& name) {
    std::string text;
    for (char c : name) {
        unsigned char byte = static_cast<unsigned char>(c);
        if (byte < 33 || byte > 126 || c == '#' || isTextDelimiter(byte)) {
            text += formatText("#%02X", byte);
        } else {
            text += c;
        }
    }
    return text;
}

size_t skipContainerText(const std::string& text, size_t pos) {
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
                TextSpanReader in(text.data(), i + 1, size);
                if (!readLiteralString(in, [](char) {})) return kNoPos;
                i = in.position();
                break;
            }
            case ')':
                return kNoPos;
            case '<':
                if (i + 1 < size && text[i + 1] == '<') {
                    if (++depth > static_cast<size_t>(kMaxNesting)) return kNoPos;
                    i += 2;
                } else {
                    size_t close = text.find('>', i + 1);
                    if (close == std::string::npos) return kNoPos;
                    i = close + 1;
                }
                break;
            case '>':
                if (i + 1 >= size || text[i + 1] != '>') return kNoPos;
                if (--depth == 0) return i + 2;
                i += 2;
                break;
            case '[':
                if (++depth > static_cast<size_t>(kMaxNesting)) return kNoPos;
                i++;
                break;
            default:  // ']'
                if (--depth == 0) return i + 1;
                i++;
                break;
        }
    }
    return kNoPos;
}

size_t findValueEnd(const std::string& text, size_t pos) {
    TextToken first = nextTextToken(text, pos);
    if (!startsValue(text, first)) return kNoPos;
    switch (first.kind) {
        case TextTokenKind::Number: {
            if (!isDigitsToken(text, first)) return first.end;
            TextToken second = nextTextToken(text, first.end);
            if (!isDigitsToken(text, second)) return first.end;
            TextToken third = nextTextToken(text, second.end);
            return isKeywordToken(text, third, "R") ? third.end : first.end;
        }
        case TextTokenKind::DictOpen:
        case TextTokenKind::ArrayOpen:
            return skipContainerText(text, first.end);
        default:
            return first.end;
    }
}

bool parseReference(const std::string& text, size_t begin, size_t end, int& num, int& gen) {
    if (begin >= end || end > text.size()) return false;
    // Nine digits at most: the numbers must fit an int.
    TextToken first = nextTextToken(text, begin);
    if (!isDigitsToken(text, first) || first.end - first.begin > 9) return false;
    TextToken second = nextTextToken(text, first.end);
    if (!isDigitsToken(text, second) || second.end - second.begin > 9) return false;
    TextToken third = nextTextToken(text, second.end);
    if (!isKeywordToken(text, third, "R") || third.end != end) return false;
    num = std::atoi(text.substr(first.begin, first.end - first.begin).c_str());
    gen = std::atoi(text.substr(second.begin, second.end - second.begin).c_str());
    return true;
}

bool parseNumber(const std::string& text, size_t begin, size_t end, double& value) {
    if (begin >= end || end > text.size() || end - begin > 64) return false;
    std::string digits = text.substr(begin, end - begin);
    bool seenDigit = false;
    for (size_t i = 0; i < digits.size(); i++) {
        char c = digits[i];
        if (c >= '0' && c <= '9') {
            seenDigit = true;
        } else if (!(c == '.' || ((c == '+' || c == '-') && i == 0))) {
            return false;
        }
    }
    if (!seenDigit) return false;
    value = std::strtod(digits.c_str(), nullptr);
    return true;
}

namespace {

// The "obj" keyword token of the header "N G obj" at the start of an object text; End when the
// text has no such header. first receives the number's token.
TextToken objectHeader(const std::string& text, TextToken& first) {
    first = nextTextToken(text, 0);
    TextToken none;
    if (!isDigitsToken(text, first)) return none;
    TextToken gen = nextTextToken(text, first.end);
    if (!isDigitsToken(text, gen)) return none;
    TextToken keyword = nextTextToken(text, gen.end);
    return isKeywordToken(text, keyword, "obj") ? keyword : none;
}

}  // namespace

size_t findObjectValue(const std::string& text) {
    TextToken first;
    TextToken keyword = objectHeader(text, first);
    if (keyword.kind == TextTokenKind::End) return kNoPos;
    size_t value = skipSpace(text, keyword.end);
    return value < text.size() ? value : kNoPos;
}

size_t findObjectDict(const std::string& text) {
    size_t value = findObjectValue(text);
    if (value == kNoPos || text.compare(value, 2, "<<") != 0) return kNoPos;
    return value;
}

bool renumberObjectText(std::string& text, int num, int gen) {
    TextToken first;
    TextToken keyword = objectHeader(text, first);
    if (keyword.kind == TextTokenKind::End) return false;
    text.replace(first.begin, keyword.begin - first.begin, formatText("%d %d ", num, gen));
    return true;
}

size_t streamDataStart(const std::string& text, size_t keywordEnd) {
    TextBytes bytes(text);
    return streamDataStart(bytes, keywordEnd);
}

namespace {

// Walks the entries of the dictionary at dictPos in order, handing each to visit until visit
// returns false. The result tells whether the dictionary was read to its end (or to the entry
// visit stopped at); close then receives the position of its ">>".
template <typename Visit>
bool walkDictEntries(const std::string& text, size_t dictPos, size_t& close, Visit visit) {
    TextToken open = nextTextToken(text, dictPos);
    if (open.kind != TextTokenKind::DictOpen || open.begin != dictPos) return false;
    size_t at = open.end;
    for (;;) {
        TextToken token = nextTextToken(text, at);
        if (token.kind == TextTokenKind::DictClose) {
            close = token.begin;
            return true;
        }
        if (token.kind != TextTokenKind::Name) {
            // Junk where a key belongs: stepped over as a value.
            at = findValueEnd(text, token.begin);
            if (at == kNoPos) return false;
            continue;
        }
        DictEntry entry;
        entry.keyPos = token.begin;
        entry.keyEnd = token.end;
        entry.valueBegin = skipSpace(text, token.end);
        TextToken value = nextTextToken(text, entry.valueBegin);
        if (value.kind == TextTokenKind::DictClose) {
            // A key without a value: nothing to record, the dictionary ends here.
            close = value.begin;
            return true;
        }
        entry.valueEnd = findValueEnd(text, entry.valueBegin);
        if (entry.valueEnd == kNoPos) return false;
        entry.entryEnd = skipSpace(text, entry.valueEnd);
        entry.key = decodeNameToken(text, token);
        at = entry.valueEnd;
        if (!visit(entry)) return true;
    }
}

}  // namespace

const DictEntry* DictText::find(const std::string& key) const {
    for (const DictEntry& entry : entries) {
        if (entry.key == key) return &entry;
    }
    return nullptr;
}

bool parseDictText(const std::string& text, size_t open, DictText& dict) {
    dict = DictText();
    dict.open = open;
    return walkDictEntries(text, open, dict.close, [&dict](DictEntry& entry) {
        dict.entries.push_back(std::move(entry));
        return true;
    });
}

bool parseObjectDict(const std::string& objectText, DictText& dict) {
    size_t open = findObjectDict(objectText);
    return open != kNoPos && parseDictText(objectText, open, dict);
}

bool listDictEntries(const std::string& text, size_t dictPos, std::vector<DictEntry>& entries,
                     size_t* dictEnd) {
    entries.clear();
    size_t close = 0;
    bool read = walkDictEntries(text, dictPos, close, [&entries](DictEntry& entry) {
        entries.push_back(std::move(entry));
        return true;
    });
    if (read && dictEnd) *dictEnd = close + 2;
    return read;
}

bool findDictEntry(const std::string& text, size_t dictPos, const std::string& key,
                   DictEntry& entry) {
    // The first entry with the key wins, so the walk stops there.
    bool found = false;
    size_t close = 0;
    walkDictEntries(text, dictPos, close, [&](DictEntry& candidate) {
        if (candidate.key != key) return true;
        entry = std::move(candidate);
        found = true;
        return false;
    });
    return found;
}

bool listArrayElements(const std::string& text, size_t arrayPos,
                       std::vector<std::pair<size_t, size_t>>& elements) {
    elements.clear();
    TextToken open = nextTextToken(text, arrayPos);
    if (open.kind != TextTokenKind::ArrayOpen || open.begin != arrayPos) return false;
    size_t at = open.end;
    for (;;) {
        TextToken token = nextTextToken(text, at);
        if (token.kind == TextTokenKind::ArrayClose) return true;
        size_t end = findValueEnd(text, token.begin);
        if (end == kNoPos) return false;
        elements.emplace_back(token.begin, end);
        at = end;
    }
}
