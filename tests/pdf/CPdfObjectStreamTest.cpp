// Tests for object streams: parsed members, raw member bytes, bad offset tables and caching.
#include "pdf/CPdfObjectStream.h"

#include <gtest/gtest.h>

#include "pdf/PdfTestSupport.h"

namespace {

// Catalog 1 and object stream 5 of the given dictionary entries and data, listing members 10
// to 12 as its indexes 0 to 2; object 20 is extraObject.
std::string fileWithObjectStream(const std::string& dictEntries, const std::string& data,
                                 const std::string& extraObject = "") {
    XRefStreamFile file;
    file.plain(1, "<< /Type /Catalog >>");
    if (!extraObject.empty()) file.plain(20, extraObject);
    file.stream(5, "/Type /ObjStm " + dictEntries, data);
    for (int i = 0; i < 3; i++) file.member(10 + i, 5, i);
    return file.finish();
}

// Members 10, 11 and 12 as fetched ("-" when stream 5 does not hold one), then " | " and their
// raw bytes by index ("-" when absent).
std::string members(const std::string& dictEntries, const std::string& data,
                    const std::string& extraObject = "") {
    OpenedPdf pdf(fileWithObjectStream(dictEntries, data, extraObject));
    std::string out, raw;
    for (int i = 0; i < 3; i++) {
        std::string fetched = pdf.fetch(10 + i);
        out += fetched.find("does not hold it") != std::string::npos ? "- " : fetched + " ";
        std::string bytes;
        raw += pdf.xref().getCompressedMemberBytes(5, i, 10 + i, bytes) ? bytes + "," : "-,";
    }
    return out + "| " + raw;
}

const char kThree[] = "10 0 11 4 12 9 (a) (bb) (ccc)\n";

}  // namespace

// Each row: the stream's dictionary entries, its data, and the members read from it.
TEST(CPdfObjectStream, MembersAndTheirBytes) {
    const struct {
        std::string dict, data, extra, expected;
    } cases[] = {
        {"/N 3 /First 15", kThree, "", "(a) (bb) (ccc) | (a) ,(bb) ,(ccc)\n,"},
        {"/N 3 /First 20 0 R", kThree, "15", "(a) (bb) (ccc) | (a) ,(bb) ,(ccc)\n,"},
        // Table and stream unusable: N does not match the pairs, or is not a count at all.
        {"/N 20 0 R /First 20 0 R", kThree, "15", "- - - | -,-,-,"},
        {"/N 0 /First 15", kThree, "", "- - - | -,-,-,"},
        {"/N -3 /First 15", kThree, "", "- - - | -,-,-,"},
        {"/First 15", kThree, "", "- - - | -,-,-,"},
        {"/N 3", kThree, "", "- - - | -,-,-,"},
        {"/N 3 /First -1", kThree, "", "- - - | -,-,-,"},
        {"/N 3.0 /First 15", kThree, "", "- - - | -,-,-,"},
        {"/N 4 /First 15", kThree, "", "- - - | -,-,-,"},
        {"/N 3 /First 15", "10 0 11 x 12 9 (a) (bb) (ccc)", "", "- - - | -,-,-,"},
        // A bad offset makes only that member absent: backwards, beyond the data, negative.
        {"/N 3 /First 15", "10 0 11 8 12 4 (a) (bb) (ccc)", "",
         "(a) - (bb) | (a) (bb),-,(bb) (ccc),"},
        {"/N 3 /First 17", "10 0 11 4 12 900 (a) (bb) (ccc)", "",
         "(a) (bb) - | (a) ,(bb) (ccc),-,"},
        {"/N 3 /First 16", "10 -5 11 4 12 9 (a) (bb) (ccc)", "", "- (bb) (ccc) | -,(bb) ,(ccc),"},
        // Compressed; streams cannot live in object streams, so that member is an error.
        {"/N 3 /First 15 /Filter /FlateDecode",
         deflateBytes("10 0 11 4 12 9 (a) (bb) << /Length 3 >>\nstream\nabc\nendstream"), "",
         "(a) (bb) error | (a) ,(bb) ,<< /Length 3 >>\nstream\nabc\nendstream,"}};
    for (const auto& c : cases) EXPECT_EQ(members(c.dict, c.data, c.extra), c.expected) << c.dict;
}

TEST(CPdfObjectStream, ViewsAndStreamsThatAreNone) {
    OpenedPdf pdf(fileWithObjectStream("/N 3 /First 15", kThree));
    CPdfObjectStream view(&pdf.xref(), CPdfObjectStreamData(&pdf.xref(), 5));
    EXPECT_EQ(3, view.getCount());
    std::string bytes;
    EXPECT_FALSE(pdf.xref().getCompressedMemberBytes(5, 2, 11, bytes));  // index 2 holds 12
    EXPECT_EQ("(bb) null null null",
              describe(view.getObject(1, 11)) + " " + describe(view.getObject(1, 12)) + " " +
                  describe(view.getObject(3, 12)) + " " + describe(view.getObject(-1, 10)));
    XRefStreamFile file;
    file.plain(1, "<< /Type /Catalog >>");
    file.plain(5, "<< /Type /ObjStm /N 1 /First 4 >>");
    file.member(10, 5, 0);
    OpenedPdf notStream(file.finish());
    EXPECT_EQ("object 10 0 cannot be read: object stream 5 does not hold it", notStream.fetch(10));
    EXPECT_EQ(0, CPdfObjectStreamData(&notStream.xref(), 5).getCount());
}

TEST(CPdfObjectStream, ManyObjectStreamsInTurnGiveTheSameMembers) {
    // More object streams than the cache holds, fetched round-robin and back again.
    XRefStreamFile file;
    file.plain(1, "<< /Type /Catalog >>");
    for (int s = 0; s < 12; s++)
        file.objectStream(10 + s, {{100 + 10 * s, formatText("(s%d-a)", s)},
                                   {101 + 10 * s, formatText("%d", s)}});
    OpenedPdf pdf(file.finish());
    for (int round = 0; round < 3; round++) {
        for (int s = 0; s < 12; s++) {
            std::string bytes;
            EXPECT_TRUE(pdf.xref().getCompressedMemberBytes(10 + s, 1, 101 + 10 * s, bytes));
            EXPECT_EQ(formatText("(s%d-a) %d %d ", s, s, s),
                      pdf.fetch(100 + 10 * s) + " " + pdf.fetch(101 + 10 * s) + " " + bytes);
        }
    }
}

// A stream may inflate to far more than its members: padding after the last member is not
// decoded, padding between members is, within the budget the document has left.
TEST(CPdfObjectStream, DecodingStopsAtTheMembersAndWithinTheBudget) {
    const size_t padding = size_t{8} << 20;
    OpenedPdf after(fileWithObjectStream("/N 3 /First 15", kThree + std::string(padding, ' ')));
    EXPECT_LT(CPdfObjectStreamData(&after.xref(), 5).getDecodedSize(), padding / 2);
    std::string bytes;
    ASSERT_TRUE(after.xref().getCompressedMemberBytes(5, 2, 12, bytes));
    EXPECT_EQ("(ccc)\n" + std::string(255, ' '), bytes);
    std::string table = "10 0 11 4 12 " + std::to_string(9 + padding) + " ";
    std::string between = table + "(a) (bb)" + std::string(padding, ' ') + " (ccc)";
    OpenedPdf inside(fileWithObjectStream("/N 3 /First " + std::to_string(table.size()), between));
    EXPECT_EQ("(ccc)", inside.fetch(12));
    EXPECT_THROW(CPdfObjectStreamData(&inside.xref(), 5, padding / 2), CPdfException);
}
