// Tests of the lexer and parser, of stream objects and of the filters that decode them.
#include <gtest/gtest.h>

#include "pdf/CPdfBoundedStream.h"
#include "pdf/CPdfFlateStream.h"
#include "pdf/PdfTestSupport.h"
#include "support/FilterEncode.h"

namespace {

std::string bytes(std::initializer_list<int> values) {
    std::string out;
    for (int v : values) out += static_cast<char>(v);
    return out;
}

// The message the text throws while parsed or decoded; "none" when it throws nothing.
std::string thrown(const std::string& text) {
    try {
        parseAll(text);
        decodeStreamText(text);
    } catch (const CPdfException& e) {
        return e.getMessage();
    }
    return "none";
}

// Deflates the encoded rows and reads them back through the predictor.
std::string predict(const std::string& encoded, int predictor, int columns, int colors = 1,
                    int bits = 8) {
    std::string packed = deflateBytes(encoded);
    MemoryFile file(packed);
    CPdfFlateStream flate(file.stream(), predictor, columns, colors, bits);
    return toString(readStreamBytes(flate));
}

// Each case: input text " => " every object it parses to (see describe()).
void expectParses(const std::vector<std::string>& cases) {
    for (const std::string& c : cases)
        EXPECT_EQ(parseAll(splitCase(c).first), splitCase(c).second) << c;
}

}  // namespace

TEST(CPdfParser, ParsesAsDescribed) {
    // Literal strings: nesting, escapes, octal, line continuation, unterminated.
    expectParses({"(a(b)c) => (a(b)c)", std::string("(a\0b) => (a\\x00b)", 17), "(a\\)b) => (a)b)",
                  "(\\n\\r\\t\\b\\f) => (\\x0A\\x0D\\x09\\x08\\x0C)", "(\\q\\\\\\/) => (q\\x5C/)",
                  "(a%b) 1 => (a%b) 1", "(\\101\\1012) => (AA2)", "(\\1234) => (S4)",
                  "(\\18) => (\\x018)", "(\\777) => (\\xFF)", "(\\8) => (8)", "(a\\\nb) => (ab)",
                  "(a\\\r\nb) => (ab)", "(a\\\rb) => (ab)", "(a\\\n\nb) => (a\\x0Ab)",
                  "(abc => (abc)", "(ab\\ => (ab)", "(a(b) => (a(b))", "(\\12 => (\\x0A)"});
    // Hex strings.
    expectParses({"<41 4> => (A@)", "<4G> => (@)", "<6a6B> => (jk)", "<4\n1\t> => (A)", "<> => ()",
                  "<414 => (A@)", "<zz41> => (\\x00A)"});
    // Names: the byte after a lone escape digit is swallowed.
    expectParses({"/A#42 => /AB", "/A#4 x => /A@x", "/A#Z => /A#Z", "/A# => /A#", "/A#4 => /A@",
                  "/A#00B => /A\\x00B", "/a#2f#2F => /a//", "/ 1 => / 1", "/a/b => /a /b",
                  "/a(b) => /a (b)", "/a%c\n/b => /a /b", "/\xE9t => /\\xE9t"});
    // Numbers; integers beyond 32 bits saturate.
    expectParses({"-.5 => -0.5r", "+5 => kw(+5)", "--5 => 0 -5", "1.2.3 => 1.2r", "5. => 5r",
                  ". => 0r", "- => 0", "007 => 7", "-0 => 0", "1e5 => 1 kw(e5)", "3-4 => 3 -4",
                  "2147483647 -2147483648 => 2147483647 -2147483648", "2147483648 => 2147483647",
                  "-99999999999999999999 => -2147483648",
                  std::string(5000, '9') + " => 2147483647"});
    // Keywords, delimiters, white space and comments.
    expectParses({"true false null => true false null", "truex nul => kw(truex) kw(nul)",
                  ") { } > => error error error error", "> >> => error kw(>>)", "] => kw(])",
                  "stream{ => kw(stream) error",
                  std::string("1\0002\t3\n4\f5\r6 7", 13) + " => 1 2 3 4 5 6 7",
                  "1\x0b => 1 kw(\\x0B)", "a\x80 b => kw(a\\x80) kw(b)", "1 % c 2\r3 => 1 3",
                  "%a\r%b\n%c => ", "[1%]\n2] => [1 2]"});
    // References, arrays and dictionaries (first key wins, keys ordered as unsigned bytes).
    expectParses({"12 0 R => 12 0 R", "12 0 obj => 12 0 kw(obj)", "12 R => 12 kw(R)",
                  "1 2 3 R => 1 2 3 R", "1 0.0 R => 1 0r kw(R)", "1 0 => 1 0",
                  "[1 [2 [3]] /x (s)] => [1 [2 [3]] /x (s)]", "[1 >> 2] => [1 kw(>>) 2]",
                  "[1 ) 2] => [1 error 2]", "<< /A 1 /A 2 >> => <</A 1>>",
                  "<< /B 1 /AB 2 /A 3 >> => <</A 3 /AB 2 /B 1>>", "<< /K ) /L 2 >> => <</L 2>>",
                  "<< 5 /A 1 (x) >> => <</A 1>>", "<</A/B/C 1>> => <</A /B /C 1>>",
                  "<< /\xC0 1 /z 2 /Z 3 >> => <</Z 3 /z 2 /\\xC0 1>>"});
    // End of data closes open containers.
    expectParses(
        {"[[1 => [[1]]", "<< /A [1 => <</A [1]>>", "<< /A 1 /B => <</A 1>>", "<< => <<>>"});
    // Streams; one without a usable length consumes nothing after its dictionary.
    expectParses(
        {"1 0 obj << /Length 2 /T /X >> stream\nab\nendstream endobj 5 => 1 0 kw(obj) "
         "stream<</Length 2 /T /X>> kw(endobj) 5"});
    for (const char* length : {"", "/Length 2.0", "/Length 9 0 R", "/Length -30"})
        expectParses(
            {formatText("<< %s >> stream\nhi\nendstream => error kw(>>) kw(stream) kw(hi) "
                        "kw(endstream)",
                        length)});
    // Nesting up to the limit.
    expectParses({std::string(500, '[') + std::string(500, ']') + " => " + std::string(500, '[') +
                  std::string(500, ']')});
}

TEST(CPdfParser, HostileNestingEnds) {
    // A million "[" must neither overflow the stack nor stop the parser reaching the end.
    MemoryFile hostile(std::string(1000000, '['));
    CPdfParser parser(nullptr, hostile.stream());
    int objects = 0;
    while (!parser.nextObject().isEOF()) ++objects;
    EXPECT_GT(objects, 0);
    EXPECT_LE(objects, 1000000 / 500 + 1);
    std::string dicts;
    for (int i = 0; i < 100000; ++i) dicts += "<</a ";
    EXPECT_EQ(parseAll(dicts).substr(0, 5), "error");
    EXPECT_EQ(parseAll(std::string(501, '[') + std::string(501, ']')).substr(0, 6), "error ");
    // Members of object streams cannot hold streams: there is no file window to cut one from.
    MemoryFile file("<< /Length 2 >> stream\nab\nendstream 4");
    auto bounded =
        std::make_shared<CPdfBoundedStream>(file.stream(), CPdfObject::makeNull(), false, 0);
    EXPECT_TRUE(CPdfParser(nullptr, bounded).nextObject().isError());
}

// Each row: the dictionary entries and stored data of a stream, then its decoded bytes.
TEST(CPdfParser, StreamsDecode) {
    const std::string lzwSample("\x80\x0B\x60\x50\x22\x0C\x0C\x85\x01", 9);
    std::string longText;
    for (int i = 0; longText.size() < 60000; i++)
        longText += formatText("%d q %x Tf ", i * 7919 % 1000, i);
    const std::string rows = bytes({2, 1, 1, 1, 1, 2, 1, 1, 1, 1});
    const std::pair<std::string, std::string> raw[] = {
        {"<< /Length 5 >> stream\r\nhello\rendstream", "hello"},
        {"<< /Length 5 >> stream\rhello endstream", "hello"},
        {"<< /Length 5 >>stream   \nhello\nendstream", "hello"},
        {"<< /Length 0 >> stream\n\nendstream", ""},
        {"<< /Length 9 >> stream\nendstream\nendstream", "endstream"}};
    for (const auto& c : raw) EXPECT_EQ(decodeStreamText(c.first), c.second) << c.first;
    const struct {
        std::string entries, data, expected;
    } cases[] = {
        {"/Filter /FlateDecode", deflateBytes(longText), longText},
        {"/F /Fl", deflateBytes("flate") + "trailing junk", "flate"},
        {"/Filter [/FlateDecode]", deflateBytes("flate"), "flate"},
        {"/Filter [/Fl 5]", deflateBytes("flate"), "error"},
        {"/Filter 5", "raw", "error"},
        {"/Filter null", "raw", "raw"},
        {"/Filter []", "raw", "raw"},
        {"/Filter /Fl", "this is not zlib data", ""},
        {"/Filter /FlateDecode /DecodeParms << /Predictor 12 /Columns 4 >>", deflateBytes(rows),
         bytes({1, 1, 1, 1, 2, 2, 2, 2})},
        {"/F /Fl /DP << /Predictor 12 /Columns 4 >>", deflateBytes(rows),
         bytes({1, 1, 1, 1, 2, 2, 2, 2})},
        // Parameters that are not integers fall back to the defaults: no predictor.
        {"/Filter /Fl /DecodeParms << /Predictor 12.0 /Columns (4) >>", deflateBytes(rows), rows},
        {"/Filter /ASCIIHexDecode", "48 65\n6c6C 6F>", "Hello"},
        {"/Filter /AHx", "48656>", "He`"},  // a lone last digit is followed by 0
        {"/Filter /AHx", "4865", "He"},
        {"/Filter /AHx", "48x65>", "H"},  // damage ends the data
        {"/Filter /ASCII85Decode", "87cURD_*#TDfTZ)~>", "Hello, world"},
        {"/Filter /A85", "z@:E^~>", std::string("\0\0\0\0abc", 7)},
        {"/Filter /A85", "<~8 8\n/~>", "Hi"},
        {"/Filter /A85", std::string("87cUR\0D_*#TDfTZ)~>", 18), "Hello, world"},  // NUL is white
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
        {"/Filter /LZW /DecodeParms << /Predictor 12 /Columns 4 >>", lzwBytes(rows),
         bytes({1, 1, 1, 1, 2, 2, 2, 2})},
        {"/Filter /LZW /DecodeParms << /Predictor 12 /Columns 100000000 >>", lzwSample, ""},
        {"/Filter [/Fl] /DecodeParms [<< /Predictor 12 /Columns 2 >>]",
         deflateBytes(bytes({0, 0x41, 0x42, 2, 1, 1})), "ABBC"},
        {"/Filter [/A85 /Fl]", ascii85Bytes(deflateBytes("chained")), "chained"},
        {"/Filter [/Fl /Fl]", deflateBytes(deflateBytes("twice")), "twice"},
        {"/Filter [/AHx /LZW] /DecodeParms [null << /EarlyChange 0 >>]",
         asciiHexBytes(lzwBytes(longText, false)), longText}};
    for (const auto& c : cases)
        EXPECT_EQ(decodeStreamText(streamText(c.entries, c.data)), c.expected) << c.entries;
}

// Each guard against hostile or unsupported input: the text and the message it throws.
TEST(CPdfParser, GuardsThrow) {
    const std::pair<std::string, std::string> cases[] = {
        {"<< /Length 7 >> stream\nhello\nendstream", "Missing 'endstream'"},
        {"<< /Length 4 >> stream\nhello\nendstream", "Missing 'endstream'"},
        {"<< /Length 5 >> stream\nhello\nendobj", "Missing 'endstream'"},
        {"<< /Length 5 >> stream\nhello", "Missing 'endstream'"},
        {"<< /Length 2147483647 >> stream\nhello\nendstream", "Missing 'endstream'"},
        {streamText("/Filter /JBIG2Decode", "x"), "Stream filter not supported"},
        {streamText("/Filter [/AHx /DCTDecode]", "x"), "Stream filter not supported"},
        {streamText("/Filter /flatedecode", "x"), "Stream filter not supported"},
        {streamText("/Filter [/AHx /AHx /AHx /AHx /AHx /AHx /AHx /AHx /AHx]", "41>"),
         "Stream filter not supported"}};
    for (const auto& c : cases) EXPECT_EQ(thrown(c.first), c.second) << c.first;
    try {
        decodeStreamText(streamText("/Filter /DCTDecode", "x"));
        ADD_FAILURE() << "no exception";
    } catch (const CPdfException& e) {
        EXPECT_EQ(e.getKind(), CPdfException::Kind::unsupportedFilter);
    }
}

TEST(CPdfFlateStream, EveryByteAndOnlyTrueBytes) {
    // Sizes around the 1024-byte output blocks: no byte zlib still holds may be lost.
    for (size_t size : {0, 1023, 1024, 1025, 65537}) {
        std::string noise = noiseBytes(size, static_cast<uint32_t>(size));
        EXPECT_EQ(decodeStreamText(streamText("/Filter /Fl", deflateBytes(noise))), noise) << size;
    }
    std::string text = noiseBytes(20000, 11);
    std::string packed = deflateBytes(text);
    MemoryFile file(packed);
    CPdfFlateStream flate(file.stream(), 1, 1, 1, 8);
    std::string out;
    while (flate.peekChar() >= 0) out += static_cast<char>(flate.getChar());
    EXPECT_EQ(out, text);
    // Cut short: what is decoded is a true prefix of the data.
    std::string cut =
        decodeStreamText(streamText("/Filter /Fl", packed.substr(0, packed.size() / 2)));
    EXPECT_GT(cut.size(), 0u);
    EXPECT_EQ(cut, text.substr(0, std::min(cut.size(), text.size() - 1)));
    std::string badHeader = packed;
    badHeader[0] = 0;
    EXPECT_EQ(decodeStreamText(streamText("/Filter /Fl", badHeader)), "");
}

TEST(CPdfPredictor, DecodesRows) {
    // None, Sub, Up, Average, Paeth rows: the tag byte of each row decides.
    std::string fiveRows =
        bytes({0, 10, 20, 30, 40, 1, 1, 1, 1, 1, 2, 1, 1, 1, 1, 3, 0, 0, 0, 0, 4, 5, 5, 5, 5});
    std::string decoded =
        bytes({10, 20, 30, 40, 1, 2, 3, 4, 2, 3, 4, 5, 1, 2, 3, 4, 6, 11, 16, 21});
    for (int png : {10, 15}) EXPECT_EQ(predict(fiveRows, png, 4), decoded) << png;
    const struct {
        std::string encoded;
        int predictor, columns, colors, bits;
        std::string decoded;
    } cases[] = {
        {bytes({0, 15, 10, 4, 5, 1}), 14, 2, 1, 8, bytes({15, 10, 20, 16})},  // Paeth: upper left
        {bytes({1, 200, 200, 2, 100, 100}), 12, 2, 1, 8, bytes({200, 144, 44, 244})},
        {bytes({0, 255, 255, 3, 255, 255}), 12, 2, 1, 8, bytes({255, 255, 126, 189})},
        {bytes({1, 5, 5, 7, 9, 9, 200, 3, 3}), 15, 2, 1, 8,
         bytes({5, 10, 9, 9, 3, 3})},  // unknown tag
        // The left neighbour is one pixel back.
        {bytes({1, 1, 2, 3, 1, 1, 1}), 11, 2, 3, 8, bytes({1, 2, 3, 2, 3, 4})},
        {bytes({1, 1, 2, 1, 1}), 11, 2, 1, 16, bytes({1, 2, 2, 3})},
        {bytes({1, 0x0F, 0x01}), 11, 10, 1, 1, bytes({0x0F, 0x10})},
        // Rows cut short are dropped.
        {bytes({2, 1, 2, 3, 4, 2, 1, 2}), 12, 4, 1, 8, bytes({1, 2, 3, 4})},
        {bytes({2}), 12, 4, 1, 8, ""},
        // TIFF: each row starts from zero; 16-bit carries cross bytes; packed components.
        {bytes({1, 2, 3, 1, 1, 1, 1, 1, 1}), 2, 3, 3, 8, bytes({1, 2, 3, 2, 3, 4, 3, 4, 5})},
        {bytes({5, 1, 7, 1}), 2, 2, 1, 8, bytes({5, 6, 7, 8})},
        {bytes({250, 10}), 2, 2, 1, 8, bytes({250, 4})},
        {bytes({0x01, 0x02, 0x00, 0x01, 0xFF, 0xFF}), 2, 3, 1, 16,
         bytes({0x01, 0x02, 0x01, 0x03, 0x01, 0x02})},
        {bytes({0x00, 0xFF, 0x10, 0x00, 0x00, 0x01, 0x00, 0x01}), 2, 2, 2, 16,
         bytes({0x00, 0xFF, 0x10, 0x00, 0x01, 0x00, 0x10, 0x01})},
        {bytes({0x12, 0xF3}), 2, 4, 1, 4, bytes({0x13, 0x25})},
        {bytes({0x65, 0xF0}), 2, 3, 2, 2, bytes({0x6B, 0x60})},
        {bytes({0x98, 0x80}), 2, 8, 1, 1, bytes({0xEF, 0xFF})},
        // Other predictor numbers serve whole rows.
        {bytes({1, 2, 3, 4, 5, 6, 7, 8, 9, 10}), 5, 4, 1, 8, bytes({1, 2, 3, 4, 5, 6, 7, 8})}};
    for (const auto& c : cases)
        EXPECT_EQ(predict(c.encoded, c.predictor, c.columns, c.colors, c.bits), c.decoded)
            << c.predictor << " " << c.columns << " " << c.colors << " " << c.bits;
}

TEST(CPdfPredictor, UnusableParametersGiveNoData) {
    std::string encoded = bytes({0, 1, 2, 3, 4, 0, 5, 6, 7, 8});
    ASSERT_EQ(predict(encoded, 12, 4), bytes({1, 2, 3, 4, 5, 6, 7, 8}));
    const int cases[][3] = {{0, 1, 8},  {-4, 1, 8},         {0x7FFFFFFF, 1, 8}, {4, 0, 8},
                            {4, -1, 8}, {4, 0x7FFFFFFF, 8}, {4, 1, 0},          {4, 1, 3},
                            {4, 1, 32}, {4, 1, -8},         {1 << 22, 16, 16},  {1 << 20, 1, 8}};
    for (const auto& c : cases)
        for (int predictor : {12, 2})
            EXPECT_EQ(predict(encoded, predictor, c[0], c[1], c[2]), "")
                << predictor << ": " << c[0] << " " << c[1] << " " << c[2];
}

TEST(CPdfPredictor, RawCharsBypassThePredictor) {
    std::string packed = deflateBytes(bytes({2, 1, 1, 2, 1, 1}));
    MemoryFile file(packed);
    CPdfFlateStream flate(file.stream(), 12, 2, 1, 8);
    std::string got;
    for (int i = 0; i < 3; i++) got += formatText("%d ", flate.getRawChar());
    // The predictor goes on from the next raw byte: the second row, decoded over zeros.
    got += formatText("%d ", flate.peekChar());
    for (int i = 0; i < 3; i++) got += formatText("%d ", flate.getChar());
    EXPECT_EQ(got, "2 1 1 1 1 1 -1 ");
}
