// Scanning the raw text of PDF objects: value extents, top-level dictionary keys and array
// elements, so that an edit touches exactly the value meant, never a look-alike inside a string,
// a comment or a nested dictionary.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

constexpr size_t kNoPos = std::string::npos;

// First position at or after pos that is neither white space nor inside a comment.
size_t skipSpace(const std::string& text, size_t pos);

// End (one past the last byte) of the value that starts at pos; a reference "N G R" counts as one
// value. kNoPos when no complete value starts there (end of text, a stray closing bracket, or
// nesting deeper than any sane file needs).
size_t findValueEnd(const std::string& text, size_t pos);

// Position of the "<<" that opens an object's value ("N G obj" then a dictionary or a stream's
// dictionary); kNoPos when the value is not a dictionary.
size_t findObjectDict(const std::string& text);

// Position of the first byte of an object's value, after "N G obj"; kNoPos when there is none.
size_t findObjectValue(const std::string& text);

struct DictEntry {
    std::string key;  // the name without its slash, #xx escapes decoded
    size_t keyPos = 0;
    size_t valueBegin = 0;
    size_t valueEnd = 0;
};

// Entries of the dictionary whose "<<" is at dictPos, in text order; false when no complete
// dictionary starts there. dictEnd (when given) receives the position after its ">>".
bool listDictEntries(const std::string& text, size_t dictPos, std::vector<DictEntry>& entries,
                     size_t* dictEnd = nullptr);

// The first entry of the dictionary at dictPos with this key; false when it is absent.
bool findDictEntry(const std::string& text, size_t dictPos, const std::string& key,
                   DictEntry& entry);

// Spans [begin, end) of the elements of the array whose "[" is at arrayPos; false when no
// complete array starts there.
bool listArrayElements(const std::string& text, size_t arrayPos,
                       std::vector<std::pair<size_t, size_t>>& elements);

// A name's bytes as written after its slash: bytes that cannot stand in a name as they are
// (white space, delimiters, "#", bytes outside 33..126) as #xx escapes.
std::string encodeName(const std::string& name);

// The reference "N G R" that spans exactly [begin, end).
bool parseReference(const std::string& text, size_t begin, size_t end, int& num, int& gen);

// A number (integer or real) that spans exactly [begin, end).
bool parseNumber(const std::string& text, size_t begin, size_t end, double& value);

// Replaces the number and generation of an object text's "N G obj" header (to write the text as
// another object); false when the text has no such header.
bool renumberObjectText(std::string& text, int num, int gen);

class CPdfDocument;
struct WriteContext;

// A value found through the references that lead to it: the text that holds it and its span.
struct ValueText {
    std::string text;
    size_t begin = kNoPos;
    size_t end = kNoPos;
    int objNum = 0;  // the object whose value it is; 0 when it was written in the first holder
};

// Follows the value spanning [begin, end) of holder through references (a few hops at most, to
// survive reference loops) to a value that is not a reference; false when an object is missing.
bool resolveValue(WriteContext& ctx, const std::string& holder, size_t begin, size_t end,
                  ValueText& out);

// The raw text of input object num; false when there is none.
bool readObjectText(WriteContext& ctx, int num, std::string& text);

// Sets the array entry key of a page's text to "[" + items + "]". A missing entry is inserted
// as missingEntry after the dictionary's "<<"; an array stored by reference is written as a new
// object, since other pages may share the original.
void setPageArray(WriteContext& ctx, std::string& pageText, const char* key,
                  const std::string& items, const std::string& missingEntry);
