// Tests of the stored-object scanner: where objects end and which tokens are references.
#include "pdf/RawObject.h"

#include <gtest/gtest.h>

#include "pdf/PdfSyntax.h"
#include "pdf/PdfTestSupport.h"

namespace {

// Scans text as object 5; "-" when the scan fails, else the references found as "num gen,".
std::string scanRefs(const std::string& text) {
    RawObject obj = scanObject5(text);
    if (obj.num != 5) return "-";
    std::string refs;
    for (const TextReference& ref : obj.refs) refs += formatText("%d %d,", ref.num, ref.gen);
    return refs;
}

}  // namespace

TEST(RawObject, ReferencesFound) {
    // Each row: stored text, then its references ("-": the scan refuses it).
    const std::string cases[] = {
        "5 0 obj << /A 1 0 R /B [2 0 R 3 1 R] >> endobj => 1 0,2 0,3 1,",
        "5 0 obj<</A 1 0 R/B[7 0 R]>>endobj => 1 0,7 0,", "5 0 obj [1 2 0 R 3] endobj => 2 0,",
        "5 0 obj [1 0 R 0 R] endobj => 1 0,",
        // Strings, hex strings and comments hold no references.
        "5 0 obj << /T (see 1 0 R \\) 2 0 R) /H <01 0 R> >> endobj => ",
        "5 0 obj << /T (a (nested 1 0 R) b) /C 4 0 R >> endobj => 4 0,",
        "5 0 obj << % 1 0 R\n/A 9 0 R >> endobj => 9 0,",
        // Signed or real numbers do not make a reference, nor do numbers split by a bracket.
        "5 0 obj [ -1 0 R 1.0 0 R +2 0 R ] endobj => ", "5 0 obj [ 1 [ 0 R ] ] endobj => ",
        // Too many digits: still a reference, but naming nothing.
        "5 0 obj [ 99999999999 0 R 1 70000 R ] endobj => -1 0,1 -1,",
        // Stream data is never searched.
        "5 0 obj << /Length 6 >> stream\n1 0 R \nendstream endobj => ",
        // Damage: no endobj before the next object, unclosed strings, no endstream, another
        // number, a stream where none is allowed, nothing at all, nesting beyond the limit.
        "5 0 obj << /A 1 >>\n6 0 obj << >> endobj => -", "5 0 obj (unclosed endobj => -",
        "5 0 obj <41 endobj => -", "5 0 obj << /Length 2 >> stream\nab endobj => -",
        "6 0 obj 1 endobj => -", "5 0 obj << >> endstream endobj => -", " => -", "5 0 => -",
        "5 99999 obj 1 endobj => -", "5 0 obj " + std::string(kMaxNesting, '[') + " endobj => ",
        "5 0 obj " + std::string(kMaxNesting + 1, '[') + " endobj => -"};
    for (const std::string& c : cases)
        EXPECT_EQ(scanRefs(splitCase(c).first), splitCase(c).second) << c;
    // Leading white space before the header is dropped; the spans move with it.
    RawObject obj = scanObject5("\r\n5 0 obj\n[ 12 3 R ] endobj");
    ASSERT_EQ(obj.refs.size(), 1u);
    const TextReference& ref = obj.refs[0];
    EXPECT_EQ(obj.text.substr(0, 8), "5 0 obj\n");
    EXPECT_EQ(obj.text.substr(ref.start, ref.numEnd - ref.start) + "|" +
                  obj.text.substr(ref.genStart, ref.genEnd - ref.genStart) + "|" +
                  obj.text.substr(ref.start, ref.end - ref.start),
              "12|3|12 3 R");
    ByteSource member("5 0 obj\r<< /Length 1 >> stream\nx\nendstream endobj\r");
    EXPECT_FALSE(scanRawObject(member, 5, false, nullptr, obj));
}

TEST(RawObject, ObjectEnds) {
    RawObject plain = scanObject5("5 0 obj\n<< /A 1 >>\nendobj\n6 0 obj");
    EXPECT_EQ(plain.text, "5 0 obj\n<< /A 1 >>\nendobj");
    EXPECT_EQ(plain.lineEnd, '\n');
    EXPECT_EQ(plain.body(), "\n<< /A 1 >>\nendobj");
    EXPECT_FALSE(plain.isStream);
    // The stream's /Length steps over data that holds "endstream endobj".
    RawObject stream =
        scanObject5("5 0 obj << /Length 16 >> stream\nendstream endobj\nendstream endobj\r");
    EXPECT_TRUE(stream.isStream);
    EXPECT_EQ(stream.text.size(), stream.text.rfind("endobj") + 6);
    EXPECT_EQ(stream.lineEnd, '\r');
    EXPECT_EQ(stream.text.substr(stream.dictEnd, 6), "stream");
    EXPECT_TRUE(stream.dictContains("/Length"));
    EXPECT_FALSE(stream.dictContains("endobj"));
    // An indirect /Length is asked of the resolver; a wrong or absurd one falls back on the first
    // "endstream"; "endobj" inside a string is no end.
    auto sixteen = [](int num, int gen) -> int64_t { return num == 8 && gen == 0 ? 16 : -1; };
    std::string indirect = "5 0 obj << /Length 8 0 R >> stream\nendstream endobj\nendstream endobj";
    EXPECT_EQ(scanObject5(indirect, sixteen).text, indirect);
    for (const std::string text :
         {"5 0 obj << /Length 3 >> stream\nabcdef\nendstream endobj",
          "5 0 obj << /Length 99999999999999999999 >> stream\nab\nendstream endobj",
          "5 0 obj (endobj) endobj"})
        EXPECT_EQ(scanObject5(text).text, text);
}
