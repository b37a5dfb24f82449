// Tests for object streams: parsed members, raw member bytes, bad offset tables and caching.
#include "pdf/CPdfObjectStream.h"

#include <gtest/gtest.h>

#include "pdf/CPdfXRef.h"
#include "pdf/DocumentTestSupport.h"
#include "pdf/FormatText.h"
#include "pdf/PdfTestSupport.h"

namespace {

// Catalog 1 and object stream 5 with the given dictionary entries and data; members 10 to 12
// are listed as its indexes 0 to 2.
std::string fileWithObjectStream(const std::string& dictEntries, const std::string& data,
                                 const std::string& extraObject = "") {
    XRefStreamFile file;
    file.plain(1, "<< /Type /Catalog >>");
    if (!extraObject.empty()) file.plain(20, extraObject);
    file.stream(5, "/Type /ObjStm " + dictEntries, data);
    for (int i = 0; i < 3; i++) file.member(10 + i, 5, i);
    return file.finish();
}

// The member's description, or "unreadable" when object stream 5 does not hold it.
std::string fetched(OpenedPdf& pdf, int num) {
    try {
        return describe(pdf.xref().fetchObject(num, 0));
    } catch (const CPdfException& e) {
        EXPECT_EQ(formatText("object %d 0 cannot be read: object stream 5 does not hold it", num),
                  e.getMessage());
        return "unreadable";
    }
}

std::string memberBytes(OpenedPdf& pdf, int index, int num) {
    std::string bytes;
    if (!pdf.xref().getCompressedMemberBytes(5, index, num, bytes)) return "<absent>";
    return bytes;
}

const char kThree[] = "10 0 11 4 12 9 (a) (bb) (ccc)\n";

}  // namespace

TEST(CPdfObjectStream, MembersByIndexAndNumber) {
    OpenedPdf pdf(fileWithObjectStream("/N 3 /First 15", kThree));
    EXPECT_EQ("(a)", fetched(pdf, 10));
    EXPECT_EQ("(bb)", fetched(pdf, 11));
    EXPECT_EQ("(ccc)", fetched(pdf, 12));
    CPdfObjectStream view(&pdf.xref(), CPdfObjectStreamData(&pdf.xref(), 5));
    EXPECT_EQ(3, view.getCount());
    EXPECT_EQ("(bb)", describe(view.getObject(1, 11)));
    EXPECT_EQ("null", describe(view.getObject(1, 12)));
    EXPECT_EQ("null", describe(view.getObject(3, 12)));
    EXPECT_EQ("null", describe(view.getObject(-1, 10)));
}

TEST(CPdfObjectStream, RawBytesRunToTheNextMemberOrTheEnd) {
    OpenedPdf pdf(fileWithObjectStream("/N 3 /First 15", kThree));
    EXPECT_EQ("(a) ", memberBytes(pdf, 0, 10));
    EXPECT_EQ("(bb) ", memberBytes(pdf, 1, 11));
    EXPECT_EQ("(ccc)\n", memberBytes(pdf, 2, 12));
    EXPECT_EQ("<absent>", memberBytes(pdf, 2, 11));
}

TEST(CPdfObjectStream, IndirectFirstAndN) {
    OpenedPdf pdf(
        fileWithObjectStream("/N 20 0 R /First 20 0 R", "10 0 11 4 12 9 (a) (bb) (ccc)", "15"));
    // N is 15 as well: the table asks for 15 pairs but holds 3, so the stream is unusable.
    EXPECT_EQ("unreadable", fetched(pdf, 11));
    OpenedPdf first(fileWithObjectStream("/N 3 /First 20 0 R", kThree, "15"));
    EXPECT_EQ("(bb)", fetched(first, 11));
}

TEST(CPdfObjectStream, EmptyViews) {
    struct Case {
        const char* dict;
        std::string data;
    };
    const Case cases[] = {
        {"/N 0 /First 15", kThree},
        {"/N -3 /First 15", kThree},
        {"/First 15", kThree},
        {"/N 3", kThree},
        {"/N 3 /First -1", kThree},
        {"/N 3.0 /First 15", kThree},
        {"/N 3 /First 15", "10 0 11 x 12 9 (a) (bb) (ccc)"},
        {"/N 4 /First 15", kThree},  // a table shorter than N pairs
    };
    for (const Case& c : cases) {
        OpenedPdf pdf(fileWithObjectStream(c.dict, c.data));
        for (int num = 10; num <= 12; num++) EXPECT_EQ("unreadable", fetched(pdf, num)) << c.dict;
        EXPECT_EQ(0, CPdfObjectStreamData(&pdf.xref(), 5).getCount()) << c.dict;
        EXPECT_EQ("<absent>", memberBytes(pdf, 0, 10)) << c.dict;
    }
}

TEST(CPdfObjectStream, NotAStreamIsEmpty) {
    XRefStreamFile file;
    file.plain(1, "<< /Type /Catalog >>");
    file.plain(5, "<< /Type /ObjStm /N 1 /First 4 >>");
    file.member(10, 5, 0);
    file.member(11, 6, 0);  // an object stream number beyond the list
    OpenedPdf pdf(file.finish());
    EXPECT_EQ("unreadable", fetched(pdf, 10));
    EXPECT_EQ("<absent>", memberBytes(pdf, 0, 10));
    EXPECT_EQ(0, CPdfObjectStreamData(&pdf.xref(), 5).getCount());
}

TEST(CPdfObjectStream, BadOffsetsMakeOnlyThatMemberAbsent) {
    // Member 11's offset goes backwards; member 12 starts beyond the data.
    OpenedPdf backwards(fileWithObjectStream("/N 3 /First 15", "10 0 11 8 12 4 (a) (bb) (ccc)"));
    EXPECT_EQ("(a)", fetched(backwards, 10));
    EXPECT_EQ("unreadable", fetched(backwards, 11));
    EXPECT_EQ("<absent>", memberBytes(backwards, 1, 11));
    EXPECT_EQ("(a) (bb)", memberBytes(backwards, 0, 10));
    EXPECT_EQ("(bb) (ccc)", memberBytes(backwards, 2, 12));

    OpenedPdf outside(fileWithObjectStream("/N 3 /First 17", "10 0 11 4 12 900 (a) (bb) (ccc)"));
    EXPECT_EQ("(a)", fetched(outside, 10));
    EXPECT_EQ("(bb)", fetched(outside, 11));
    EXPECT_EQ("unreadable", fetched(outside, 12));
    EXPECT_EQ("<absent>", memberBytes(outside, 2, 12));

    OpenedPdf negative(fileWithObjectStream("/N 3 /First 16", "10 -5 11 4 12 9 (a) (bb) (ccc)"));
    EXPECT_EQ("unreadable", fetched(negative, 10));
    EXPECT_EQ("<absent>", memberBytes(negative, 0, 10));
    EXPECT_EQ("(bb)", fetched(negative, 11));
}

TEST(CPdfObjectStream, CompressedStreamAndStreamLookingMember) {
    std::string data = "10 0 11 4 12 9 (a) (bb) << /Length 3 >>\nstream\nabc\nendstream";
    OpenedPdf pdf(fileWithObjectStream("/N 3 /First 15 /Filter /FlateDecode", deflateBytes(data)));
    EXPECT_EQ("(bb)", fetched(pdf, 11));
    // Streams cannot live in object streams; such a member is an Error, not a crash.
    EXPECT_EQ("error", fetched(pdf, 12));
    EXPECT_EQ("<< /Length 3 >>\nstream\nabc\nendstream", memberBytes(pdf, 2, 12));
}

TEST(CPdfObjectStream, ManyObjectStreamsInTurnGiveTheSameMembers) {
    // More object streams than the cache holds, fetched round-robin and back again.
    XRefStreamFile file;
    file.plain(1, "<< /Type /Catalog >>");
    const int streams = 12;
    for (int s = 0; s < streams; s++) {
        int first = 100 + 10 * s;
        file.objectStream(10 + s,
                          {{first, formatText("(s%d-a)", s)}, {first + 1, formatText("%d", s)}});
    }
    OpenedPdf pdf(file.finish());
    for (int round = 0; round < 3; round++) {
        for (int s = 0; s < streams; s++) {
            int first = 100 + 10 * s;
            EXPECT_EQ(formatText("(s%d-a)", s), fetched(pdf, first));
            EXPECT_EQ(formatText("%d", s), fetched(pdf, first + 1));
            std::string bytes;
            EXPECT_TRUE(pdf.xref().getCompressedMemberBytes(10 + s, 1, first + 1, bytes));
            EXPECT_EQ(formatText("%d ", s), bytes);
        }
    }
}

// A stream may inflate to far more than its members: padding after the last member is not
// decoded, padding between members is, within the budget the document has left.
TEST(CPdfObjectStream, DecodingStopsAtTheMembersAndWithinTheBudget) {
    const size_t padding = size_t{8} << 20;
    OpenedPdf after(fileWithObjectStream("/N 3 /First 15", kThree + std::string(padding, ' ')));
    CPdfObjectStreamData afterView(&after.xref(), 5);
    EXPECT_LT(afterView.getDecodedSize(), padding / 2);
    EXPECT_EQ("(ccc)\n" + std::string(255, ' '), memberBytes(after, 2, 12));

    std::string table = "10 0 11 4 12 " + std::to_string(9 + padding) + " ";
    std::string between = table + "(a) (bb)" + std::string(padding, ' ') + " (ccc)";
    OpenedPdf inside(fileWithObjectStream("/N 3 /First " + std::to_string(table.size()), between));
    EXPECT_EQ("(ccc)", fetched(inside, 12));
    EXPECT_THROW(CPdfObjectStreamData(&inside.xref(), 5, padding / 2), CPdfException);
}
