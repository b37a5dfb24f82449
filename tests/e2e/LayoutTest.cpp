// Each sheet family on small made-up documents with margins, boxes, rotations and page features:
// page count, sheet boxes and the render check of every sheet against the input pages.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e/E2eSupport.h"
#include "pdf/FormatText.h"
#include "support/TestPdf.h"

namespace {

enum Doc {
    numbered,
    fonts,           // /F1 is Helvetica, Courier-Bold or Times-Bold by page; every page draws /Im1
    annotations,     // a Square annotation with an appearance and a Link on every page
    contents,        // no /Contents, a /Contents array and one stream in turn
    inheritAll,      // MediaBox, Resources and Rotate 90 from an intermediate node
    inheritRoot,     // MediaBox and Resources from the root
    inheritSome,     // odd pages inherit the root's Resources; page 4 has another font as /F1
    objectStream,    // page objects in an object stream, a cross-reference stream
    boxes,           // CropBox, BleedBox, TrimBox and ArtBox inside the media box
    cropInside,      // a crop box well inside the media box
    bleeding,        // that crop box, and bars painted far beyond both boxes
    negativeOrigin,  // a media box whose lower-left corner lies below and left of the origin
    mixedSizes,      // letter, half letter and landscape letter in turn
    highlight        // a Highlight annotation without appearance, painted from its /QuadPoints
};

struct LayoutCase {
    const char* name;
    Doc doc;
    int pages;
    const char* rotate;  // /Rotate values cycled over the pages
    const char* options;
    const char* order;     // the output pages, see parseOrder
    const char* mediaBox;  // of output page 1
    const char* cropBox = "";
    const char* sequence = nullptr;  // text of a -seq file
};

FeatureDoc makeDoc(const LayoutCase& c) {
    static const char* const kFonts[] = {"Helvetica", "Courier-Bold", "Times-Bold"};
    static const double kSizes[3][2] = {{612, 792}, {396, 612}, {792, 612}};
    FeatureDoc doc;
    doc.pages = numberedPages(c.pages);
    const std::vector<std::string> rotations = splitOptions(c.rotate);
    const Doc d = c.doc;
    for (size_t i = 0; i < doc.pages.size(); i++) {
        FeaturePage& page = doc.pages[i];
        if (!rotations.empty()) page.rotate = rotations[i % rotations.size()];
        if (d == fonts) page.font = kFonts[i % 3];
        if (d == inheritSome && i % 4 == 3) page.font = "Courier-Bold";
        page.image = d == fonts;
        page.annotations = d == annotations;
        page.highlight = d == highlight;
        if (d == contents) page.contents = static_cast<FeaturePage::Contents>(i % 3);
        page.inNode = d == inheritAll;
        page.ownMediaBox = d != inheritAll && d != inheritRoot && d != negativeOrigin;
        page.ownResources =
            d != inheritAll && d != inheritRoot && !(d == inheritSome && i % 2 == 0);
        if (d == boxes)
            page.extraKeys =
                "/CropBox [18 18 594 774] /BleedBox [5 5 607 787] "
                "/TrimBox [20 20 592 772] /ArtBox [10 20 600 770]";
        if (d == cropInside || d == bleeding) page.extraKeys = "/CropBox [36 36 576 756]";
        // Bars placed by the page, so that one leaking into a neighbour misses the neighbour's.
        if (d == bleeding)
            page.extraContent = formatText("0.4 g -100 %zu 812 40 re f %zu -100 40 992 re f\n",
                                           150 + 200 * (i % 3), 120 + 150 * (i % 3));
        if (d == negativeOrigin) page.extraKeys = "/MediaBox [-100 -50 512 742]";
        if (d == mixedSizes) {
            page.width = kSizes[i % 3][0];
            page.height = kSizes[i % 3][1];
        }
    }
    const char* const kFont = "/Resources << /Font << /F1 3 0 R >> >>";
    if (d == inheritAll) {
        doc.rootExtra = "/MediaBox [0 0 300 300]";
        doc.nodeExtra = std::string("/MediaBox [0 0 612 792] /Rotate 90 ") + kFont;
    }
    if (d == inheritSome) doc.rootExtra = "/Resources << /Font << /F1 3 0 R >> /ProcSet [/PDF] >>";
    if (d == inheritRoot) doc.rootExtra = std::string("/MediaBox [0 0 612 792] ") + kFont;
    doc.objectStream = d == objectStream;
    return doc;
}

class Layout : public testing::TestWithParam<LayoutCase> {};

TEST_P(Layout, SheetsShowTheRightPages) {
    const LayoutCase& c = GetParam();
    TempDir dir;
    ConversionCheck check;
    check.inputPath = dir.write("in.pdf", makeFeaturePdf(makeDoc(c)));
    check.options = c.options;
    if (c.sequence) check.options += " -seq " + dir.write("order.txt", c.sequence);
    check.grid = gridOf(c.options);
    check.pages = parseOrder(c.order);
    check.mediaBox = c.mediaBox;
    check.cropBox = c.cropBox;
    expectConversion(check, dir.file("out.pdf"));
}

const char k2up[] = "0 0 1224 792", kDown[] = "0 0 612 1584", k4up[] = "0 0 1224 1584";

// One row per sheet family; the page orders themselves are in the CPageOrder tables.
const LayoutCase kCases[] = {
    {"TwoUpOdd", numbered, 7, "", "-ab", "1,2|3,4|5,6|7,0", k2up},
    {"Down", numbered, 5, "", "-down", "1,2|3,4|5,0", kDown},
    {"TenUp2x5", numbered, 11, "", "-10up2x5", "1,2,3,4,5,6,7,8,9,10|11", "0 0 1224 3960"},
    // Pages no sheet of the sequence shows follow the sheets as single pages.
    {"SequenceLeftOver", numbered, 10, "", "", "1,4|2,3|3,2|4,1|5,0|=6|=7|=8|=9|=10", k2up, "",
     "1,4 2,3"},
    {"MarginsInUserMediaBox", numbered, 4, "",
     "-4up -rightmargin 20 -bottommargin 30 -mediabox 0,0,1264,1644", "1,2,3,4", "0 0 1264 1644"},
    {"RightMarginTwoUp", numbered, 2, "", "-rightmargin 30", "1,2", k2up},
    {"BottomMarginDown", numbered, 4, "", "-down -bottommargin 20 -mediabox 0,0,612,1624",
     "1,2|3,4", "0 0 612 1624"},
    // The crop box holds the pages' crop boxes side by side.
    {"PageBoxesFourUp", boxes, 4, "", "-4up", "1,2,3,4", k4up, "18 18 1170 1530"},
    {"PageBoxesTurned", boxes, 2, "90", "", "1,2", kDown, "18 18 594 1530"},
    {"MediaAndCropBox", boxes, 4, "", "-mediabox 0,0,1224,792 -cropbox 18,18,1206,774", "1,2|3,4",
     k2up, "18 18 1206 774"},
    // A page without a crop box of its own gets none from -cropbox.
    {"CropBoxWithoutPageCropBox", numbered, 2, "", "-4up -cropbox 0,0,1000,1500", "1,2,0,0", k4up,
     "0 0 1224 1584"},
    {"Rotate90Down", numbered, 4, "90", "-down", "1,2|3,4", k2up},
    {"Mixed90And270FourUp", numbered, 8, "90 270", "-4up", "1,2,3,4|5,6,7,8", k4up},
    {"Rotate270EightUp4x2", numbered, 8, "270", "-8up4x2", "1,2,3,4,5,6,7,8", "0 0 1224 3168"},
    {"Rotate180TwelveUp4x3", numbered, 12, "180", "-12up4x3", "1,2,3,4,5,6,7,8,9,10,11,12",
     "0 0 2448 2376"},
    {"FontsTwelveUp", fonts, 12, "", "-12up3x4", "1,2,3,4,5,6,7,8,9,10,11,12", "0 0 1836 3168"},
    {"AnnotationsDuplicate", annotations, 2, "", "-duplicate", "1,1|2,2", k2up},
    {"ContentsFourUp", contents, 6, "", "-4up", "1,2,3,4|5,6,0,0", k4up},
    // Pages outside the range -s2 -e5 are copied as they are, before and after the sheets.
    {"InheritAllTwoUp", inheritAll, 6, "", "-s2 -e5", "=1|2,3|4,5|=6", "0 0 612 792"},
    {"InheritRootFourUp", inheritRoot, 5, "", "-4up", "1,2,3,4|5,0,0,0", k4up},
    {"InheritSomeTwoUp", inheritSome, 4, "", "", "1,2|3,4", k2up},
    {"ObjectStreamFourUp", objectStream, 6, "90", "-4up", "1,2,3,4|5,6,0,0", k4up},
    // Pages that paint beyond their boxes, boxes away from the origin, pages of several sizes:
    // each page shows whole in its own cell and nowhere else.
    {"PaintBeyondTheBoxTwoUp", bleeding, 2, "", "", "1,2", k2up, "36 36 1116 756"},
    {"PaintBeyondTheBoxFourUp", bleeding, 4, "0 180", "-4up", "1,2,3,4", k4up},
    {"CropInsideMediaTurned", cropInside, 2, "90 270", "", "1,2", kDown, "36 36 576 1476"},
    {"NegativeOriginSixUp", negativeOrigin, 6, "0 180", "-6up3x2", "1,2,3,4,5,6",
     "-100 -50 1736 1534"},
    {"MixedSizesFourUp", mixedSizes, 6, "0 180", "-4up", "1,2,3,4|5,6,0,0", "0 0 1584 1584"},
    {"MixedSizesTurned", mixedSizes, 3, "90", "-down", "1,2|3,0", k2up},
    {"HighlightFlipped", highlight, 4, "0 180", "-4up", "1,2,3,4", k4up},
};

}  // namespace

INSTANTIATE_TEST_SUITE_P(Sheets, Layout, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<LayoutCase>& p) {
                             return std::string(p.param.name);
                         });
