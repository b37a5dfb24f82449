// Scanning raw PDF text without parsing it into objects: tokens, where a value ends, the entries
// of a dictionary and the elements of an array, names, numbers and references, so that an edit
// touches exactly the value meant and keeps every other byte as it was.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "pdf/PdfSyntax.h"

constexpr size_t kNoPos = std::string::npos;

enum class TextTokenKind {
    End,
    Name,
    Number,
    Keyword,
    String,
    HexString,
    DictOpen,
    DictClose,
    ArrayOpen,
    ArrayClose,
    Other  // a stray delimiter: ")", ">", "{" or "}"
};

struct TextToken {
    TextTokenKind kind = TextTokenKind::End;
    size_t begin = 0;
    size_t end = 0;      // one past the last byte
    bool closed = true;  // false for a string or hex string that runs to the end of the text
};

// The first position at or after pos that is neither white space nor inside a comment. Bytes
// gives byte i as at(i), -1 past its end: a string, or a file read only as far as a scan needs.
template <typename Bytes>
inline size_t skipTextSpace(Bytes& bytes, size_t pos) {
    for (;;) {
        int c = bytes.at(pos);
        if (c < 0 || kTextByteClass[static_cast<unsigned char>(c)] != kTextWhite) {
            if (c != '%') return pos;
            while ((c = bytes.at(pos)) >= 0 && c != '\r' && c != '\n') pos++;
        } else {
            pos++;
        }
    }
}

// The token at or after pos, white space and comments skipped. A string left open runs to the
// end of the bytes, with closed false.
template <typename Bytes>
inline TextToken scanTextToken(Bytes& bytes, size_t pos) {
    TextToken token;
    token.begin = skipTextSpace(bytes, pos);
    size_t i = token.begin;
    int c = bytes.at(i);
    switch (c) {
        case -1:
            token.end = i;
            return token;
        case '/':
            i++;
            while (isRegularByte(bytes.at(i))) i++;
            token.kind = TextTokenKind::Name;
            token.end = i;
            return token;
        case '(': {
            struct Reader {
                Bytes& bytes;
                size_t at;
                int get() {
                    int b = bytes.at(at);
                    if (b >= 0) at++;
                    return b;
                }
                int peek() { return bytes.at(at); }
            } in{bytes, i + 1};
            token.closed = readLiteralString(in, [](char) {});
            token.kind = TextTokenKind::String;
            token.end = in.at;
            return token;
        }
        case '<':
            if (bytes.at(i + 1) == '<') {
                token.kind = TextTokenKind::DictOpen;
                token.end = i + 2;
                return token;
            }
            while ((c = bytes.at(++i)) >= 0 && c != '>') {
            }
            token.kind = TextTokenKind::HexString;
            token.closed = c == '>';
            token.end = token.closed ? i + 1 : i;
            return token;
        case '>':
            token.kind = bytes.at(i + 1) == '>' ? TextTokenKind::DictClose : TextTokenKind::Other;
            token.end = token.kind == TextTokenKind::DictClose ? i + 2 : i + 1;
            return token;
        case '[':
        case ']':
            token.kind = c == '[' ? TextTokenKind::ArrayOpen : TextTokenKind::ArrayClose;
            token.end = i + 1;
            return token;
        default:
            break;
    }
    if (!isRegularByte(c)) {
        token.kind = TextTokenKind::Other;
        token.end = i + 1;
        return token;
    }
    // A run of regular bytes is a number when it holds a digit and nothing but signs and points.
    bool numeric = true;
    bool digit = false;
    for (; isRegularByte(c = bytes.at(i)); i++) {
        if (c >= '0' && c <= '9') {
            digit = true;
        } else if (c != '+' && c != '-' && c != '.') {
            numeric = false;
        }
    }
    token.kind = numeric && digit ? TextTokenKind::Number : TextTokenKind::Keyword;
    token.end = i;
    return token;
}

// A string read through the interface above.
class TextBytes {
  public:
    explicit TextBytes(const std::string& text) : text_(text) {}
    int at(size_t i) const { return i < text_.size() ? static_cast<unsigned char>(text_[i]) : -1; }

  private:
    const std::string& text_;
};

size_t skipSpace(const std::string& text, size_t pos);
TextToken nextTextToken(const std::string& text, size_t pos);
// Whether the token is the keyword word (a literal: its length is known without counting, as
// content streams ask this of every token).
template <size_t N>
bool isKeywordToken(const std::string& text, const TextToken& token, const char (&word)[N]) {
    return token.kind == TextTokenKind::Keyword && token.end - token.begin == N - 1 &&
           text.compare(token.begin, N - 1, word) == 0;
}
// Whether the token is a run of decimal digits and nothing else.
bool isDigitsToken(const std::string& text, const TextToken& token);

// A name token's bytes after the slash with #xx escapes decoded, as the parser decodes them.
std::string decodeNameToken(const std::string& text, const TextToken& token);
// A name's bytes as written after its slash: bytes that cannot stand in a name as they are
// (white space, delimiters, "#", bytes outside 33..126) as #xx escapes.
std::string encodeName(const std::string& name);

// One past the array or dictionary whose opening bracket ends just before pos; kNoPos when it is
// not closed, holds a stray ")" or ">" or a string left open, or nests deeper than kMaxNesting.
// Only brackets, strings and comments can end a container, so the bytes between are stepped over
// directly rather than cut into tokens.
size_t skipContainerText(const std::string& text, size_t pos);

// One past the value that starts at pos (white space before it skipped); a reference "N G R"
// counts as one value, a dictionary or array with everything it nests. kNoPos when no complete
// value starts there: the end of the text, a closing bracket, a stray ")" or ">", a string left
// open, or a container that skipContainerText refuses.
size_t findValueEnd(const std::string& text, size_t pos);

// The reference "N G R" that spans exactly [begin, end).
bool parseReference(const std::string& text, size_t begin, size_t end, int& num, int& gen);
// A number (integer or real) that spans exactly [begin, end).
bool parseNumber(const std::string& text, size_t begin, size_t end, double& value);

// Position of the first byte of an object's value, after "N G obj"; kNoPos when there is none.
size_t findObjectValue(const std::string& text);
// Position of the "<<" that opens an object's value (a dictionary or a stream's dictionary);
// kNoPos when the value is not a dictionary.
size_t findObjectDict(const std::string& text);
// Replaces the number and generation of an object text's "N G obj" header (to write the text as
// another object); false when the text has no such header.
bool renumberObjectText(std::string& text, int num, int gen);
// Where the data of a stream starts: after the line end that follows its "stream" keyword
// (ending at keywordEnd), as the parser reads it; kNoPos when no line end follows.
size_t streamDataStart(const std::string& text, size_t keywordEnd);
template <typename Bytes>
size_t streamDataStart(Bytes& bytes, size_t keywordEnd) {
    size_t i = keywordEnd;
    int c;
    while ((c = bytes.at(i)) >= 0 && c != '\n' && c != '\r') i++;
    if (c < 0) return kNoPos;
    if (c == '\r' && bytes.at(i + 1) == '\n') i++;
    return i + 1;
}

// One entry of a dictionary as text.
struct DictEntry {
    std::string key;        // the name without its slash, #xx escapes decoded
    size_t keyPos = 0;      // the slash
    size_t keyEnd = 0;      // one past the key's name
    size_t valueBegin = 0;  // first byte of the value
    size_t valueEnd = 0;    // one past the value
    size_t entryEnd = 0;    // start of what follows: the next key or the closing ">>"
};

// The top-level entries of a dictionary as text. Junk where a key belongs is stepped over as the
// parser steps over it, and a key without a value ends the dictionary.
struct DictText {
    size_t open = 0;   // the "<<"
    size_t close = 0;  // the closing ">>"
    std::vector<DictEntry> entries;
    // The first entry with this key (no slash), or nullptr.
    const DictEntry* find(const std::string& key) const;
};

// Reads the dictionary whose "<<" is at open; false when no complete dictionary starts there.
bool parseDictText(const std::string& text, size_t open, DictText& dict);
// The dictionary of an object text "N G obj << ... >> ...": false when the object's value is not a
// complete dictionary (or stream dictionary).
bool parseObjectDict(const std::string& objectText, DictText& dict);

// The entries of the dictionary at dictPos, in text order; false when no complete dictionary
// starts there. dictEnd (when given) receives the position after its ">>".
bool listDictEntries(const std::string& text, size_t dictPos, std::vector<DictEntry>& entries,
                     size_t* dictEnd = nullptr);
// The first entry of the dictionary at dictPos with this key; false when it is absent.
bool findDictEntry(const std::string& text, size_t dictPos, const std::string& key,
                   DictEntry& entry);
// Spans [begin, end) of the elements of the array whose "[" is at arrayPos; false when no
// complete array starts there.
bool listArrayElements(const std::string& text, size_t arrayPos,
                       std::vector<std::pair<size_t, size_t>>& elements);
