// The stream filters and their chains: each decoder on known data, damage and hostile parameters.
#include <gtest/gtest.h>

#include "PdfTestSupport.h"
#include "pdf/CPdfException.h"
#include "support/FilterEncode.h"

namespace {

// Decodes the stream twice (the second time after a reset) and expects the same bytes.
std::string decodeTwice(const std::string& entries, const std::string& data) {
    MemoryFile file(streamText(entries, data));
    CPdfParser parser(nullptr, file.stream());
    CPdfObject obj = parser.nextObject();
    if (!obj.isStream()) return "error";
    std::string first = toString(readStreamBytes(*obj.getStream()));
    EXPECT_EQ(first, toString(readStreamBytes(*obj.getStream()))) << entries;
    return first;
}

// Text long enough for LZW codes of every width and a table that fills up.
std::string longText() {
    std::string text;
    for (int i = 0; text.size() < 60000; i++) text += formatText("%d q %x Tf ", i * 7919 % 1000, i);
    return text;
}

struct FilterCase {
    const char* entries;
    std::string data;
    std::string expected;
};

}  // namespace

TEST(StreamFilters, DecodesKnownData) {
    const std::string lzwSample("\x80\x0B\x60\x50\x22\x0C\x0C\x85\x01", 9);
    const FilterCase cases[] = {
        {"/Filter /ASCIIHexDecode", "48 65\n6c6C 6F>", "Hello"},
        {"/Filter /AHx", "48656>", "He`"},  // a lone last digit is followed by 0
        {"/Filter /AHx", "4865", "He"},
        {"/Filter /AHx", "48x65>", "H"},  // damage ends the data
        {"/Filter /ASCII85Decode", "87cURD_*#TDfTZ)~>", "Hello, world"},
        {"/Filter /A85", "z@:E^~>", std::string("\0\0\0\0abc", 7)},
        {"/Filter /A85", "<~8 8\n/~>", "Hi"},
        {"/Filter /A85", "87cUR{D_", "Hell"},
        {"/Filter /A85", "uuuuu~>", ""},  // beyond 32 bits
        {"/Filter /RunLengthDecode",
         "\x02"
         "abc\xFDz\x80junk",
         "abczzzz"},
        {"/Filter /RL",
         "\x05"
         "ab",
         "ab"},
        {"/Filter /LZWDecode", lzwSample, "-----A---B"},
        {"/Filter /LZW", std::string("\x80\x4B\x00", 3), ""},  // a code not in the table
        {"/Filter /LZW /DecodeParms << /Predictor 12 /Columns 4 >>",
         lzwBytes(std::string("\x02\x01\x02\x03\x04\x02\x01\x01\x01\x01", 10)),
         "\x01\x02\x03\x04\x02\x03\x04\x05"},
        {"/Filter /LZW /DecodeParms << /Predictor 12 /Columns 100000000 >>", lzwSample, ""},
        {"/Filter [/Fl] /DecodeParms [<< /Predictor 12 /Columns 2 >>]",
         deflateBytes(std::string("\x00\x41\x42\x02\x01\x01", 6)), "ABBC"},
        {"/Filter [/A85 /Fl]", ascii85Bytes(deflateBytes("chained")), "chained"},
        {"/Filter [/Fl /Fl]", deflateBytes(deflateBytes("twice")), "twice"},
        {"/Filter [/AHx /LZW] /DecodeParms [null << /EarlyChange 0 >>]",
         asciiHexBytes(lzwBytes(longText(), false)), longText()},
        {"/Filter []", "raw", "raw"},
    };
    for (const FilterCase& c : cases) {
        EXPECT_EQ(decodeTwice(c.entries, c.data), c.expected) << c.entries;
    }
}

TEST(StreamFilters, UnknownFiltersAndLongChainsThrow) {
    for (const char* filters : {"/DCTDecode", "[/AHx /CCITTFaxDecode]", "/lzwdecode",
                                "[/AHx /AHx /AHx /AHx /AHx /AHx /AHx /AHx /AHx]"}) {
        EXPECT_THROW(decodeTwice(std::string("/Filter ") + filters, "41>"), CPdfException)
            << filters;
    }
}
