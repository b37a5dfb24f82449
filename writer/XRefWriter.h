// The output file's frame: the header copied from the input, the cross-reference table and trailer.
#pragma once

#include <cstdint>

#include "writer/WriteContext.h"

// Copies the input's bytes before its first object (version line, binary comment) to the output.
void writeHeader(WriteContext& ctx);

// Writes the table at the current output position and returns that position.
int64_t writeXRefTable(WriteContext& ctx);

// Writes the trailer naming the catalog and (when infoNum is not 0) the information dictionary.
void writeTrailer(WriteContext& ctx, int64_t xrefStart, int rootNum, int infoNum);
