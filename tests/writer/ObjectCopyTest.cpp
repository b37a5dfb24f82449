// Tests of the verbatim copy pass and of reading decoded stream data.
#include "writer/ObjectCopy.h"

#include <gtest/gtest.h>

#include "pdf/CPdfException.h"
#include "pdf/ObjectText.h"
#include "writer/WriterTestSupport.h"

namespace {

// A document whose catalog, pages and font sit in an object stream (numbered 9).
std::string compressedPdf() {
    TestPdf pdf;
    pdf.addCompressed(1, "<< /Type /Catalog /Pages 2 0 R >>");
    pdf.addCompressed(2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
    pdf.addCompressed(3, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] /Contents 4 0 R >>");
    pdf.addStream(4, "<< >>", "0 0 m 10 10 l S");
    pdf.setTrailerExtra("/Root 1 0 R");
    return pdf.buildWithXRefStream(9);
}

}  // namespace

TEST(ObjectCopy, MembersOfObjectStreamsBecomePlainObjects) {
    WriterSetup s(compressedPdf());
    writeHeader(*s.ctx);
    copyInputObjects(*s.ctx, {}, nullptr);
    std::string out = s.finishPdf();
    EXPECT_NE(out.find("1 0 obj\r<< /Type /Catalog /Pages 2 0 R >>  endobj\r"), std::string::npos);
    EXPECT_EQ(out.find("/ObjStm"), std::string::npos);
    EXPECT_FALSE(s.offsets.isWritten(9));

    // The copy reads back through its own classic table.
    WriterSetup back(out);
    CPdfObject page = back.doc.getXRef()->fetchObject(3, 0);
    ASSERT_TRUE(page.isDict());
    EXPECT_TRUE(page.getDict()->lookup("Contents").isStream());
}

TEST(ObjectCopy, PageObjectsAreLeftForLater) {
    WriterSetup s(makeNumberedPdf(3));
    int pagesMet = 0;
    std::vector<bool> isPage(static_cast<size_t>(s.doc.getXRef()->getNumObjects()), false);
    CPdfObject kids = s.doc.getXRef()->fetchObject(2, 0).getDict()->lookup("Kids");
    for (int i = 0; i < kids.getArray()->getLength(); i++) {
        isPage[static_cast<size_t>(kids.getArray()->getRaw(i).getRefNum())] = true;
    }
    copyInputObjects(*s.ctx, isPage, [&pagesMet]() { pagesMet++; });
    EXPECT_EQ(pagesMet, 3);
    for (int num = 1; num < s.offsets.size(); num++) {
        EXPECT_EQ(s.offsets.isWritten(num), !isPage[static_cast<size_t>(num)]) << num;
    }
}

TEST(ObjectCopy, CopiesAreByteForByteWithTheirGeneration) {
    TestPdf pdf;
    pdf.addObject(1, "<< /Type /Catalog /Pages 2 0 R >>");
    pdf.addObject(2, "<< /Type /Pages /Kids [] /Count 0 >>");
    pdf.addObject(3, "(a string with \xFF bytes)", 2);
    pdf.setTrailerExtra("/Root 1 0 R");
    WriterSetup s(pdf.build());
    std::string raw;
    ASSERT_TRUE(getObjectText(s.doc.getFile(), 3, s.doc, raw));
    copyInputObjects(*s.ctx, {}, nullptr);
    std::string out = s.finishPdf();
    EXPECT_EQ(out.compare(static_cast<size_t>(s.offsets.at(3).offset), raw.size(), raw), 0);
    EXPECT_EQ(s.offsets.at(3).gen, 2);
    EXPECT_NE(
        out.find(formatText("%010lld 00002 n \r", static_cast<long long>(s.offsets.at(3).offset))),
        std::string::npos);
}

TEST(ObjectCopy, StreamDataSayingObjStmIsStillCopied) {
    TestPdf pdf;
    pdf.addObject(1, "<< /Type /Catalog /Pages 2 0 R >>");
    pdf.addObject(2, "<< /Type /Pages /Kids [] /Count 0 >>");
    pdf.addStream(3, "<< /Subtype /XML >>", "<x>/Type /ObjStm</x>");
    pdf.setTrailerExtra("/Root 1 0 R");
    WriterSetup s(pdf.build());
    copyInputObjects(*s.ctx, {}, nullptr);
    EXPECT_TRUE(s.offsets.isWritten(3));
}

TEST(ObjectCopy, WrittenEntriesAreNotCopiedAgain) {
    WriterSetup s(makeNumberedPdf(1));
    s.offsets.record(2, 0, 0);
    int64_t before = s.out.position();
    s.out.write("x");
    copyInputObjects(*s.ctx, {}, nullptr);
    EXPECT_EQ(s.offsets.at(2).offset, 0);
    EXPECT_GT(s.out.position(), before + 1);
}

TEST(ObjectCopy, ReadStreamDataKeepsEveryByte) {
    std::string data = std::string("q \xFF\xFF Q\n") + std::string(1, '\0') + "\xFF";
    TestPdf pdf;
    pdf.addObject(1, "<< /Type /Catalog /Pages 2 0 R >>");
    pdf.addObject(2, "<< /Type /Pages /Kids [] /Count 0 >>");
    pdf.addStream(3, "<< >>", data);
    pdf.addStream(4, "<< /Filter /FlateDecode >>", deflateBytes(data + data));
    pdf.addObject(5, "[3 0 R 4 0 R]");
    pdf.addObject(6, "42");
    pdf.setTrailerExtra("/Root 1 0 R");
    WriterSetup s(pdf.build());
    std::string got;
    ASSERT_TRUE(readStreamData(*s.ctx, 3, got));
    EXPECT_EQ(got, data);
    ASSERT_TRUE(readStreamData(*s.ctx, 4, got));
    EXPECT_EQ(got, data + data);
    ASSERT_TRUE(readStreamData(*s.ctx, 5, got));
    EXPECT_EQ(got, data + data + data);
    EXPECT_FALSE(readStreamData(*s.ctx, 6, got));
    EXPECT_FALSE(readStreamData(*s.ctx, 99, got));
}
