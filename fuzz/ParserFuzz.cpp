// Fuzz target: arbitrary bytes through the lexer, the object parser, the raw-text scanners and the
// flate decoder.
#include <zlib.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "pdf/CPdfBoundedStream.h"
#include "pdf/CPdfException.h"
#include "pdf/CPdfFileStream.h"
#include "pdf/CPdfFlateStream.h"
#include "pdf/CPdfParser.h"
#include "pdf/PdfTextScan.h"
#include "pdf/RawObject.h"
#include "pdf/StreamFilters.h"

namespace {

// Decoded stream data is read but capped, so a small input cannot ask for gigabytes.
constexpr size_t kMaxDecoded = size_t{1} << 22;
constexpr int kMaxObjects = 20000;
// Every token's value is scanned from it: a bounded text keeps that quadratic walk short.
constexpr size_t kMaxScanned = size_t{1} << 14;

void parseAll(const std::shared_ptr<CPdfStream>& stream) {
    try {
        CPdfParser parser(nullptr, stream);
        for (int i = 0; i < kMaxObjects; ++i) {
            CPdfObject obj = parser.nextObject();
            if (obj.isEOF()) break;
            if (obj.isStream()) readStreamBytes(*obj.getStream(), kMaxDecoded);
        }
    } catch (const CPdfException&) {
    }
}

// The bytes as raw object text: every token, the value and dictionary that start at it, and the
// scan of the whole as one stored object.
void scanText(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), std::min(size, kMaxScanned));
    for (size_t pos = 0;;) {
        TextToken token = nextTextToken(text, pos);
        if (token.kind == TextTokenKind::End) break;
        findValueEnd(text, token.begin);
        DictText dict;
        if (token.kind == TextTokenKind::DictOpen) parseDictText(text, token.begin, dict);
        std::vector<std::pair<size_t, size_t>> elements;
        if (token.kind == TextTokenKind::ArrayOpen) listArrayElements(text, token.begin, elements);
        if (token.kind == TextTokenKind::Name) decodeNameToken(text, token);
        pos = token.end;
    }
    ByteSource source(text);
    RawObject obj;
    scanRawObject(
        source, std::atoi(text.c_str()), true, [](int, int) { return int64_t{4}; }, obj);
}

// The input after four parameter bytes, deflated and read back through a predictor: this
// reaches every predictor row filter, which parsing alone would need valid zlib data for.
void decodePredicted(const uint8_t* data, size_t size) {
    if (size < 4) return;
    static const int predictors[] = {2, 10, 11, 12, 13, 14, 15, 1, 3, 0, -1, 255};
    static const int bits[] = {1, 2, 4, 8, 16, 0, 3, 32};
    int predictor = predictors[data[0] % (sizeof(predictors) / sizeof(predictors[0]))];
    int columns = data[1] == 255 ? 0x7FFFFFFF : data[1] - 8;
    int colors = data[2] % 8 == 7 ? 100000 : data[2] % 8 - 1;
    int bitsPerComponent = bits[data[3] % (sizeof(bits) / sizeof(bits[0]))];

    uLongf packedSize = compressBound(static_cast<uLong>(size - 4));
    std::vector<uint8_t> packed(packedSize + 1);
    if (compress2(packed.data(), &packedSize, data + 4, static_cast<uLong>(size - 4), 1) != Z_OK) {
        return;
    }
    FILE* packedFile = fmemopen(packed.data(), packedSize, "rb");
    if (!packedFile) return;
    auto window = std::make_shared<CPdfFileStream>(
        packedFile, 0, true, static_cast<int64_t>(packedSize), CPdfObject::makeNull());
    CPdfFlateStream flate(window, predictor, columns, colors, bitsPerComponent);
    readStreamBytes(flate, kMaxDecoded);
    std::fclose(packedFile);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    FILE* file = fmemopen(const_cast<uint8_t*>(data), size, "rb");
    if (!file) return 0;
    auto whole = std::make_shared<CPdfFileStream>(file, 0, false, 0, CPdfObject::makeNull());
    parseAll(whole);
    // The same bytes as an object stream member sees them: a bounded run of another stream.
    auto base = std::make_shared<CPdfFileStream>(file, 0, false, 0, CPdfObject::makeNull());
    parseAll(std::make_shared<CPdfBoundedStream>(base, CPdfObject::makeNull(), true,
                                                 static_cast<int64_t>(size / 2)));
    scanText(data, size);
    decodePredicted(data, size);
    std::fclose(file);
    return 0;
}
