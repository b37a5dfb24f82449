// The output file's frame, for the imposed output and the normalised file alike: the header
// copied from the input, the cross-reference table and the trailer.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

#include "writer/OffsetTable.h"
#include "writer/WriteContext.h"

class CPdfXRef;

// Receives the frame's text piece by piece.
using TextSink = std::function<void(const std::string& text)>;

// Where the input's first plainly stored object starts, relative to its header; -1 when it has
// none. An in-use entry at offset 0 points at the header and does not count.
int64_t firstObjectOffset(CPdfXRef& xref);

// Copies the input's bytes before its first object (version line, binary comment) to the output.
void writeHeader(WriteContext& ctx);

// The header of a file that joins two inputs: the first input's version line and the comment
// lines right after it, up to its first object, naming the higher of the two versions.
std::string joinedHeaderText(FILE* first, CPdfXRef& firstXref, FILE* second, CPdfXRef& secondXref);

// The classic table of the offsets, one 20-byte line per number, handed to write in pieces: the
// table of a large document is never held whole. Throws when an offset needs more than ten
// digits or a generation more than five.
void writeXRefTable(const OffsetTable& offsets, const TextSink& write);
// The same into the output at its current position; returns that position.
int64_t writeXRefTable(WriteContext& ctx);

// The trailer naming the catalog and (when infoNum is not 0) the information dictionary with the
// generations they were written with, then the entries of an encrypted input
// (encryptionTrailerEntries), startxref and the end marker.
std::string trailerText(const OffsetTable& offsets, int64_t xrefStart, int rootNum, int infoNum,
                        const std::string& encryptionEntries = std::string());
void writeTrailer(WriteContext& ctx, int64_t xrefStart, int rootNum, int infoNum);
