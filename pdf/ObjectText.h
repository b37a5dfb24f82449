// Raw object text: an object's bytes as stored in the file or its object stream, and byte searches.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

class CPdfDocument;

// The object as stored, from its number line through "endobj" and the one byte after it;
// a member of an object stream is wrapped as "N 0 obj\r<bytes> endobj\r".
// False (text untouched) for a free entry and one that may point at nothing
// (CPdfXRef::mayBeUnreadable); throws unreadableObject() when an object the entry promises
// cannot be had (no "endobj", a header naming another object, a missing member).
bool getObjectText(FILE* file, int num, CPdfDocument& doc, std::string& text);

// Position of the last byte of the first occurrence of pattern wholly inside [from, to); 0 when
// none.
size_t findPattern(const char* buffer, size_t from, size_t to, const char* pattern,
                   size_t patternLength);
