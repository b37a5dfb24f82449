// The content stream rewrite: renaming, compression, the new stream object, listing.
#include "writer/ContentRewrite.h"

#include <gtest/gtest.h>

#include <iterator>

#include "pdf/ObjectText.h"
#include "support/FilterEncode.h"
#include "writer/WriterTestSupport.h"

namespace {

const RenameTable kRenames = {{"F1", "F1a"}, {"Im1", "X9"}};
const std::string kContent = "BT /F1 12 Tf (caf\xFF) Tj ET /Im1 Do";
const std::string kRenamed = "BT /F1a 12 Tf (caf\xFF) Tj ET /X9 Do";

// Page 3 with the /Contents entry given.
TestPdf pageWith(const std::string& contents) {
    return catalogPdf("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] " + contents + " >>");
}

}  // namespace

TEST(ContentRewrite, RenamesWholeNameTokensOnly) {
    // Each content, then the content renamed.
    const char* cases[] = {
        "/F1 12 Tf", "/F1a 12 Tf", "/F1", "/F1a", "/F1(x)Tj", "/F1a(x)Tj", "/F1[1]", "/F1a[1]",
        "/F1/Im1 Do", "/F1a/X9 Do", "/F1\r\nET", "/F1a\r\nET", "/F#31 1 Tf", "/F1a 1 Tf",
        "/F12 1 Tf /F /F1x", "/F12 1 Tf /F /F1x",
        // Strings, comments and inline image data hold no names.
        "(/F1 ) Tj /F1 1 Tf", "(/F1 ) Tj /F1a 1 Tf", "(a\\) /F1 ) Tj", "(a\\) /F1 ) Tj",
        "((nested) /F1 ) Tj", "((nested) /F1 ) Tj", "<2F463120> Tj /F1 1 Tf",
        "<2F463120> Tj /F1a 1 Tf", "% /F1 in a comment\n/F1 1 Tf", "% /F1 in a comment\n/F1a 1 Tf",
        "<< /F1 1 >> BDC", "<< /F1a 1 >> BDC", "BI /W 2 /H 1 /CS /Im1 ID \x01/F1 \xFF EI /F1 1 Tf",
        "BI /W 2 /H 1 /CS /X9 ID \x01/F1 \xFF EI /F1a 1 Tf",
        "BI /W 1 /H 1 ID /F1 EIx /F1 EI\n/F1 1 Tf", "BI /W 1 /H 1 ID /F1 EIx /F1 EI\n/F1a 1 Tf",
        "BI /W 0 /H 0 ID\nEI /F1 1 Tf", "BI /W 0 /H 0 ID\nEI /F1a 1 Tf", "(unterminated /F1",
        "(unterminated /F1"};
    for (size_t i = 0; i < std::size(cases); i += 2)
        EXPECT_EQ(renameResourceNames(cases[i], kRenames), cases[i + 1]) << cases[i];
    EXPECT_EQ(renameResourceNames(std::string("/F1 \0 /Im1", 10), kRenames),
              std::string("/F1a \0 /X9", 10));
    // Renames are not chained.
    EXPECT_EQ(renameResourceNames("/A /B", {{"A", "B"}, {"B", "C"}}), "/B /C");
}

// A renamed stream is a new object in plain Flate, other filter entries gone; the original, which
// other pages may share, keeps its names.
TEST(ContentRewrite, RenamedCopyIsANewFlateStream) {
    TestPdf pdf = pageWith("/Contents 4 0 R");
    pdf.addStream(4, "<< /Filter [/A85 /Fl] /DP [null << /Predictor 1 >>] /DL 99 /Extra (keep) >>",
                  encodeWithFilters(kContent, "[/A85 /Fl]"));
    WriterSetup s(pdf.build());
    int copy = s.ctx->nextObjectNumber();
    EXPECT_EQ(collectContents(*s.ctx, 3, &kRenames), formatText(" %d 0 R ", copy));
    EXPECT_FALSE(s.offsets.isWritten(4));
    copyInputObjects(*s.ctx, {}, nullptr);
    WriterSetup back(s.finishPdf());
    std::string text, data, original, newFlate;
    ASSERT_TRUE(deflateBuffer(kRenamed, newFlate));
    ASSERT_TRUE(getObjectText(back.doc.getFile(), copy, back.doc, text));
    EXPECT_EQ(text.substr(0, text.find(">>") + 2),
              formatText("%d 0 obj\n<< /Extra (keep)  /Length %zu/Filter /FlateDecode >>", copy,
                         newFlate.size()));
    ASSERT_TRUE(readStreamData(*back.ctx, copy, data) && readStreamData(*back.ctx, 4, original));
    EXPECT_EQ(data + "|" + original, kRenamed + "|" + kContent);
}

TEST(ContentRewrite, EveryArrayElementIsListedAndRewritten) {
    TestPdf pdf = pageWith("/Contents 6 0 R");
    pdf.addStream(4, "<< >>", "/F1 1 Tf");
    pdf.addStream(5, "<< >>", "/Im1 Do", 2);
    pdf.addObject(6, "[4 0 R 5 2 R]");
    WriterSetup s(pdf.build());
    EXPECT_EQ(collectContents(*s.ctx, 3, nullptr), " 4 0 R  5 2 R ");
    int first = s.ctx->nextObjectNumber();
    EXPECT_EQ(collectContents(*s.ctx, 3, &kRenames),
              formatText(" %d 0 R  %d 0 R ", first, first + 1));
    WriterSetup back(s.finishPdf());
    std::string data[2];
    ASSERT_TRUE(readStreamData(*back.ctx, first, data[0]) &&
                readStreamData(*back.ctx, first + 1, data[1]));
    EXPECT_EQ(data[0] + "|" + data[1], "/F1a 1 Tf|/X9 Do");
}
