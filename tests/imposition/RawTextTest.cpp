// Raw object text scanning: value extents, dictionary keys and array elements, and the guards
// against text that never closes or nests without end.
#include <gtest/gtest.h>

#include "imposition/RawText.h"

namespace {

// The value at the start of text ends after `length` bytes (kNoPos: no complete value).
void expectValueEnd(const std::string& text, size_t length) {
    EXPECT_EQ(findValueEnd(text, 0), length) << text;
}

std::vector<std::string> keysOf(const std::string& text) {
    std::vector<DictEntry> entries;
    std::vector<std::string> keys;
    if (!listDictEntries(text, 0, entries)) keys.push_back("<broken>");
    for (const DictEntry& entry : entries) {
        keys.push_back(entry.key + "=" +
                       text.substr(entry.valueBegin, entry.valueEnd - entry.valueBegin));
    }
    return keys;
}

}  // namespace

TEST(RawText, ValueExtents) {
    expectValueEnd("12 0 R /Next", 6);
    expectValueEnd("12 0 obj", 2);
    expectValueEnd("12 /A", 2);
    expectValueEnd("-3.5 0 R", 4);
    expectValueEnd("/Name/Other", 5);
    expectValueEnd("(a (nested) \\) string) tail", 22);
    expectValueEnd("<48656C6C6F> tail", 12);
    expectValueEnd("<< /A << /B [1 2] >> /C (>>) >> tail", 31);
    expectValueEnd("[ 1 [ 2 ] % comment ]\n ] tail", 24);
    expectValueEnd("(never closed", kNoPos);
    expectValueEnd("<< /A 1", kNoPos);
    expectValueEnd("] stray", kNoPos);
    // Inside containers: brackets in strings, hex strings and comments do not count, and a
    // broken token breaks the whole value.
    expectValueEnd("[ <5D5D> (a]b) /N{ } ] tail", 22);
    expectValueEnd("<< /A <</B 1>>>> tail", 16);
    expectValueEnd("[ 1 ) 2 ]", kNoPos);
    expectValueEnd("[ 1 > 2 ]", kNoPos);
    expectValueEnd("[ <41", kNoPos);
    expectValueEnd("[ (open ]", kNoPos);
    expectValueEnd("", kNoPos);
}

TEST(RawText, NestingBeyondTheLimitIsRefused) {
    std::string deep(600, '[');
    deep += std::string(600, ']');
    EXPECT_EQ(findValueEnd(deep, 0), kNoPos);
    std::string fine(100, '[');
    fine += std::string(100, ']');
    EXPECT_EQ(findValueEnd(fine, 0), fine.size());
}

TEST(RawText, DictionaryEntries) {
    EXPECT_EQ(keysOf("<< /A 1 /B 2 0 R /C << /A 3 >> >>"),
              (std::vector<std::string>{"A=1", "B=2 0 R", "C=<< /A 3 >>"}));
    EXPECT_EQ(keysOf("<</F#31 (x)/G[1]>>"), (std::vector<std::string>{"F1=(x)", "G=[1]"}));
    EXPECT_EQ(keysOf("<< /A (/B 1) % /C 2\n /D 4 >>"),
              (std::vector<std::string>{"A=(/B 1)", "D=4"}));
    EXPECT_EQ(keysOf("<< /A >>"), (std::vector<std::string>{}));
    EXPECT_EQ(keysOf("<< /A (open >>"), (std::vector<std::string>{"<broken>"}));
    EXPECT_EQ(keysOf("[ /A 1 ]"), (std::vector<std::string>{"<broken>"}));
    DictEntry entry;
    std::string text = "<< /Parent 2 0 R /Kids [ << /Parent 9 0 R >> ] >>";
    ASSERT_TRUE(findDictEntry(text, 0, "Parent", entry));
    EXPECT_EQ(text.substr(entry.valueBegin, entry.valueEnd - entry.valueBegin), "2 0 R");
    EXPECT_FALSE(findDictEntry(text, 0, "Missing", entry));
}

TEST(RawText, ArraysReferencesAndNumbers) {
    std::vector<std::pair<size_t, size_t>> elements;
    std::string text = "[ 1 0 R << /A 2 >> null 2.5 (s) ]";
    ASSERT_TRUE(listArrayElements(text, 0, elements));
    ASSERT_EQ(elements.size(), 5u);
    int num = 0, gen = 0;
    EXPECT_TRUE(parseReference(text, elements[0].first, elements[0].second, num, gen));
    EXPECT_EQ(num, 1);
    EXPECT_FALSE(parseReference(text, elements[1].first, elements[1].second, num, gen));
    double value = 0;
    EXPECT_TRUE(parseNumber(text, elements[3].first, elements[3].second, value));
    EXPECT_DOUBLE_EQ(value, 2.5);
    EXPECT_FALSE(parseNumber(text, elements[2].first, elements[2].second, value));
    std::string odd = "inf 1e5 -.5 99999999999 0 R";
    EXPECT_FALSE(parseNumber(odd, 0, 3, value));
    EXPECT_FALSE(parseNumber(odd, 4, 7, value));
    EXPECT_TRUE(parseNumber(odd, 8, 11, value));
    EXPECT_DOUBLE_EQ(value, -0.5);
    EXPECT_FALSE(parseReference(odd, 12, odd.size(), num, gen));  // too many digits for a number
    EXPECT_FALSE(listArrayElements("[ 1 2", 0, elements));
}

TEST(RawText, ObjectHeaderAndNames) {
    std::string text = "12 3 obj\n<< /A 1 >>\nendobj\n";
    EXPECT_EQ(findObjectDict(text), 9u);
    EXPECT_EQ(findObjectDict("12 0 obj [1]"), kNoPos);
    EXPECT_EQ(findObjectDict("<< /A 1 >>"), kNoPos);
    ASSERT_TRUE(renumberObjectText(text, 40, 0));
    EXPECT_EQ(text, "40 0 obj\n<< /A 1 >>\nendobj\n");
    std::string compressed = "7 0 obj\r<</A 1>> endobj\r";
    ASSERT_TRUE(renumberObjectText(compressed, 8, 0));
    EXPECT_EQ(compressed, "8 0 obj\r<</A 1>> endobj\r");
    EXPECT_EQ(encodeName("F1_2"), "F1_2");
    EXPECT_EQ(encodeName(std::string("A B#(\x80", 6)), "A#20B#23#28#80");
}
