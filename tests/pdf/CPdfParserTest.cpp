// Tests of the lexer and parser, of stream objects and of the filters that decode them.
#include <gtest/gtest.h>

#include <sstream>

#include "pdf/CPdfBoundedStream.h"
#include "pdf/CPdfFlateStream.h"
#include "pdf/PdfTestSupport.h"
#include "support/FilterEncode.h"

namespace {

// Bytes from hex digits; spaces between them are ignored.
std::string hex(const std::string& digits) {
    std::string out, packed;
    for (char c : digits)
        if (c != ' ') packed += c;
    for (size_t i = 0; i + 1 < packed.size(); i += 2)
        out += static_cast<char>(std::stoi(packed.substr(i, 2), nullptr, 16));
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

}  // namespace

TEST(CPdfParser, ParsesAsDescribed) {
    expectRows(
        {// Literal strings: nesting, escapes, octal, line continuation, unterminated.
         "(a(b)c) => (a(b)c)", "(a\\)b) => (a)b)",
         "(\\n\\r\\t\\b\\f) => (\\x0A\\x0D\\x09\\x08\\x0C)", "(\\q\\\\\\/) => (q\\x5C/)",
         "(a%b) 1 => (a%b) 1", "(\\101\\1012) => (AA2)", "(\\1234) => (S4)", "(\\18) => (\\x018)",
         "(\\777) => (\\xFF)", "(\\8) => (8)", "(a\\\nb) => (ab)", "(a\\\r\nb) => (ab)",
         "(a\\\rb) => (ab)", "(a\\\n\nb) => (a\\x0Ab)", "(abc => (abc)", "(ab\\ => (ab)",
         "(a(b) => (a(b))", "(\\12 => (\\x0A)",
         // Hex strings; names (the byte after a lone escape digit is swallowed).
         "<41 4> => (A@)", "<4G> => (@)", "<6a6B> => (jk)", "<4\n1\t> => (A)", "<> => ()",
         "<414 => (A@)", "<zz41> => (\\x00A)", "/A#4 x => /A@x", "/A#00B => /A\\x00B",
         "/a#2f#2F => /a//", "/ 1 => / 1", "/a/b => /a /b", "/a(b) => /a (b)", "/a%c\n/b => /a /b",
         "/\xE9t => /\\xE9t",
         // Numbers; integers beyond 32 bits saturate.
         "-.5 => -0.5r", "+5 => kw(+5)", "--5 => 0 -5", "1.2.3 => 1.2r", "5. => 5r", ". => 0r",
         "- => 0", "007 => 7", "-0 => 0", "1e5 => 1 kw(e5)", "3-4 => 3 -4",
         "2147483647 -2147483648 => 2147483647 -2147483648", "2147483648 => 2147483647",
         "-99999999999999999999 => -2147483648",
         // Keywords, delimiters, white space and comments.
         "true false null => true false null", "truex nul => kw(truex) kw(nul)",
         ") { } > => error error error error", "> >> => error kw(>>)", "] => kw(])",
         "stream{ => kw(stream) error", "1\x0b => 1 kw(\\x0B)", "a\x80 b => kw(a\\x80) kw(b)",
         "1 % c 2\r3 => 1 3", "%a\r%b\n%c => ", "[1%]\n2] => [1 2]",
         // References, arrays and dictionaries (first key wins, keys ordered as unsigned bytes);
         // the end of data closes open containers.
         "12 0 R => 12 0 R", "12 0 obj => 12 0 kw(obj)", "12 R => 12 kw(R)", "1 2 3 R => 1 2 3 R",
         "1 0.0 R => 1 0r kw(R)", "1 0 => 1 0", "[1 [2 [3]] /x (s)] => [1 [2 [3]] /x (s)]",
         "[1 >> 2] => [1 kw(>>) 2]", "[1 ) 2] => [1 error 2]", "<< /A 1 /A 2 >> => <</A 1>>",
         "<< /B 1 /AB 2 /A 3 >> => <</A 3 /AB 2 /B 1>>", "<< /K ) /L 2 >> => <</L 2>>",
         "<< 5 /A 1 (x) >> => <</A 1>>", "<</A/B/C 1>> => <</A /B /C 1>>",
         "<< /\xC0 1 /z 2 /Z 3 >> => <</Z 3 /z 2 /\\xC0 1>>", "[[1 => [[1]]",
         "<< /A [1 => <</A [1]>>", "<< /A 1 /B => <</A 1>>", "<< => <<>>",
         // Streams; one without a usable length consumes nothing after its dictionary.
         "1 0 obj << /Length 2 /T /X >> stream\nab\nendstream endobj 5 => 1 0 kw(obj) "
         "stream<</Length 2 /T /X>> kw(endobj) 5"},
        parseAll);
    for (const char* length : {"", "/Length 2.0", "/Length 9 0 R", "/Length -30"})
        expectRows({formatText("<< %s >> stream\nhi\nendstream => error kw(>>) kw(stream) "
                               "kw(hi) kw(endstream)",
                               length)},
                   parseAll);
    expectRows({std::string("(a\0b) => (a\\x00b)", 17),
                std::string("1\0002\t3\n4\f5\r6 7", 13) + " => 1 2 3 4 5 6 7",
                std::string(5000, '9') + " => 2147483647",
                std::string(500, '[') + std::string(500, ']') + " => " + std::string(500, '[') +
                    std::string(500, ']')},
               parseAll);
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

// Each row "entries|data|decoded": a stream's dictionary entries, its data, then its decoded bytes.
TEST(CPdfParser, StreamsDecode) {
    std::string longText;
    for (int i = 0; longText.size() < 60000; i++)
        longText += formatText("%d q %x Tf ", i * 7919 % 1000, i);
    auto expectDecoded = [](const std::string& row, bool encode) {
        size_t bar = row.find('|'), last = row.rfind('|');
        std::string entries = row.substr(0, bar), data = row.substr(bar + 1, last - bar - 1);
        if (encode) data = encodeWithFilters(data, entries);
        EXPECT_EQ(decodeStreamText(streamText(entries, data)), row.substr(last + 1)) << row;
    };
    // Data stored through the filters named.
    for (const char* row :
         {"/Filter [/FlateDecode]|flate|flate", "/Filter [/Fl 5]|flate|error",
          "/Filter /FlateDecode /DecodeParms << /Predictor 12 /Columns 4 >>|"
          "\2\1\1\1\1\2\1\1\1\1|\1\1\1\1\2\2\2\2",

          // Parameters that are not integers fall back to the defaults: no predictor.
          "/Filter /Fl /DecodeParms << /Predictor 12.0 /Columns (4) >>|\2\1\1\1\1|\2\1\1\1\1",
          "/Filter /LZW /DecodeParms << /Predictor 12 /Columns 4 >>|"
          "\2\1\1\1\1\2\1\1\1\1|\1\1\1\1\2\2\2\2",
          "/Filter [/Fl] /DecodeParms [<< /Predictor 12 /Columns 2 >>]|\1\x41\1\2\1\1|ABBC",
          "/Filter [/A85 /Fl]|chained|chained", "/Filter [/Fl /Fl]|twice|twice"})
        expectDecoded(row, true);
    // Data stored as it stands: a lone last hex digit is followed by 0, damage ends the data, NUL
    // is white space in ASCII85, values beyond 32 bits end it; an LZW code not in the table.
    for (const char* row :
         {"/Filter 5|raw|error", "/Filter null|raw|raw", "/Filter []|raw|raw",
          "/Filter /Fl|this is not zlib data|", "/Filter /ASCIIHexDecode|48 65\n6c6C 6F>|Hello",
          "/Filter /AHx|48656>|He`", "/Filter /AHx|4865|He", "/Filter /AHx|48x65>|H",
          "/Filter /ASCII85Decode|87cURD_*#TDfTZ)~>|Hello, world", "/Filter /A85|<~8 8\n/~>|Hi",
          "/Filter /A85|87cUR{D_|Hell", "/Filter /A85|uuuuu~>|",
          "/Filter /RunLengthDecode|\2abc\xFDz\x80junk|abczzzz", "/Filter /RL|\5ab|ab",
          "/Filter /LZWDecode|\x80\x0B\x60\x50\x22\x0C\x0C\x85\x01|-----A---B",
          "/Filter /LZW /DecodeParms << /Predictor 12 /Columns 100000000 >>|"
          "\x80\x0B\x60\x50\x22\x0C\x0C\x85\x01|"})
        expectDecoded(row, false);
    expectDecoded(std::string("/Filter /A85|z@:E^~>|\0\0\0\0abc", 28), false);
    expectDecoded(std::string("/Filter /A85|87cUR\0D_*#TDfTZ)~>|Hello, world", 44), false);
    expectDecoded(std::string("/Filter /LZW|\x80\x4B\0|", 17), false);
    expectDecoded("/Filter /FlateDecode|" + longText + "|" + longText, true);
    EXPECT_EQ(decodeStreamText(streamText("/F /Fl", deflateBytes("flate") + "trailing junk")),
              "flate");
    EXPECT_EQ(decodeStreamText(streamText("/Filter [/AHx /LZW] /DecodeParms [null << /EarlyChange "
                                          "0 >>]",
                                          asciiHexBytes(lzwBytes(longText, false)))),
              longText);
    expectRows({"<< /Length 5 >> stream\r\nhello\rendstream => hello",
                "<< /Length 5 >> stream\rhello endstream => hello",
                "<< /Length 5 >>stream   \nhello\nendstream => hello",
                "<< /Length 0 >> stream\n\nendstream => ",
                "<< /Length 9 >> stream\nendstream\nendstream => endstream"},
               decodeStreamText);
}

// Each guard against hostile or unsupported input: the text and the message it throws.
TEST(CPdfParser, GuardsThrow) {
    expectRows(
        {"<< /Length 7 >> stream\nhello\nendstream => Missing 'endstream'",
         "<< /Length 4 >> stream\nhello\nendstream => Missing 'endstream'",
         "<< /Length 5 >> stream\nhello\nendobj => Missing 'endstream'",
         "<< /Length 5 >> stream\nhello => Missing 'endstream'",
         "<< /Length 2147483647 >> stream\nhello\nendstream => Missing 'endstream'",
         "<< /Filter /JBIG2Decode /Length 1 >> stream\nx\nendstream => Stream filter not supported",
         "<< /Filter [/AHx /DCTDecode] /Length 1 >> stream\nx\nendstream => Stream filter not "
         "supported",
         "<< /Filter /flatedecode /Length 1 >> stream\nx\nendstream => Stream filter not supported",
         "<< /Filter [/AHx /AHx /AHx /AHx /AHx /AHx /AHx /AHx /AHx] /Length 3 >> stream\n41>\n"
         "endstream => Stream filter not supported"},
        thrown);
    try {
        decodeStreamText(streamText("/Filter /DCTDecode", "x"));
        ADD_FAILURE() << "no exception";
    } catch (const CPdfException& e) {
        EXPECT_EQ(e.getKind(), CPdfException::Kind::unsupportedFilter);
    }
}

TEST(CPdfFlateStream, EveryByteAndOnlyTrueBytes) {
    // Sizes around the 1024-byte output blocks: no byte zlib still holds may be lost; cut short,
    // what is decoded is a true prefix; a bad header gives nothing.
    for (size_t size : {0, 1023, 1024, 1025, 65537}) {
        std::string noise = noiseBytes(size, static_cast<uint32_t>(size));
        EXPECT_EQ(decodeStreamText(streamText("/Filter /Fl", deflateBytes(noise))), noise) << size;
    }
    std::string text = noiseBytes(20000, 11), packed = deflateBytes(text), badHeader = packed;
    std::string cut =
        decodeStreamText(streamText("/Filter /Fl", packed.substr(0, packed.size() / 2)));
    EXPECT_GT(cut.size(), 0u);
    EXPECT_EQ(cut, text.substr(0, std::min(cut.size(), text.size() - 1)));
    badHeader[0] = 0;
    EXPECT_EQ(decodeStreamText(streamText("/Filter /Fl", badHeader)), "");
    // Byte by byte, as the parser reads: a peek never skips what the buffer holds.
    MemoryFile file(packed);
    CPdfFlateStream flate(file.stream(), 1, 1, 1, 8);
    std::string out;
    while (flate.peekChar() >= 0) out += static_cast<char>(flate.getChar());
    EXPECT_EQ(out, text);
}

TEST(CPdfPredictor, DecodesRows) {
    // Each row: encoded and decoded bytes in hex ("-": none), predictor, columns, colours, bits.
    // PNG None, Sub, Up, Average, Paeth rows (10 and 15 take the tag of each row); Paeth picks
    // the upper left; unknown tags; rows cut short are dropped. TIFF: each row starts from zero;
    // 16-bit carries cross bytes; packed components. Other predictors serve whole rows.
    auto expectRow = [](const std::string& c) {
        std::istringstream in(c);
        std::string encoded, decoded;
        int predictor, columns, colors, bits;
        in >> encoded >> decoded >> predictor >> columns >> colors >> bits;
        EXPECT_EQ(predict(hex(encoded), predictor, columns, colors, bits), hex(decoded)) << c;
    };
    for (const char* png : {"10", "15"})
        expectRow(
            "000a141e280101010101020101010103000000000405050505 "
            "0a141e28010203040203040501020304060b1015 " +
            std::string(png) + " 4 1 8");
    for (const char* c :
         {"000f0a040501 0f0a1410 14 2 1 8", "01c8c8026464 c8902cf4 12 2 1 8",
          "00ffff03ffff ffff7ebd 12 2 1 8", "010505070909c80303 050a09090303 15 2 1 8",
          "01010203010101 010203020304 11 2 3 8", "0101020101 01020203 11 2 1 16",
          "010f01 0f10 11 10 1 1", "0201020304020102 01020304 12 4 1 8", "02 - 12 4 1 8",
          "010203010101010101 010203020304030405 2 3 3 8", "05010701 05060708 2 2 1 8",
          "fa0a fa04 2 2 1 8", "01020001ffff 010201030102 2 3 1 16",
          "00ff100000010001 00ff100001001001 2 2 2 16", "12f3 1325 2 4 1 4", "65f0 6b60 2 3 2 2",
          "9880 efff 2 8 1 1", "0102030405060708090a 0102030405060708 5 4 1 8"})
        expectRow(c);
    // Unusable columns, colours or bits give no data at all.
    const int unusable[][3] = {{0, 1, 8},  {-4, 1, 8},         {0x7FFFFFFF, 1, 8}, {4, 0, 8},
                               {4, -1, 8}, {4, 0x7FFFFFFF, 8}, {4, 1, 0},          {4, 1, 3},
                               {4, 1, 32}, {4, 1, -8},         {1 << 22, 16, 16},  {1 << 20, 1, 8}};
    ASSERT_EQ(predict(hex("0001020304 0005060708"), 12, 4), hex("0102030405060708"));
    for (const auto& c : unusable)
        for (int predictor : {12, 2})
            EXPECT_EQ(predict(hex("0001020304 0005060708"), predictor, c[0], c[1], c[2]), "")
                << predictor << ": " << c[0] << " " << c[1] << " " << c[2];
    // Raw bytes bypass the predictor, which goes on from the second row, decoded over zeros.
    std::string packed = deflateBytes(hex("020101 020101"));
    MemoryFile file(packed);
    CPdfFlateStream flate(file.stream(), 12, 2, 1, 8);
    std::string got;
    for (int i = 0; i < 3; i++) got += formatText("%d ", flate.getRawChar());
    got += formatText("%d ", flate.peekChar());
    for (int i = 0; i < 3; i++) got += formatText("%d ", flate.getChar());
    EXPECT_EQ(got, "2 1 1 1 1 1 -1 ");
}
