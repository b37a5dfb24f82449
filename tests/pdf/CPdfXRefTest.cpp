// Tests for fetching objects through the cross-reference data: generations, ranges, damage and
// fetches that would recurse.
#include "pdf/CPdfXRef.h"

#include <gtest/gtest.h>

#include "pdf/CPdfDocument.h"
#include "pdf/CPdfException.h"
#include "pdf/DocumentTestSupport.h"
#include "pdf/FormatText.h"
#include "pdf/PdfTestSupport.h"
#include "support/TestPdf.h"

TEST(CPdfXRef, FetchGenerationAndRangeChecks) {
    TestPdf pdf = basePdf();
    pdf.addObject(3, "(gen-two)", 2);
    OpenedPdf opened(pdf.build());
    EXPECT_EQ("(gen-two)", fetchOutcome(opened, 3, 2));
    EXPECT_EQ("null", fetchOutcome(opened, 3, 0));
    EXPECT_EQ(2, opened.xref().getOutputGen(3));
    for (int bad : {8, -1, 1 << 30}) {
        try {
            opened.xref().fetchObject(bad, 0);
            FAIL() << bad;
        } catch (const CPdfException& e) {
            EXPECT_EQ("Corrupted PDF file", e.getMessage());
        }
    }
}

TEST(CPdfXRef, DamagedOffsetsAreRefused) {
    TestPdf pdf = basePdf();
    pdf.addObject(6, "(six)");
    std::string bytes = pdf.build();
    // Point object 5 at a huge offset, object 7 at a negative one, object 2 at object 1, and
    // object 6 at offset 0, which some writers use for unused numbers.
    auto repoint = [&](int num, const std::string& entry) {
        std::string old = formatText("%010ld 00000 n", pdf.offsetOf(num));
        size_t at = bytes.find(old);
        ASSERT_NE(std::string::npos, at);
        bytes.replace(at, old.size(), entry);
    };
    repoint(5, "9999999999 00000 n");
    repoint(7, "-000000100 00000 n");
    repoint(2, formatText("%010ld 00000 n", pdf.offsetOf(1)));
    repoint(6, "0000000000 00000 n");
    OpenedPdf opened(bytes);
    EXPECT_EQ("object 5 0 cannot be read: its offset 9999999999 lies outside the file",
              fetchOutcome(opened, 5));
    EXPECT_EQ("object 7 0 cannot be read: its offset -100 lies outside the file",
              fetchOutcome(opened, 7));
    EXPECT_EQ(formatText("object 2 0 cannot be read: its offset %ld does not point at \"2 0 obj\"",
                         pdf.offsetOf(1)),
              fetchOutcome(opened, 2));
    EXPECT_EQ("null", fetchOutcome(opened, 6));
}

TEST(CPdfXRef, SelfReferentialLengthDoesNotRecurse) {
    TestPdf pdf = basePdf();
    pdf.addObject(3, "<< /Length 3 0 R >>\nstream\nabc\nendstream");
    // 4 and 6 name each other as their length.
    pdf.addObject(4, "<< /Length 6 0 R >>\nstream\nabc\nendstream");
    pdf.addObject(6, "<< /Length 4 0 R >>\nstream\nabc\nendstream");
    OpenedPdf opened(pdf.build());
    EXPECT_EQ("error", fetchOutcome(opened, 3));
    EXPECT_EQ("error", fetchOutcome(opened, 4));
    EXPECT_EQ("error", fetchOutcome(opened, 6));
}

TEST(CPdfXRef, ObjectStreamListingItselfIsRefused) {
    PdfAssembler file;
    long one = file.addObject(1, "<< /Type /Catalog >>");
    // Object 3 is an object stream that the xref says is compressed inside itself.
    std::string rows =
        row(0, 0, 65535) + row(1, one, 0) + row(0, 0, 0) + row(2, 3, 0) + row(2, 3, 1);
    long stm = file.addXRefStream(5, "/Size 6 /W [1 4 2] /Root 1 0 R /Index [0 5]", rows);
    OpenedPdf opened(file.finish(stm));
    EXPECT_EQ("object 3 0 cannot be read: object stream 3 does not hold it",
              fetchOutcome(opened, 3));
    EXPECT_EQ("object 4 0 cannot be read: object stream 3 does not hold it",
              fetchOutcome(opened, 4));
}

TEST(CPdfXRef, ChainOfIndirectLengthsIsCutOff) {
    // Each stream's length is the next stream's object; a deep chain must end, not overflow.
    TestPdf pdf = basePdf();
    const int count = 3000;
    for (int i = 0; i < count; i++) {
        int num = 10 + i;
        pdf.addObject(num, formatText("<< /Length %d 0 R >>\nstream\nabc\nendstream", num + 1));
    }
    pdf.addObject(10 + count, "3");
    OpenedPdf opened(pdf.build());
    EXPECT_FALSE(opened.xref().fetchObject(10, 0).isStream());
    EXPECT_TRUE(opened.xref().fetchObject(10 + count - 1, 0).isStream());
}
