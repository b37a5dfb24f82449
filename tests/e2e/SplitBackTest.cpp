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
    const char* rotate;         // the original pages' /Rotate, "" for none
    const char* mediaBox;       // the original pages' media box, "" for letter at the origin
    const char* imposeOptions;  // makes the 2-up document
    const char* splitOptions;   // cuts it back
    const char* order;          // original page shown by each output page
    const char* secondBox;      // media box of output page 2
};

class SplitBack : public testing::TestWithParam<RoundTrip> {};

void PrintTo(const RoundTrip& trip, std::ostream* out) {
    *out << trip.name;
}

TEST_P(SplitBack, HalvesShowTheOriginalPages) {
    const RoundTrip& trip = GetParam();
    TempDir dir;
    FeatureDoc doc;
    doc.pages = numberedPages(4);
    for (FeaturePage& page : doc.pages) {
        page.rotate = trip.rotate;
        if (*trip.mediaBox) {
            page.ownMediaBox = false;
            page.extraKeys = std::string("/MediaBox [") + trip.mediaBox + "]";
        }
    }
    std::string original = dir.write("original.pdf", makeFeaturePdf(doc));
    std::vector<std::string> args = {original, dir.file("twoup.pdf")};
    for (const std::string& option : splitOptions(trip.imposeOptions)) args.push_back(option);
    TesselRun run = runTessel(args);
    ASSERT_EQ(run.status, 0) << run.output;

    args = {"twoup.pdf", "back.pdf"};
    for (const std::string& option : splitOptions(trip.splitOptions)) args.push_back(option);
    run = runTessel(args, dir.path());
    ASSERT_EQ(run.status, 0) << run.output;
    std::string back = dir.file("back.pdf");
    EXPECT_EQ(qpdfCheck(back), 0);
    std::vector<ExpectedPage> pages = parseOrder(trip.order);
    ASSERT_EQ(qpdfPageCount(back), static_cast<int>(pages.size()));

    std::vector<PageBoxes> boxes;
    std::string error;
    ASSERT_TRUE(readPageBoxes(back, boxes, &error)) << error;
    double want[4];
    ASSERT_EQ(
        std::sscanf(trip.secondBox, "%lf %lf %lf %lf", &want[0], &want[1], &want[2], &want[3]), 4);
    for (int i = 0; i < 4; i++) EXPECT_NEAR(boxes[1].media[i], want[i], 0.011) << "corner " << i;

    std::vector<GrayImage> originals, halves;
    ASSERT_TRUE(renderPages(original, 20, originals, &error)) << error;
    ASSERT_TRUE(renderPages(back, 20, halves, &error)) << error;
    ASSERT_EQ(halves.size(), pages.size());
    for (size_t i = 0; i < halves.size(); i++) {
        int page = pages[i].slots[0];
        double own = meanDifference(halves[i], originals[static_cast<size_t>(page - 1)]);
        EXPECT_LE(own, RenderTolerance().cellMean) << "output page " << i + 1;
        for (size_t other = 0; other < originals.size(); other++) {
            if (static_cast<int>(other) == page - 1) continue;
            EXPECT_LT(own, meanDifference(halves[i], originals[other]))
                << "output page " << i + 1 << " looks like page " << other + 1;
        }
    }
}

const RoundTrip kTrips[] = {
    {"Vertical", "", "", "", "-2to1up", "1|2|3|4", "612 0 1224 792"},
    // -down stacks the pages; the upper half (the first page) comes first.
    {"Horizontal", "", "", "-down", "-2to1uph", "1|2|3|4", "0 0 612 792"},
    // A sheet of turned pages is stored turned (/Rotate 90): the cut runs between its pages as
    // displayed, across its stored height.
    {"Turned", "90", "", "", "-2to1up", "1|2|3|4", "0 792 612 1584"},
    {"TurnedDown", "270", "", "-down", "-2to1uph", "1|2|3|4", "612 0 1224 792"},
    // The cut is at the middle of the sheet, not at half its upper-right corner.
    {"NegativeOrigin", "", "-100 -50 512 742", "", "-2to1up", "1|2|3|4", "512 -50 1124 742"},
};

std::string tripName(const testing::TestParamInfo<RoundTrip>& info) {
    return info.param.name;
}

}  // namespace

INSTANTIATE_TEST_SUITE_P(RoundTrips, SplitBack, testing::ValuesIn(kTrips), tripName);
