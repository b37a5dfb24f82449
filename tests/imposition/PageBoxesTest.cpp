// Sheet boxes: computed for every layout, written into the page text, and cut for split back.
#include "imposition/PageBoxes.h"

#include "ImpositionTestSupport.h"

namespace {

std::string boxText(const PdfBox& box) {
    return formatText("[ %g %g %g %g ]", box.x1, box.y1, box.x2, box.y2);
}

PageRecord pageWith(PdfBox media, const PdfBox* crop = nullptr, int rotation = 0) {
    PageRecord page;
    page.mediaBox = media;
    page.rotation = rotation;
    if (crop) page.cropBox = *crop;
    page.hasCropBox = crop != nullptr;
    return page;
}

// The sheet box from the media box (or with crop, the visible box) of a sheet of such pages; one
// page for split back (firstHalf: which half), else twelve.
std::string sheetBox(const std::string& options, const PageRecord& page, bool firstHalf = true,
                     bool crop = false) {
    size_t count = options.find("2to1") == std::string::npos ? 12 : 1;
    SheetGeometry geometry = geometryFor(options, PageRecords(count, page),
                                         {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}, firstHalf);
    return boxText(sheetBoxFrom(crop ? visibleBox(page) : page.mediaBox, geometry.boxes));
}

}  // namespace

TEST(PageBoxes, ComputedSheetBoxAndVisibleBox) {
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
        EXPECT_EQ(sheetBox(c.options, pageWith(PdfBox{0, 0, 612, 792}, nullptr, c.rotation)), c.box)
            << c.options << " rotation " << c.rotation;
    }
    EXPECT_EQ(sheetBox("", pageWith(PdfBox{612, 792, 0, 0})), "[ 0 0 1224 792 ]");  // reversed
    // The visible box is the crop box inside the media box.
    const PdfBox letter{0, 0, 612, 792}, crop{-10, 10, 400, 900}, outside{700, 0, 800, 100};
    EXPECT_EQ(boxText(visibleBox(pageWith(letter, &crop))), "[ 0 10 400 792 ]");
    // No crop box: the record's default crop box does not count.
    EXPECT_EQ(boxText(visibleBox(pageWith(PdfBox{0, 0, 300, 400}))), "[ 0 0 300 400 ]");
    EXPECT_EQ(boxText(visibleBox(pageWith(letter, &outside))), "[ 0 0 612 792 ]");
}

// Plain edits are seen end to end; a key that is not the page's, or a box by reference, is not.
TEST(PageBoxes, SheetBoxTextEdits) {
    const std::string computed = "[ 0.000000 0.000000 1224.000000 792.000000 ]\n";
    const std::string cases[][2] = {
        {"<< /PieceInfo << /X << /MediaBox [1 2 3 4] >> >> /T (/MediaBox [5]) >>",
         "<</MediaBox " + computed +
             " /PieceInfo << /X << /MediaBox [1 2 3 4] >> >> /T (/MediaBox [5]) >>"},
        {"<< /MediaBox 12 0 R /Contents [4 0 R] >>",
         "<< /MediaBox " + computed + " /Contents [4 0 R] >>"},
    };
    for (const auto& c : cases) {
        std::string text = "7 0 obj\n" + c[0] + "\nendobj\n";
        writeSheetBox(text, "/MediaBox", UserBox(), PdfBox{0, 0, 1224, 792}, true);
        EXPECT_EQ(text, "7 0 obj\n" + c[1] + "\nendobj\n") << c[0];
    }
}

TEST(PageBoxes, SplitBackHalvesMeetAtTheMiddleAsDisplayed) {
    const PdfBox wide{0, 0, 1224, 792}, crop{10, 10, 1214, 782};
    EXPECT_EQ(sheetBox("-2to1up os=10", pageWith(wide), true), "[ 0 0 602 792 ]");
    EXPECT_EQ(sheetBox("-2to1up os=-10", pageWith(wide), false), "[ 602 0 1224 792 ]");
    EXPECT_EQ(sheetBox("-2to1up os=1000", pageWith(wide), true), "[ 0 0 0 792 ]");
    EXPECT_EQ(sheetBox("-2to1uph os=4", pageWith(wide), true), "[ 0 400 1224 792 ]");
    // A sheet shown turned by a quarter: x runs down the display, y to the right.
    EXPECT_EQ(sheetBox("-2to1uph", pageWith(wide, nullptr, 270), false), "[ 612 0 1224 792 ]");
    // A crop box inside the media box: both boxes are cut at the middle of the crop box.
    EXPECT_EQ(sheetBox("-2to1up", pageWith(wide, &crop), true, true), "[ 10 10 612 782 ]");
    EXPECT_EQ(sheetBox("-2to1up", pageWith(wide, &crop), false), "[ 612 0 1224 792 ]");
}
