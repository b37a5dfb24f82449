// What the append engine does with scanned objects: looks up their top-level entries, edits their
// text and fingerprints their bodies.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "pdf/PdfTextScan.h"
#include "pdf/RawObject.h"

// The entry of a top-level key of the object's dictionary; false when the body is no dictionary
// or the key is absent.
bool findTopLevelEntry(const RawObject& obj, const char* key, DictEntry& entry);

// Whether a top-level key of the object's dictionary holds exactly the given text (a name such
// as "/ObjStm", a number).
bool topLevelValueIs(const RawObject& obj, const char* key, const char* value);

// A replacement of text[start, end) (an insertion when start == end).
struct TextEdit {
    size_t start;
    size_t end;
    std::string replacement;
};

// text[from, to) with the edits applied; edits must lie inside it and must not overlap.
std::string applyEdits(const std::string& text, size_t from, size_t to,
                       std::vector<TextEdit> edits);

// 64-bit fingerprint of the body with the digits of every reference left out, so that two
// objects equal up to the numbers they refer to have the same fingerprint.
uint64_t bodyFingerprint(const RawObject& obj);
