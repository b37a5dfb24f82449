// The page order families on a real document: a 14-page pdfTeX paper through the 2-up orders,
// the 4-up orders, 6-up and the special 10-up order, each sheet rendered and compared with the
// pages that belong in its cells.
#include <gtest/gtest.h>

#include <string>

#include "e2e/E2eSupport.h"
#include "support/TestPdf.h"

namespace {

struct OrderCase {
    const char* name;
    const char* options;
    int across, down;
    bool twoUpFamily;
    const char* order;  // expected output pages, "=n" for a single page
};

// Worked out by hand for 14 pages: the orders the README draws.
const OrderCase kOrders[] = {
    {"Split", "-split", 2, 1, true, "1,8|2,9|3,10|4,11|5,12|6,13|7,14"},
    {"Down", "-down", 1, 2, true, "1,2|3,4|5,6|7,8|9,10|11,12|13,14"},
    {"Duplex", "-duplex", 2, 1, true, "1,2|4,3|5,6|8,7|9,10|12,11|13,14"},
    {"OuterIn", "-outer-in", 2, 1, true, "0,1|2,0|14,3|4,13|12,5|6,11|10,7|8,9"},
    {"FourUpABRange", "-4up -ab4 -e10", 2, 2, false, "1,3,5,7|4,2,8,6|=9|=10|=11|=12|=13|=14"},
    {"Duplicate", "-duplicate -e4", 2, 1, true,
     "1,1|2,2|3,3|4,4|=5|=6|=7|=8|=9|=10|=11|=12|=13|=14"},
    {"FourUpColumns", "-4up -down", 2, 2, false, "1,3,2,4|5,7,6,8|9,11,10,12|13,0,14,0"},
    {"FourUpAB", "-4up -ab4", 2, 2, false, "1,3,5,7|4,2,8,6|9,11,13,0|12,10,0,14"},
    {"FourUpSplit", "-4up -split", 2, 2, false, "1,9,2,10|3,11,4,12|5,13,6,14|7,0,8,0"},
    {"SixUp", "-6up2x3 -s3", 2, 3, false, "=1|=2|3,4,5,6,7,8|9,10,11,12,13,14"},
    {"TenUpSpecial", "-10up2x5spec1 -duplex", 2, 5, false,
     "0,1,0,4,0,5,13,8,12,9|11,10,14,7,0,6,0,3,0,2"},
};

class CorpusOrder : public testing::TestWithParam<OrderCase> {};

TEST_P(CorpusOrder, SheetsShowTheRightPages) {
    const OrderCase& c = GetParam();
    std::string corpus = corpusDir();
    if (corpus.empty()) GTEST_SKIP() << "../shared/corpus not found (real-world corpus absent)";
    std::string input = corpus + "/table-pdf14-pdftex-tracemonkey-14p.pdf";
    if (!fileExists(input)) GTEST_SKIP() << input << " not found";
    ASSERT_EQ(14, qpdfPageCount(input));

    TempDir dir;
    ConversionCheck check;
    check.inputPath = input;
    check.options = c.options;
    check.grid = GridLayout{c.across, c.down, c.twoUpFamily};
    check.pages = parseOrder(c.order);
    check.rotation = 0;
    // Real pages sit at fractions of a pixel; allow for the antialiasing that shifts.
    check.tolerance.cellMean = 8;
    check.tolerance.blockMean = 90;
    check.tolerance.blankMean = 4;
    expectConversion(check, dir.file("out.pdf"));
}

std::string orderName(const testing::TestParamInfo<OrderCase>& info) {
    return info.param.name;
}

}  // namespace

INSTANTIATE_TEST_SUITE_P(Tracemonkey, CorpusOrder, testing::ValuesIn(kOrders), orderName);
