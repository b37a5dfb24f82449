// Tests of the raw-text scanner: value extents, dictionary entries, array elements, names,
// references and object headers, and the guards against text that never closes or nests without
// end.
#include "pdf/PdfTextScan.h"

#include <gtest/gtest.h>

#include "pdf/PdfTestSupport.h"

TEST(PdfTextScan, ValueEnds) {
    // Each row: text, and where the value at its start ends ("-": nothing complete starts).
    const std::string cases[] = {
        "12 0 R /Next => 6", "  12 0 R => 8", "12 0 obj => 2", "-3.5 0 R => 4", "1 -2 R => 1",
        "/Name/Other => 5", "(a (nested) \\) string) tail => 22", "<48656C6C6F> tail => 12",
        "<< /A << /B [1 2] >> /C (>>) >> tail => 31", "[ 1 [ 2 ] % comment ]\n ] tail => 24",
        "[ 1 (]) % ]\n <5D> ] tail => 19", "[ <5D5D> (a]b) /N{ } ] tail => 22",
        "<< /A <</B 1>>>> tail => 16", "{ 1 } => 1",
        // Nothing complete.
        "(never closed => -", "<41 => -", "<< /A 1 => -", "] stray => -", ">> stray => -",
        ") stray => -", "[ 1 ) 2 ] => -", "[ 1 > 2 ] => -", "[ <41 => -", "[ (open ] => -",
        "% only a comment => -", " => -"};
    for (const std::string& c : cases) {
        size_t end = findValueEnd(splitCase(c).first, 0);
        EXPECT_EQ(end == kNoPos ? "-" : std::to_string(end), splitCase(c).second) << c;
    }
    // Nesting up to the parser's limit, and no further.
    for (int levels : {kMaxNesting, kMaxNesting + 1}) {
        std::string array = std::string(levels, '[') + std::string(levels, ']');
        std::string dict;
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
    const std::string cases[] = {
        "<< /A 1 /B 2 0 R /C << /A 3 >> >> => A=1;B=2 0 R;C=<< /A 3 >>;",
        "<</A<</B[1 2]>>/C(x>>)/D<41>/E 1.5/F true>> => A=<</B[1 2]>>;C=(x>>);D=<41>;E=1.5;F=true;",
        "<< /A (a\\) >> ( ) ) % /B 1 >>\n /C#20D 2 >> => A=(a\\) >> ( ) );C D=2;",
        "<</F#31 (x)/G[1]>> => F1=(x);G=[1];", "<< /A (/B 1) % /C 2\n /D 4 >> => A=(/B 1);D=4;",
        "<< >> => ", "<< 5 /A 1 [2] /B 3 >> => A=1;B=3;", "<< /A 1 /B >> => A=1;",
        "<< /A /B 1 >> => A=/B;",
        // Broken.
        "<< /A 1 => <broken>", "<< /A << /B 1 >> => <broken>", "<< /A (open >> => <broken>",
        "<< /A 1 ) >> => <broken>", "[ /A 1 ] => <broken>", " << /A 1 >> => <broken>"};
    for (const std::string& c : cases) {
        std::string text = splitCase(c).first, entries = "<broken>";
        DictText dict;
        if (parseDictText(text, 0, dict)) {
            entries.clear();
            for (const DictEntry& e : dict.entries)
                entries += e.key + "=" + text.substr(e.valueBegin, e.valueEnd - e.valueBegin) + ";";
        }
        EXPECT_EQ(entries, splitCase(c).second) << c;
    }
}

TEST(PdfTextScan, EntrySpansArraysAndLookups) {
    std::string text = "<< /Length 12 0 R % old\n/Filter /FlateDecode>> tail";
    DictText dict;
    ASSERT_TRUE(parseDictText(text, 0, dict));
    EXPECT_EQ(dict.close, text.find(">>"));
    const DictEntry* length = dict.find("Length");
    ASSERT_NE(length, nullptr);
    EXPECT_EQ(formatText("%zu %zu %zu", length->keyPos, length->keyEnd, length->entryEnd),
              formatText("3 10 %zu", text.find("/Filter")));
    EXPECT_EQ(dict.find("Missing"), nullptr);
    std::vector<DictEntry> entries;
    size_t dictEnd = 0;
    ASSERT_TRUE(listDictEntries(text, 0, entries, &dictEnd));
    EXPECT_EQ(entries.size(), 2u);
    EXPECT_EQ(dictEnd, dict.close + 2);
    // The first entry of the key at the top level: a nested one does not count.
    std::string page = "<< /Kids [ << /Parent 9 0 R >> ] /Parent 2 0 R /Parent 3 0 R >>";
    DictEntry entry;
    ASSERT_TRUE(findDictEntry(page, 0, "Parent", entry));
    EXPECT_EQ(page.substr(entry.valueBegin, entry.valueEnd - entry.valueBegin), "2 0 R");
    EXPECT_FALSE(findDictEntry(page, 0, "Missing", entry));
    DictText objectDict;
    ASSERT_TRUE(parseObjectDict("7 0 obj\r<< /Type /XObject >>\rstream\r\n", objectDict));
    EXPECT_EQ(objectDict.entries.size(), 1u);
    EXPECT_FALSE(parseObjectDict("7 0 obj [1 2] endobj", objectDict));
    EXPECT_FALSE(parseObjectDict("<< /A 1 >>", objectDict));

    std::vector<std::pair<size_t, size_t>> elements;
    std::string array = "[ 1 0 R << /A 2 >> null 2.5 (s) ]";
    ASSERT_TRUE(listArrayElements(array, 0, elements));
    ASSERT_EQ(elements.size(), 5u);
    EXPECT_EQ(array.substr(elements[1].first, elements[1].second - elements[1].first),
              "<< /A 2 >>");
    EXPECT_TRUE(listArrayElements("[]", 0, elements));
    EXPECT_TRUE(elements.empty());
    EXPECT_FALSE(listArrayElements("[ 1 2", 0, elements));
    EXPECT_FALSE(listArrayElements("<< >>", 0, elements));
}

TEST(PdfTextScan, ReferencesNumbersAndNames) {
    // Each row: text, then the reference it is ("" for none).
    const std::pair<std::string, std::string> references[] = {
        {"12 3 R", "12 3"}, {"12  0\nR", "12 0"}, {"12 0 R 1", ""},       {"-1 0 R", ""},
        {"1.0 0 R", ""},    {"+1 0 R", ""},       {"1234567890 0 R", ""}, {"12 0", ""}};
    for (const auto& c : references) {
        int num = 0, gen = 0;
        bool found = parseReference(c.first, 0, c.first.size(), num, gen);
        EXPECT_EQ(found ? formatText("%d %d", num, gen) : "", c.second) << c.first;
    }
    const std::pair<std::string, std::string> numbers[] = {
        {"2.5", "2.5"}, {"-.5", "-0.5"}, {"+7", "7"},  {"inf", ""},
        {"1e5", ""},    {"1-2", ""},     {"null", ""}, {"-", ""}};
    for (const auto& c : numbers) {
        double value = 0;
        bool found = parseNumber(c.first, 0, c.first.size(), value);
        EXPECT_EQ(found ? formatText("%g", value) : "", c.second) << c.first;
    }
    // Names decode as the parser reads them.
    const std::pair<std::string, std::string> names[] = {
        {"/Plain", "Plain"}, {"/A#42", "AB"}, {"/A#20B", "A B"}, {"/A#4x", "A@"},
        {"/A#4", "A@"},      {"/A#Z", "A#Z"}, {"/A#", "A#"},     {"/", ""}};
    for (const auto& c : names) {
        TextToken token = nextTextToken(c.first, 0);
        ASSERT_EQ(token.kind, TextTokenKind::Name) << c.first;
        EXPECT_EQ(decodeNameToken(c.first, token), c.second) << c.first;
        EXPECT_EQ(parseAll(c.first), "/" + c.second) << c.first;
    }
    EXPECT_EQ(encodeName("F1_2"), "F1_2");
    EXPECT_EQ(encodeName(std::string("A B#(\x80/", 7)), "A#20B#23#28#80#2F");
}

TEST(PdfTextScan, ObjectHeadersAndStreamData) {
    std::string text = "12 3 obj\n<< /A 1 >>\nendobj\n";
    EXPECT_EQ(findObjectDict(text), 9u);
    EXPECT_EQ(findObjectValue("12 0 obj [1]"), 9u);
    EXPECT_EQ(findObjectDict("12 0 obj [1]"), kNoPos);
    EXPECT_EQ(findObjectDict("<< /A 1 >>"), kNoPos);
    EXPECT_EQ(findObjectValue("12 0 obj  "), kNoPos);
    ASSERT_TRUE(renumberObjectText(text, 40, 0));
    EXPECT_EQ(text, "40 0 obj\n<< /A 1 >>\nendobj\n");
    std::string compressed = "7 0 obj\r<</A 1>> endobj\r";
    ASSERT_TRUE(renumberObjectText(compressed, 8, 0));
    EXPECT_EQ(compressed, "8 0 obj\r<</A 1>> endobj\r");
    std::string noHeader = "7 obj 1 endobj";
    EXPECT_FALSE(renumberObjectText(noHeader, 8, 0));
    // The data starts after the line end that follows "stream", as the parser reads it.
    const std::pair<std::string, size_t> streams[] = {{"stream\r\nDATA", 8},
                                                      {"stream\nDATA", 7},
                                                      {"stream\rDATA", 7},
                                                      {"stream  \nDATA", 9},
                                                      {"stream", kNoPos}};
    for (const auto& c : streams) EXPECT_EQ(streamDataStart(c.first, 6), c.second) << c.first;
}
