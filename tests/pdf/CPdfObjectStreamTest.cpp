// Tests for object streams: parsed members, raw member bytes and bad offset tables.
#include "pdf/CPdfObjectStream.h"

#include <gtest/gtest.h>

#include "pdf/PdfTestSupport.h"

namespace {

// Object stream 5 of the given dictionary entries and data lists members 10 to 12 as its
// indexes 0 to 2 (object 20 holds 15). Members as fetched ("-" when stream 5 does not hold one),
// then " | " and their raw bytes by index ("-" when absent).
std::string objectStreamFile(const std::string& dictEntries, const std::string& data) {
    TestPdf file = basePdf();
    file.addObject(20, "15");
    file.addStream(5, "<< /Type /ObjStm " + dictEntries + " >>", data);
    for (int i = 0; i < 3; i++) file.addMember(10 + i, 5, i);
    return file.buildWithXRefStream();
}

std::string members(const std::string& dictEntries, const std::string& data) {
    OpenedPdf pdf(objectStreamFile(dictEntries, data));
    std::string out, raw;
    for (int i = 0; i < 3; i++) {
        std::string fetched = pdf.fetch(10 + i), bytes;
        out += fetched.find("does not hold it") != std::string::npos ? "- " : fetched + " ";
        raw += pdf.xref().getCompressedMemberBytes(5, i, 10 + i, bytes) ? bytes + "," : "-,";
    }
    return out + "| " + raw;
}

const char kThree[] = "10 0 11 4 12 9 (a) (bb) (ccc)\n";

}  // namespace

// Each row: the stream's dictionary entries, its data, and the members read from it.
TEST(CPdfObjectStream, MembersAndTheirBytes) {
    for (const char* dict : {"/N 3 /First 15", "/N 3 /First 20 0 R"})
        EXPECT_EQ(members(dict, kThree), "(a) (bb) (ccc) | (a) ,(bb) ,(ccc)\n,") << dict;
    // Table and stream unusable: N does not match the pairs, or is not a count at all.
    for (const char* dict :
         {"/N 20 0 R /First 20 0 R", "/N 0 /First 15", "/N -3 /First 15", "/First 15", "/N 3",
          "/N 3 /First -1", "/N 3.0 /First 15", "/N 4 /First 15"})
        EXPECT_EQ(members(dict, kThree), "- - - | -,-,-,") << dict;
    EXPECT_EQ(members("/N 3 /First 15", "10 0 11 x 12 9 (a) (bb) (ccc)"), "- - - | -,-,-,");
    // A bad offset makes only that member absent: backwards, beyond the data, negative.
    EXPECT_EQ(members("/N 3 /First 15", "10 0 11 8 12 4 (a) (bb) (ccc)"),
              "(a) - (bb) | (a) (bb),-,(bb) (ccc),");
    EXPECT_EQ(members("/N 3 /First 17", "10 0 11 4 12 900 (a) (bb) (ccc)"),
              "(a) (bb) - | (a) ,(bb) (ccc),-,");
    EXPECT_EQ(members("/N 3 /First 16", "10 -5 11 4 12 9 (a) (bb) (ccc)"),
              "- (bb) (ccc) | -,(bb) ,(ccc),");
    // Compressed; streams cannot live in object streams, so that member is an error.
    EXPECT_EQ(
        members("/N 3 /First 15 /Filter /FlateDecode",
                deflateBytes("10 0 11 4 12 9 (a) (bb) << /Length 3 >>\nstream\nabc\nendstream")),
        "(a) (bb) error | (a) ,(bb) ,<< /Length 3 >>\nstream\nabc\nendstream,");
}

// A stream may inflate to far more than its members: padding after the last member is not
// decoded, padding between members is, within the budget the document has left.
TEST(CPdfObjectStream, DecodingStopsAtTheMembersAndWithinTheBudget) {
    const size_t padding = size_t{8} << 20;
    OpenedPdf after(objectStreamFile("/N 3 /First 15", kThree + std::string(padding, ' ')));
    EXPECT_LT(CPdfObjectStreamData(&after.xref(), 5).getDecodedSize(), padding / 2);
    std::string bytes;
    ASSERT_TRUE(after.xref().getCompressedMemberBytes(5, 2, 12, bytes));
    EXPECT_EQ("(ccc)\n" + std::string(255, ' '), bytes);
    std::string table = "10 0 11 4 12 " + std::to_string(9 + padding) + " ";
    std::string between = table + "(a) (bb)" + std::string(padding, ' ') + " (ccc)";
    OpenedPdf inside(objectStreamFile("/N 3 /First " + std::to_string(table.size()), between));
    EXPECT_EQ("(ccc)", inside.fetch(12));
    EXPECT_THROW(CPdfObjectStreamData(&inside.xref(), 5, padding / 2), CPdfException);
}
