// Token-level scanning of raw PDF text: finding tokens, dictionary entries and their value spans
// without parsing the text into objects, so edits keep every other byte as it was.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <vector>

// Byte classes looked up in one table: scanning large texts asks for every byte.
enum : unsigned char { kTextRegular = 0, kTextWhite = 1, kTextDelimiter = 2 };
extern const std::array<unsigned char, 256> kTextByteClass;

// NUL, tab, LF, FF, CR and space.
inline bool isTextWhite(unsigned char c) {
    return kTextByteClass[c] == kTextWhite;
}
// ( ) < > [ ] { } / %
inline bool isTextDelimiter(unsigned char c) {
    return kTextByteClass[c] == kTextDelimiter;
}
// Neither white space nor a delimiter: a byte of a name, number or keyword.
inline bool isTextRegular(unsigned char c) {
    return kTextByteClass[c] == kTextRegular;
}

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
    size_t end = 0;  // one past the last byte
};

// The next token at or after pos, skipping white space and comments. An unterminated string
// runs to the end of the text.
TextToken nextTextToken(const std::string& text, size_t pos);

// A name token's bytes after the slash with #xx escapes decoded.
std::string decodeNameToken(const std::string& text, const TextToken& token);

// Position one past the value that starts with the token at pos ("N G R" counts as one value,
// dictionaries and arrays with everything they nest); pos itself when there is no value.
size_t skipTextValue(const std::string& text, size_t pos);

// One past the array or dictionary whose opening bracket ends just before pos. Only brackets,
// strings and comments can end a container, so the bytes between are stepped over directly
// rather than cut into tokens. Lenient (strict false): stray ")" and ">" are stepped over and
// a container left open runs to the end of the text. Strict: those, a string left open and
// nesting deeper than maxDepth give std::string::npos.
size_t skipContainerText(const std::string& text, size_t pos, bool strict, size_t maxDepth);

struct DictTextEntry {
    std::string key;        // decoded, without the slash
    size_t keyBegin = 0;    // the slash
    size_t keyEnd = 0;      // one past the key's name
    size_t valueBegin = 0;  // first byte of the value
    size_t valueEnd = 0;    // one past the value
    size_t entryEnd = 0;    // start of the next key or of the closing ">>"
};

struct DictText {
    size_t open = 0;   // the "<<"
    size_t close = 0;  // the closing ">>"
    std::vector<DictTextEntry> entries;
    // The first entry with this key (no slash), or nullptr.
    const DictTextEntry* find(const std::string& key) const;
};

// Reads the top-level entries of the dictionary whose "<<" is at open; false when the text there
// is not a complete dictionary.
bool parseDictText(const std::string& text, size_t open, DictText& dict);

// The dictionary of an object text "N G obj << ... >> ...": false when the object's value is not a
// complete dictionary (or stream dictionary).
bool parseObjectDict(const std::string& objectText, DictText& dict);
