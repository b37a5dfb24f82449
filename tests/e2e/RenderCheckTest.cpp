// The render check on sheets made by hand: it passes right sheets and catches pages that are
// swapped, upside down, in the wrong font, without their image, missing, or out of their cells.
#include <gtest/gtest.h>

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
    int page;               // 1-based page of the input document
    double x, y;            // translation of the page's origin
    bool flip = false;      // turned by 180 degrees about its origin before the translation
    std::string font = "";  // BaseFont used instead of the page's own, "" for its own
    bool noImage = false;   // the image is not drawn
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
    return checkSheet(sheetImages[0], geometryOf(sheetBoxes[0]), placed, inputImages, kDpi);
}

// Input documents: 0 four pages (page 2 in Courier-Bold with an image, page 3 with an image),
// 1 four pages turned 90 (the last 270), 2 two pages the second flipped, 3 two cropped pages.
FeatureDoc inputDoc(int kind) {
    FeatureDoc doc;
    doc.pages = numberedPages(kind < 2 ? 4 : 2);
    if (kind == 0) {
        doc.pages[1].font = "Courier-Bold";
        doc.pages[1].image = true;
        doc.pages[2].image = true;
    }
    for (FeaturePage& page : doc.pages) {
        if (kind == 1) page.rotate = "90";
        if (kind == 3) page.extraKeys = "/CropBox [36 36 576 756]";
    }
    if (kind == 1) doc.pages[3].rotate = "270";
    if (kind == 2) doc.pages[1].rotate = "180";
    return doc;
}

struct HandCase {
    const char* name;
    int doc;
    bool tall;  // a 1224 x 1584 sheet of /Rotate 90, else 1224 x 792 unturned
    std::vector<HandSlot> drawn;
    GridLayout grid;
    std::vector<int> slots;  // what the check expects in the cells
    bool passes;
};

const char kCrop[] = "/CropBox [36 36 1116 756]";

}  // namespace

TEST(RenderCheck, PassesRightSheetsAndCatchesWrongOnes) {
    const GridLayout two{2, 1, true}, four{2, 2, false};
    const HandCase cases[] = {
        {"right", 0, false, {{2, 0, 0}, {3, 612, 0}}, two, {2, 3}, true},
        {"swapped", 0, false, {{3, 0, 0}, {2, 612, 0}}, two, {2, 3}, false},
        {"upside down", 0, false, {{2, 0, 0}, {3, 1224, 792, true}}, two, {2, 3}, false},
        // Page 2 uses Courier-Bold under /F1; drawn in the carrier's Helvetica it is wrong.
        {"wrong font", 0, false, {{1, 0, 0}, {2, 612, 0, false, "Helvetica"}}, two, {1, 2}, false},
        {"no image", 0, false, {{1, 0, 0}, {2, 612, 0, false, "", true}}, two, {1, 2}, false},
        {"missing page", 0, false, {{1, 0, 0}}, two, {1, 2}, false},
        {"page in an empty slot", 0, false, {{1, 0, 0}, {4, 612, 0}}, two, {1, 0}, false},
        {"page 4 beside 1", 0, false, {{1, 0, 0}, {4, 612, 0}}, two, {1, 4}, true},
        // Turned pages on a turned sheet: the grid is transposed in user space.
        {"turned",
         1,
         true,
         {{1, 0, 0}, {2, 0, 792}, {3, 612, 0}, {4, 1224, 1584, true}},
         four,
         {1, 2, 3, 4},
         true},
        {"turned read unturned",
         1,
         true,
         {{1, 0, 792}, {2, 612, 792}, {3, 0, 0}, {4, 1224, 792, true}},
         four,
         {1, 2, 3, 4},
         false},
        {"flipped", 2, false, {{1, 0, 0}, {2, 1224, 792, true}}, two, {1, 2}, true},
        {"flipped drawn upright", 2, false, {{1, 0, 0}, {2, 612, 0}}, two, {1, 2}, false},
        // Side by side, the second crop box starts where the first ends, not a media box on.
        {"cropped", 3, false, {{1, 0, 0}, {2, 540, 0}}, two, {1, 2}, true},
        {"cropped at media pitch", 3, false, {{1, 0, 0}, {2, 612, 0}}, two, {1, 2}, false},
    };
    for (const HandCase& c : cases) {
        FeatureDoc doc = inputDoc(c.doc);
        std::string sheet = makeHandSheet(doc, 1224, c.tall ? 1584 : 792, c.tall ? 90 : 0, c.drawn,
                                          c.doc == 3 ? kCrop : "");
        std::vector<std::string> failures = checkHandSheet(doc, sheet, c.grid, c.slots);
        EXPECT_EQ(failures.empty(), c.passes) << c.name << ":\n" << joined(failures);
    }
}
