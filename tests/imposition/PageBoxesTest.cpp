// Tests of the sheet boxes: computed for every layout, written into the page text, and cut for
// split back.
#include "imposition/PageBoxes.h"

#include <gtest/gtest.h>

#include "ImpositionTestSupport.h"
#include "pdf/FormatText.h"

namespace {

void expectBox(const PdfBox& box, double x1, double y1, double x2, double y2) {
    EXPECT_EQ(box.x1, x1);
    EXPECT_EQ(box.y1, y1);
    EXPECT_EQ(box.x2, x2);
    EXPECT_EQ(box.y2, y2);
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
