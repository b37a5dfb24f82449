// Tests of FlateDecode streams: whole-data inflate, corrupt data, and filter parameters.
#include <gtest/gtest.h>

#include "pdf/CPdfFlateStream.h"
#include "pdf/PdfTestSupport.h"

namespace {

// A flate stream over the given compressed bytes, as the parser would make it.
struct FlateOver {
    explicit FlateOver(const std::string& packed, int predictor = 1, int columns = 1,
                       int colors = 1, int bits = 8)
        : file(packed),
          flate(std::make_shared<CPdfFileStream>(file.get(), 0, true,
                                                 static_cast<int64_t>(packed.size()),
                                                 CPdfObject::makeName("D")),
                predictor, columns, colors, bits) {}
    std::string decoded() { return toString(readStreamBytes(flate)); }
    MemoryFile file;
    CPdfFlateStream flate;
};

}  // namespace

TEST(CPdfFlateStream, InflatesWholeData) {
    std::string text;
    for (int i = 0; i < 5000; ++i) text += formatText("line %d\n", i);
    EXPECT_EQ(FlateOver(deflateBytes(text)).decoded(), text);
}

// Sizes around the 1024-byte output blocks, for compressible and incompressible data: no byte
// zlib still holds when its input runs out may be lost.
TEST(CPdfFlateStream, NoBytesLostAtBlockBoundaries) {
    for (size_t size : {0, 1, 1023, 1024, 1025, 2048, 3072, 65536, 65537, 100000}) {
        std::string noise = noiseBytes(size, static_cast<uint32_t>(size));
        EXPECT_EQ(FlateOver(deflateBytes(noise)).decoded(), noise) << size;
        std::string same(size, 'q');
        EXPECT_EQ(FlateOver(deflateBytes(same)).decoded(), same) << size;
    }
}

TEST(CPdfFlateStream, CharByCharMatchesBulkRead) {
    std::string text = noiseBytes(3000, 4);
    FlateOver over(deflateBytes(text));
    std::string out;
    while (over.flate.peekChar() >= 0) out += static_cast<char>(over.flate.getChar());
    EXPECT_EQ(out, text);
    EXPECT_EQ(-1, over.flate.getRawChar());
}

TEST(CPdfFlateStream, ResetStartsAgain) {
    std::string text = noiseBytes(5000, 8);
    FlateOver over(deflateBytes(text));
    for (int i = 0; i < 100; ++i) over.flate.getChar();
    EXPECT_EQ(over.decoded(), text);
    EXPECT_EQ(over.decoded(), text);
}

TEST(CPdfFlateStream, CorruptDataEndsQuietly) {
    std::string text = noiseBytes(20000, 11);
    std::string packed = deflateBytes(text);

    // Cut short: what was decoded is a true prefix of the data.
    std::string cut = FlateOver(packed.substr(0, packed.size() / 2)).decoded();
    EXPECT_GT(cut.size(), 0u);
    EXPECT_LT(cut.size(), text.size());
    EXPECT_EQ(cut, text.substr(0, cut.size()));

    // Damaged header or no zlib data at all: nothing.
    std::string badHeader = packed;
    badHeader[0] = 0x00;
    EXPECT_EQ(FlateOver(badHeader).decoded(), "");
    EXPECT_EQ(FlateOver("this is not zlib data").decoded(), "");
    EXPECT_EQ(FlateOver("").decoded(), "");

    // Damage in the middle of coded data gives wrong or fewer bytes, without an exception.
    std::string lines;
    for (int i = 0; i < 3000; ++i) lines += formatText("line %d\n", i);
    std::string damaged = deflateBytes(lines);
    for (size_t i = damaged.size() / 2; i < damaged.size() / 2 + 40; ++i) damaged[i] = '\xFF';
    EXPECT_NE(FlateOver(damaged).decoded(), lines);
}

TEST(CPdfFlateStream, BytesAfterTheZlibStreamAreIgnored) {
    EXPECT_EQ(FlateOver(deflateBytes("abc") + "trailing junk").decoded(), "abc");
}

TEST(CPdfFlateStream, AbbreviatedFilterAndParameterNames) {
    std::string rows =
        std::string("\x02\x01\x01\x01\x01", 5) + std::string("\x02\x01\x01\x01\x01", 5);
    std::string packed = deflateBytes(rows);
    std::string longForm = decodeStreamText(
        streamText("/Filter /FlateDecode /DecodeParms << /Predictor 12 /Columns 4 >>", packed));
    std::string shortForm =
        decodeStreamText(streamText("/F /Fl /DP << /Predictor 12 /Columns 4 >>", packed));
    EXPECT_EQ(longForm, std::string("\x01\x01\x01\x01\x02\x02\x02\x02", 8));
    EXPECT_EQ(shortForm, longForm);
}

TEST(CPdfFlateStream, ParametersThatAreNotIntegersMeanNoPredictor) {
    std::string rows("\x02\x01\x01\x01\x01", 5);
    std::string packed = deflateBytes(rows);
    // Parameters that are not integers fall back to the defaults.
    EXPECT_EQ(decodeStreamText(streamText(
                  "/Filter /FlateDecode /DecodeParms << /Predictor 12.0 /Columns (4) >>", packed)),
              rows);
}
