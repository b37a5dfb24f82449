// Tests of the render check itself on sheets made by hand: it must pass a right sheet and catch
// pages that are swapped, upside down, in the wrong font, without their image or missing.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "e2e/RenderCheck.h"
#include "pdf/FormatText.h"
#include "support/TestPdf.h"

namespace {

constexpr int kDpi = 20;

std::string joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

// One page drawn on a hand-made sheet.
struct HandSlot {
    HandSlot(int pageNumber, double dx, double dy, bool turned = false,
             const std::string& otherFont = "", bool withoutImage = false)
        : page(pageNumber), x(dx), y(dy), flip(turned), font(otherFont), noImage(withoutImage) {}
    int page;          // 1-based page of the input document
    double x, y;       // translation of the page's origin
    bool flip;         // turned by 180 degrees about its origin before the translation
    std::string font;  // BaseFont used instead of the page's own, "" for its own
    bool noImage;      // the image is not drawn
};

// A one-page PDF that draws input pages the way an imposed sheet should show them.
std::string makeHandSheet(const FeatureDoc& input, double width, double height, int rotate,
                          const std::vector<HandSlot>& slots, const std::string& extraKeys = "") {
    TestPdf pdf;
    pdf.addObject(1, "<< /Type /Catalog /Pages 2 0 R >>");
    pdf.addObject(2, "<< /Type /Pages /Kids [ 3 0 R ] /Count 1 >>");
    std::string fonts, images, content;
    int obj = 10;
    for (size_t k = 0; k < slots.size(); k++) {
        const HandSlot& slot = slots[k];
        const FeaturePage& page = input.pages[static_cast<size_t>(slot.page - 1)];
        std::string font = slot.font.empty() ? page.font : slot.font;
        pdf.addObject(obj,
                      formatText("<< /Type /Font /Subtype /Type1 /BaseFont /%s >>", font.c_str()));
        fonts += formatText(" /F%zu %d 0 R", k, obj++);
        if (page.image && !slot.noImage) {
            pdf.addStream(obj,
                          "<< /Type /XObject /Subtype /Image /Width 8 /Height 8 "
                          "/ColorSpace /DeviceGray /BitsPerComponent 8 >>",
                          featureImagePixels(slot.page));
            images += formatText(" /Im%zu %d 0 R", k, obj++);
        }
        content += formatText("q 1 0 0 1 %g %g cm %s\n", slot.x, slot.y,
                              slot.flip ? "-1 0 0 -1 0 0 cm" : "");
        FeaturePage drawn = page;
        drawn.image = page.image && !slot.noImage;
        content +=
            featurePageContent(drawn, slot.page, formatText("F%zu", k), formatText("Im%zu", k));
        content += "Q\n";
    }
    pdf.addStream(4, "<< >>", content);
    std::string xobjects = images.empty() ? "" : " /XObject <<" + images + " >>";
    pdf.addObject(
        3, formatText("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 %g %g] /Rotate %d "
                      "/Resources << /Font <<%s >>%s >> /Contents 4 0 R %s >>",
                      width, height, rotate, fonts.c_str(), xobjects.c_str(), extraKeys.c_str()));
    pdf.setTrailerExtra("/Root 1 0 R");
    return pdf.build();
}

// Renders the input and the hand-made sheet and runs the check of a 2-up style grid.
std::vector<std::string> checkHandSheet(const FeatureDoc& input, const std::string& sheetPdf,
                                        const GridLayout& layout, const std::vector<int>& slots) {
    TempDir dir;
    std::string inPath = dir.write("in.pdf", makeFeaturePdf(input));
    std::string sheetPath = dir.write("sheet.pdf", sheetPdf);
    std::vector<GrayImage> inputImages, sheetImages;
    std::vector<PageBoxes> inputBoxes, sheetBoxes;
    std::string error;
    if (!renderPages(inPath, kDpi, inputImages, &error) ||
        !renderPages(sheetPath, kDpi, sheetImages, &error) ||
        !readPageBoxes(inPath, inputBoxes, &error) ||
        !readPageBoxes(sheetPath, sheetBoxes, &error)) {
        ADD_FAILURE() << "harness: " << error;
        return {"harness: " + error};
    }
    std::vector<PageGeometry> geometry;
    for (const PageBoxes& boxes : inputBoxes) geometry.push_back(geometryOf(boxes));
    std::vector<PlacedPage> placed = planSheet(layout, slots, geometry, PlacementOptions());
    std::string details;
    std::vector<std::string> failures =
        checkSheet(sheetImages[0], geometryOf(sheetBoxes[0]), placed, inputImages, kDpi,
                   RenderTolerance(), &details);
    if (getenv("TESSEL_RENDER_DETAILS"))
        fprintf(stderr, "%s%s", details.c_str(), joined(failures).c_str());
    return failures;
}

FeatureDoc fourPages() {
    FeatureDoc doc;
    doc.pages = numberedPages(4);
    doc.pages[1].font = "Courier-Bold";
    doc.pages[1].image = true;
    doc.pages[2].image = true;
    return doc;
}

}  // namespace

TEST(RenderCheck, ParsesPgmWithComment) {
    GrayImage image;
    std::string error;
    ASSERT_TRUE(
        parsePgm(std::string("P5\n# made by hand\n2 2\n255\n") + "\x01\x02\x03\x04", image, &error))
        << error;
    EXPECT_EQ(image.width, 2);
    EXPECT_EQ(image.height, 2);
    EXPECT_EQ(image.at(1, 1), 4);
    EXPECT_EQ(image.at(0, 1), 3);
}

TEST(RenderCheck, RefusesBrokenPgm) {
    GrayImage image;
    std::string error;
    EXPECT_FALSE(parsePgm("P6\n2 2\n255\n0123456789ab", image, &error));
    EXPECT_FALSE(parsePgm("P5\n2 2\n255\n\x01\x02\x03", image, &error));
    EXPECT_EQ(error, "PGM pixel data truncated");
    EXPECT_FALSE(parsePgm("P5\n2 2\n65535\n\x01\x02\x03\x04", image, &error));
    EXPECT_FALSE(parsePgm("P5\n99999999 2\n255\n", image, &error));
    EXPECT_FALSE(parsePgm("P5\n2", image, &error));
}

TEST(RenderCheck, PageComparedWithItselfPasses) {
    FeatureDoc doc = fourPages();
    TempDir dir;
    std::string path = dir.write("in.pdf", makeFeaturePdf(doc));
    std::vector<GrayImage> images;
    std::string error;
    ASSERT_TRUE(renderPages(path, kDpi, images, &error)) << error;
    ASSERT_EQ(images.size(), 4u);
    EXPECT_EQ(images[0].width, 170);
    EXPECT_EQ(images[0].height, 220);
    EXPECT_EQ(meanDifference(images[1], images[1]), 0);
    // Different pages differ well beyond the tolerance of one placed page.
    EXPECT_GT(meanDifference(images[0], images[1]), RenderTolerance().cellMean);
}

TEST(RenderCheck, RightTwoUpSheetPasses) {
    FeatureDoc doc = fourPages();
    std::string sheet = makeHandSheet(doc, 1224, 792, 0, {{2, 0, 0}, {3, 612, 0}});
    std::vector<std::string> failures = checkHandSheet(doc, sheet, GridLayout{2, 1, true}, {2, 3});
    EXPECT_TRUE(failures.empty()) << joined(failures);
}

TEST(RenderCheck, SwappedPagesFail) {
    FeatureDoc doc = fourPages();
    std::string sheet = makeHandSheet(doc, 1224, 792, 0, {{3, 0, 0}, {2, 612, 0}});
    std::vector<std::string> failures = checkHandSheet(doc, sheet, GridLayout{2, 1, true}, {2, 3});
    EXPECT_FALSE(failures.empty());
}

TEST(RenderCheck, UpsideDownPageFails) {
    FeatureDoc doc = fourPages();
    std::string sheet = makeHandSheet(doc, 1224, 792, 0, {{2, 0, 0}, {3, 1224, 792, true}});
    std::vector<std::string> failures = checkHandSheet(doc, sheet, GridLayout{2, 1, true}, {2, 3});
    EXPECT_FALSE(failures.empty());
}

TEST(RenderCheck, WrongFontFails) {
    // Page 2 uses Courier-Bold under /F1; drawing it in the carrier's Helvetica must be caught.
    FeatureDoc doc = fourPages();
    std::string sheet =
        makeHandSheet(doc, 1224, 792, 0, {{1, 0, 0}, {2, 612, 0, false, "Helvetica"}});
    std::vector<std::string> failures = checkHandSheet(doc, sheet, GridLayout{2, 1, true}, {1, 2});
    EXPECT_FALSE(failures.empty());
}

TEST(RenderCheck, MissingImageFails) {
    FeatureDoc doc = fourPages();
    std::string sheet = makeHandSheet(doc, 1224, 792, 0, {{1, 0, 0}, {2, 612, 0, false, "", true}});
    std::vector<std::string> failures = checkHandSheet(doc, sheet, GridLayout{2, 1, true}, {1, 2});
    EXPECT_FALSE(failures.empty());
}

TEST(RenderCheck, MissingPageFails) {
    FeatureDoc doc = fourPages();
    std::string sheet = makeHandSheet(doc, 1224, 792, 0, {{1, 0, 0}});
    std::vector<std::string> failures = checkHandSheet(doc, sheet, GridLayout{2, 1, true}, {1, 2});
    EXPECT_FALSE(failures.empty());
}

TEST(RenderCheck, ContentInEmptySlotFails) {
    FeatureDoc doc = fourPages();
    std::string sheet = makeHandSheet(doc, 1224, 792, 0, {{1, 0, 0}, {4, 612, 0}});
    EXPECT_TRUE(checkHandSheet(doc, sheet, GridLayout{2, 1, true}, {1, 4}).empty());
    EXPECT_FALSE(checkHandSheet(doc, sheet, GridLayout{2, 1, true}, {1, 0}).empty());
}

TEST(RenderCheck, TurnedFourUpSheetPasses) {
    // Pages of /Rotate 90 on a sheet of /Rotate 90: the grid is transposed in user space.
    FeatureDoc doc;
    doc.pages = numberedPages(4);
    for (FeaturePage& page : doc.pages) page.rotate = "90";
    doc.pages[3].rotate = "270";
    std::string sheet = makeHandSheet(doc, 1224, 1584, 90,
                                      {{1, 0, 0}, {2, 0, 792}, {3, 612, 0}, {4, 1224, 1584, true}});
    std::vector<std::string> failures =
        checkHandSheet(doc, sheet, GridLayout{2, 2, false}, {1, 2, 3, 4});
    EXPECT_TRUE(failures.empty()) << joined(failures);
    // The same drawing read as an unturned grid puts pages in the wrong cells.
    std::string unturned = makeHandSheet(
        doc, 1224, 1584, 90, {{1, 0, 792}, {2, 612, 792}, {3, 0, 0}, {4, 1224, 792, true}});
    EXPECT_FALSE(checkHandSheet(doc, unturned, GridLayout{2, 2, false}, {1, 2, 3, 4}).empty());
}

TEST(RenderCheck, FlippedPageOnUnturnedSheetPasses) {
    FeatureDoc doc;
    doc.pages = numberedPages(2);
    doc.pages[1].rotate = "180";
    std::string sheet = makeHandSheet(doc, 1224, 792, 0, {{1, 0, 0}, {2, 1224, 792, true}});
    std::vector<std::string> failures = checkHandSheet(doc, sheet, GridLayout{2, 1, true}, {1, 2});
    EXPECT_TRUE(failures.empty()) << joined(failures);
    std::string plain = makeHandSheet(doc, 1224, 792, 0, {{1, 0, 0}, {2, 612, 0}});
    EXPECT_FALSE(checkHandSheet(doc, plain, GridLayout{2, 1, true}, {1, 2}).empty());
}

TEST(RenderCheck, CroppedPagesAtTheirMediaBoxPitchFail) {
    // Pages showing [36 36 576 756] of [0 0 612 792]: side by side, the second page's crop box
    // must start where the first one's ends, not one media box width further on.
    FeatureDoc doc;
    doc.pages = numberedPages(2);
    for (FeaturePage& page : doc.pages) page.extraKeys = "/CropBox [36 36 576 756]";
    const char* sheetCrop = "/CropBox [36 36 1116 756]";
    std::string right = makeHandSheet(doc, 1224, 792, 0, {{1, 0, 0}, {2, 540, 0}}, sheetCrop);
    EXPECT_TRUE(checkHandSheet(doc, right, GridLayout{2, 1, true}, {1, 2}).empty());
    std::string apart = makeHandSheet(doc, 1224, 792, 0, {{1, 0, 0}, {2, 612, 0}}, sheetCrop);
    EXPECT_FALSE(checkHandSheet(doc, apart, GridLayout{2, 1, true}, {1, 2}).empty());
}
