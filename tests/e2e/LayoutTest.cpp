// Every layout and page order of tessel on small made-up documents: page count, sheet boxes and a
// render check of each sheet against the input pages.
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
    FeatureDoc doc;
    doc.pages = numberedPages(c.pages);
    std::vector<std::string> rotations = splitList(c.rotate);
    for (size_t i = 0; i < doc.pages.size(); i++) {
        FeaturePage& page = doc.pages[i];
        if (!rotations.empty()) page.rotate = rotations[i % rotations.size()];
        switch (c.doc) {
            case Doc::numbered:
                break;
            case Doc::fonts: {
                static const char* const kFonts[] = {"Helvetica", "Courier-Bold", "Times-Bold"};
                page.font = kFonts[i % 3];
                page.image = true;
                break;
            }
            case Doc::annotations:
                page.annotations = true;
                break;
            case Doc::contents: {
                static const FeaturePage::Contents kKinds[] = {FeaturePage::Contents::none,
                                                               FeaturePage::Contents::array,
                                                               FeaturePage::Contents::stream};
                page.contents = kKinds[i % 3];
                break;
            }
            case Doc::inheritAll:
                page.inNode = true;
                page.ownMediaBox = false;
                page.ownResources = false;
                break;
            case Doc::inheritRoot:
                page.ownMediaBox = false;
                page.ownResources = false;
                break;
            case Doc::objectStream:
                break;
            case Doc::boxes:
                page.extraKeys =
                    "/CropBox [18 18 594 774] /BleedBox [5 5 607 787] /TrimBox [20 20 592 772] "
                    "/ArtBox [10 20 600 770]";
                break;
            case Doc::bleeding:
                // Bars whose place depends on the page, so that one leaking into a neighbour's
                // cell does not fall on the neighbour's own bars.
                page.extraContent = formatText("0.4 g -100 %zu 812 40 re f %zu -100 40 992 re f\n",
                                               150 + 200 * (i % 3), 120 + 150 * (i % 3));
                page.extraKeys = "/CropBox [36 36 576 756]";
                break;
            case Doc::cropInside:
                page.extraKeys = "/CropBox [36 36 576 756]";
                break;
            case Doc::negativeOrigin:
                page.ownMediaBox = false;
                page.extraKeys = "/MediaBox [-100 -50 512 742]";
                break;
            case Doc::mixedSizes: {
                static const double kSizes[3][2] = {{612, 792}, {396, 612}, {792, 612}};
                page.width = kSizes[i % 3][0];
                page.height = kSizes[i % 3][1];
                break;
            }
            case Doc::highlight:
                page.highlight = true;
                break;
        }
    }
    if (c.doc == Doc::inheritAll) {
        doc.rootExtra = "/MediaBox [0 0 300 300]";
        doc.nodeExtra = "/MediaBox [0 0 612 792] /Rotate 90 /Resources << /Font << /F1 3 0 R >> >>";
    }
    if (c.doc == Doc::inheritRoot) {
        doc.rootExtra = "/MediaBox [0 0 612 792] /Resources << /Font << /F1 3 0 R >> >>";
    }
    doc.objectStream = c.doc == Doc::objectStream;
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

const LayoutCase kOrders[] = {
    {"TwoUp", Doc::numbered, 10, "", "", 2, 1, true, "1,2|3,4|5,6|7,8|9,10", kLetter2up, 0},
    {"TwoUpOdd", Doc::numbered, 7, "", "-ab", 2, 1, true, "1,2|3,4|5,6|7,0", kLetter2up, 0},
    {"Split", Doc::numbered, 10, "", "-split", 2, 1, true, "1,6|2,7|3,8|4,9|5,10", kLetter2up, 0},
    {"SplitOdd", Doc::numbered, 7, "", "-split", 2, 1, true, "1,5|2,6|3,7|4,0", kLetter2up, 0},
    {"Down", Doc::numbered, 5, "", "-down", 1, 2, true, "1,2|3,4|5,0", kLetterDown, 0},
    {"SplitDown", Doc::numbered, 6, "", "-split -down", 1, 2, true, "1,4|2,5|3,6", kLetterDown, 0},
    {"Duplex", Doc::numbered, 7, "", "-duplex", 2, 1, true, "1,2|4,3|5,6|0,7", kLetter2up, 0},
    // The last page, whose back side would hold it alone, follows the sheets as a single page.
    {"Duplex1423", Doc::numbered, 10, "", "-duplex1423", 2, 1, true, "1,4|2,3|5,8|6,7|9,0|=10",
     kLetter2up, 0},
    {"Duplex1342", Doc::numbered, 10, "", "-duplex1342", 2, 1, true, "1,3|4,2|5,7|8,6|9,0|=10",
     kLetter2up, 0},
    {"Duplex4123", Doc::numbered, 10, "", "-duplex4123", 2, 1, true, "4,1|2,3|8,5|6,7|0,9|=10",
     kLetter2up, 0},
    {"Duplex1423Even", Doc::numbered, 8, "", "-duplex1423", 2, 1, true, "1,4|2,3|5,8|6,7",
     kLetter2up, 0},
    {"OuterIn", Doc::numbered, 10, "", "-outer-in", 2, 1, true, "0,1|2,0|10,3|4,9|8,5|6,7",
     kLetter2up, 0},
    {"OuterInOdd", Doc::numbered, 7, "", "-outer-in", 2, 1, true, "0,1|2,7|6,3|4,5", kLetter2up, 0},
    {"OuterIn11", Doc::numbered, 11, "", "-outer-in", 2, 1, true, "0,1|2,11|10,3|4,9|8,5|6,7",
     kLetter2up, 0},
    {"Signature", Doc::numbered, 20, "", "-outer-in -signature 8", 2, 1, true,
     "8,1|2,7|6,3|4,5|16,9|10,15|14,11|12,13|0,17|18,0|0,19|20,0", kLetter2up, 0},
    {"Stack", Doc::numbered, 7, "", "-stack", 2, 1, true, "1,5|2,6|3,7|4,0", kLetter2up, 0},
    {"StackFourUp", Doc::numbered, 10, "", "-4up -stack", 2, 2, false, "1,4,7,10|2,5,8,0|3,6,9,0",
     kLetter4up, 0},
    {"StackSixUp", Doc::numbered, 8, "", "-6up2x3 -stack", 2, 3, false, "1,3,5,7,0,0|2,4,6,8,0,0",
     "0 0 1224 2376", 0},
    {"StackFourUpDuplex", Doc::numbered, 10, "", "-4up -stack -duplex", 2, 2, false,
     "1,5,9,0|6,2,0,10|3,7,0,0|8,4,0,0", kLetter4up, 0},
    {"Duplicate", Doc::numbered, 4, "", "-duplicate", 2, 1, true, "1,1|2,2|3,3|4,4", kLetter2up, 0},
    {"SplitDuplicate", Doc::numbered, 6, "", "-split -duplicate", 2, 1, true,
     "1,1|4,4|2,2|5,5|3,3|6,6", kLetter2up, 0},
    {"Range", Doc::numbered, 10, "", "-s3 -e8", 2, 1, true, "=1|=2|3,4|5,6|7,8|=9|=10",
     "0 0 612 792", 0},
    {"RangeStart", Doc::numbered, 6, "", "-s4", 2, 1, true, "=1|=2|=3|4,5|6,0", "0 0 612 792", 0},
    {"RangeEndBeyond", Doc::numbered, 4, "", "-e20", 2, 1, true, "1,2|3,4", kLetter2up, 0},
    {"FourUp", Doc::numbered, 10, "", "-4up", 2, 2, false, "1,2,3,4|5,6,7,8|9,10,0,0", kLetter4up,
     0},
    {"FourUpDown", Doc::numbered, 12, "", "-4up -down", 2, 2, false, "1,3,2,4|5,7,6,8|9,11,10,12",
     kLetter4up, 0},
    {"FourUpAb4", Doc::numbered, 8, "", "-4up -ab4", 2, 2, false, "1,3,5,7|4,2,8,6", kLetter4up, 0},
    {"FourUpAb4Down", Doc::numbered, 8, "", "-4up -ab4 -down", 2, 2, false, "1,5,3,7|4,2,8,6",
     kLetter4up, 0},
    // The back of the last group carries page 10 alone, in slot 1.
    {"FourUpAb4Odd", Doc::numbered, 10, "", "-4up -ab4", 2, 2, false,
     "1,3,5,7|4,2,8,6|9,0,0,0|0,10,0,0", kLetter4up, 0},
    // The end page drops to whole sheets; the pages it leaves out follow as single pages.
    {"FourUpAb4End", Doc::numbered, 8, "", "-4up -ab4 -e6", 2, 2, false,
     "1,3,0,0|4,2,0,0|=5|=6|=7|=8", kLetter4up, 0},
    {"SixUpAb6", Doc::numbered, 12, "", "-6up2x3 -ab6", 2, 3, false, "1,3,5,7,9,11|4,2,8,6,12,10",
     "0 0 1224 2376", 0},
    {"TwelveUpAb12", Doc::numbered, 24, "", "-12up2x6 -ab12", 2, 6, false,
     "1,3,5,7,9,11,13,15,17,19,21,23|4,2,8,6,12,10,16,14,20,18,24,22", "0 0 1224 4752", 0},
    {"FourUpSplit", Doc::numbered, 10, "", "-4up -split", 2, 2, false, "1,7,2,8|3,9,4,10|5,0,6,0",
     kLetter4up, 0},
    {"FourUpSplitDown", Doc::numbered, 10, "", "-4up -split -down", 2, 2, false,
     "1,2,7,8|3,4,9,10|5,6,0,0", kLetter4up, 0},
    {"FourUpRange", Doc::numbered, 9, "", "-4up -s2 -e7", 2, 2, false, "=1|2,3,4,5|6,7,0,0|=8|=9",
     "0 0 612 792", 0},
    {"SixUp2x3", Doc::numbered, 13, "", "-6up2x3", 2, 3, false,
     "1,2,3,4,5,6|7,8,9,10,11,12|13,0,0,0,0,0", "0 0 1224 2376", 0},
    {"SixUp3x2", Doc::numbered, 7, "", "-6up3x2", 3, 2, false, "1,2,3,4,5,6|7,0,0,0,0,0",
     "0 0 1836 1584", 0},
    {"SixUp2x3Down", Doc::numbered, 12, "", "-6up2x3 -down", 2, 3, false,
     "1,4,2,5,3,6|7,10,8,11,9,12", "0 0 1224 2376", 0},
    {"SixUp2x3DownDuplex", Doc::numbered, 14, "", "-6up2x3 -down -duplex -s2", 2, 3, false,
     "=1|2,5,3,6,4,7|11,8,12,9,13,10|14,0,0,0,0,0", "0 0 612 792", 0},
    {"EightUp2x4", Doc::numbered, 9, "", "-8up2x4", 2, 4, false, "1,2,3,4,5,6,7,8|9,0,0,0,0,0,0,0",
     "0 0 1224 3168", 0},
    {"EightUp4x2", Doc::numbered, 8, "", "-8up4x2 -down", 4, 2, false, "1,3,5,7,2,4,6,8",
     "0 0 2448 1584", 0},
    {"TenUp2x5", Doc::numbered, 11, "", "-10up2x5", 2, 5, false,
     "1,2,3,4,5,6,7,8,9,10|11,0,0,0,0,0,0,0,0,0", "0 0 1224 3960", 0},
    {"TenUp5x2", Doc::numbered, 10, "", "-10up5x2", 5, 2, false, "1,2,3,4,5,6,7,8,9,10",
     "0 0 3060 1584", 0},
    {"TenUpSpecial", Doc::numbered, 20, "", "-10up2x5spec1 -duplex", 2, 5, false,
     "20,1,17,4,16,5,13,8,12,9|11,10,14,7,15,6,18,3,19,2", "0 0 1224 3960", 0},
    {"TwelveUp2x6", Doc::numbered, 13, "", "-12up2x6", 2, 6, false,
     "1,2,3,4,5,6,7,8,9,10,11,12|13,0,0,0,0,0,0,0,0,0,0,0", "0 0 1224 4752", 0},
    {"TwelveUp6x2", Doc::numbered, 12, "", "-12up6x2", 6, 2, false, "1,2,3,4,5,6,7,8,9,10,11,12",
     "0 0 3672 1584", 0},
    {"TwelveUp3x4", Doc::numbered, 14, "", "-12up3x4", 3, 4, false,
     "1,2,3,4,5,6,7,8,9,10,11,12|13,14,0,0,0,0,0,0,0,0,0,0", "0 0 1836 3168", 0},
    {"TwelveUp4x3", Doc::numbered, 12, "", "-12up4x3", 4, 3, false, "1,2,3,4,5,6,7,8,9,10,11,12",
     "0 0 2448 2376", 0},
    {"TwelveUp3x4Down", Doc::numbered, 13, "", "-12up3x4 -down -s2", 3, 4, false,
     "=1|2,6,10,3,7,11,4,8,12,5,9,13", "0 0 612 792", 0},
    {"SequenceTwoUp", Doc::numbered, 10, "", "", 2, 1, true, "2,1|4,3|6,5|8,7|10,9", kLetter2up, 0,
     "2,1\r\n4,3\r\n"},
    {"SequenceFourUp", Doc::numbered, 10, "", "-4up", 2, 2, false, "2,1,4,3|6,5,8,7|10,9,0,0",
     kLetter4up, 0, "2,1 4,3"},
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
    {"Rotate90Split", Doc::numbered, 6, "90", "-split", 2, 1, true, "1,4|2,5|3,6", kLetterDown, 90},
    {"Rotate90Range", Doc::numbered, 5, "90", "-s2 -e3", 2, 1, true, "=1|2,3|=4|=5", "0 0 612 792",
     90},
    {"Mixed0And180FourUp", Doc::numbered, 8, "0,180", "-4up", 2, 2, false, "1,2,3,4|5,6,7,8",
     kLetter4up, 0},
    {"Mixed90And270FourUp", Doc::numbered, 8, "90,270", "-4up", 2, 2, false, "1,2,3,4|5,6,7,8",
     kLetter4up, 90},
    {"Rotate180FourUpDown", Doc::numbered, 4, "180", "-4up -down", 2, 2, false, "1,3,2,4",
     kLetter4up, 0},
    {"Rotate90SixUp2x3", Doc::numbered, 6, "90", "-6up2x3", 2, 3, false, "1,2,3,4,5,6",
     "0 0 1836 1584", 90},
    {"Rotate270EightUp4x2", Doc::numbered, 8, "270", "-8up4x2", 4, 2, false, "1,2,3,4,5,6,7,8",
     "0 0 1224 3168", 90},
    {"Rotate90TwelveUp3x4", Doc::numbered, 12, "90,270", "-12up3x4", 3, 4, false,
     "1,2,3,4,5,6,7,8,9,10,11,12", "0 0 2448 2376", 90},
    {"Rotate180TwelveUp4x3", Doc::numbered, 12, "180", "-12up4x3", 4, 3, false,
     "1,2,3,4,5,6,7,8,9,10,11,12", "0 0 2448 2376", 0},
};

const LayoutCase kFeatures[] = {
    {"FontsTwoUp", Doc::fonts, 6, "", "", 2, 1, true, "1,2|3,4|5,6", kLetter2up, 0},
    {"FontsFourUp", Doc::fonts, 6, "", "-4up", 2, 2, false, "1,2,3,4|5,6,0,0", kLetter4up, 0},
    {"FontsSixUp", Doc::fonts, 6, "", "-6up3x2", 3, 2, false, "1,2,3,4,5,6", "0 0 1836 1584", 0},
    {"FontsTwelveUp", Doc::fonts, 12, "", "-12up3x4", 3, 4, false, "1,2,3,4,5,6,7,8,9,10,11,12",
     "0 0 1836 3168", 0},
    {"FontsDuplex4123", Doc::fonts, 6, "", "-duplex4123", 2, 1, true, "4,1|2,3|0,5|=6", kLetter2up,
     0},
    {"AnnotationsTwoUp", Doc::annotations, 4, "", "", 2, 1, true, "1,2|3,4", kLetter2up, 0},
    {"AnnotationsDown", Doc::annotations, 4, "", "-down", 1, 2, true, "1,2|3,4", kLetterDown, 0},
    {"AnnotationsFourUp", Doc::annotations, 6, "", "-4up", 2, 2, false, "1,2,3,4|5,6,0,0",
     kLetter4up, 0},
    {"AnnotationsTwelveUp", Doc::annotations, 12, "", "-12up4x3", 4, 3, false,
     "1,2,3,4,5,6,7,8,9,10,11,12", "0 0 2448 2376", 0},
    {"AnnotationsDuplicate", Doc::annotations, 2, "", "-duplicate", 2, 1, true, "1,1|2,2",
     kLetter2up, 0},
    {"ContentsTwoUp", Doc::contents, 6, "", "", 2, 1, true, "1,2|3,4|5,6", kLetter2up, 0},
    {"ContentsFourUp", Doc::contents, 6, "", "-4up", 2, 2, false, "1,2,3,4|5,6,0,0", kLetter4up, 0},
    {"ContentsOuterIn", Doc::contents, 6, "", "-outer-in", 2, 1, true, "0,1|2,0|6,3|4,5",
     kLetter2up, 0},
    {"InheritAllTwoUp", Doc::inheritAll, 6, "", "-s2 -e5", 2, 1, true, "=1|2,3|4,5|=6",
     "0 0 612 792", 90},
    {"InheritAllFourUp", Doc::inheritAll, 6, "", "-4up", 2, 2, false, "1,2,3,4|5,6,0,0", kLetter4up,
     90},
    {"InheritRootTwoUp", Doc::inheritRoot, 5, "", "-s2", 2, 1, true, "=1|2,3|4,5", "0 0 612 792",
     0},
    {"InheritRootFourUp", Doc::inheritRoot, 5, "", "-4up", 2, 2, false, "1,2,3,4|5,0,0,0",
     kLetter4up, 0},
    {"ObjectStreamTwoUp", Doc::objectStream, 5, "", "-e4", 2, 1, true, "1,2|3,4|=5", kLetter2up, 0},
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
