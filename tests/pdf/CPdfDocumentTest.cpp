// Tests for opening and closing documents from paths and from open files.
#include "pdf/CPdfDocument.h"

#include <gtest/gtest.h>

#include "pdf/CPdfException.h"
#include "pdf/DocumentTestSupport.h"
#include "pdf/PdfTestSupport.h"
#include "support/TestPdf.h"

namespace {

std::string openPathMessage(CPdfDocument& doc, const std::string& path) {
    try {
        doc.open(path);
        return "opened";
    } catch (const CPdfException& e) {
        return e.getMessage();
    }
}

}  // namespace

TEST(CPdfDocument, OpenReadAndClose) {
    TempDir dir;
    std::string path = dir.write("a.pdf", makeNumberedPdf(3));
    CPdfDocument doc;
    EXPECT_FALSE(doc.isOpen());
    EXPECT_EQ(nullptr, doc.getXRef());
    ASSERT_EQ("opened", openPathMessage(doc, path));
    EXPECT_TRUE(doc.isOpen());
    EXPECT_NE(nullptr, doc.getFile());
    EXPECT_EQ(0, doc.getHeaderOffset());
    CPdfXRef& xref = *doc.getXRef();
    CPdfObject root = xref.fetchObject(xref.getRootNum(), xref.getRootGen());
    EXPECT_EQ("<</Pages 2 0 R /Type /Catalog>>", describe(root));
    // Dictionaries of fetched objects resolve through the document.
    EXPECT_EQ("3", describe(root.getDict()->lookup("Pages").getDict()->lookup("Count")));
    doc.close();
    EXPECT_FALSE(doc.isOpen());
    EXPECT_EQ(nullptr, doc.getFile());
    EXPECT_EQ(nullptr, doc.getXRef());
    EXPECT_EQ(0, doc.getHeaderOffset());
}

TEST(CPdfDocument, ReopeningReplacesTheDocument) {
    TempDir dir;
    TestPdf first;
    first.addObject(1, "<< /Type /Catalog /Name /First >>");
    first.setPrefix("12345");
    first.setTrailerExtra("/Root 1 0 R");
    std::string a = dir.write("a.pdf", first.build());
    std::string b = dir.write("b.pdf", makeNumberedPdf(1));
    CPdfDocument doc;
    ASSERT_EQ("opened", openPathMessage(doc, a));
    EXPECT_EQ(5, doc.getHeaderOffset());
    EXPECT_EQ("/First", describe(doc.getXRef()->fetchObject(1, 0).getDict()->lookup("Name")));
    ASSERT_EQ("opened", openPathMessage(doc, b));
    EXPECT_EQ(0, doc.getHeaderOffset());
    EXPECT_EQ("/Helvetica",
              describe(doc.getXRef()->fetchObject(3, 0).getDict()->lookup("BaseFont")));
}

TEST(CPdfDocument, FailedOpenLeavesItClosed) {
    TempDir dir;
    CPdfDocument doc;
    EXPECT_EQ("Can't open file", openPathMessage(doc, dir.file("missing.pdf")));
    EXPECT_FALSE(doc.isOpen());
    std::string junk = dir.write("junk.pdf", "not a pdf at all");
    EXPECT_EQ("PDF file was damaged", openPathMessage(doc, junk));
    EXPECT_FALSE(doc.isOpen());
    EXPECT_EQ(nullptr, doc.getFile());
    EXPECT_EQ(nullptr, doc.getXRef());
    // A folder is not a PDF file either; the open must fail, not hang.
    EXPECT_NE("opened", openPathMessage(doc, dir.path()));
    EXPECT_FALSE(doc.isOpen());
    // A later open still works.
    std::string good = dir.write("good.pdf", makeNumberedPdf(1));
    EXPECT_EQ("opened", openPathMessage(doc, good));
}

TEST(CPdfDocument, OpenFromAnInMemoryFile) {
    std::string bytes = makeNumberedPdf(2);
    CPdfDocument doc;
    doc.openFile(fmemopen(&bytes[0], bytes.size(), "rb"));
    EXPECT_TRUE(doc.isOpen());
    EXPECT_EQ("<</Count 2 /Kids [4 0 R 6 0 R] /Type /Pages>>",
              describe(doc.getXRef()->fetchObject(2, 0)));
    EXPECT_EQ(static_cast<int64_t>(bytes.size()), doc.getXRef()->getFileSize());
}
