// Page order builders: every documented order, and each page of the range placed as often as due.
#include "imposition/CPageOrder.h"

#include "ImpositionTestSupport.h"

namespace {

struct Built {
    std::string text;
    int endPage;  // as the builder reported it
    CPageOrder order;
    int slots;
};

Built build(const std::string& options, int pageCount) {
    JobSettings settings = orderSettings(options);
    int endPage = runEndPage(settings.endPage, pageCount);
    PageOrderState state;
    const Layout& layout = layoutIn(settings);
    CPageOrder order = buildPageOrder(layout, settings, pageCount, state, endPage);
    return {orderText(order, layout.slots), endPage, order, layout.slots};
}

// Rows "options N: order", or "options N: end E" for the end page reported (E "last": kLastPage).
void expectRows(std::initializer_list<const char*> rows) {
    for (const std::string row : rows) {
        size_t colon = row.find(':'), space = row.rfind(' ', colon);
        size_t n = space == std::string::npos ? 0 : space + 1;
        Built built = build(row.substr(0, n ? n - 1 : 0), std::stoi(row.substr(n, colon - n)));
        std::string expected = row.size() > colon + 2 ? row.substr(colon + 2) : "";
        if (expected.compare(0, 4, "end ") != 0) {
            EXPECT_EQ(built.text, expected) << row;
        } else {
            EXPECT_EQ(built.endPage,
                      expected == "end last" ? kLastPage : std::stoi(expected.substr(4)))
                << row;
        }
    }
}

TEST(CPageOrder, TwoUp) {
    expectRows(
        {"10: 1,2|3,4|5,6|7,8|9,10", "-split 10: 1,6|2,7|3,8|4,9|5,10",
         "-duplex 10: 1,2|4,3|5,6|8,7|9,10", "-duplex1423 10: 1,4|2,3|5,8|6,7|9",
         "-duplex1342 10: 1,3|4,2|5,7|8,6|9", "-duplex4123 10: 4,1|2,3|8,5|6,7|0,9",
         "-outer-in 10: 0,1|2|10,3|4,9|8,5|6,7",
         "-duplicate 10: 1,1|2,2|3,3|4,4|5,5|6,6|7,7|8,8|9,9|10,10",
         "-split -duplicate 10: 1,1|6,6|2,2|7,7|3,3|8,8|4,4|9,9|5,5|10,10",
         "-s3 -e8 10: 3,4|5,6|7,8", "-outer-in 7: 0,1|2,7|6,3|4,5", "-split 7: 1,5|2,6|3,7|4",
         "-duplex 7: 1,2|4,3|5,6|0,7", "9: 1,2|3,4|5,6|7,8|9", "-down 10: 1,2|3,4|5,6|7,8|9,10",
         "-split -down 7: 1,5|2,6|3,7|4", "-split -ab 6: 1,2|3,4|5,6", "-ab4 10:",
         "-duplicate -duplex 3: 1,1|2,2|3,3", "-duplex1423 -duplex4123 10: 4,1|2,3|8,5|6,7|0,9",
         "-outer-in 1: 0,1", "-outer-in 2: 0,1|2", "-outer-in 12: 12,1|2,11|10,3|4,9|8,5|6,7",
         "-outer-in 11: 0,1|2,11|10,3|4,9|8,5|6,7", "-outer-in 3: 0,1|2,3",
         "-outer-in -duplicate 7: 1,1|2,2|3,3|4,4|5,5|6,6|7,7", "-s4 -e9 -duplex 10: 4,5|7,6|8,9",
         "-duplex -duplex1423 -duplex1342 -duplex4123 -outer-in 4: 4,1|2,3",
         // Ranges mended: a start before page 1, and split halves counted from the start.
         "-s0 5: 1,2|3,4|5", "-s-4 -duplex 4: 1,2|4,3", "-split -s3 -e8 10: 3,6|4,7|5,8",
         "-split -s2 10: 2,7|3,8|4,9|5,10|6",
         "-split -duplicate -s3 -e8 10: 3,3|6,6|4,4|7,7|5,5|8,8",
         "-outer-in -s3 -e14 20: 14,3|4,13|12,5|6,11|10,7|8,9", "-outer-in -s2 4: 0,2|3,4",
         "10: end last", "-outer-in 7: end 7", "-outer-in 10: end 10", "-outer-in 12: end last",
         "-duplex1423 10: end 9", "-duplex1342 10: end 9", "-duplex4123 10: end 9",
         "-duplex4123 -e10 20: end 9", "-duplex1423 11: end last", "-duplex 10: end last",
         // Split back: the normalised input holds each page twice, the halves N/2 apart.
         "-2to1up 10: 1|6|2|7|3|8|4|9|5|10", "-2to1uph -s2 -e6 10: 2|7|3|8", "-2to1up 2: 1|2",
         "-2to1up 1:", "-2to1up -duplicate 4: 1|3|2|4"});
}

TEST(CPageOrder, MultiUp) {
    expectRows(
        {"-4up 10: 1,2,3,4|5,6,7,8|9,10", "-4up 9: 1,2,3,4|5,6,7,8|9",
         "-4up -down 12: 1,3,2,4|5,7,6,8|9,11,10,12", "-6up2x3 -down 6: 1,4,2,5,3,6",
         "-6up3x2 -down 6: 1,3,5,2,4,6", "-8up2x4 -down 8: 1,5,2,6,3,7,4,8",
         "-8up4x2 -down 8: 1,3,5,7,2,4,6,8", "-12up3x4 -down -s2 13: 2,6,10,3,7,11,4,8,12,5,9,13",
         "-6up2x3 -down -duplex -s2 14: 2,5,3,6,4,7|11,8,12,9,13,10|14",
         "-8up2x4 -down -duplex 18: 1,5,2,6,3,7,4,8|10,12,14,16,9,11,13,15|17,0,18",
         "-4up -down -duplex 8: 1,3,2,4|7,5,6,8", "-6up3x2 -duplex 7: 1,2,3,4,5,6|7",
         "-10up5x2 11: 1,2,3,4,5,6,7,8,9,10|11", "-12up4x3 -down 12: 1,4,7,10,2,5,8,11,3,6,9,12",
         "-6up3x2 -down -duplex1423 12: 1,3,5,2,4,6|7,9,11,8,10,12",
         // A/B orders.
         "-4up -ab4 10: 1,3,5,7|4,2,8,6|9|0,10", "-4up -ab4 -s2 9: 2,4,6,8|5,3,9,7",
         "-6up2x3 -ab6 13: 1,3,5,7,9,11|4,2,8,6,12,10|13|0",
         "-12up2x6 -ab12 24: 1,3,5,7,9,11,13,15,17,19,21,23|4,2,8,6,12,10,16,14,20,18,24,22",
         "-4up -ab4 -down 8: 1,5,3,7|4,2,8,6",
         "-10up2x5 -ab10 -down 20: 1,11,3,13,5,15,7,17,9,19|4,2,8,6,12,10,16,14,20,18",
         "-4up -ab4 8: 1,3,5,7|4,2,8,6", "-4up -ab4 9: 1,3,5,7|4,2,8,6|9|0",
         "-4up -ab4 -e14 20: 1,3,5,7|4,2,8,6|9,11|12,10", "-4up -ab4 -ab 8: 1,3,5,7|4,2,8,6",
         "-4up -ab6 8:", "-6up3x2 -ab6 12: 1,3,5,7,9,11|4,2,8,6,12,10",
         "-10up2x5spec1 -ab10 20: 1,3,5,7,9,11,13,15,17,19|4,2,8,6,12,10,16,14,20,18",
         "-4up -ab4 -duplicate 3: 1,1,1,1|2,2,2,2|3,3,3,3",
         "-6up2x3 -ab6 -duplicate 10: 1,1,1,1,1,1|2,2,2,2,2,2|3,3,3,3,3,3|4,4,4,4,4,4|"
         "5,5,5,5,5,5|6,6,6,6,6,6|7,7,7,7,7,7|8,8,8,8,8,8|9,9,9,9,9,9|10,10,10,10,10,10",
         "-12up2x6 -ab12 -down 24: 1,13,3,15,5,17,7,19,9,21,11,23|"
         "4,2,8,6,12,10,16,14,20,18,24,22",
         "-4up -ab4 10: end 99996", "-6up2x3 -ab6 10: end 99996", "-8up2x4 -ab8 10: end 99992",
         "-10up2x5 -ab10 10: end 99990", "-12up3x4 -ab12 10: end 99996",
         "-4up -ab4 -e14 20: end 12", "-4up -ab4 -e12 20: end 12",
         "-4up -ab4 -duplicate 10: end last",
         // Split orders.
         "-4up -split 10: 1,7,2,8|3,9,4,10|5,0,6",
         "-6up2x3 -split 14: 1,10,2,11,3,12|4,13,5,14,6|7,0,8,0,9",
         "-12up2x6 -split 30: 1,19,2,20,3,21,4,22,5,23,6,24|"
         "7,25,8,26,9,27,10,28,11,29,12,30|13,0,14,0,15,0,16,0,17,0,18",
         "-4up -split -duplex 10: 1,7,2,8|3,9,4,10|5,0,6",
         "-4up -split -down 10: 1,2,7,8|3,4,9,10|5,6",
         "-4up -split -duplicate 4: 1,1,1,1|3,3,3,3|2,2,2,2|4,4,4,4", "-4up -split 1: 1",
         "-12up2x6 -split 3: 1,0,2,0,3", "-4up -split -s2 10: 2,8,3,9|4,10,5|6",
         "-4up -split -s7 10:", "-6up2x3 -split -down 14: 1,2,3,10,11,12|4,5,6,13,14|7,8,9",
         "-8up4x2 -split -down 8: 1,2,3,4,5,6,7,8",
         "-6up2x3 -split -duplicate 5: 1,1,1,1,1,1|4,4,4,4,4,4|2,2,2,2,2,2|"
         "5,5,5,5,5,5|3,3,3,3,3,3"});
    // Of the 2-up two-sided orders only -duplex changes a multi-up order.
    for (std::string variant : {"-duplex1423", "-duplex1342", "-duplex4123", "-outer-in"}) {
        EXPECT_EQ(build("-4up -down " + variant, 10).text + " " + build("-4up " + variant, 10).text,
                  "1,3,2,4|7,5,6,8|9,0,10 1,2,3,4|5,6,7,8|9,10");
    }
}

TEST(CPageOrder, StackSignaturesAndTenUpVariantOne) {
    expectRows(
        {"-stack 7: 1,5|2,6|3,7|4", "-stack -s3 -e9 10: 3,7|4,8|5,9|6",
         "-4up -stack 10: 1,4,7,10|2,5,8|3,6,9", "-6up2x3 -stack 8: 1,3,5,7|2,4,6,8",
         "-stack -duplex 8: 1,5|6,2|3,7|8,4", "-4up -stack -duplex 10: 1,5,9|6,2,0,10|3,7|8,4",
         "-stack -down -duplex 4: 1,3|2,4",
         "-outer-in -signature 8 20: 8,1|2,7|6,3|4,5|16,9|10,15|14,11|12,13|"
         "0,17|18|0,19|20",
         "-outer-in -signature 4 -s2 7: 5,2|3,4|0,6|7",
         "-outer-in -signature 2147483644 3: 0,1|2|0,3",
         "-10up2x5spec1 -duplex 40: 20,1,17,4,16,5,13,8,12,9|11,10,14,7,15,6,18,3,19,2|"
         "40,21,37,24,36,25,33,28,32,29|31,30,34,27,35,26,38,23,39,22",
         "-10up2x5spec1 -duplex -s3 25: 22,3,19,6,18,7,15,10,14,11|13,12,16,9,17,8,20,5,21,4|"
         "0,23",
         "-10up2x5spec1 -duplex -s3 25: end 23",
         "-10up2x5spec1 20: 20,1,17,4,16,5,13,8,12,9|11,10,14,7,15,6,18,3,19,2",
         "-10up2x5spec1 24: 20,1,17,4,16,5,13,8,12,9|11,10,14,7,15,6,18,3,19,2|"
         "0,21,0,24|0,0,0,0,0,0,0,23,0,22",
         "-10up2x5spec1 24: end last", "-10up2x5spec1 -down 10: 1,6,2,7,3,8,4,9,5,10",
         "-10up2x5spec1 -split 10: 1,6,2,7,3,8,4,9,5,10"});
}

TEST(CPageOrder, EmptyAndHostileRanges) {
    for (std::string layout :
         {"", "-4up", "-6up2x3", "-8up4x2", "-10up5x2", "-10up2x5spec1", "-12up3x4", "-2to1up"}) {
        EXPECT_EQ(build(layout + " -s12", 10).text + build(layout + " -e0", 10).text +
                      build(layout, 0).text,
                  "")
            << layout;
    }
    expectRows({"-4up -ab4 -s12 10:", "-12up2x6 -ab6 30:", "-s2147483647 10:",
                "-s-2147483648 3: 1,2|3", "-split -s-2147483648 3: 1,3|2",
                "-outer-in -s2147483647 -e2147483647 10:", "-10up2x5spec1 -s-2147483648 2: 0,1"});
}

// Up to the first empty entry (as the run walks), each page of the range shows as often as due, no
// other page shows; multi-up split from a later start leaves some partners to single pages.
TEST(CPageOrder, EveryPageOfTheRangeIsPlaced) {
    std::vector<std::string> orders;
    std::istringstream twoUp(
        ";-down;-split;-split -down;-duplex;-duplex1423;-duplex1342;-duplex4123;-outer-in;"
        "-duplex -duplex1423;-outer-in -duplex4123;-duplicate;-split -duplicate;-stack;"
        "-outer-in -duplicate;-outer-in -signature 8;-outer-in -signature 4;-stack -duplex;"
        "-stack -down -duplex");
    for (std::string order; std::getline(twoUp, order, ';');) orders.push_back(order);
    for (int size : {4, 6, 8, 10, 12}) {
        for (const Layout& layout : kLayoutTable) {
            if (layout.slots != size) continue;
            std::string up = layout.option, ab = " -ab" + std::to_string(size);
            for (const char* variant :
                 {"", " -down", " -duplex", " -down -duplex", " -split", " -split -down",
                  " -split -duplicate", " -duplicate", " -down -duplicate", " -split -duplex",
                  " -down -duplex1423", " -down -duplex1342", " -down -duplex4123",
                  " -down -outer-in", " -outer-in", " -stack", " -stack -duplex"})
                orders.push_back(up + variant);
            for (const char* variant : {"", " -down", " -duplicate", " -ab"})
                orders.push_back(up + ab + variant);
        }
    }
    for (int pageCount = 1; pageCount <= 40; pageCount++) {
        const int n = pageCount, last = kLastPage;  // start and end page of each range
        const int ranges[] = {1,     last, 2,     last, 3, last, 0,    last, -3,    last,  1,
                              n - 1, 2,    n - 3, 4,    9, n,    last, 5,    n + 7, n + 1, last};
        for (const std::string& options : orders) {
            for (size_t r = 0; r < 22; r += 2) {
                int start = ranges[r], end = ranges[r + 1];
                std::string full = options + formatText(" -s%d -e%d", start, end);
                JobSettings settings = orderSettings(full);
                const LayoutFlags& f = settings.flags;
                Built built = build(full, pageCount);
                int first = std::max(start, 1), lastShown = std::min(built.endPage, pageCount);
                ASSERT_LE(lastShown, std::min(runEndPage(end, pageCount), pageCount)) << full;
                bool mayMiss = built.slots > 2 && f.split && !f.ab && !f.duplicate && first > 1;
                int copies = f.duplicate ? built.slots : 1;
                std::map<int, int> seen;
                for (const SheetEntry& entry : built.order) {
                    if (entry.isEmpty(layoutIn(settings).across * layoutIn(settings).down)) break;
                    for (int i = 0; i < SheetEntry::kMaxSlots; i++) {
                        int page = entry.slots[i];
                        ASSERT_TRUE(i < built.slots
                                        ? page == 0 || (page >= first && page <= lastShown)
                                        : page == 0)
                            << full << " N " << pageCount << ": slot " << i << " in " << built.text;
                        seen[page]++;
                    }
                }
                for (int page = first; page <= lastShown; page++) {
                    if (!(mayMiss && seen[page] == 0)) {
                        ASSERT_EQ(seen[page], copies) << full << " N " << pageCount << ": " << page;
                    }
                }
            }
        }
    }
}

}  // namespace
