// Round trips through the split-back layouts: a 2-up document cut back into single pages shows
// the original pages again.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e/E2eSupport.h"
#include "support/TestPdf.h"

namespace {

struct RoundTrip {
    const char* name;
    const char* rotate;    // the original pages' /Rotate
    const char* mediaBox;  // the original pages' media box; "": letter at the origin
    const char* imposeOptions;
    const char* splitOptions;
};

class SplitBack : public testing::TestWithParam<RoundTrip> {};

TEST_P(SplitBack, HalvesShowTheOriginalPages) {
    const RoundTrip& trip = GetParam();
    TempDir dir;
    FeatureDoc doc;
    doc.pages = numberedPages(4);
    for (FeaturePage& page : doc.pages) {
        page.rotate = trip.rotate;
        page.ownMediaBox = !*trip.mediaBox;
        if (*trip.mediaBox) page.extraKeys = std::string("/MediaBox [") + trip.mediaBox + "]";
    }
    ConversionCheck check;
    check.referencePath = dir.write("original.pdf", makeFeaturePdf(doc));
    check.inputPath = dir.file("twoup.pdf");
    std::vector<std::string> args = splitOptions(trip.imposeOptions);
    args.insert(args.begin(), {check.referencePath, check.inputPath});
    ASSERT_EQ(runTessel(args).status, 0);
    check.options = trip.splitOptions;
    check.pages = parseOrder("=1|=2|=3|=4");
    expectConversion(check, dir.file("back.pdf"));
}

const RoundTrip kTrips[] = {
    {"Vertical", "", "", "", "-2to1up"},
    // -down stacks the pages; the upper half (the first page) comes first.
    {"Horizontal", "", "", "-down", "-2to1uph"},
    // A sheet of turned pages is stored turned (/Rotate 90): the cut runs between its pages as
    // displayed, across its stored height.
    {"Turned", "90", "", "", "-2to1up"},
    {"TurnedDown", "270", "", "-down", "-2to1uph"},
    // The cut is at the middle of the sheet, not at half its upper-right corner.
    {"NegativeOrigin", "", "-100 -50 512 742", "", "-2to1up"},
};

}  // namespace

INSTANTIATE_TEST_SUITE_P(RoundTrips, SplitBack, testing::ValuesIn(kTrips),
                         [](const testing::TestParamInfo<RoundTrip>& p) {
                             return std::string(p.param.name);
                         });
