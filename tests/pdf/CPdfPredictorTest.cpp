// Tests of the PNG and TIFF predictors against hand-decoded rows.
#include <gtest/gtest.h>

#include <initializer_list>
#include "pdf/PdfTestSupport.h"

#include "pdf/CPdfFlateStream.h"

namespace {

std::string bytes(std::initializer_list<int> values) {
    std::string out;
    for (int v : values) out += static_cast<char>(v);
    return out;
}

// Deflates the encoded rows and reads them back through the predictor.
std::string predict(const std::string& encoded, int predictor, int columns, int colors = 1,
                    int bits = 8) {
    std::string packed = deflateBytes(encoded);
    MemoryFile file(packed);
    auto source = std::make_shared<CPdfFileStream>(
        file.get(), 0, true, static_cast<int64_t>(packed.size()), CPdfObject::makeNull());
    CPdfFlateStream flate(source, predictor, columns, colors, bits);
    return toString(readStreamBytes(flate));
}

}  // namespace

TEST(CPdfPredictor, PngRowFilters) {
    std::string encoded = bytes({0, 10, 20, 30, 40,   // None
                                 1, 1,  1,  1,  1,    // Sub
                                 2, 1,  1,  1,  1,    // Up
                                 3, 0,  0,  0,  0,    // Average
                                 4, 5,  5,  5,  5});  // Paeth
    std::string decoded =
        bytes({10, 20, 30, 40, 1, 2, 3, 4, 2, 3, 4, 5, 1, 2, 3, 4, 6, 11, 16, 21});
    for (int predictor : {10, 11, 12, 13, 14, 15}) {
        // The tag byte of each row decides, whatever the PNG predictor number says.
        EXPECT_EQ(predict(encoded, predictor, 4), decoded) << predictor;
    }
}

TEST(CPdfPredictor, PaethPicksUpperLeft) {
    // Second row, second byte: left 20, up 10, upper-left 15 -> upper-left is closest.
    EXPECT_EQ(predict(bytes({0, 15, 10, 4, 5, 1}), 14, 2), bytes({15, 10, 20, 16}));
}

TEST(CPdfPredictor, SumsWrapModulo256) {
    EXPECT_EQ(predict(bytes({1, 200, 200, 2, 100, 100}), 12, 2), bytes({200, 144, 44, 244}));
    EXPECT_EQ(predict(bytes({0, 255, 255, 3, 255, 255}), 12, 2), bytes({255, 255, 126, 189}));
}

TEST(CPdfPredictor, UnknownRowTagCopiesBytes) {
    EXPECT_EQ(predict(bytes({1, 5, 5, 7, 9, 9, 200, 3, 3}), 15, 2), bytes({5, 10, 9, 9, 3, 3}));
}

TEST(CPdfPredictor, LeftNeighbourIsOnePixelBack) {
    // Three 8-bit colors: a pixel is three bytes, Sub adds the byte three positions earlier.
    EXPECT_EQ(predict(bytes({1, 1, 2, 3, 1, 1, 1}), 11, 2, 3), bytes({1, 2, 3, 2, 3, 4}));
    // 16-bit gray: two bytes a pixel.
    EXPECT_EQ(predict(bytes({1, 1, 2, 1, 1}), 11, 2, 1, 16), bytes({1, 2, 2, 3}));
    // 1-bit gray, 10 columns: two bytes a row, the left neighbour is the byte before.
    EXPECT_EQ(predict(bytes({1, 0x0F, 0x01}), 11, 10, 1, 1), bytes({0x0F, 0x10}));
}

TEST(CPdfPredictor, RowsCutShortAreDropped) {
    EXPECT_EQ(predict(bytes({2, 1, 2}), 12, 4), "");
    EXPECT_EQ(predict(bytes({2, 1, 2, 3, 4, 2, 1, 2}), 12, 4), bytes({1, 2, 3, 4}));
    EXPECT_EQ(predict("", 12, 4), "");
    EXPECT_EQ(predict(bytes({2}), 12, 4), "");
}

TEST(CPdfPredictor, Tiff8BitAddsPixelBefore) {
    EXPECT_EQ(predict(bytes({1, 2, 3, 1, 1, 1, 1, 1, 1}), 2, 3, 3),
              bytes({1, 2, 3, 2, 3, 4, 3, 4, 5}));
    // Every row starts again from zero; no tag bytes.
    EXPECT_EQ(predict(bytes({5, 1, 7, 1}), 2, 2), bytes({5, 6, 7, 8}));
    EXPECT_EQ(predict(bytes({250, 10}), 2, 2), bytes({250, 4}));
}

TEST(CPdfPredictor, Tiff16Bit) {
    EXPECT_EQ(predict(bytes({0x01, 0x02, 0x00, 0x01, 0xFF, 0xFF}), 2, 3, 1, 16),
              bytes({0x01, 0x02, 0x01, 0x03, 0x01, 0x02}));
    // Two colors: each component adds its own kind two values back; the carry crosses bytes.
    EXPECT_EQ(predict(bytes({0x00, 0xFF, 0x10, 0x00, 0x00, 0x01, 0x00, 0x01}), 2, 2, 2, 16),
              bytes({0x00, 0xFF, 0x10, 0x00, 0x01, 0x00, 0x10, 0x01}));
}

TEST(CPdfPredictor, TiffPackedComponents) {
    // 4 bits: 1 2 15 3 -> 1 3 2 5 (modulo 16).
    EXPECT_EQ(predict(bytes({0x12, 0xF3}), 2, 4, 1, 4), bytes({0x13, 0x25}));
    // 2 bits, two colors, three pixels: (1,2) (1,1) (3,3) -> (1,2) (2,3) (1,2); pad bits kept.
    EXPECT_EQ(predict(bytes({0x65, 0xF0}), 2, 3, 2, 2), bytes({0x6B, 0x60}));
    // 1 bit: a running parity.
    EXPECT_EQ(predict(bytes({0x98}), 2, 8, 1, 1), bytes({0xEF}));
    EXPECT_EQ(predict(bytes({0x98, 0x80}), 2, 8, 1, 1), bytes({0xEF, 0xFF}));
}

TEST(CPdfPredictor, OtherPredictorNumbersServeWholeRows) {
    EXPECT_EQ(predict(bytes({1, 2, 3, 4, 5, 6, 7, 8, 9, 10}), 5, 4),
              bytes({1, 2, 3, 4, 5, 6, 7, 8}));
}

TEST(CPdfPredictor, UnusableParametersGiveNoData) {
    std::string encoded = bytes({0, 1, 2, 3, 4, 0, 5, 6, 7, 8});
    ASSERT_EQ(predict(encoded, 12, 4), bytes({1, 2, 3, 4, 5, 6, 7, 8}));
    struct Case {
        int columns, colors, bits;
    };
    for (Case c : {Case{0, 1, 8}, Case{-4, 1, 8}, Case{0x7FFFFFFF, 1, 8}, Case{4, 0, 8},
                   Case{4, -1, 8}, Case{4, 0x7FFFFFFF, 8}, Case{4, 1, 0}, Case{4, 1, 3},
                   Case{4, 1, 32}, Case{4, 1, -8}, Case{1 << 22, 16, 16}, Case{1 << 20, 1, 8}}) {
        EXPECT_EQ(predict(encoded, 12, c.columns, c.colors, c.bits), "")
            << c.columns << " " << c.colors << " " << c.bits;
        EXPECT_EQ(predict(encoded, 2, c.columns, c.colors, c.bits), "")
            << c.columns << " " << c.colors << " " << c.bits;
    }
}

TEST(CPdfPredictor, RawCharsBypassThePredictor) {
    std::string encoded = bytes({2, 1, 1, 2, 1, 1});
    std::string packed = deflateBytes(encoded);
    MemoryFile file(packed);
    auto source = std::make_shared<CPdfFileStream>(
        file.get(), 0, true, static_cast<int64_t>(packed.size()), CPdfObject::makeNull());
    CPdfFlateStream flate(source, 12, 2, 1, 8);
    EXPECT_EQ(2, flate.getRawChar());
    EXPECT_EQ(1, flate.getRawChar());
    EXPECT_EQ(1, flate.getRawChar());
    // The predictor goes on from the next raw byte: the second row, decoded over zeros.
    EXPECT_EQ(1, flate.peekChar());
    EXPECT_EQ(1, flate.getChar());
    EXPECT_EQ(1, flate.getChar());
    EXPECT_EQ(-1, flate.getChar());
}
