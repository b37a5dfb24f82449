// Tests of the raw-text scanner: value extents, dictionary entries, names, references, object
// headers, and the guards against text that never closes or nests too deep.
#include "pdf/PdfTextScan.h"

#include <gtest/gtest.h>

#include "pdf/PdfTestSupport.h"

namespace {

std::string position(size_t at) {
    return at == kNoPos ? "-" : std::to_string(at);
}

}  // namespace

TEST(PdfTextScan, ValueEnds) {
    // Each row: text, and where the value at its start ends ("-": nothing complete starts).
    expectRows({"12 0 R /Next => 6",
                "  12 0 R => 8",
                "12 0 obj => 2",
                "-3.5 0 R => 4",
                "1 -2 R => 1",
                "/Name/Other => 5",
                "(a (nested) \\) string) tail => 22",
                "<48656C6C6F> tail => 12",
                "<< /A << /B [1 2] >> /C (>>) >> tail => 31",
                "[ 1 [ 2 ] % comment ]\n ] tail => 24",
                "[ 1 (]) % ]\n <5D> ] tail => 19",
                "[ <5D5D> (a]b) /N{ } ] tail => 22",
                "<< /A <</B 1>>>> tail => 16",
                "{ 1 } => 1",
                "(never closed => -",
                "<41 => -",
                "<< /A 1 => -",
                "] stray => -",
                ">> stray => -",
                ") stray => -",
                "[ 1 ) 2 ] => -",
                "[ 1 > 2 ] => -",
                "[ <41 => -",
                "[ (open ] => -",
                "% only a comment => -",
                " => -"},
               [](const std::string& text) { return position(findValueEnd(text, 0)); });
    // Nesting up to the parser's limit, and no further.
    for (int levels : {kMaxNesting, kMaxNesting + 1}) {
        std::string array = std::string(levels, '[') + std::string(levels, ']'), dict;
        for (int i = 0; i < levels; i++) dict = "<</A " + dict + ">>";
        EXPECT_EQ(findValueEnd(array, 0), levels <= kMaxNesting ? array.size() : kNoPos) << levels;
        EXPECT_EQ(findValueEnd(dict, 0), levels <= kMaxNesting ? dict.size() : kNoPos) << levels;
    }
    EXPECT_EQ(findValueEnd(std::string(5000000, '['), 0), kNoPos);
}

TEST(PdfTextScan, DictionaryEntries) {
    // Each row: text, and "key=value;" for every top-level entry of the dictionary at its start.
    // Junk where a key belongs is stepped over; a key without a value ends the dictionary, which
    // must start right at the text's start.
    expectRows(
        {"<< /A 1 /B 2 0 R /C << /A 3 >> >> => A=1;B=2 0 R;C=<< /A 3 >>;",
         "<</A<</B[1 2]>>/C(x>>)/D<41>/E 1.5/F true>> => A=<</B[1 "
         "2]>>;C=(x>>);D=<41>;E=1.5;F=true;",
         "<< /A (a\\) >> ( ) ) % /B 1 >>\n /C#20D 2 >> => A=(a\\) >> ( ) );C D=2;",
         "<</F#31 (x)/G[1]>> => F1=(x);G=[1];", "<< /A (/B 1) % /C 2\n /D 4 >> => A=(/B 1);D=4;",
         "<< >> => ", "<< 5 /A 1 [2] /B 3 >> => A=1;B=3;", "<< /A 1 /B >> => A=1;",
         "<< /A /B 1 >> => A=/B;", "<< /A 1 => -", "<< /A << /B 1 >> => -", "<< /A (open >> => -",
         "<< /A 1 ) >> => -", "[ /A 1 ] => -", " << /A 1 >> => -"},
        [](const std::string& text) {
            DictText dict;
            std::string entries;
            if (!parseDictText(text, 0, dict)) return std::string("-");
            for (const DictEntry& e : dict.entries)
                entries += e.key + "=" + text.substr(e.valueBegin, e.valueEnd - e.valueBegin) + ";";
            return entries;
        });
}

// Each row: text, then what it reads as ("" for nothing): a reference, a number, a name.
TEST(PdfTextScan, ReferencesNumbersAndNames) {
    expectRows({"12 3 R => 12 3", "12  0\nR => 12 0", "12 0 R 1 => ", "-1 0 R => ", "1.0 0 R => ",
                "+1 0 R => ", "1234567890 0 R => ", "12 0 => "},
               [](const std::string& text) {
                   int num = 0, gen = 0;
                   bool found = parseReference(text, 0, text.size(), num, gen);
                   return found ? formatText("%d %d", num, gen) : "";
               });
    expectRows({"2.5 => 2.5", "-.5 => -0.5", "+7 => 7", "inf => ", "1e5 => ", "1-2 => ", "null => ",
                "- => "},
               [](const std::string& text) {
                   double value = 0;
                   return parseNumber(text, 0, text.size(), value) ? formatText("%g", value) : "";
               });
    // Names decode as the parser reads them.
    expectRows({"/Plain => /Plain", "/A#42 => /AB", "/A#20B => /A B", "/A#4x => /A@", "/A#4 => /A@",
                "/A#Z => /A#Z", "/A# => /A#", "/ => /"},
               [](const std::string& text) {
                   TextToken token = nextTextToken(text, 0);
                   EXPECT_EQ(token.kind, TextTokenKind::Name) << text;
                   std::string name = "/" + decodeNameToken(text, token);
                   return name == parseAll(text) ? name : "parser: " + parseAll(text);
               });
    EXPECT_EQ(encodeName("F1_2") + " " + encodeName(std::string("A B#(\x80/", 7)),
              "F1_2 A#20B#23#28#80#2F");
}

TEST(PdfTextScan, ObjectHeadersAndStreamData) {
    EXPECT_EQ(formatText("%zu %zu", findObjectDict("12 3 obj\n<< /A 1 >>"),
                         findObjectValue("12 0 obj [1]")),
              "9 9");
    for (const char* text : {"12 0 obj [1]", "<< /A 1 >>"}) EXPECT_EQ(findObjectDict(text), kNoPos);
    EXPECT_EQ(findObjectValue("12 0 obj  "), kNoPos);
    expectRows({"12 3 obj\n<< /A 1 >>\nendobj\n => 40 0 obj\n<< /A 1 >>\nendobj\n",
                "7 0 obj\r<</A 1>> endobj\r => 40 0 obj\r<</A 1>> endobj\r", "7 obj 1 endobj => -"},
               [](std::string text) { return renumberObjectText(text, 40, 0) ? text : "-"; });
    // The data starts after the line end that follows "stream", as the parser reads it.
    expectRows({"stream\r\nDATA => 8", "stream\nDATA => 7", "stream\rDATA => 7",
                "stream  \nDATA => 9", "stream => -"},
               [](const std::string& text) { return position(streamDataStart(text, 6)); });
}
