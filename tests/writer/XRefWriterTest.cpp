// Tests of the output header copy, the cross-reference table and the trailer bytes.
#include "writer/XRefWriter.h"

#include <gtest/gtest.h>

#include "pdf/CPdfException.h"
#include "writer/ObjectCopy.h"
#include "writer/WriterTestSupport.h"

namespace {

// An output alone, with no input behind it, for the table and trailer.
class TableSetup {
  public:
    TableSetup() { out.create(dir.file("out.pdf")); }
    std::string finish() {
        out.finish();
        return readFileBytes(dir.file("out.pdf"));
    }
    TempDir dir;
    CPdfDocument doc;
    OutputFile out;
    OffsetTable offsets;
    WriteContext ctx{doc, nullptr, out, offsets};
};

}  // namespace

TEST(XRefWriter, TableOfThreeEntries) {
    TableSetup s;
    s.offsets.reset(3);
    s.out.write(std::string(200, ' '));
    s.offsets.record(1, 0, 15);
    EXPECT_EQ(writeXRefTable(s.ctx), 200);
    EXPECT_EQ(s.finish().substr(200),
              "xref\n0 3\r"
              "0000000000 65535 f \r"
              "0000000015 00000 n \r"
              "0000000000 00000 f \r");
}

TEST(XRefWriter, LastWriteWins) {
    TableSetup s;
    s.offsets.reset(8);
    s.offsets.record(7, 0, 100);
    s.offsets.record(7, 0, 300);
    writeXRefTable(s.ctx);
    std::string table = s.finish();
    EXPECT_EQ(table.substr(table.size() - 20), "0000000300 00000 n \r");
}

TEST(XRefWriter, EntriesCarryTheirGeneration) {
    TableSetup s;
    s.offsets.reset(2);
    s.offsets.record(1, 3, 42);
    EXPECT_EQ(s.offsets.newObject(77), 2);
    writeXRefTable(s.ctx);
    EXPECT_EQ(s.finish(),
              "xref\n0 3\r0000000000 65535 f \r0000000042 00003 n \r0000000077 00000 n \r");
}

TEST(XRefWriter, TenDigitOffsetsAreWrittenExactly) {
    TableSetup s;
    s.offsets.reset(2);
    s.offsets.record(1, 0, 9999999999LL);
    writeXRefTable(s.ctx);
    std::string table = s.finish();
    EXPECT_EQ(table.substr(table.size() - 20), "9999999999 00000 n \r");
}

TEST(XRefWriter, OffsetBeyondTenDigitsIsRefused) {
    TableSetup s;
    s.offsets.reset(2);
    s.offsets.record(1, 0, 10000000000LL);
    try {
        writeXRefTable(s.ctx);
        FAIL() << "no exception";
    } catch (const CPdfException& e) {
        EXPECT_EQ(e.getMessage(),
                  "\nOutput file too large: object 1 lies beyond the 10-digit offset limit\n");
    }
}

TEST(XRefWriter, GenerationBeyondFiveDigitsIsRefused) {
    TableSetup s;
    s.offsets.reset(2);
    s.offsets.record(1, 70000, 10);
    EXPECT_THROW(writeXRefTable(s.ctx), CPdfException);
}

TEST(XRefWriter, TrailerWithAndWithoutInfo) {
    TableSetup s;
    s.offsets.reset(5);
    s.offsets.record(1, 0, 10);
    s.offsets.record(4, 0, 20);
    writeTrailer(s.ctx, 1234, 1, 4);
    writeTrailer(s.ctx, 99, 1, 0);
    EXPECT_EQ(s.finish(),
              "trailer\n<<\n/Size 5\n/Root 1 0 R\n/Info 4 0 R\n>>\nstartxref\n1234\n%%EOF"
              "trailer\n<<\n/Size 5\n/Root 1 0 R\n>>\nstartxref\n99\n%%EOF");
}

TEST(XRefWriter, TrailerNamesTheWrittenGeneration) {
    TableSetup s;
    s.offsets.reset(3);
    s.offsets.record(1, 2, 10);
    writeTrailer(s.ctx, 5, 1, 0);
    EXPECT_NE(s.finish().find("/Root 1 2 R\n"), std::string::npos);
}

TEST(XRefWriter, HeaderWithHighByteCommentIsCopied) {
    TestPdf pdf;
    std::string header = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n";
    pdf.setHeader(header);
    pdf.addObject(1, "<< /Type /Catalog /Pages 2 0 R >>");
    pdf.addObject(2, "<< /Type /Pages /Kids [] /Count 0 >>");
    pdf.setTrailerExtra("/Root 1 0 R");
    WriterSetup s(pdf.build());
    writeHeader(*s.ctx);
    EXPECT_EQ(s.finish(), header);
}

TEST(XRefWriter, HeaderEndsAtTheLowestObjectOffset) {
    // Object 2 is stored before object 1; the header ends where object 2 starts.
    std::string header = "%PDF-1.5\n%\x80\x81\x82\x83\n% more comment\n";
    std::string body2 = "2 0 obj\n<< /Type /Pages /Kids [] /Count 0 >>\nendobj\n";
    std::string body1 = "1 0 obj\n<< /Type /Catalog /Pages 2 0 R >>\nendobj\n";
    std::string file = header + body2 + body1;
    size_t xref = file.size();
    file += formatText("xref\n0 3\n0000000000 65535 f \n%010zu 00000 n \n%010zu 00000 n \n",
                       header.size() + body2.size(), header.size());
    file += formatText("trailer\n<< /Size 3 /Root 1 0 R >>\nstartxref\n%zu\n%%%%EOF\n", xref);
    WriterSetup s(file);
    writeHeader(*s.ctx);
    EXPECT_EQ(s.finish(), header);
}

TEST(XRefWriter, JunkBeforeTheHeaderIsLeftOut) {
    TestPdf pdf;
    pdf.setPrefix("garbage bytes before the header\n");
    pdf.addObject(1, "<< /Type /Catalog /Pages 2 0 R >>");
    pdf.addObject(2, "<< /Type /Pages /Kids [] /Count 0 >>");
    pdf.setTrailerExtra("/Root 1 0 R");
    WriterSetup s(pdf.build());
    writeHeader(*s.ctx);
    EXPECT_EQ(s.finish(), "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n");
}

TEST(XRefWriter, HeaderWithoutAnyStoredObject) {
    std::string file = "%PDF-1.7\n";
    size_t xref = file.size();
    file += "xref\n0 1\n0000000000 65535 f \ntrailer\n<< /Size 1 /Root 1 0 R >>\n";
    file += formatText("startxref\n%zu\n%%%%EOF\n", xref);
    WriterSetup s(file);
    writeHeader(*s.ctx);
    EXPECT_EQ(s.finish(), "%PDF-1.7\n%\xE2\xE3\xCF\xD3\n");
}

TEST(XRefWriter, StartXRefNamesTheTableAndTheFileEndsWithTheMarker) {
    WriterSetup s(makeNumberedPdf(2));
    writeHeader(*s.ctx);
    copyInputObjects(*s.ctx, {}, nullptr);
    std::string out = s.finishPdf();
    size_t marker = out.rfind("startxref\n");
    ASSERT_NE(marker, std::string::npos);
    long start = std::atol(out.c_str() + marker + 10);
    EXPECT_EQ(out.compare(static_cast<size_t>(start), 5, "xref\n"), 0);
    EXPECT_EQ(out.substr(out.size() - 6), "\n%%EOF");
}
