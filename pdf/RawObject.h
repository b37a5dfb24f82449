// One object as stored in a PDF file, scanned for where it ends and for the references it holds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "pdf/ByteSource.h"

// A reference "num gen R" in an object's text: where its two numbers lie and what they say.
// num is -1 when its digits do not fit an int, gen -1 when they exceed 65535.
struct TextReference {
    size_t start = 0;  // the first digit of the number
    size_t numEnd = 0;
    size_t genStart = 0;
    size_t genEnd = 0;
    size_t end = 0;  // one past the "R"
    int num = -1;
    int gen = -1;
};

struct RawObject {
    // From the object number through the "endobj" keyword.
    std::string text;
    // The line end that followed "endobj" in the file, 0 when there was none.
    char lineEnd = 0;
    int num = 0;
    int gen = 0;
    // Just after the "obj" keyword.
    size_t bodyStart = 0;
    // Start of the "stream" keyword, or of "endobj" when the object is no stream: references
    // are looked for only before it, never in stream data.
    size_t dictEnd = 0;
    size_t endobjStart = 0;
    bool isStream = false;
    // The stored length of the stream data when its /Length leads to "endstream"; -1 otherwise.
    int64_t dataLength = -1;
    // The references of [bodyStart, dictEnd), in text order.
    std::vector<TextReference> refs;

    // The body from just after "obj" through "endobj".
    std::string body() const { return text.substr(bodyStart); }
    // Whether the bytes before any stream data contain the pattern.
    bool dictContains(const char* pattern) const;
};

// Gives the value of an indirect stream /Length, or -1 when it cannot be had.
using LengthResolver = std::function<int64_t(int num, int gen)>;

// Scans the object that starts at byte 0 of the source: "num gen obj", its value, stream data
// when allowStream, and "endobj". False for anything else (a missing "endobj", a header with
// another number, a string left open, nesting deeper than kMaxNesting): such an object has no
// usable text.
bool scanRawObject(ByteSource& source, int expectedNum, bool allowStream,
                   const LengthResolver& resolveLength, RawObject& out);
