// Each sheet family of tessel on small made-up documents, with margins, boxes, rotations and page
// features: page count, sheet boxes and a render check of each sheet against the input pages.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "e2e/E2eSupport.h"
#include "pdf/FormatText.h"
#include "support/TestPdf.h"

namespace {

// The kinds of made-up input documents.
enum class Doc {
    numbered,        // plain numbered pages
    fonts,           // /F1 is Helvetica, Courier-Bold or Times-Bold by page; every page has /Im1
    annotations,     // every page has a visible Square annotation and a Link
    contents,        // pages without /Contents, with a /Contents array, with one stream
    inheritAll,      // MediaBox, Resources and Rotate 90 inherited from an intermediate node
    inheritRoot,     // MediaBox and Resources inherited from the root
    inheritSome,     // odd pages inherit the root's Resources; even pages have their own, page 4
                     // with another font under the same name
    objectStream,    // page objects in an object stream, cross-reference stream
    boxes,           // pages state CropBox, BleedBox, TrimBox and ArtBox inside the media box
    cropInside,      // a crop box well inside the media box
    bleeding,        // a crop box inside the media box, and bars painted far beyond both boxes
    negativeOrigin,  // a media box whose lower-left corner lies below and left of the origin
    mixedSizes,      // letter, half letter and landscape letter pages in turn
    highlight        // a Highlight annotation without appearance, painted from its /QuadPoints
};

struct LayoutCase {
    const char* name;
    Doc doc;
    int pages;
    const char* rotate;  // /Rotate values cycled over the pages ("90", "0,180"); "" for none
    const char* options;
    int across, down;
    bool twoUpFamily;
    const char* order;               // expected output pages, see parseOrder
    const char* mediaBox;            // expected media box of output page 1
    int rotation;                    // displayed rotation of output page 1
    const char* sequence = nullptr;  // sequence file text for -seq
    const char* cropBox = nullptr;
};

std::vector<std::string> splitList(const std::string& text) {
    std::vector<std::string> items;
    std::istringstream stream(text);
    std::string item;
    while (std::getline(stream, item, ',')) items.push_back(item);
    return items;
}

FeatureDoc makeDoc(const LayoutCase& c) {
    static const char* const kFonts[] = {"Helvetica", "Courier-Bold", "Times-Bold"};
    static const FeaturePage::Contents kKinds[] = {
        FeaturePage::Contents::none, FeaturePage::Contents::array, FeaturePage::Contents::stream};
    static const double kSizes[3][2] = {{612, 792}, {396, 612}, {792, 612}};
    FeatureDoc doc;
    doc.pages = numberedPages(c.pages);
    std::vector<std::string> rotations = splitList(c.rotate);
    const Doc d = c.doc;
    for (size_t i = 0; i < doc.pages.size(); i++) {
        FeaturePage& page = doc.pages[i];
        if (!rotations.empty()) page.rotate = rotations[i % rotations.size()];
        if (d == Doc::fonts) page.font = kFonts[i % 3];
        page.image = d == Doc::fonts;
        page.annotations = d == Doc::annotations;
        if (d == Doc::contents) page.contents = kKinds[i % 3];
        page.inNode = d == Doc::inheritAll;
        page.ownMediaBox =
            d != Doc::inheritAll && d != Doc::inheritRoot && d != Doc::negativeOrigin;
        page.ownResources =
            d != Doc::inheritAll && d != Doc::inheritRoot && !(d == Doc::inheritSome && i % 2 == 0);
        if (d == Doc::inheritSome && i % 4 == 3) page.font = "Courier-Bold";
        if (d == Doc::boxes) {
            page.extraKeys =
                "/CropBox [18 18 594 774] /BleedBox [5 5 607 787] "
                "/TrimBox [20 20 592 772] /ArtBox [10 20 600 770]";
        }
        if (d == Doc::cropInside || d == Doc::bleeding) page.extraKeys = "/CropBox [36 36 576 756]";
        // Bars whose place depends on the page, so that one leaking into a neighbour's cell does
        // not fall on the neighbour's own bars.
        if (d == Doc::bleeding) {
            page.extraContent = formatText("0.4 g -100 %zu 812 40 re f %zu -100 40 992 re f\n",
                                           150 + 200 * (i % 3), 120 + 150 * (i % 3));
        }
        if (d == Doc::negativeOrigin) page.extraKeys = "/MediaBox [-100 -50 512 742]";
        if (d == Doc::mixedSizes) {
            page.width = kSizes[i % 3][0];
            page.height = kSizes[i % 3][1];
        }
        page.highlight = d == Doc::highlight;
    }
    if (d == Doc::inheritAll) {
        doc.rootExtra = "/MediaBox [0 0 300 300]";
        doc.nodeExtra = "/MediaBox [0 0 612 792] /Rotate 90 /Resources << /Font << /F1 3 0 R >> >>";
    }
    if (d == Doc::inheritSome) {
        doc.rootExtra = "/Resources << /Font << /F1 3 0 R >> /ProcSet [/PDF /Text] >>";
    }
    if (d == Doc::inheritRoot) {
        doc.rootExtra = "/MediaBox [0 0 612 792] /Resources << /Font << /F1 3 0 R >> >>";
    }
    doc.objectStream = d == Doc::objectStream;
    return doc;
}

// Finds the integer after an option ("-rightmargin 20") or 0.
int optionNumber(const std::string& options, const std::string& name) {
    std::vector<std::string> args = splitOptions(options);
    for (size_t i = 0; i + 1 < args.size(); i++) {
        if (args[i] == name) return std::atoi(args[i + 1].c_str());
    }
    return 0;
}

void PrintTo(const LayoutCase& c, std::ostream* out) {
    *out << c.name << " (" << c.options << ")";
}

class Layout : public testing::TestWithParam<LayoutCase> {};

TEST_P(Layout, SheetsShowTheRightPages) {
    const LayoutCase& c = GetParam();
    TempDir dir;
    ConversionCheck check;
    check.inputPath = dir.write("in.pdf", makeFeaturePdf(makeDoc(c)));
    std::string options = c.options;
    if (c.sequence) options += " -seq " + dir.write("order.txt", c.sequence);
    check.options = options;
    check.grid = GridLayout{c.across, c.down, c.twoUpFamily};
    check.pages = parseOrder(c.order);
    check.mediaBox = c.mediaBox;
    if (c.cropBox) check.cropBox = c.cropBox;
    check.rotation = c.rotation;
    check.placement.rightMargin = optionNumber(options, "-rightmargin");
    check.placement.bottomMargin = optionNumber(options, "-bottommargin");
    std::vector<std::string> args = splitOptions(options);
    for (size_t i = 0; i + 1 < args.size(); i++) {
        double x1, y1, x2, y2;
        if (args[i] == "-mediabox" &&
            std::sscanf(args[i + 1].c_str(), "%lf,%lf,%lf,%lf", &x1, &y1, &x2, &y2) == 4) {
            check.placement.userMediaX2 = x2;
            check.placement.userMediaY2 = y2;
        }
    }
    expectConversion(check, dir.file("out.pdf"));
}

const char kLetter2up[] = "0 0 1224 792";
const char kLetterDown[] = "0 0 612 1584";
const char kLetter4up[] = "0 0 1224 1584";

// One sheet family each: the page orders themselves are tested in the CPageOrder tables.
const LayoutCase kOrders[] = {
    {"TwoUpOdd", Doc::numbered, 7, "", "-ab", 2, 1, true, "1,2|3,4|5,6|7,0", kLetter2up, 0},
    {"Down", Doc::numbered, 5, "", "-down", 1, 2, true, "1,2|3,4|5,0", kLetterDown, 0},
    {"Duplicate", Doc::numbered, 4, "", "-duplicate", 2, 1, true, "1,1|2,2|3,3|4,4", kLetter2up, 0},
    // Pages outside the range are copied as they are, before and after the sheets.
    {"Range", Doc::numbered, 10, "", "-s3 -e8", 2, 1, true, "=1|=2|3,4|5,6|7,8|=9|=10",
     "0 0 612 792", 0},
    {"FourUp", Doc::numbered, 10, "", "-4up", 2, 2, false, "1,2,3,4|5,6,7,8|9,10,0,0", kLetter4up,
     0},
    {"SixUp3x2", Doc::numbered, 7, "", "-6up3x2", 3, 2, false, "1,2,3,4,5,6|7,0,0,0,0,0",
     "0 0 1836 1584", 0},
    {"TenUp2x5", Doc::numbered, 11, "", "-10up2x5", 2, 5, false,
     "1,2,3,4,5,6,7,8,9,10|11,0,0,0,0,0,0,0,0,0", "0 0 1224 3960", 0},
    {"TwelveUp4x3", Doc::numbered, 12, "", "-12up4x3", 4, 3, false, "1,2,3,4,5,6,7,8,9,10,11,12",
     "0 0 2448 2376", 0},
    // Pages no sheet of the progression shows follow the sheets as single pages.
    {"SequenceLeftOver", Doc::numbered, 10, "", "", 2, 1, true,
     "1,4|2,3|3,2|4,1|5,0|=6|=7|=8|=9|=10", kLetter2up, 0, "1,4 2,3"},
};

const LayoutCase kBoxesAndMargins[] = {
    {"MarginsInUserMediaBox", Doc::numbered, 4, "",
     "-4up -rightmargin 20 -bottommargin 30 -mediabox 0,0,1264,1644", 2, 2, false, "1,2,3,4",
     "0 0 1264 1644", 0},
    {"RightMarginTwoUp", Doc::numbered, 2, "", "-rightmargin 30", 2, 1, true, "1,2", kLetter2up, 0},
    {"BottomMarginDown", Doc::numbered, 4, "", "-down -bottommargin 20 -mediabox 0,0,612,1624", 1,
     2, true, "1,2|3,4", "0 0 612 1624", 0},
    // The crop box holds the pages' crop boxes side by side.
    {"PageBoxesTwoUp", Doc::boxes, 4, "", "", 2, 1, true, "1,2|3,4", kLetter2up, 0, nullptr,
     "18 18 1170 774"},
    {"PageBoxesFourUp", Doc::boxes, 4, "", "-4up", 2, 2, false, "1,2,3,4", kLetter4up, 0, nullptr,
     "18 18 1170 1530"},
    {"PageBoxesTurned", Doc::boxes, 2, "90", "", 2, 1, true, "1,2", kLetterDown, 90, nullptr,
     "18 18 594 1530"},
    {"MediaAndCropBox", Doc::boxes, 4, "", "-mediabox 0,0,1224,792 -cropbox 18,18,1206,774", 2, 1,
     true, "1,2|3,4", "0 0 1224 792", 0, nullptr, "18 18 1206 774"},
    // A page without a crop box of its own gets none from -cropbox.
    {"CropBoxWithoutPageCropBox", Doc::numbered, 2, "", "-4up -cropbox 0,0,1000,1500", 2, 2, false,
     "1,2,0,0", kLetter4up, 0, nullptr, "0 0 1224 1584"},
};

const LayoutCase kRotations[] = {
    {"Rotate90", Doc::numbered, 4, "90", "", 2, 1, true, "1,2|3,4", kLetterDown, 90},
    {"Rotate180", Doc::numbered, 4, "180", "", 2, 1, true, "1,2|3,4", kLetter2up, 0},
    {"Rotate270", Doc::numbered, 4, "270", "", 2, 1, true, "1,2|3,4", kLetterDown, 90},
    {"RotateMinus90", Doc::numbered, 2, "-90", "", 2, 1, true, "1,2", kLetterDown, 90},
    {"Rotate450", Doc::numbered, 2, "450", "", 2, 1, true, "1,2", kLetterDown, 90},
    {"Rotate90Down", Doc::numbered, 4, "90", "-down", 1, 2, true, "1,2|3,4", kLetter2up, 90},
    {"Rotate90Range", Doc::numbered, 5, "90", "-s2 -e3", 2, 1, true, "=1|2,3|=4|=5", "0 0 612 792",
     90},
    {"Mixed90And270FourUp", Doc::numbered, 8, "90,270", "-4up", 2, 2, false, "1,2,3,4|5,6,7,8",
     kLetter4up, 90},
    {"Rotate270EightUp4x2", Doc::numbered, 8, "270", "-8up4x2", 4, 2, false, "1,2,3,4,5,6,7,8",
     "0 0 1224 3168", 90},
    {"Rotate180TwelveUp4x3", Doc::numbered, 12, "180", "-12up4x3", 4, 3, false,
     "1,2,3,4,5,6,7,8,9,10,11,12", "0 0 2448 2376", 0},
};

const LayoutCase kFeatures[] = {
    {"FontsTwelveUp", Doc::fonts, 12, "", "-12up3x4", 3, 4, false, "1,2,3,4,5,6,7,8,9,10,11,12",
     "0 0 1836 3168", 0},
    {"AnnotationsDown", Doc::annotations, 4, "", "-down", 1, 2, true, "1,2|3,4", kLetterDown, 0},
    {"AnnotationsDuplicate", Doc::annotations, 2, "", "-duplicate", 2, 1, true, "1,1|2,2",
     kLetter2up, 0},
    {"ContentsFourUp", Doc::contents, 6, "", "-4up", 2, 2, false, "1,2,3,4|5,6,0,0", kLetter4up, 0},
    {"InheritAllTwoUp", Doc::inheritAll, 6, "", "-s2 -e5", 2, 1, true, "=1|2,3|4,5|=6",
     "0 0 612 792", 90},
    {"InheritRootFourUp", Doc::inheritRoot, 5, "", "-4up", 2, 2, false, "1,2,3,4|5,0,0,0",
     kLetter4up, 0},
    {"InheritSomeTwoUp", Doc::inheritSome, 4, "", "", 2, 1, true, "1,2|3,4", kLetter2up, 0},
    {"ObjectStreamFourUp", Doc::objectStream, 6, "90", "-4up", 2, 2, false, "1,2,3,4|5,6,0,0",
     kLetter4up, 90},
};

// Pages whose boxes do not start at the origin or differ in size, and pages that paint beyond
// their boxes: every page shows whole in its own cell and nowhere else.
const LayoutCase kGeometry[] = {
    {"PaintBeyondTheBoxTwoUp", Doc::bleeding, 2, "", "", 2, 1, true, "1,2", kLetter2up, 0, nullptr,
     "36 36 1116 756"},
    {"PaintBeyondTheBoxFourUp", Doc::bleeding, 4, "0,180", "-4up", 2, 2, false, "1,2,3,4",
     kLetter4up, 0},
    {"CropInsideMediaTwoUp", Doc::cropInside, 4, "", "", 2, 1, true, "1,2|3,4", kLetter2up, 0,
     nullptr, "36 36 1116 756"},
    {"CropInsideMediaTurned", Doc::cropInside, 2, "90,270", "", 2, 1, true, "1,2", kLetterDown, 90,
     nullptr, "36 36 576 1476"},
    {"NegativeOriginSixUp", Doc::negativeOrigin, 6, "0,180", "-6up3x2", 3, 2, false, "1,2,3,4,5,6",
     "-100 -50 1736 1534", 0},
    {"MixedSizesFourUp", Doc::mixedSizes, 6, "0,180", "-4up", 2, 2, false, "1,2,3,4|5,6,0,0",
     "0 0 1584 1584", 0},
    {"MixedSizesTurned", Doc::mixedSizes, 3, "90", "-down", 1, 2, true, "1,2|3,0", kLetter2up, 90},
    {"HighlightFlipped", Doc::highlight, 4, "0,180", "-4up", 2, 2, false, "1,2,3,4", kLetter4up, 0},
};

std::string caseName(const testing::TestParamInfo<LayoutCase>& info) {
    return info.param.name;
}

}  // namespace

INSTANTIATE_TEST_SUITE_P(Orders, Layout, testing::ValuesIn(kOrders), caseName);
INSTANTIATE_TEST_SUITE_P(BoxesAndMargins, Layout, testing::ValuesIn(kBoxesAndMargins), caseName);
INSTANTIATE_TEST_SUITE_P(Rotations, Layout, testing::ValuesIn(kRotations), caseName);
INSTANTIATE_TEST_SUITE_P(Features, Layout, testing::ValuesIn(kFeatures), caseName);
INSTANTIATE_TEST_SUITE_P(Geometry, Layout, testing::ValuesIn(kGeometry), caseName);
