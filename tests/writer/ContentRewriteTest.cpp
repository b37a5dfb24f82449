// Tests of the content stream rewrite: renaming, compression, the new stream object, listing.
#include "writer/ContentRewrite.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include "pdf/CPdfException.h"
#include "pdf/ObjectText.h"
#include "support/FilterEncode.h"
#include "writer/WriterTestSupport.h"

namespace {

const RenameTable kRenames = {{"F1", "F1a"}, {"Im1", "X9"}};
const std::string kContent = "BT /F1 12 Tf (caf\xFF) Tj ET /Im1 Do";
const std::string kRenamed = "BT /F1a 12 Tf (caf\xFF) Tj ET /X9 Do";

// Catalog 1, pages root 2, page 3 whose /Contents is contents, then the extra objects.
TestPdf pageWithContents(const std::string& contents) {
    TestPdf pdf;
    pdf.addObject(1, "<< /Type /Catalog /Pages 2 0 R >>");
    pdf.addObject(2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
    pdf.addObject(3, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] " + contents + " >>");
    pdf.setTrailerExtra("/Root 1 0 R");
    return pdf;
}

// The finished output read back through its own table: an object's raw text and stream data.
struct Back {
    explicit Back(const std::string& pdf) : setup(pdf) {}
    std::string text(int num) {
        std::string result;
        EXPECT_TRUE(getObjectText(setup.doc.getFile(), num, setup.doc, result));
        return result;
    }
    std::string data(int num) {
        std::string result;
        EXPECT_TRUE(readStreamData(*setup.ctx, num, result));
        return result;
    }
    WriterSetup setup;
};

}  // namespace

TEST(ContentRewrite, RenamesWholeNameTokensOnly) {
    const std::pair<std::string, std::string> cases[] = {
        {"/F1 12 Tf", "/F1a 12 Tf"},
        {"/F1", "/F1a"},
        {"/F1(x)Tj", "/F1a(x)Tj"},
        {"/F1[1]", "/F1a[1]"},
        {"/F1/Im1 Do", "/F1a/X9 Do"},
        {"/F1\r\n", "/F1a\r\n"},
        {"/F#31 1 Tf", "/F1a 1 Tf"},
        {"/F12 1 Tf /F /F1x", "/F12 1 Tf /F /F1x"},
        {"(/F1 ) Tj /F1 1 Tf", "(/F1 ) Tj /F1a 1 Tf"},
        {"(a\\) /F1 ) Tj", "(a\\) /F1 ) Tj"},
        {"((nested) /F1 ) Tj", "((nested) /F1 ) Tj"},
        {"<2F463120> Tj /F1 1 Tf", "<2F463120> Tj /F1a 1 Tf"},
        {"% /F1 in a comment\n/F1 1 Tf", "% /F1 in a comment\n/F1a 1 Tf"},
        {"<< /F1 1 >> BDC", "<< /F1a 1 >> BDC"},
        {"BI /W 2 /H 1 /CS /Im1 ID \x01/F1 \xFF EI /F1 1 Tf",
         "BI /W 2 /H 1 /CS /X9 ID \x01/F1 \xFF EI /F1a 1 Tf"},
        {"BI /W 1 /H 1 ID /F1 EIx /F1 EI\n/F1 1 Tf", "BI /W 1 /H 1 ID /F1 EIx /F1 EI\n/F1a 1 Tf"},
        {std::string("/F1 \0 /Im1", 10), std::string("/F1a \0 /X9", 10)},
        {"BI /W 0 /H 0 ID\nEI /F1 1 Tf", "BI /W 0 /H 0 ID\nEI /F1a 1 Tf"},
        {"(unterminated /F1", "(unterminated /F1"},
    };
    for (const auto& [content, expected] : cases)
        EXPECT_EQ(renameResourceNames(content, kRenames), expected) << content;
    // Renames are not chained.
    EXPECT_EQ(renameResourceNames("/A /B", {{"A", "B"}, {"B", "C"}}), "/B /C");
}

TEST(ContentRewrite, DeflateRoundTripsShortAndIncompressibleData) {
    std::string noise;
    for (unsigned i = 0, state = 12345; i < 5000; i++) {
        state = state * 1103515245u + 12345u;
        noise += static_cast<char>(state >> 24);
    }
    for (const std::string& data : {std::string(), std::string("\xFF\xFF\x00", 3), noise}) {
        std::string compressed;
        ASSERT_TRUE(deflateBuffer(data, compressed));
        std::string back(data.size() + 1, '\0');
        uLongf length = static_cast<uLongf>(back.size());
        ASSERT_EQ(uncompress(reinterpret_cast<Bytef*>(&back[0]), &length,
                             reinterpret_cast<const Bytef*>(compressed.data()),
                             static_cast<uLong>(compressed.size())),
                  Z_OK);
        EXPECT_EQ(back.substr(0, length), data);
    }
}

TEST(ContentRewrite, UncompressedStreamWithDirectLength) {
    TestPdf pdf = pageWithContents("/Contents 4 0 R");
    pdf.addStream(4, "<< >>", kContent);
    WriterSetup s(pdf.build());
    int next = s.ctx->nextObjectNumber();
    EXPECT_EQ(collectContents(*s.ctx, 3, &kRenames), formatText(" %d 0 R ", next));
    EXPECT_FALSE(s.offsets.isWritten(4));
    copyInputObjects(*s.ctx, {}, nullptr);
    Back back(s.finishPdf());
    EXPECT_EQ(back.text(next),
              formatText("%d 0 obj\n<<  /Length %zu>>\nstream\n", next, kRenamed.size()) +
                  kRenamed + "\nendstream\nendobj\n");
    // The original, which other pages may share, keeps its names.
    EXPECT_EQ(back.data(4), kContent);
}

TEST(ContentRewrite, CompressedStreamWithIndirectLength) {
    TestPdf pdf = pageWithContents("/Contents 4 0 R");
    std::string compressed = deflateBytes(kContent);
    pdf.addObject(
        4, "<< /Length 5 0 R /Filter /FlateDecode >>\nstream\n" + compressed + "\nendstream");
    pdf.addObject(5, formatText("%zu", compressed.size()));
    WriterSetup s(pdf.build());
    int copy = s.ctx->nextObjectNumber();
    EXPECT_EQ(collectContents(*s.ctx, 3, &kRenames), formatText(" %d 0 R ", copy));
    copyInputObjects(*s.ctx, {}, nullptr);
    Back back(s.finishPdf());
    std::string text = back.text(copy);
    std::string newData;
    ASSERT_TRUE(deflateBuffer(kRenamed, newData));
    EXPECT_EQ(text.substr(0, text.find(">>") + 2),
              formatText("%d 0 obj\n<< /Length %zu/Filter /FlateDecode >>", copy, newData.size()));
    EXPECT_EQ(back.data(copy), kRenamed);
    EXPECT_EQ(back.data(4), kContent);
}

TEST(ContentRewrite, OtherFilterEntriesGiveWayToPlainFlate) {
    TestPdf pdf = pageWithContents("/Contents 4 0 R");
    pdf.addStream(4, "<< /Filter [/A85 /Fl] /DP [null << /Predictor 1 >>] /DL 99 /Extra (keep) >>",
                  encodeWithFilters(kContent, "[/A85 /Fl]"));
    WriterSetup s(pdf.build());
    int copy = s.ctx->nextObjectNumber();
    collectContents(*s.ctx, 3, &kRenames);
    Back back(s.finishPdf());
    std::string dict = back.text(copy);
    dict = dict.substr(0, dict.find("stream"));
    for (const char* gone : {"/A85", "/DP", "/DL"})
        EXPECT_EQ(dict.find(gone), std::string::npos) << dict;
    EXPECT_NE(dict.find("/Extra (keep)"), std::string::npos) << dict;
    EXPECT_NE(dict.find("/Filter /FlateDecode"), std::string::npos) << dict;
    EXPECT_EQ(back.data(copy), kRenamed);
}

TEST(ContentRewrite, EveryArrayElementIsListedAndRewritten) {
    TestPdf pdf = pageWithContents("/Contents 6 0 R");
    pdf.addStream(4, "<< >>", "/F1 1 Tf");
    pdf.addStream(5, "<< >>", "/Im1 Do", 2);
    pdf.addObject(6, "[4 0 R 5 2 R]");
    WriterSetup s(pdf.build());
    EXPECT_EQ(collectContents(*s.ctx, 3, nullptr), " 4 0 R  5 2 R ");
    RenameTable none;
    EXPECT_EQ(collectContents(*s.ctx, 3, &none), " 4 0 R  5 2 R ");
    int first = s.ctx->nextObjectNumber();
    EXPECT_EQ(collectContents(*s.ctx, 3, &kRenames),
              formatText(" %d 0 R  %d 0 R ", first, first + 1));
    Back back(s.finishPdf());
    EXPECT_EQ(back.data(first), "/F1a 1 Tf");
    EXPECT_EQ(back.data(first + 1), "/X9 Do");
}

TEST(ContentRewrite, StreamsThatCannotBeRewritten) {
    WriterSetup none(pageWithContents("").build());
    EXPECT_EQ(collectContents(*none.ctx, 3, &kRenames), "");
    // An unsupported filter is listed but not rewritten.
    TestPdf pdf = pageWithContents("/Contents [4 0 R 5 0 R]");
    pdf.addStream(4, "<< /Filter /JBIG2Decode >>", "\x80\x0B\x60");
    pdf.addStream(5, "<< >>", "/F1 1 Tf");
    WriterSetup s(pdf.build());
    int next = s.ctx->nextObjectNumber();
    EXPECT_EQ(collectContents(*s.ctx, 3, &kRenames), formatText(" 4 0 R  %d 0 R ", next));
    EXPECT_EQ(s.offsets.size(), next + 1);
    TestPdf single = pageWithContents("/Contents 4 0 R");
    single.addStream(4, "<< /Filter /JBIG2Decode >>", "\x80\x0B\x60");
    WriterSetup t(single.build());
    EXPECT_EQ(collectContents(*t.ctx, 3, &kRenames), " 4 0 R ");
    EXPECT_EQ(t.out.position(), 0);
    // Other reader failures pass on.
    TestPdf shortStream = pageWithContents("/Contents 4 0 R");
    shortStream.addObject(4, "<< /Length 10 >>\nstream\nshort");
    WriterSetup u(shortStream.build());
    EXPECT_THROW(collectContents(*u.ctx, 3, &kRenames), CPdfException);
}
