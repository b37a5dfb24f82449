// Raw object text scanning: tokens, value extents, dictionary entries, array elements.
#include "imposition/RawText.h"

#include <cstdlib>
#include <cstring>

#include "pdf/FormatText.h"
#include "pdf/ObjectText.h"
#include "pdf/PdfTextScan.h"
#include "writer/WriteContext.h"

namespace {

bool isPdfSpace(char c) {
    return isTextWhite(static_cast<unsigned char>(c));
}

bool isPdfDelimiter(char c) {
    return isTextDelimiter(static_cast<unsigned char>(c));
}

// A name token's bytes after the slash (begin is the byte after it) with #xx escapes decoded.
std::string decodeName(const std::string& text, size_t begin, size_t end) {
    TextToken name;
    name.kind = TextTokenKind::Name;
    name.begin = begin - 1;
    name.end = end;
    return decodeNameToken(text, name);
}

// References followed from one value before giving up: chains longer than this are loops.
constexpr int kMaxReferenceHops = 16;

// Deeper nesting than this is hostile input; real files stay far below it.
constexpr int kMaxNesting = 512;

enum TokenKind {
    tokNone,
    tokDictOpen,
    tokDictClose,
    tokArrayOpen,
    tokArrayClose,
    tokAtom,
    tokRegular
};

struct Token {
    TokenKind kind = tokNone;
    size_t begin = 0;
    size_t end = 0;
};

bool isRegular(char c) {
    return isTextRegular(static_cast<unsigned char>(c));
}

bool isUnsignedInteger(const std::string& text, const Token& token) {
    if (token.kind != tokRegular || token.end == token.begin) return false;
    for (size_t i = token.begin; i < token.end; i++) {
        if (text[i] < '0' || text[i] > '9') return false;
    }
    return true;
}

bool tokenIs(const std::string& text, const Token& token, const char* word) {
    return token.kind == tokRegular &&
           text.compare(token.begin, token.end - token.begin, word) == 0;
}

// End of a literal string whose "(" is at pos, or kNoPos when it is not closed.
size_t literalStringEnd(const std::string& text, size_t pos) {
    int depth = 0;
    for (size_t i = pos; i < text.size(); i++) {
        char c = text[i];
        if (c == '\\') {
            i++;
        } else if (c == '(') {
            depth++;
        } else if (c == ')') {
            if (--depth == 0) return i + 1;
        }
    }
    return kNoPos;
}

// The token at pos (pos already past white space); kind tokNone at the end or on a broken token.
Token nextToken(const std::string& text, size_t pos) {
    Token token;
    token.begin = pos;
    if (pos >= text.size()) return token;
    char c = text[pos];
    size_t size = text.size();
    if (c == '<') {
        if (pos + 1 < size && text[pos + 1] == '<') {
            token.kind = tokDictOpen;
            token.end = pos + 2;
            return token;
        }
        size_t close = text.find('>', pos + 1);
        if (close == kNoPos) return token;
        token.kind = tokAtom;
        token.end = close + 1;
        return token;
    }
    if (c == '>') {
        if (pos + 1 < size && text[pos + 1] == '>') {
            token.kind = tokDictClose;
            token.end = pos + 2;
        }
        return token;
    }
    if (c == '[' || c == ']') {
        token.kind = c == '[' ? tokArrayOpen : tokArrayClose;
        token.end = pos + 1;
        return token;
    }
    if (c == '(') {
        size_t end = literalStringEnd(text, pos);
        if (end == kNoPos) return token;
        token.kind = tokAtom;
        token.end = end;
        return token;
    }
    if (c == '{' || c == '}') {
        token.kind = tokAtom;
        token.end = pos + 1;
        return token;
    }
    if (c == ')') return token;
    size_t end = pos + 1;  // a name's slash, or the first regular byte
    while (end < size && isRegular(text[end])) end++;
    token.kind = c == '/' ? tokAtom : tokRegular;
    token.end = end;
    return token;
}

Token tokenAt(const std::string& text, size_t pos) {
    return nextToken(text, skipSpace(text, pos));
}

}  // namespace

size_t skipSpace(const std::string& text, size_t pos) {
    while (pos < text.size()) {
        char c = text[pos];
        if (c == '%') {
            while (pos < text.size() && text[pos] != '\n' && text[pos] != '\r') pos++;
        } else if (isPdfSpace(c)) {
            pos++;
        } else {
            break;
        }
    }
    return pos;
}

size_t findValueEnd(const std::string& text, size_t pos) {
    Token first = nextToken(text, pos);
    switch (first.kind) {
        case tokAtom:
            return first.end;
        case tokRegular: {
            if (!isUnsignedInteger(text, first)) return first.end;
            Token second = tokenAt(text, first.end);
            if (!isUnsignedInteger(text, second)) return first.end;
            Token third = tokenAt(text, second.end);
            return tokenIs(text, third, "R") ? third.end : first.end;
        }
        case tokDictOpen:
        case tokArrayOpen:
            return skipContainerText(text, first.end, true, kMaxNesting);
        default:
            return kNoPos;
    }
}

size_t findObjectValue(const std::string& text) {
    Token num = tokenAt(text, 0);
    if (!isUnsignedInteger(text, num)) return kNoPos;
    Token gen = tokenAt(text, num.end);
    if (!isUnsignedInteger(text, gen)) return kNoPos;
    Token keyword = tokenAt(text, gen.end);
    if (!tokenIs(text, keyword, "obj")) return kNoPos;
    size_t value = skipSpace(text, keyword.end);
    return value < text.size() ? value : kNoPos;
}

size_t findObjectDict(const std::string& text) {
    size_t value = findObjectValue(text);
    if (value == kNoPos || text.compare(value, 2, "<<") != 0) return kNoPos;
    return value;
}

namespace {

// Walks the entries of the dictionary at dictPos in order, handing each to visit until visit
// returns false. The result tells whether the dictionary was read to its end; dictEnd is then
// one past its ">>". Keys are decoded only when they hold an escape, since most never do.
template <typename Visit>
bool walkDictEntries(const std::string& text, size_t dictPos, size_t* dictEnd, Visit visit) {
    Token open = nextToken(text, dictPos);
    if (open.kind != tokDictOpen) return false;
    size_t at = open.end;
    while (true) {
        at = skipSpace(text, at);
        Token token = nextToken(text, at);
        if (token.kind == tokDictClose) {
            if (dictEnd) *dictEnd = token.end;
            return true;
        }
        if (token.kind == tokNone) return false;
        if (token.kind == tokAtom && text[token.begin] == '/') {
            DictEntry entry;
            if (std::memchr(text.data() + token.begin, '#', token.end - token.begin)) {
                entry.key = decodeName(text, token.begin + 1, token.end);
            } else {
                entry.key.assign(text, token.begin + 1, token.end - token.begin - 1);
            }
            entry.keyPos = token.begin;
            entry.valueBegin = skipSpace(text, token.end);
            Token next = nextToken(text, entry.valueBegin);
            if (next.kind == tokDictClose) {
                // A key without a value: nothing to record, the dictionary ends here.
                if (dictEnd) *dictEnd = next.end;
                return true;
            }
            entry.valueEnd = findValueEnd(text, entry.valueBegin);
            if (entry.valueEnd == kNoPos) return false;
            at = entry.valueEnd;
            if (!visit(entry)) return true;
        } else {
            // Junk where a key belongs: step over it as a value.
            size_t end = findValueEnd(text, token.begin);
            if (end == kNoPos) return false;
            at = end;
        }
    }
}

}  // namespace

bool listDictEntries(const std::string& text, size_t dictPos, std::vector<DictEntry>& entries,
                     size_t* dictEnd) {
    entries.clear();
    return walkDictEntries(text, dictPos, dictEnd, [&entries](DictEntry& entry) {
        entries.push_back(std::move(entry));
        return true;
    });
}

bool findDictEntry(const std::string& text, size_t dictPos, const std::string& key,
                   DictEntry& entry) {
    // The first entry with the key wins, so the walk stops there.
    bool found = false;
    walkDictEntries(text, dictPos, nullptr, [&](DictEntry& candidate) {
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
    Token open = nextToken(text, arrayPos);
    if (open.kind != tokArrayOpen) return false;
    size_t at = open.end;
    while (true) {
        at = skipSpace(text, at);
        Token token = nextToken(text, at);
        if (token.kind == tokArrayClose) return true;
        if (token.kind == tokNone) return false;
        size_t end = findValueEnd(text, at);
        if (end == kNoPos) return false;
        elements.emplace_back(at, end);
        at = end;
    }
}

std::string encodeName(const std::string& name) {
    std::string text;
    for (char c : name) {
        unsigned char byte = static_cast<unsigned char>(c);
        if (byte < 33 || byte > 126 || c == '#' || isPdfDelimiter(c)) {
            text += formatText("#%02X", byte);
        } else {
            text += c;
        }
    }
    return text;
}

bool parseReference(const std::string& text, size_t begin, size_t end, int& num, int& gen) {
    if (begin >= end || end > text.size()) return false;
    Token first = nextToken(text, begin);
    if (!isUnsignedInteger(text, first) || first.end - first.begin > 9) return false;
    Token second = tokenAt(text, first.end);
    if (!isUnsignedInteger(text, second) || second.end - second.begin > 9) return false;
    Token third = tokenAt(text, second.end);
    if (!tokenIs(text, third, "R") || third.end != end) return false;
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

bool renumberObjectText(std::string& text, int num, int gen) {
    Token first = tokenAt(text, 0);
    if (!isUnsignedInteger(text, first)) return false;
    Token second = tokenAt(text, first.end);
    if (!isUnsignedInteger(text, second)) return false;
    Token keyword = tokenAt(text, second.end);
    if (!tokenIs(text, keyword, "obj")) return false;
    text.replace(first.begin, keyword.begin - first.begin, formatText("%d %d ", num, gen));
    return true;
}

bool readObjectText(WriteContext& ctx, int num, std::string& text) {
    text.clear();
    return getObjectText(ctx.input, num, ctx.doc, text);
}

bool resolveValue(WriteContext& ctx, const std::string& holder, size_t begin, size_t end,
                  ValueText& out) {
    // Only the value is kept, not the whole holder: callers look at nothing else, and page
    // texts are copied here many times per sheet.
    if (begin > end || end > holder.size()) return false;
    out.text.assign(holder, begin, end - begin);
    out.begin = 0;
    out.end = end - begin;
    out.objNum = 0;
    for (int hop = 0; hop < kMaxReferenceHops; hop++) {
        int num = 0, gen = 0;
        if (!parseReference(out.text, out.begin, out.end, num, gen)) return out.begin < out.end;
        std::string next;
        if (!readObjectText(ctx, num, next)) return false;
        size_t value = findObjectValue(next);
        if (value == kNoPos) return false;
        size_t valueEnd = findValueEnd(next, value);
        if (valueEnd == kNoPos) return false;
        out.text.swap(next);
        out.begin = value;
        out.end = valueEnd;
        out.objNum = num;
    }
    return false;
}

void setPageArray(WriteContext& ctx, std::string& pageText, const char* key,
                  const std::string& items, const std::string& missingEntry) {
    size_t dict = findObjectDict(pageText);
    if (dict == kNoPos) return;
    DictEntry entry;
    if (!findDictEntry(pageText, dict, key, entry)) {
        pageText.insert(dict + 2, missingEntry);
        return;
    }
    std::string array = "[" + items + "]";
    int num = 0, gen = 0;
    ValueText value;
    if (parseReference(pageText, entry.valueBegin, entry.valueEnd, num, gen) &&
        resolveValue(ctx, pageText, entry.valueBegin, entry.valueEnd, value) &&
        value.text[value.begin] == '[') {
        std::string object =
            formatText("%d 0 obj\n", ctx.nextObjectNumber()) + array + "\nendobj\n";
        array = formatText("%d 0 R", ctx.writeNewObject(object));
    }
    pageText.replace(entry.valueBegin, entry.valueEnd - entry.valueBegin, array);
}
