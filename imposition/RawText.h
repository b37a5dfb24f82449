// Edits of raw object text that follow references through the input: a value wherever it is
// stored, an object's text, and a page's array entries.
#pragma once

#include <cstddef>
#include <string>

#include "pdf/PdfTextScan.h"

struct WriteContext;

// A value found through the references that lead to it: the text that holds it and its span.
struct ValueText {
    std::string text;
    size_t begin = kNoPos;
    size_t end = kNoPos;
    int objNum = 0;  // the object whose value it is; 0 when it was written in the first holder
};

// Follows the value spanning [begin, end) of holder through references (kMaxReferenceHops at
// most, to survive reference loops) to a value that is not a reference; false when an object is
// missing.
bool resolveValue(WriteContext& ctx, const std::string& holder, size_t begin, size_t end,
                  ValueText& out);

// The raw text of input object num; false when there is none.
bool readObjectText(WriteContext& ctx, int num, std::string& text);

// Sets the array entry key of a page's text to "[" + items + "]". A missing entry is inserted
// as missingEntry after the dictionary's "<<"; an array stored by reference is written as a new
// object, since other pages may share the original.
void setPageArray(WriteContext& ctx, std::string& pageText, const char* key,
                  const std::string& items, const std::string& missingEntry);
