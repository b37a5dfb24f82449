// Tests of the page tree walk: inherited boxes, rotation and resources, and hostile trees.
#include "imposition/PageTreeScanner.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "pdf/CPdfDocument.h"
#include "pdf/CPdfException.h"
#include "pdf/FormatText.h"
#include "support/TestPdf.h"

namespace {

// A document opened from bytes, with the raw input for the text-aware scan.
class OpenedDoc {
  public:
    explicit OpenedDoc(const std::string& pdf) {
        std::string path = dir_.write("in.pdf", pdf);
        doc.open(path);
        input = std::fopen(path.c_str(), "rb");
    }
    ~OpenedDoc() {
        if (input) std::fclose(input);
    }
    OpenedDoc(const OpenedDoc&) = delete;
    OpenedDoc& operator=(const OpenedDoc&) = delete;

  private:
    TempDir dir_;

  public:
    CPdfDocument doc;
    FILE* input = nullptr;
};

// Catalog 1 naming the page tree root 2; root is the root's dictionary text.
TestPdf treePdf(const std::string& root) {
    TestPdf pdf;
    pdf.addObject(1, "<< /Type /Catalog /Pages 2 0 R >>");
    pdf.addObject(2, root);
    pdf.setTrailerExtra("/Root 1 0 R");
    return pdf;
}

PageRecords scan(const TestPdf& pdf, int* root = nullptr) {
    OpenedDoc opened(pdf.build());
    PageRecords records;
    int number = scanPageTree(opened.doc, opened.input, records);
    if (root) *root = number;
    return records;
}

std::string scanMessage(const TestPdf& pdf) {
    try {
        scan(pdf);
        return "no exception";
    } catch (const CPdfException& e) {
        return e.getMessage();
    }
}

void expectBox(const PdfBox& box, double x1, double y1, double x2, double y2) {
    EXPECT_EQ(box.x1, x1);
    EXPECT_EQ(box.y1, y1);
    EXPECT_EQ(box.x2, x2);
    EXPECT_EQ(box.y2, y2);
}

std::vector<int> pageNumbers(const PageRecords& records) {
    std::vector<int> numbers;
    for (const PageRecord& record : records) numbers.push_back(record.objNum);
    return numbers;
}

}  // namespace

TEST(PageTreeScanner, BoxesAreInheritedOrStated) {
    TestPdf pdf = treePdf("<< /Type /Pages /Kids [3 0 R] /Count 1 /MediaBox [0 0 595 842] >>");
    pdf.addObject(3, "<< /Type /Page /Parent 2 0 R /CropBox [10 10 585 832] >>");
    int root = 0;
    PageRecords records = scan(pdf, &root);
    EXPECT_EQ(root, 2);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].objNum, 3);
    expectBox(records[0].mediaBox, 0, 0, 595, 842);
    expectBox(records[0].cropBox, 10, 10, 585, 832);
    expectBox(records[0].bleedBox, 0, 0, 612, 792);
    expectBox(records[0].trimBox, 0, 0, 612, 792);
    expectBox(records[0].artBox, 0, 0, 612, 792);
    EXPECT_FALSE(records[0].inheritsCropBox);
    EXPECT_EQ(records[0].rotation, 0);
}

TEST(PageTreeScanner, BoxArraysOfOddShapes) {
    TestPdf pdf = treePdf("<< /Type /Pages /Kids [3 0 R 4 0 R 5 0 R] /Count 3 >>");
    pdf.addObject(3, "<< /Type /Page /MediaBox [0 0 100] /CropBox [1 2 3 4 5] >>");
    pdf.addObject(4, "<< /Type /Page /MediaBox [0.5 0 100.25 200] /CropBox [0 0 8 0 R 300] >>");
    pdf.addObject(5, "<< /Type /Page /MediaBox [0 0 (x) 300] /CropBox 9 0 R >>");
    pdf.addObject(8, "400");
    pdf.addObject(9, "[0 0 50 60]");
    PageRecords records = scan(pdf);
    ASSERT_EQ(records.size(), 3u);
    expectBox(records[0].mediaBox, 0, 0, 100, 0);
    expectBox(records[0].cropBox, 1, 2, 3, 4);
    expectBox(records[1].mediaBox, 0.5, 0, 100.25, 200);
    expectBox(records[1].cropBox, 0, 0, 400, 300);
    expectBox(records[2].mediaBox, 0, 0, 0, 300);
    expectBox(records[2].cropBox, 0, 0, 50, 60);
}

TEST(PageTreeScanner, WhatIntermediateNodesHandDown) {
    TestPdf pdf = treePdf(
        "<< /Type /Pages /Kids [4 0 R 3 0 R] /Count 3 "
        "/Resources << /Font << /F1 7 0 R >> /ProcSet [/PDF (a>>b)] >> >>");
    pdf.addObject(3, "<< /Type /Page /Parent 2 0 R >>");
    pdf.addObject(4,
                  "<< /Type /Pages /Parent 2 0 R /Kids [5 0 R 6 0 R] /Count 2 /Rotate 90 "
                  "/CropBox [5 5 500 700] /Resources 9 0 R >>");
    pdf.addObject(5, "<< /Type /Page /Parent 4 0 R >>");
    pdf.addObject(
        6, "<< /Type /Page /Parent 4 0 R /Rotate 180 /CropBox [0 0 1 1] /Resources << >> >>");
    pdf.addObject(7, "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
    pdf.addObject(9, "<< >>");
    PageRecords records = scan(pdf);
    ASSERT_EQ(pageNumbers(records), (std::vector<int>{5, 6, 3}));

    EXPECT_EQ(records[0].rotation, 90);
    EXPECT_TRUE(records[0].inheritsRotate);
    EXPECT_TRUE(records[0].inheritsCropBox);
    expectBox(records[0].cropBox, 5, 5, 500, 700);
    EXPECT_EQ(*records[0].inheritedResources, "9 0 R");

    EXPECT_EQ(records[1].rotation, 180);
    EXPECT_FALSE(records[1].inheritsRotate);
    EXPECT_FALSE(records[1].inheritsCropBox);
    EXPECT_FALSE(records[1].inheritedResources);

    EXPECT_EQ(records[2].rotation, 0);
    EXPECT_FALSE(records[2].inheritsRotate);
    EXPECT_FALSE(records[2].inheritsCropBox);
    EXPECT_EQ(*records[2].inheritedResources, "<< /Font << /F1 7 0 R >> /ProcSet [/PDF (a>>b)] >>");
}

TEST(PageTreeScanner, InheritedResourcesWithoutRawTextAreWrittenFromTheValue) {
    TestPdf pdf = treePdf(
        "<< /Type /Pages /Kids [3 0 R] /Count 1 "
        "/Resources << /Font << /F1 7 0 R >> /ProcSet [/PDF (a>>b)] /Scale 0.5 >> >>");
    pdf.addObject(3, "<< /Type /Page /Parent 2 0 R >>");
    OpenedDoc opened(pdf.build());
    PageRecords records;
    scanPageTree(opened.doc, nullptr, records);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(*records[0].inheritedResources,
              "<</Font <</F1 7 0 R >> /ProcSet [/PDF <613E3E62>] /Scale 0.5 >>");
}

TEST(PageTreeScanner, CycleInThePageTreeEnds) {
    TestPdf pdf = treePdf("<< /Type /Pages /Kids [3 0 R 4 0 R 3 0 R] /Count 3 >>");
    pdf.addObject(3, "<< /Type /Page /Parent 2 0 R >>");
    pdf.addObject(4, "<< /Type /Pages /Parent 2 0 R /Kids [2 0 R 4 0 R 5 0 R] /Count 2 >>");
    pdf.addObject(5, "<< /Type /Page /Parent 4 0 R >>");
    EXPECT_EQ(pageNumbers(scan(pdf)), (std::vector<int>{3, 5}));
}

TEST(PageTreeScanner, RecordsFollowTheLeavesNotTheCount) {
    TestPdf fewer = treePdf("<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 5 >>");
    fewer.addObject(3, "<< /Type /Page >>");
    fewer.addObject(4, "<< /Type /Page >>");
    EXPECT_EQ(pageNumbers(scan(fewer)), (std::vector<int>{3, 4}));

    TestPdf more = treePdf("<< /Type /Pages /Kids [3 0 R 4 0 R 5 0 R] /Count 1 >>");
    for (int num = 3; num <= 5; num++) more.addObject(num, "<< /Type /Page >>");
    EXPECT_EQ(pageNumbers(scan(more)), (std::vector<int>{3, 4, 5}));

    TestPdf hostile = treePdf("<< /Type /Pages /Kids [3 0 R] /Count 2147483647 >>");
    hostile.addObject(3, "<< /Type /Page >>");
    EXPECT_EQ(pageNumbers(scan(hostile)), (std::vector<int>{3}));
}

TEST(PageTreeScanner, UnusableKidsAreRefused) {
    const std::string expected =
        "Broken page tree: element 0 of the /Kids of object 2 is not a reference to a dictionary";
    TestPdf direct = treePdf("<< /Type /Pages /Kids [<< /Type /Page >>] /Count 1 >>");
    EXPECT_EQ(scanMessage(direct), expected);
    TestPdf number = treePdf("<< /Type /Pages /Kids [7] /Count 1 >>");
    EXPECT_EQ(scanMessage(number), expected);
    TestPdf missing = treePdf("<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 2 >>");
    missing.addObject(4, "<< /Type /Page >>");
    EXPECT_EQ(scanMessage(missing), expected);
}

TEST(PageTreeScanner, TooDeepATreeIsRefused) {
    TestPdf pdf = treePdf("<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
    const int depth = 300;
    for (int num = 3; num < 3 + depth; num++) {
        pdf.addObject(num, formatText("<< /Type /Pages /Kids [%d 0 R] /Count 1 >>", num + 1));
    }
    pdf.addObject(3 + depth, "<< /Type /Page >>");
    EXPECT_EQ(scanMessage(pdf), "Page tree is nested too deeply");
}

TEST(PageTreeScanner, DirectPagesRootAndRootAsPage) {
    TestPdf pdf;
    pdf.addObject(
        1, "<< /Type /Catalog /Pages << /Type /Pages /Kids [3 0 R] /Count 1 /Rotate 270 >> >>");
    pdf.addObject(3, "<< /Type /Page >>");
    pdf.setTrailerExtra("/Root 1 0 R");
    int root = -1;
    PageRecords records = scan(pdf, &root);
    EXPECT_EQ(root, 0);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].rotation, 270);
    EXPECT_TRUE(records[0].inheritsRotate);

    // A root without /Kids is itself the one page.
    TestPdf single = treePdf("<< /Type /Page /MediaBox [0 0 100 100] >>");
    EXPECT_EQ(pageNumbers(scan(single)), (std::vector<int>{2}));
}

TEST(PageTreeScanner, CorpusPageTreeLoopEnds) {
    if (corpusDir().empty())
        GTEST_SKIP() << "../shared/corpus not found (real-world corpus absent)";
    std::string bytes = readFileBytes(corpusDir() + "/damaged-pages-tree-loop.pdf");
    OpenedDoc opened(bytes);
    PageRecords records;
    try {
        scanPageTree(opened.doc, opened.input, records);
    } catch (const CPdfException& e) {
        EXPECT_NE(e.getMessage(), "");
    }
    EXPECT_LT(records.size(), 100u);
}
