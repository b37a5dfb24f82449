// Tests of the page tree scan (inherited boxes, rotation, resources; hostile trees) and of the
// sheet boxes written for every layout.
#include "imposition/PageBoxes.h"

#include <gtest/gtest.h>

#include <memory>

#include "ImpositionTestSupport.h"
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

const char* const kPageText = "7 0 obj\n<< /Type /Page /MediaBox [0 0 612 792] >>\nendobj\n";

std::string boxText(double x1, double y1, double x2, double y2) {
    return formatText("[ %f %f %f %f ]\n", x1, y1, x2, y2);
}

// The media box of a sheet of twelve pages like page (with the given rotation) for a layout.
std::string sheetMediaBox(const std::string& words, int rotation, PageRecord page = PageRecord()) {
    JobSettings settings = settingsFor(words);
    page.rotation = rotation;
    PageRecords pages(12, page);
    SheetEntry entry;
    for (int k = 0; k < SheetEntry::kMaxSlots; k++) entry.slots[k] = k + 1;
    PdfBox box = sheetBoxFrom(page.mediaBox, geometryFor(settings, pages, entry).boxes);
    return boxText(box.x1, box.y1, box.x2, box.y2);
}

PageRecord pageWith(PdfBox media, const PdfBox* crop = nullptr) {
    PageRecord page;
    page.mediaBox = media;
    if (crop) {
        page.cropBox = *crop;
        page.hasCropBox = true;
    }
    return page;
}

// The media box (or with crop, the crop box) of one half of a split-back sheet of page.
std::string splitHalf(const std::string& words, int rotation, const PageRecord& page,
                      bool firstHalf, bool crop = false) {
    JobSettings settings = settingsFor(words);
    PageRecords pages(1, page);
    pages[0].rotation = rotation;
    SheetGeometry geometry = geometryFor(settings, pages, entryOf({1}), firstHalf);
    PdfBox box = sheetBoxFrom(crop ? visibleBox(page) : page.mediaBox, geometry.boxes);
    return boxText(box.x1, box.y1, box.x2, box.y2);
}

}  // namespace

TEST(PageBoxes, BoxesAreInheritedOrStated) {
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

TEST(PageBoxes, BoxArraysOfOddShapes) {
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

TEST(PageBoxes, WhatIntermediateNodesHandDown) {
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
    EXPECT_EQ(records[0].inheritedResources, "9 0 R");

    EXPECT_EQ(records[1].rotation, 180);
    EXPECT_FALSE(records[1].inheritsRotate);
    EXPECT_FALSE(records[1].inheritsCropBox);
    EXPECT_EQ(records[1].inheritedResources, "");

    EXPECT_EQ(records[2].rotation, 0);
    EXPECT_FALSE(records[2].inheritsRotate);
    EXPECT_FALSE(records[2].inheritsCropBox);
    EXPECT_EQ(records[2].inheritedResources, "<< /Font << /F1 7 0 R >> /ProcSet [/PDF (a>>b)] >>");
}

TEST(PageBoxes, InheritedResourcesWithoutRawTextAreWrittenFromTheValue) {
    TestPdf pdf = treePdf(
        "<< /Type /Pages /Kids [3 0 R] /Count 1 "
        "/Resources << /Font << /F1 7 0 R >> /ProcSet [/PDF (a>>b)] /Scale 0.5 >> >>");
    pdf.addObject(3, "<< /Type /Page /Parent 2 0 R >>");
    OpenedDoc opened(pdf.build());
    PageRecords records;
    scanPageTree(opened.doc.getXRef(), records);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].inheritedResources,
              "<</Font <</F1 7 0 R >> /ProcSet [/PDF <613E3E62>] /Scale 0.5 >>");
}

TEST(PageBoxes, CycleInThePageTreeEnds) {
    TestPdf pdf = treePdf("<< /Type /Pages /Kids [3 0 R 4 0 R 3 0 R] /Count 3 >>");
    pdf.addObject(3, "<< /Type /Page /Parent 2 0 R >>");
    pdf.addObject(4, "<< /Type /Pages /Parent 2 0 R /Kids [2 0 R 4 0 R 5 0 R] /Count 2 >>");
    pdf.addObject(5, "<< /Type /Page /Parent 4 0 R >>");
    EXPECT_EQ(pageNumbers(scan(pdf)), (std::vector<int>{3, 5}));
}

TEST(PageBoxes, RecordsFollowTheLeavesNotTheCount) {
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

TEST(PageBoxes, UnusableKidsAreRefused) {
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

TEST(PageBoxes, TooDeepATreeIsRefused) {
    TestPdf pdf = treePdf("<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
    const int depth = 300;
    for (int num = 3; num < 3 + depth; num++) {
        pdf.addObject(num, formatText("<< /Type /Pages /Kids [%d 0 R] /Count 1 >>", num + 1));
    }
    pdf.addObject(3 + depth, "<< /Type /Page >>");
    EXPECT_EQ(scanMessage(pdf), "Page tree is nested too deeply");
}

TEST(PageBoxes, DirectPagesRootAndRootAsPage) {
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

TEST(PageBoxes, CorpusPageTreeLoopEnds) {
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

TEST(PageBoxes, ComputedSheetBoxForEveryLayout) {
    const struct {
        const char* words;
        int rotation;
        double x2, y2;
    } cases[] = {
        {"", 0, 1224, 792},
        {"", 180, 1224, 792},
        {"", 90, 612, 1584},
        {"", 270, 612, 1584},
        {"", -90, 612, 1584},
        {"", 450, 612, 1584},
        {"-down", 0, 612, 1584},
        {"-down", 90, 1224, 792},
        {"-4up", 0, 1224, 1584},
        {"-4up", 90, 1224, 1584},
        {"-4up -down", 0, 1224, 1584},
        {"-6up2x3", 0, 1224, 2376},
        {"-6up2x3", 90, 1836, 1584},
        {"-6up3x2", 0, 1836, 1584},
        {"-6up3x2", 270, 1224, 2376},
        {"-8up2x4", 0, 1224, 3168},
        {"-8up2x4", 90, 2448, 1584},
        {"-8up4x2", 180, 2448, 1584},
        {"-8up4x2", 90, 1224, 3168},
        {"-10up2x5", 0, 1224, 3960},
        {"-10up2x5", 270, 3060, 1584},
        {"-10up5x2", 0, 3060, 1584},
        {"-10up5x2", 90, 1224, 3960},
        {"-10up2x5spec1", 0, 1224, 3960},
        {"-12up2x6", 0, 1224, 4752},
        {"-12up2x6", 90, 3672, 1584},
        {"-12up6x2", 0, 3672, 1584},
        {"-12up3x4", 0, 1836, 3168},
        {"-12up4x3", 0, 2448, 2376},
        {"-12up4x3", 90, 1836, 3168},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(sheetMediaBox(c.words, c.rotation), boxText(0, 0, c.x2, c.y2))
            << c.words << " rotation " << c.rotation;
    }
}

TEST(PageBoxes, VisibleBoxAndOddBoxes) {
    PdfBox crop{-10, 10, 400, 900};
    expectBox(visibleBox(pageWith(PdfBox{0, 0, 612, 792}, &crop)), 0, 10, 400, 792);
    // No crop box: the record's default crop box does not count.
    expectBox(visibleBox(pageWith(PdfBox{0, 0, 300, 400})), 0, 0, 300, 400);
    PdfBox outside{700, 0, 800, 100};
    expectBox(visibleBox(pageWith(PdfBox{0, 0, 612, 792}, &outside)), 0, 0, 612, 792);
    // Corners given the wrong way round.
    EXPECT_EQ(sheetMediaBox("", 0, pageWith(PdfBox{612, 792, 0, 0})), boxText(0, 0, 1224, 792));
}

TEST(PageBoxes, SheetBoxTextEdits) {
    UserBox none;
    PdfBox computed{0, 0, 1224, 792};
    std::string text = kPageText;
    writeSheetBox(text, "/MediaBox", none, computed, true);
    EXPECT_EQ(text,
              "7 0 obj\n<< /Type /Page /MediaBox [ 0.000000 0.000000 1224.000000 792.000000 ]\n"
              " >>\nendobj\n");

    // A user box is taken as it is.
    text = kPageText;
    writeSheetBox(text, "/MediaBox", UserBox{0, 0, 612, 1584}, computed, true);
    EXPECT_EQ(text,
              "7 0 obj\n<< /Type /Page /MediaBox [ 0.000000 0.000000 612.000000 1584.000000]\n"
              " >>\nendobj\n");
}

TEST(PageBoxes, MissingBoxes) {
    UserBox none;
    PdfBox computed{0, 0, 1224, 792};
    std::string text = "7 0 obj\n<< /Type /Page >>\nendobj\n";
    writeSheetBox(text, "/CropBox", none, computed, false);
    EXPECT_EQ(text, "7 0 obj\n<< /Type /Page >>\nendobj\n");
    writeSheetBox(text, "/MediaBox", none, computed, true);
    EXPECT_EQ(text,
              "7 0 obj\n<</MediaBox [ 0.000000 0.000000 1224.000000 792.000000 ]\n /Type /Page "
              ">>\nendobj\n");
    text = "7 0 obj\n<< >>\nendobj\n";
    writeSheetBox(text, "/MediaBox", UserBox{1, 2, 3, 4}, computed, true);
    EXPECT_EQ(text, "7 0 obj\n<</MediaBox [ 1.000000 2.000000 3.000000 4.000000 ]\n >>\nendobj\n");
}

TEST(PageBoxes, OnlyThePagesOwnKeyIsEdited) {
    UserBox none;
    PdfBox computed{0, 0, 1224, 792};
    // A key inside a nested dictionary or a string is not the page's.
    std::string nested =
        "7 0 obj\n<< /Type /Page /PieceInfo << /X << /CropBox [1 2 3 4] >> >> /T (/CropBox [5]) "
        ">>\nendobj\n";
    std::string text = nested;
    writeSheetBox(text, "/CropBox", none, computed, false);
    EXPECT_EQ(text, nested);

    // A box given by reference is replaced by the box itself; nothing after it is touched.
    text = "7 0 obj\n<< /MediaBox 12 0 R /Contents [4 0 R] >>\nendobj\n";
    writeSheetBox(text, "/MediaBox", none, computed, true);
    EXPECT_EQ(
        text,
        "7 0 obj\n<< /MediaBox [ 0.000000 0.000000 1224.000000 792.000000 ]\n /Contents [4 0 R] "
        ">>\nendobj\n");
}

TEST(PageBoxes, SplitBackHalvesMeetAtTheMiddleAsDisplayed) {
    PageRecord wide = pageWith(PdfBox{0, 0, 1224, 792});
    PdfBox crop{10, 10, 1214, 782};
    PageRecord cropped = pageWith(PdfBox{0, 0, 1224, 792}, &crop);
    EXPECT_EQ(splitHalf("-2to1up os=10", 0, wide, true), boxText(0, 0, 602, 792));
    EXPECT_EQ(splitHalf("-2to1up os=-10", 0, wide, false), boxText(602, 0, 1224, 792));
    EXPECT_EQ(splitHalf("-2to1up os=1000", 0, wide, true), boxText(0, 0, 0, 792));
    EXPECT_EQ(splitHalf("-2to1uph os=4", 0, wide, true), boxText(0, 400, 1224, 792));
    // A sheet shown turned by a quarter: x runs down the display, y to the right.
    EXPECT_EQ(splitHalf("-2to1uph", 270, wide, false), boxText(612, 0, 1224, 792));
    // A crop box inside the media box: both boxes are cut at the middle of the crop box.
    EXPECT_EQ(splitHalf("-2to1up", 0, cropped, true, true), boxText(10, 10, 612, 782));
    EXPECT_EQ(splitHalf("-2to1up", 0, cropped, false), boxText(612, 0, 1224, 792));
}
