// Tests of the lexer (tokens, strings, names, numbers, comments) and the object parser.
#include <gtest/gtest.h>

#include "pdf/CPdfBoundedStream.h"
#include "pdf/CPdfException.h"
#include "pdf/DocumentTestSupport.h"
#include "pdf/PdfTestSupport.h"
#include "support/TestPdf.h"

namespace {

// Parses every object of input and compares the compact description (see describe()).
void expectParse(const std::string& input, const std::string& expected) {
    EXPECT_EQ(parseAll(input), expected) << "input: " << input;
}

std::string withNul(const char* text, size_t length) {
    return std::string(text, length);
}

}  // namespace

TEST(CPdfLexer, LiteralStrings) {
    expectParse("(a(b)c)", "(a(b)c)");
    expectParse("(a\\)b)", "(a)b)");
    expectParse("(a\\(b)", "(a(b)");
    expectParse("(\\0a)", "(\\x00a)");
    expectParse(withNul("(a\0b)", 5), "(a\\x00b)");
    expectParse("(\\n\\r\\t\\b\\f)", "(\\x0A\\x0D\\x09\\x08\\x0C)");
    expectParse("(\\q\\\\\\/)", "(q\\x5C/)");
    expectParse("(a%b) 1", "(a%b) 1");
    expectParse("(a\r\nb)", "(a\\x0D\\x0Ab)");
    expectParse("()", "()");
}

TEST(CPdfLexer, OctalEscapes) {
    expectParse("(\\101\\1012)", "(AA2)");
    expectParse("(\\1234)", "(S4)");
    expectParse("(\\7)", "(\\x07)");
    expectParse("(\\18)", "(\\x018)");
    expectParse("(\\777)", "(\\xFF)");
    expectParse("(\\8)", "(8)");
}

TEST(CPdfLexer, LineContinuation) {
    expectParse("(a\\\nb)", "(ab)");
    expectParse("(a\\\r\nb)", "(ab)");
    expectParse("(a\\\rb)", "(ab)");
    expectParse("(a\\\n\nb)", "(a\\x0Ab)");
}

TEST(CPdfLexer, UnterminatedStringsEndAtEndOfData) {
    expectParse("(abc", "(abc)");
    expectParse("(ab\\", "(ab)");
    expectParse("(a(b)", "(a(b))");
    expectParse("(\\12", "(\\x0A)");
}

TEST(CPdfLexer, HexStrings) {
    expectParse("<00>", "(\\x00)");
    expectParse("<41 4>", "(A@)");
    expectParse("<4G>", "(@)");
    expectParse("<6a6B>", "(jk)");
    expectParse("<4\n1\t>", "(A)");
    expectParse("<>", "()");
    expectParse("<414", "(A@)");
    expectParse("<zz41>", "(\\x00A)");
}

TEST(CPdfLexer, Names) {
    expectParse("/A#42", "/AB");
    // The byte after a lone escape digit is swallowed, and the name goes on after it.
    expectParse("/A#4 ", "/A@");
    expectParse("/A#4 x", "/A@x");
    expectParse("/A#Z", "/A#Z");
    expectParse("/A#", "/A#");
    expectParse("/A#4", "/A@");
    expectParse("/A#00B", "/A\\x00B");
    expectParse("/a#2f#2F", "/a//");
    expectParse("/ 1", "/ 1");
    expectParse("/a/b", "/a /b");
    expectParse("/a(b)", "/a (b)");
    expectParse("/a%c\n/b", "/a /b");
    expectParse("/\xE9t\xE9", "/\\xE9t\\xE9");
}

TEST(CPdfLexer, Numbers) {
    expectParse("-.5", "-0.5r");
    expectParse("+5", "kw(+5)");
    expectParse("--5", "0 -5");
    expectParse("1.2.3", "1.2r");
    expectParse("5.", "5r");
    expectParse(".", "0r");
    expectParse("-", "0");
    expectParse("007", "7");
    expectParse("-0", "0");
    expectParse("1e5", "1 kw(e5)");
    expectParse("12abc", "12 kw(abc)");
    expectParse("3-4", "3 -4");
}

TEST(CPdfLexer, IntegersBeyond32BitsSaturate) {
    expectParse("2147483647 -2147483648", "2147483647 -2147483648");
    expectParse("2147483648", "2147483647");
    expectParse("-99999999999999999999", "-2147483648");
    expectParse(std::string(5000, '9'), "2147483647");
}

TEST(CPdfLexer, KeywordsAndDelimiters) {
    expectParse("true false null", "true false null");
    expectParse("truex nul", "kw(truex) kw(nul)");
    expectParse("obj endobj R", "kw(obj) kw(endobj) kw(R)");
    expectParse(") { } >", "error error error error");
    expectParse("> >>", "error kw(>>)");
    expectParse("]", "kw(])");
    expectParse("stream{", "kw(stream) error");
}

TEST(CPdfLexer, CharacterClasses) {
    // NUL, tab, LF, FF, CR and space separate tokens; vertical tab and high bytes are regular.
    expectParse(withNul("1\0"
                        "2\t3\n4\f5\r6 7",
                        13),
                "1 2 3 4 5 6 7");
    expectParse(
        "1\x0b"
        "2",
        "1 kw(\\x0B2)");
    expectParse("a\x80 b", "kw(a\\x80) kw(b)");
}

TEST(CPdfLexer, Comments) {
    expectParse("1 % c 2\r3", "1 3");
    expectParse("1%c\n2", "1 2");
    expectParse("%only", "");
    expectParse("%a\r%b\n%c", "");
    expectParse("[1%]\n2]", "[1 2]");
}

TEST(CPdfParser, References) {
    expectParse("12 0 R", "12 0 R");
    expectParse("12 0 obj", "12 0 kw(obj)");
    expectParse("12 R", "12 kw(R)");
    expectParse("1 2 3 R", "1 2 3 R");
    expectParse("[1 0 R 2 0 R]", "[1 0 R 2 0 R]");
    expectParse("1 0.0 R", "1 0r kw(R)");
    expectParse("1 0", "1 0");
}

TEST(CPdfParser, Arrays) {
    expectParse("[]", "[]");
    expectParse("[1 [2 [3]] /x (s)]", "[1 [2 [3]] /x (s)]");
    expectParse("[1 >> 2]", "[1 kw(>>) 2]");
    expectParse("[1 ) 2]", "[1 error 2]");
}

TEST(CPdfParser, Dictionaries) {
    expectParse("<< /A 1 /A 2 >>", "<</A 1>>");
    expectParse("<< /B 1 /AB 2 /A 3 >>", "<</A 3 /AB 2 /B 1>>");
    expectParse("<< /K ) /L 2 >>", "<</L 2>>");
    expectParse("<< 5 /A 1 (x) >>", "<</A 1>>");
    expectParse("<< /A << /B [1 2 0 R] >> >>", "<</A <</B [1 2 0 R]>>>>");
    expectParse("<<>> 7", "<<>> 7");
    expectParse("<</A/B/C 1>>", "<</A /B /C 1>>");
}

TEST(CPdfParser, DictionaryKeysOrderAsUnsignedBytes) {
    expectParse("<< /\xC0 1 /z 2 /Z 3 >>", "<</Z 3 /z 2 /\\xC0 1>>");
}

TEST(CPdfParser, EndOfDataClosesOpenContainers) {
    expectParse("[1 2", "[1 2]");
    expectParse("[[1", "[[1]]");
    expectParse("<< /A [1", "<</A [1]>>");
    expectParse("<< /A", "<<>>");
    expectParse("<< /A 1 /B", "<</A 1>>");
    expectParse("<<", "<<>>");
}

TEST(CPdfParser, NestingUpToTheLimit) {
    std::string deep = std::string(500, '[') + std::string(500, ']');
    std::string result = parseAll(deep);
    EXPECT_EQ(result.substr(0, 3), "[[[");
    EXPECT_EQ(result.size(), 1000u);
}

TEST(CPdfParser, TooDeepNestingIsAnError) {
    MemoryFile file(std::string(501, '[') + std::string(501, ']') + " 7");
    CPdfParser parser(nullptr, file.stream());
    EXPECT_TRUE(parser.nextObject().isError());

    // A million "[" must neither overflow the stack nor stop the parser reaching the end.
    MemoryFile hostile(std::string(1000000, '['));
    CPdfParser deepParser(nullptr, hostile.stream());
    int objects = 0;
    while (!deepParser.nextObject().isEOF()) ++objects;
    EXPECT_GT(objects, 0);
    EXPECT_LE(objects, 1000000 / 500 + 1);

    MemoryFile dicts([] {
        std::string text;
        for (int i = 0; i < 100000; ++i) text += "<</a ";
        return text;
    }());
    CPdfParser dictParser(nullptr, dicts.stream());
    EXPECT_TRUE(dictParser.nextObject().isError());
}

TEST(CPdfParser, Streams) {
    EXPECT_EQ(decodeStreamText("<< /Length 5 >> stream\nhello\nendstream"), "hello");
    EXPECT_EQ(decodeStreamText("<< /Length 5 >> stream\r\nhello\rendstream"), "hello");
    EXPECT_EQ(decodeStreamText("<< /Length 5 >> stream\rhello endstream"), "hello");
    EXPECT_EQ(decodeStreamText("<< /Length 5 >>stream   \nhello\nendstream"), "hello");
    EXPECT_EQ(decodeStreamText("<< /Length 0 >> stream\n\nendstream"), "");
    EXPECT_EQ(decodeStreamText("<< /Length 9 >> stream\nendstream\nendstream"), "endstream");
}

TEST(CPdfParser, StreamThenFollowingObjects) {
    expectParse("1 0 obj << /Length 2 /T /X >> stream\nab\nendstream endobj 2 0 obj 5 endobj",
                "1 0 kw(obj) stream<</Length 2 /T /X>> kw(endobj) 2 0 kw(obj) 5 kw(endobj)");
}

TEST(CPdfParser, StreamWithoutUsableLengthIsAnError) {
    // Nothing after the dictionary is consumed: the tokens that follow come out one by one.
    expectParse("<< >> stream\nhi\nendstream", "error kw(>>) kw(stream) kw(hi) kw(endstream)");
    expectParse("<< /Length 2.0 >> stream\nhi\nendstream 1",
                "error kw(>>) kw(stream) kw(hi) kw(endstream) 1");
    // Without a cross-reference component an indirect length cannot be fetched.
    expectParse("<< /Length 9 0 R >> stream\nhi\nendstream",
                "error kw(>>) kw(stream) kw(hi) kw(endstream)");
    // A negative length would move the parser back over the dictionary.
    expectParse("<< /Length -30 >> stream\nhi\nendstream",
                "error kw(>>) kw(stream) kw(hi) kw(endstream)");
}

TEST(CPdfParser, MissingEndstream) {
    auto expectMissing = [](const std::string& text) {
        try {
            parseAll(text);
            ADD_FAILURE() << "no exception for " << text;
        } catch (const CPdfException& e) {
            EXPECT_EQ(e.getMessage(), "Missing 'endstream'") << text;
        }
    };
    expectMissing("<< /Length 7 >> stream\nhello\nendstream");
    expectMissing("<< /Length 4 >> stream\nhello\nendstream");
    expectMissing("<< /Length 5 >> stream\nhello\nendobj");
    expectMissing("<< /Length 5 >> stream\nhello");
    // A length far beyond the end of the file is not trusted for anything but this error.
    expectMissing("<< /Length 2147483647 >> stream\nhello\nendstream");
}

TEST(CPdfParser, StreamFilterEntries) {
    std::string packed = deflateBytes("flate data");
    EXPECT_EQ(decodeStreamText(streamText("/Filter /FlateDecode", packed)), "flate data");
    EXPECT_EQ(decodeStreamText(streamText("/F /Fl", packed)), "flate data");
    EXPECT_EQ(decodeStreamText(streamText("/Filter [/FlateDecode]", packed)), "flate data");
    EXPECT_EQ(decodeStreamText(streamText("/Filter [/Fl 5]", packed)), "error");
    EXPECT_EQ(decodeStreamText(streamText("/Filter 5", "raw")), "error");
    EXPECT_EQ(decodeStreamText(streamText("/Filter null", "raw")), "raw");
}

TEST(CPdfParser, UnsupportedFilterThrows) {
    for (const char* filter : {"/JBIG2Decode", "[/ASCIIHexDecode /DCTDecode]", "/flatedecode",
                               "[/AHx /AHx /AHx /AHx /AHx /AHx /AHx /AHx /AHx]"}) {
        try {
            decodeStreamText(streamText(std::string("/Filter ") + filter, "x"));
            ADD_FAILURE() << "no exception for " << filter;
        } catch (const CPdfException& e) {
            EXPECT_EQ(e.getMessage(), "Stream filter not supported") << filter;
            EXPECT_EQ(e.getKind(), CPdfException::Kind::unsupportedFilter) << filter;
        }
    }
}

TEST(CPdfParser, StreamInsideEmbeddedDataIsAnError) {
    // Members of object streams cannot hold streams: there is no file window to cut one from.
    MemoryFile file("<< /Length 2 >> stream\nab\nendstream 4");
    auto bounded =
        std::make_shared<CPdfBoundedStream>(file.stream(), CPdfObject::makeNull(), false, 0);
    CPdfParser parser(nullptr, bounded);
    EXPECT_TRUE(parser.nextObject().isError());
}

TEST(CPdfParser, IndirectStreamLength) {
    TestPdf pdf;
    pdf.addObject(1, "<< /Type /Catalog /Pages 2 0 R >>");
    pdf.addObject(2, "<< /Type /Pages /Kids [] /Count 0 >>");
    pdf.addObject(3, "<< /Length 4 0 R >>\nstream\nhello\nendstream");
    pdf.addObject(4, "5");
    // A length that is the stream object itself, and two lengths that point at each other.
    pdf.addObject(6, "<< /Length 6 0 R >>\nstream\nhello\nendstream");
    pdf.addObject(7, "<< /Length 8 0 R >>\nstream\nhello\nendstream");
    pdf.addObject(8, "<< /Length 7 0 R >>\nstream\nhello\nendstream");
    pdf.setTrailerExtra("/Root 1 0 R");
    OpenedPdf opened(pdf.build());
    CPdfObject three = opened.xref().fetchObject(3, 0);
    ASSERT_TRUE(three.isStream());
    EXPECT_EQ(toString(readStreamBytes(*three.getStream())), "hello");
    for (int num : {6, 7, 8}) {
        CPdfObject looped = opened.xref().fetchObject(num, 0);
        EXPECT_FALSE(looped.isStream()) << num;
    }
}
