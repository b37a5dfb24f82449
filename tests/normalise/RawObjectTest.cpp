// Tests of the object scanner: where objects end, which tokens are references, key lookups.
#include "normalise/RawObject.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Scans text as object 5; "-" when the scan fails, else the references found as "num gen,".
std::string scanRefs(const std::string& text, const LengthResolver& resolve = nullptr) {
    ByteSource source(text);
    RawObject obj;
    if (!scanRawObject(source, 5, true, resolve, obj)) return "-";
    std::string refs;
    for (const RawToken& token : obj.tokens) {
        if (token.kind == RawTokenKind::ref) {
            refs += std::to_string(token.refNum) + " " + std::to_string(token.refGen) + ",";
        }
    }
    return refs;
}

RawObject scan(const std::string& text, const LengthResolver& resolve = nullptr) {
    ByteSource source(text);
    RawObject obj;
    EXPECT_TRUE(scanRawObject(source, 5, true, resolve, obj)) << text;
    return obj;
}

}  // namespace

TEST(RawObject, ReferencesFound) {
    EXPECT_EQ(scanRefs("5 0 obj << /A 1 0 R /B [2 0 R 3 1 R] >> endobj"), "1 0,2 0,3 1,");
    EXPECT_EQ(scanRefs("5 0 obj<</A 1 0 R/B[7 0 R]>>endobj"), "1 0,7 0,");
    EXPECT_EQ(scanRefs("5 0 obj [1 2 0 R 3] endobj"), "2 0,");
    // Strings, hex strings and comments hold no references.
    EXPECT_EQ(scanRefs("5 0 obj << /T (see 1 0 R \\) 2 0 R) /H <01 0 R> >> endobj"), "");
    EXPECT_EQ(scanRefs("5 0 obj << /T (a (nested 1 0 R) b) /C 4 0 R >> endobj"), "4 0,");
    EXPECT_EQ(scanRefs("5 0 obj << % 1 0 R\n/A 9 0 R >> endobj"), "9 0,");
    // Signed or real numbers do not make a reference.
    EXPECT_EQ(scanRefs("5 0 obj [ -1 0 R 1.0 0 R +2 0 R ] endobj"), "");
    // Too many digits: still a reference, but naming nothing.
    EXPECT_EQ(scanRefs("5 0 obj [ 99999999999 0 R 1 70000 R ] endobj"), "-1 0,1 -1,");
    // Stream data is never searched.
    EXPECT_EQ(scanRefs("5 0 obj << /Length 6 >> stream\n1 0 R \nendstream endobj"), "");
}

TEST(RawObject, ObjectEnds) {
    RawObject plain = scan("5 0 obj\n<< /A 1 >>\nendobj\n6 0 obj");
    EXPECT_EQ(plain.text, "5 0 obj\n<< /A 1 >>\nendobj");
    EXPECT_EQ(plain.lineEnd, '\n');
    EXPECT_EQ(plain.body(), "\n<< /A 1 >>\nendobj");
    EXPECT_FALSE(plain.isStream);
    // "endobj" inside a string is no end.
    EXPECT_EQ(scan("5 0 obj (endobj) endobj").text, "5 0 obj (endobj) endobj");
    // The stream's /Length steps over data that holds "endstream endobj".
    RawObject stream =
        scan("5 0 obj << /Length 16 >> stream\nendstream endobj\nendstream endobj\r");
    EXPECT_TRUE(stream.isStream);
    EXPECT_EQ(stream.text.size(), stream.text.rfind("endobj") + 6);
    EXPECT_EQ(stream.lineEnd, '\r');
    EXPECT_EQ(stream.text.substr(stream.dictEnd, 6), "stream");
    // An indirect /Length is asked of the resolver.
    auto sixteen = [](int num, int gen) -> int64_t { return num == 8 && gen == 0 ? 16 : -1; };
    std::string indirect = "5 0 obj << /Length 8 0 R >> stream\nendstream endobj\nendstream endobj";
    EXPECT_EQ(scan(indirect, sixteen).text, indirect);
    // A wrong /Length falls back on the first "endstream".
    std::string wrong = "5 0 obj << /Length 3 >> stream\nabcdef\nendstream endobj";
    EXPECT_EQ(scan(wrong).text, wrong);
    // Leading white space before the header is dropped.
    EXPECT_EQ(scan("\r\n5 0 obj 7 endobj").text, "5 0 obj 7 endobj");
}

TEST(RawObject, DamagedObjectsHaveNoText) {
    // Missing endobj before the next object, unclosed string or hex string, no endstream,
    // another number in the header, a stream where none is allowed, nothing at all.
    EXPECT_EQ(scanRefs("5 0 obj << /A 1 >>\n6 0 obj << >> endobj"), "-");
    EXPECT_EQ(scanRefs("5 0 obj (unclosed endobj"), "-");
    EXPECT_EQ(scanRefs("5 0 obj <41 endobj"), "-");
    EXPECT_EQ(scanRefs("5 0 obj << /Length 2 >> stream\nab endobj"), "-");
    EXPECT_EQ(scanRefs("6 0 obj 1 endobj"), "-");
    EXPECT_EQ(scanRefs("5 0 obj << >> endstream endobj"), "-");
    EXPECT_EQ(scanRefs(""), "-");
    EXPECT_EQ(scanRefs("5 0"), "-");
    EXPECT_EQ(scanRefs("5 99999 obj 1 endobj"), "-");
    // Millions of nested brackets: refused rather than kept token by token.
    EXPECT_EQ(scanRefs("5 0 obj " + std::string(5000000, '[') + " endobj"), "-");
    ByteSource member("5 0 obj\r<< /Length 1 >> stream\nx\nendstream endobj\r");
    RawObject obj;
    EXPECT_FALSE(scanRawObject(member, 5, false, nullptr, obj));
}

TEST(RawObject, TopLevelValues) {
    RawObject obj = scan(
        "5 0 obj << /Kids [1 0 R 2 0 R] /Sub << /Count 9 >> /Count 3 /Type /Pages /P 4 0 R >> "
        "endobj");
    size_t first = 0, last = 0;
    ASSERT_TRUE(findTopLevelValue(obj, "Kids", &first, &last));
    EXPECT_EQ(
        obj.text.substr(obj.tokens[first].start, obj.tokens[last].end - obj.tokens[first].start),
        "[1 0 R 2 0 R]");
    // The nested /Count is not the top-level one.
    ASSERT_TRUE(findTopLevelValue(obj, "Count", &first, &last));
    EXPECT_EQ(obj.text.substr(obj.tokens[first].start, 1), "3");
    ASSERT_TRUE(findTopLevelValue(obj, "P", &first, &last));
    EXPECT_EQ(obj.tokens[first].kind, RawTokenKind::ref);
    EXPECT_FALSE(findTopLevelValue(obj, "Pa", &first, &last));
    EXPECT_TRUE(topLevelValueIs(obj, "Type", "/Pages"));
    EXPECT_FALSE(topLevelValueIs(obj, "Type", "/Page"));
    EXPECT_FALSE(findTopLevelValue(scan("5 0 obj [ /Kids 1 ] endobj"), "Kids", &first, &last));
}

TEST(RawObject, EditsAndFingerprints) {
    RawObject a = scan("5 0 obj << /A 1 0 R /B (x) >> endobj");
    RawObject b = scan("5 0 obj << /A 12 3 R /B (x) >> endobj");
    RawObject c = scan("5 0 obj << /A 1 0 R /B (y) >> endobj");
    // Equal up to the reference digits: equal fingerprints.
    EXPECT_EQ(bodyFingerprint(a), bodyFingerprint(b));
    EXPECT_NE(bodyFingerprint(a), bodyFingerprint(c));
    const RawToken& ref = a.tokens[2];
    ASSERT_EQ(ref.kind, RawTokenKind::ref);
    std::string edited = applyEdits(a.text, a.bodyStart, a.text.size(),
                                    {TextEdit{ref.genStart, ref.genEnd, "3"},
                                     TextEdit{ref.start, ref.numEnd, "12"}, TextEdit{8, 8, "%"}});
    EXPECT_EQ(edited, " %<< /A 12 3 R /B (x) >> endobj");
    EXPECT_TRUE(a.dictContains("/B"));
    EXPECT_FALSE(scan("5 0 obj << /Length 2 >> stream\n/B\nendstream endobj").dictContains("/B"));
}
