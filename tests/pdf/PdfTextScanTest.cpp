// Tests of the raw-text scanner: value extents, dictionary entries, array elements, names,
// references and object headers, and the guards against text that never closes or nests without
// end.
#include "pdf/PdfTextScan.h"

#include <gtest/gtest.h>

#include "pdf/PdfTestSupport.h"

namespace {

// "key=value;" for every top-level entry of the dictionary at the start of text, "<broken>" when
// no complete dictionary starts there.
std::string entriesOf(const std::string& text) {
    DictText dict;
    if (!parseDictText(text, 0, dict)) return "<broken>";
    std::string out;
    for (const DictEntry& entry : dict.entries) {
        out += entry.key + "=" + text.substr(entry.valueBegin, entry.valueEnd - entry.valueBegin) +
               ";";
    }
    return out;
}

// The name the parser reads from text.
std::string parsedName(const std::string& text) {
    MemoryFile file(text);
    CPdfParser parser(nullptr, file.stream());
    return parser.nextObject().getName();
}

}  // namespace

TEST(PdfTextScan, ValueEnds) {
    const struct {
        std::string text;
        size_t end;
    } cases[] = {
        {"12 0 R /Next", 6},
        {"  12 0 R", 8},
        {"12 0 obj", 2},
        {"12 /A", 2},
        {"-3.5 0 R", 4},
        {"1 -2 R", 1},
        {"/Name/Other", 5},
        {"(a (nested) \\) string) tail", 22},
        {"<48656C6C6F> tail", 12},
        {"<< /A << /B [1 2] >> /C (>>) >> tail", 31},
        {"[ 1 [ 2 ] % comment ]\n ] tail", 24},
        {"[ 1 (]) % ]\n <5D> ] tail", 19},
        {"[ <5D5D> (a]b) /N{ } ] tail", 22},
        {"<< /A <</B 1>>>> tail", 16},
        {"{ 1 }", 1},
        // Nothing complete starts here.
        {"(never closed", kNoPos},
        {"<41", kNoPos},
        {"<< /A 1", kNoPos},
        {"] stray", kNoPos},
        {">> stray", kNoPos},
        {") stray", kNoPos},
        {"[ 1 ) 2 ]", kNoPos},
        {"[ 1 > 2 ]", kNoPos},
        {"[ <41", kNoPos},
        {"[ (open ]", kNoPos},
        {"% only a comment", kNoPos},
        {"", kNoPos},
    };
    for (const auto& c : cases) EXPECT_EQ(findValueEnd(c.text, 0), c.end) << c.text;
}

TEST(PdfTextScan, NestingUpToTheParsersLimit) {
    for (int levels : {kMaxNesting, kMaxNesting + 1}) {
        std::string array = std::string(levels, '[') + std::string(levels, ']');
        std::string dict;
        for (int i = 0; i < levels; i++) dict += "<</A ";
        for (int i = 0; i < levels; i++) dict += ">>";
        size_t expected = levels <= kMaxNesting ? array.size() : kNoPos;
        EXPECT_EQ(findValueEnd(array, 0), expected) << levels;
        EXPECT_EQ(findValueEnd(dict, 0), levels <= kMaxNesting ? dict.size() : kNoPos) << levels;
    }
    EXPECT_EQ(findValueEnd(std::string(5000000, '['), 0), kNoPos);
}

TEST(PdfTextScan, DictionaryEntries) {
    const struct {
        std::string text;
        std::string entries;
    } cases[] = {
        {"<< /A 1 /B 2 0 R /C << /A 3 >> >>", "A=1;B=2 0 R;C=<< /A 3 >>;"},
        {"<</A<</B[1 2]>>/C(x>>)/D<41>/E 1.5/F true>>",
         "A=<</B[1 2]>>;C=(x>>);D=<41>;E=1.5;F=true;"},
        {"<< /A (a\\) >> ( ) ) % /B 1 >>\n /C#20D 2 >>", "A=(a\\) >> ( ) );C D=2;"},
        {"<</F#31 (x)/G[1]>>", "F1=(x);G=[1];"},
        {"<< /A (/B 1) % /C 2\n /D 4 >>", "A=(/B 1);D=4;"},
        {"<< >>", ""},
        // Junk where a key belongs is stepped over; a key without a value ends the dictionary.
        {"<< 5 /A 1 [2] /B 3 >>", "A=1;B=3;"},
        {"<< /A 1 /B >>", "A=1;"},
        {"<< /A /B 1 >>", "A=/B;"},
        {"<< /A 1", "<broken>"},
        {"<< /A << /B 1 >>", "<broken>"},
        {"<< /A (open >>", "<broken>"},
        {"<< /A 1 ) >>", "<broken>"},
        {"[ /A 1 ]", "<broken>"},
        {" << /A 1 >>", "<broken>"},  // the dictionary must start right there
    };
    for (const auto& c : cases) EXPECT_EQ(entriesOf(c.text), c.entries) << c.text;
}

TEST(PdfTextScan, EntrySpansAndLookups) {
    std::string text = "<< /Length 12 0 R % old\n/Filter /FlateDecode>> tail";
    DictText dict;
    ASSERT_TRUE(parseDictText(text, 0, dict));
    EXPECT_EQ(dict.close, text.find(">>"));
    const DictEntry* length = dict.find("Length");
    ASSERT_NE(length, nullptr);
    EXPECT_EQ(length->keyPos, 3u);
    EXPECT_EQ(length->keyEnd, 10u);
    EXPECT_EQ(length->entryEnd, text.find("/Filter"));
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
}

TEST(PdfTextScan, ArrayElements) {
    std::vector<std::pair<size_t, size_t>> elements;
    std::string text = "[ 1 0 R << /A 2 >> null 2.5 (s) ]";
    ASSERT_TRUE(listArrayElements(text, 0, elements));
    ASSERT_EQ(elements.size(), 5u);
    EXPECT_EQ(text.substr(elements[1].first, elements[1].second - elements[1].first), "<< /A 2 >>");
    EXPECT_TRUE(listArrayElements("[]", 0, elements));
    EXPECT_TRUE(elements.empty());
    EXPECT_FALSE(listArrayElements("[ 1 2", 0, elements));
    EXPECT_FALSE(listArrayElements("<< >>", 0, elements));
}

TEST(PdfTextScan, ReferencesAndNumbers) {
    const struct {
        std::string text;
        bool isReference;
        int num;
        int gen;
    } references[] = {
        {"12 3 R", true, 12, 3},         {"12  0\nR", true, 12, 0}, {"12 0 R 1", false, 0, 0},
        {"-1 0 R", false, 0, 0},         {"1.0 0 R", false, 0, 0},  {"+1 0 R", false, 0, 0},
        {"1234567890 0 R", false, 0, 0},  // too many digits for a number
        {"12 0", false, 0, 0},
    };
    for (const auto& c : references) {
        int num = 0, gen = 0;
        EXPECT_EQ(parseReference(c.text, 0, c.text.size(), num, gen), c.isReference) << c.text;
        if (c.isReference) {
            EXPECT_EQ(std::make_pair(num, gen), std::make_pair(c.num, c.gen));
        }
    }
    const struct {
        std::string text;
        bool isNumber;
        double value;
    } numbers[] = {
        {"2.5", true, 2.5}, {"-.5", true, -0.5}, {"+7", true, 7},    {"inf", false, 0},
        {"1e5", false, 0},  {"1-2", false, 0},   {"null", false, 0}, {"-", false, 0},
    };
    for (const auto& c : numbers) {
        double value = 0;
        EXPECT_EQ(parseNumber(c.text, 0, c.text.size(), value), c.isNumber) << c.text;
        if (c.isNumber) {
            EXPECT_DOUBLE_EQ(value, c.value) << c.text;
        }
    }
}

TEST(PdfTextScan, NamesDecodeAsTheParserReadsThem) {
    const struct {
        std::string text;
        std::string name;
    } cases[] = {
        {"/Plain", "Plain"}, {"/A#42", "AB"}, {"/A#20B", "A B"}, {"/A#4x", "A@"},
        {"/A#4", "A@"},      {"/A#Z", "A#Z"}, {"/A#", "A#"},     {"/", ""},
    };
    for (const auto& c : cases) {
        TextToken token = nextTextToken(c.text, 0);
        ASSERT_EQ(token.kind, TextTokenKind::Name) << c.text;
        EXPECT_EQ(decodeNameToken(c.text, token), c.name) << c.text;
        EXPECT_EQ(parsedName(c.text), c.name) << c.text;
    }
    EXPECT_EQ(encodeName("F1_2"), "F1_2");
    EXPECT_EQ(encodeName(std::string("A B#(\x80/", 7)), "A#20B#23#28#80#2F");
}

TEST(PdfTextScan, Tokens) {
    const struct {
        std::string text;
        TextTokenKind kind;
        size_t begin;
        size_t end;
    } cases[] = {
        {" % c\n 12.5 ", TextTokenKind::Number, 6, 10},
        {"+.5", TextTokenKind::Number, 0, 3},
        {"1a", TextTokenKind::Keyword, 0, 2},
        {"/N#20(", TextTokenKind::Name, 0, 5},
        {"> >", TextTokenKind::Other, 0, 1},
        {" \n% end", TextTokenKind::End, 7, 7},
    };
    for (const auto& c : cases) {
        TextToken token = nextTextToken(c.text, 0);
        EXPECT_EQ(token.kind, c.kind) << c.text;
        EXPECT_EQ(std::make_pair(token.begin, token.end), std::make_pair(c.begin, c.end)) << c.text;
    }
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
    const struct {
        std::string text;
        size_t start;
    } streams[] = {
        {"stream\r\nDATA", 8}, {"stream\nDATA", 7}, {"stream\rDATA", 7},
        {"stream  \nDATA", 9}, {"stream", kNoPos},
    };
    for (const auto& c : streams) EXPECT_EQ(streamDataStart(c.text, 6), c.start) << c.text;
}
