// The verbatim copy pass of input objects into the output, and the decoded data of streams.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "writer/WriteContext.h"

// Copies every in-use input object except object streams and page objects verbatim under its own
// number (members of object streams as plain "N 0 obj\r...endobj\r" text). isPageObject is indexed
// by object number; onPageObject is called for every page object met (progress dots).
void copyInputObjects(WriteContext& ctx, const std::vector<bool>& isPageObject,
                      const std::function<void()>& onPageObject);

// Decoded data of a stream object, or of an array of streams back to back; false otherwise.
bool readStreamData(WriteContext& ctx, int num, std::string& data);
// The same for a value already fetched (a stream, or an array whose elements are resolved).
bool readStreamData(CPdfXRef* xref, const CPdfObject& value, std::string& data);

// Decoded data of one stream object is refused beyond this many bytes (a flate bomb, say).
constexpr size_t kMaxStreamData = size_t(512) << 20;
