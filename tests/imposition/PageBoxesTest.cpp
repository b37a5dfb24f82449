// Sheet boxes: computed for every layout, written into the page text, and cut for split back.
#include "imposition/PageBoxes.h"

#include <gtest/gtest.h>

#include "ImpositionTestSupport.h"

namespace {

std::string boxText(const PdfBox& box) {
    return formatText("[ %g %g %g %g ]", box.x1, box.y1, box.x2, box.y2);
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

// The media box of a sheet of twelve pages like page (with the given rotation) for a layout.
std::string sheetMediaBox(const std::string& options, int rotation, PageRecord page) {
    page.rotation = rotation;
    PageRecords pages(12, page);
    return boxText(sheetBoxFrom(
        page.mediaBox, geometryFor(options, pages, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}).boxes));
}

// The media box (or with crop, the crop box) of one half of a split-back sheet of page.
std::string splitHalf(const std::string& options, int rotation, PageRecord page, bool firstHalf,
                      bool crop = false) {
    page.rotation = rotation;
    SheetGeometry geometry = geometryFor(options, PageRecords(1, page), {1}, firstHalf);
    return boxText(sheetBoxFrom(crop ? visibleBox(page) : page.mediaBox, geometry.boxes));
}

}  // namespace

TEST(PageBoxes, ComputedSheetBox) {
    const PageRecord letter = pageWith(PdfBox{0, 0, 612, 792});
    const struct {
        const char* options;
        int rotation;
        const char* box;
    } cases[] = {
        // Layouts and turns that the end-to-end layout cases do not show.
        {"-4up -down", 0, "[ 0 0 1224 1584 ]"},    {"-6up2x3", 0, "[ 0 0 1224 2376 ]"},
        {"-6up2x3", 90, "[ 0 0 1836 1584 ]"},      {"-6up3x2", 270, "[ 0 0 1224 2376 ]"},
        {"-8up2x4", 0, "[ 0 0 1224 3168 ]"},       {"-8up2x4", 90, "[ 0 0 2448 1584 ]"},
        {"-8up4x2", 180, "[ 0 0 2448 1584 ]"},     {"-10up2x5", 270, "[ 0 0 3060 1584 ]"},
        {"-10up5x2", 0, "[ 0 0 3060 1584 ]"},      {"-10up5x2", 90, "[ 0 0 1224 3960 ]"},
        {"-10up2x5spec1", 0, "[ 0 0 1224 3960 ]"}, {"-12up2x6", 0, "[ 0 0 1224 4752 ]"},
        {"-12up2x6", 90, "[ 0 0 3672 1584 ]"},     {"-12up6x2", 0, "[ 0 0 3672 1584 ]"},
        {"-12up4x3", 90, "[ 0 0 1836 3168 ]"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(sheetMediaBox(c.options, c.rotation, letter), c.box)
            << c.options << " rotation " << c.rotation;
    }
    // Corners given the wrong way round.
    EXPECT_EQ(sheetMediaBox("", 0, pageWith(PdfBox{612, 792, 0, 0})), "[ 0 0 1224 792 ]");
}

TEST(PageBoxes, VisibleBoxIsTheCropBoxInsideTheMediaBox) {
    const PdfBox letter{0, 0, 612, 792}, crop{-10, 10, 400, 900}, outside{700, 0, 800, 100};
    EXPECT_EQ(boxText(visibleBox(pageWith(letter, &crop))), "[ 0 10 400 792 ]");
    // No crop box: the record's default crop box does not count.
    EXPECT_EQ(boxText(visibleBox(pageWith(PdfBox{0, 0, 300, 400}))), "[ 0 0 300 400 ]");
    EXPECT_EQ(boxText(visibleBox(pageWith(letter, &outside))), "[ 0 0 612 792 ]");
}

TEST(PageBoxes, SheetBoxTextEdits) {
    const std::string computed = "[ 0.000000 0.000000 1224.000000 792.000000 ]\n";
    const UserBox none;
    const struct {
        std::string dict;  // the page dictionary
        const char* key;
        UserBox user;
        std::string expected;
    } cases[] = {
        {"<< /Type /Page /MediaBox [0 0 612 792] >>", "/MediaBox", none,
         "<< /Type /Page /MediaBox " + computed + " >>"},
        // A user box is taken as it is.
        {"<< /Type /Page /MediaBox [0 0 612 792] >>", "/MediaBox", UserBox{0, 0, 612, 1584},
         "<< /Type /Page /MediaBox [ 0.000000 0.000000 612.000000 1584.000000]\n >>"},
        // A missing crop box stays missing; a missing media box is added first.
        {"<< /Type /Page >>", "/CropBox", none, "<< /Type /Page >>"},
        {"<< /Type /Page >>", "/MediaBox", none, "<</MediaBox " + computed + " /Type /Page >>"},
        {"<< >>", "/MediaBox", UserBox{1, 2, 3, 4},
         "<</MediaBox [ 1.000000 2.000000 3.000000 4.000000 ]\n >>"},
        // A key inside a nested dictionary or a string is not the page's.
        {"<< /PieceInfo << /X << /CropBox [1 2 3 4] >> >> /T (/CropBox [5]) >>", "/CropBox", none,
         "<< /PieceInfo << /X << /CropBox [1 2 3 4] >> >> /T (/CropBox [5]) >>"},
        // A box given by reference is replaced by the box itself; nothing after it is touched.
        {"<< /MediaBox 12 0 R /Contents [4 0 R] >>", "/MediaBox", none,
         "<< /MediaBox " + computed + " /Contents [4 0 R] >>"},
    };
    for (const auto& c : cases) {
        std::string text = "7 0 obj\n" + c.dict + "\nendobj\n";
        writeSheetBox(text, c.key, c.user, PdfBox{0, 0, 1224, 792},
                      std::string(c.key) == "/MediaBox");
        EXPECT_EQ(text, "7 0 obj\n" + c.expected + "\nendobj\n") << c.dict;
    }
}

TEST(PageBoxes, SplitBackHalvesMeetAtTheMiddleAsDisplayed) {
    PageRecord wide = pageWith(PdfBox{0, 0, 1224, 792});
    PdfBox crop{10, 10, 1214, 782};
    PageRecord cropped = pageWith(PdfBox{0, 0, 1224, 792}, &crop);
    EXPECT_EQ(splitHalf("-2to1up os=10", 0, wide, true), "[ 0 0 602 792 ]");
    EXPECT_EQ(splitHalf("-2to1up os=-10", 0, wide, false), "[ 602 0 1224 792 ]");
    EXPECT_EQ(splitHalf("-2to1up os=1000", 0, wide, true), "[ 0 0 0 792 ]");
    EXPECT_EQ(splitHalf("-2to1uph os=4", 0, wide, true), "[ 0 400 1224 792 ]");
    // A sheet shown turned by a quarter: x runs down the display, y to the right.
    EXPECT_EQ(splitHalf("-2to1uph", 270, wide, false), "[ 612 0 1224 792 ]");
    // A crop box inside the media box: both boxes are cut at the middle of the crop box.
    EXPECT_EQ(splitHalf("-2to1up", 0, cropped, true, true), "[ 10 10 612 782 ]");
    EXPECT_EQ(splitHalf("-2to1up", 0, cropped, false), "[ 612 0 1224 792 ]");
}
