// Filter attachment for stream data, and reading a whole decoded stream into memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "pdf/CPdfObject.h"
#include "pdf/CPdfStream.h"

// The stream to read the data of `stream` through, as the dictionary's Filter and DecodeParms
// (or their short forms F and DP) ask: the stream itself when there is no filter, else a chain of
// decoders (FlateDecode, LZWDecode, ASCIIHexDecode, ASCII85Decode, RunLengthDecode, long or short
// names), null for a filter entry of another shape. Any other filter name (an image's own, say)
// throws CPdfException "Stream filter not supported", of the kind unsupportedFilter. With
// decrypted true the data has been decrypted already, and a /Crypt filter passes it on.
std::shared_ptr<CPdfStream> attachFilters(std::shared_ptr<CPdfStream> stream,
                                          const CPdfObject& dict, bool decrypted = false);

// Resets the stream and returns its decoded bytes, at most maxBytes of them.
std::vector<uint8_t> readStreamBytes(CPdfStream& stream, size_t maxBytes = SIZE_MAX);
