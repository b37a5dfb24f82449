// Fast reading of a classic cross-reference table that is written plainly.
#pragma once

#include <cstdint>
#include <functional>

class CPdfStream;

struct XRefTableVisitor {
    std::function<void(int first, int count)> subsection;
    std::function<void(int64_t offset, int gen, bool inUse)> entry;
};

// Reads the table at the stream's start: "xref", then subsections of "first count" and entries
// of "offset gen n|f", then "trailer", with nothing but white space between the tokens. Offsets
// are read in 64 bits; other numbers beyond the int range count as INT_MAX, as getInt() gives
// them. Returns the number of bytes through "trailer", or -1 when the text holds anything else
// (a comment, a sign, a stray byte, the end); the caller then reads the table with the parser.
// The visitor (may be null) sees the subsections and entries in order; a caller that must not
// act on half a table scans once without a visitor first.
int64_t scanPlainXRefTable(CPdfStream& stream, const XRefTableVisitor* visitor);
