// Raw object text: an object's bytes as stored in the file or its object stream, as a text to copy
// or scanned for its references, and byte searches.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

class CPdfDocument;
class CPdfXRef;
struct CPdfXRefEntry;
struct RawObject;

// The object as stored, from its number line through "endobj" and the one byte after it;
// a member of an object stream is wrapped as "N 0 obj\r<bytes> endobj\r".
// False (text untouched) for a free entry and one that may point at nothing
// (CPdfXRef::mayBeUnreadable); throws unreadableObject() when an object the entry promises
// cannot be had (no "endobj", a header naming another object, a missing member).
bool getStoredObjectText(FILE* file, int num, CPdfDocument& doc, std::string& text);
// The same as Tessel reads and edits it: in an encrypted file decrypted (decryptObjectText), so
// that it must be encrypted again when written; in any other file the stored text.
bool getObjectText(FILE* file, int num, CPdfDocument& doc, std::string& text);

// The text of compressed object num (entry is its cross-reference entry) as a plain object:
// "N 0 obj\r", its bytes in the object stream, " endobj\r". False (text untouched) when the
// object stream does not hold it.
bool compressedObjectText(CPdfXRef& xref, int num, const CPdfXRefEntry& entry, std::string& text);

// The length that the stream /Length "num gen R" names, fetched as the parser fetches it; -1 when
// it is no integer of 0 or more or cannot be read.
int64_t fetchStreamLength(CPdfXRef& xref, int num, int gen);

// Object num as stored, scanned for its end and its references: the view of an object that is
// rewritten rather than copied. A plain object's bytes are read no further than limit (the start
// of the next object, say). False for a free or absent entry and for bytes that are not one
// complete object; an object stream the reader cannot read throws, as fetching from it does.
bool scanStoredObject(CPdfXRef& xref, FILE* file, int num, int64_t limit, RawObject& obj);

// Position of the last byte of the first occurrence of pattern wholly inside [from, to); 0 when
// none.
size_t findPattern(const char* buffer, size_t from, size_t to, const char* pattern,
                   size_t patternLength);
