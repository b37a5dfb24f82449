// Tests of the raw-text scanner: dictionary entries and their value spans, and malformed text.
#include "pdf/PdfTextScan.h"

#include <gtest/gtest.h>

namespace {

// "key=value" for every top-level entry of the object's dictionary, "malformed" when it has none.
std::string entries(const std::string& objectText) {
    DictText dict;
    if (!parseObjectDict(objectText, dict)) return "malformed";
    std::string out;
    for (const DictTextEntry& entry : dict.entries) {
        out += entry.key + "=" +
               objectText.substr(entry.valueBegin, entry.valueEnd - entry.valueBegin) + ";";
    }
    return out;
}

}  // namespace

TEST(PdfTextScan, DictionaryEntries) {
    EXPECT_EQ(entries("1 0 obj\n<< /Length 12 0 R /Filter /FlateDecode >>\nstream\n"),
              "Length=12 0 R;Filter=/FlateDecode;");
    EXPECT_EQ(entries("1 0 obj<</A<</B[1 2]>>/C(x>>)/D<41>/E 1.5/F true>>endobj"),
              "A=<</B[1 2]>>;C=(x>>);D=<41>;E=1.5;F=true;");
    EXPECT_EQ(entries("1 0 obj << /A (a\\) >> ( ) ) % /B 1 >>\n /C#20D 2 >>"),
              "A=(a\\) >> ( ) );C D=2;");
    EXPECT_EQ(entries("12 0 obj\r<< >> endobj\r"), "");
}

TEST(PdfTextScan, MalformedDictionaries) {
    EXPECT_EQ(entries(""), "malformed");
    EXPECT_EQ(entries("1 0 obj [1 2] endobj"), "malformed");
    EXPECT_EQ(entries("1 0 obj << /A 1"), "malformed");
    EXPECT_EQ(entries("1 0 obj << /A >>"), "malformed");
    EXPECT_EQ(entries("1 0 obj << /A << /B 1 >>"), "malformed");
    EXPECT_EQ(entries("1 0 obj << /A (unterminated >>"), "malformed");
    EXPECT_EQ(entries("1 0 obj << 5 /A >>"), "malformed");
    EXPECT_EQ(entries(std::string(100000, '[')), "malformed");
    EXPECT_EQ(entries("1 0 obj << /A " + std::string(100000, '[') + " >>"), "malformed");
}

TEST(PdfTextScan, ContainerValuesSkipWhatCannotCloseThem) {
    const struct {
        std::string text;
        size_t end;
    } cases[] = {
        {"[ 1 (]) % ]\n <5D> ] tail", 19},
        {"<< /A [ << /B (>>) >> ] >> tail", 26},
        {"[ 1 > ) } 2 ] tail", 13},  // stray delimiters inside are stepped over
        {"[ 1 2", 5},                // never closed: runs to the end
        {"[ (never closed ]", 17},
    };
    for (const auto& c : cases) EXPECT_EQ(c.end, skipTextValue(c.text, 0)) << c.text;
}
