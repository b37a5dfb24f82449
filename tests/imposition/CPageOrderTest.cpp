// Page order builders: every documented order, and each page of the range placed as often as due.
#include "imposition/CPageOrder.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "imposition/OrderText.h"

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
    CPageOrder order = buildPageOrder(layoutIn(settings), settings, pageCount, state, endPage);
    int slots = layoutIn(settings).slots;
    return {orderText(order, slots), endPage, order, slots};
}

void expectOrder(const std::string& options, int pageCount, const std::string& expected) {
    EXPECT_EQ(build(options, pageCount).text, expected)
        << "options '" << options << "', N " << pageCount;
}

// Rows "options N: order" (the options may be absent).
void expectOrders(std::initializer_list<const char*> rows) {
    for (const std::string row : rows) {
        size_t colon = row.find(':'), space = row.rfind(' ', colon);
        size_t n = space == std::string::npos ? 0 : space + 1;
        expectOrder(row.substr(0, n ? n - 1 : 0), std::stoi(row.substr(n, colon - n)),
                    row.size() > colon + 2 ? row.substr(colon + 2) : "");
    }
}

// Rows "options N: end page" ("last" for kLastPage).
void expectEndPages(std::initializer_list<const char*> rows) {
    for (const std::string row : rows) {
        size_t colon = row.find(':'), space = row.rfind(' ', colon);
        size_t n = space == std::string::npos ? 0 : space + 1;
        std::string options = row.substr(0, n ? n - 1 : 0), end = row.substr(colon + 2);
        EXPECT_EQ(build(options, std::stoi(row.substr(n, colon - n))).endPage,
                  end == "last" ? kLastPage : std::stoi(end))
            << row;
    }
}

TEST(CPageOrder, TwoUpOrders) {
    expectOrders(
        {"10: 1,2 | 3,4 | 5,6 | 7,8 | 9,10", "-split 10: 1,6 | 2,7 | 3,8 | 4,9 | 5,10",
         "-duplex 10: 1,2 | 4,3 | 5,6 | 8,7 | 9,10", "-duplex1423 10: 1,4 | 2,3 | 5,8 | 6,7 | 9,0",
         "-duplex1342 10: 1,3 | 4,2 | 5,7 | 8,6 | 9,0",
         "-duplex4123 10: 4,1 | 2,3 | 8,5 | 6,7 | 0,9",
         "-outer-in 10: 0,1 | 2,0 | 10,3 | 4,9 | 8,5 | 6,7",
         "-duplicate 10: 1,1 | 2,2 | 3,3 | 4,4 | 5,5 | 6,6 | 7,7 | 8,8 | 9,9 | 10,10",
         "-split -duplicate 10: 1,1 | 6,6 | 2,2 | 7,7 | 3,3 | 8,8 | 4,4 | 9,9 | 5,5 | 10,10",
         "-s3 -e8 10: 3,4 | 5,6 | 7,8", "-outer-in 7: 0,1 | 2,7 | 6,3 | 4,5",
         "-split 7: 1,5 | 2,6 | 3,7 | 4,0", "-duplex 7: 1,2 | 4,3 | 5,6 | 0,7"});
}

TEST(CPageOrder, TwoUpEdgeCases) {
    expectOrders({"9: 1,2 | 3,4 | 5,6 | 7,8 | 9,0", "-down 10: 1,2 | 3,4 | 5,6 | 7,8 | 9,10",
                  "-split -down 7: 1,5 | 2,6 | 3,7 | 4,0", "-split -ab 6: 1,2 | 3,4 | 5,6",
                  "-ab4 10:", "-duplicate -duplex 3: 1,1 | 2,2 | 3,3",
                  "-duplex1423 -duplex4123 10: 4,1 | 2,3 | 8,5 | 6,7 | 0,9", "-outer-in 1: 0,1",
                  "-outer-in 2: 0,1 | 2,0", "-outer-in 12: 12,1 | 2,11 | 10,3 | 4,9 | 8,5 | 6,7",
                  "-outer-in 11: 0,1 | 2,11 | 10,3 | 4,9 | 8,5 | 6,7", "-outer-in 3: 0,1 | 2,3",
                  "-outer-in -duplicate 7: 1,1 | 2,2 | 3,3 | 4,4 | 5,5 | 6,6 | 7,7",
                  "-s4 -e9 -duplex 10: 4,5 | 7,6 | 8,9",
                  "-duplex -duplex1423 -duplex1342 -duplex4123 -outer-in 4: 4,1 | 2,3"});
}

TEST(CPageOrder, TwoUpMendedRanges) {
    expectOrders({"-s0 5: 1,2 | 3,4 | 5,0", "-s-4 -duplex 4: 1,2 | 4,3",
                  "-split -s3 -e8 10: 3,6 | 4,7 | 5,8",
                  "-split -s2 10: 2,7 | 3,8 | 4,9 | 5,10 | 6,0",
                  "-split -duplicate -s3 -e8 10: 3,3 | 6,6 | 4,4 | 7,7 | 5,5 | 8,8",
                  "-outer-in -s3 -e14 20: 14,3 | 4,13 | 12,5 | 6,11 | 10,7 | 8,9",
                  "-outer-in -s2 4: 0,2 | 3,4"});
}

TEST(CPageOrder, TwoUpReportedEndPage) {
    expectEndPages({"10: last", "-outer-in 7: 7", "-outer-in 10: 10", "-outer-in 12: last",
                    "-duplex1423 10: 9", "-duplex1342 10: 9", "-duplex4123 10: 9",
                    "-duplex4123 -e10 20: 9", "-duplex1423 11: last", "-duplex 10: last"});
}

TEST(CPageOrder, SplitBack) {
    expectOrders({"-2to1up 10: 1 | 6 | 2 | 7 | 3 | 8 | 4 | 9 | 5 | 10",
                  "-2to1uph -s2 -e6 10: 2 | 7 | 3 | 8", "-2to1up 2: 1 | 2",
                  "-2to1up 1:", "-2to1up -duplicate 4: 1 | 3 | 2 | 4"});
}

TEST(CPageOrder, MultiUpRowAndColumnOrders) {
    expectOrders({"-4up 10: 1,2,3,4 | 5,6,7,8 | 9,10,0,0", "-4up 9: 1,2,3,4 | 5,6,7,8 | 9,0,0,0",
                  "-4up -down 12: 1,3,2,4 | 5,7,6,8 | 9,11,10,12"});
    expectOrders({"-6up2x3 -down 6: 1,4,2,5,3,6"});
    expectOrders({"-6up3x2 -down 6: 1,3,5,2,4,6"});
    expectOrders({"-8up2x4 -down 8: 1,5,2,6,3,7,4,8"});
    expectOrders({"-8up4x2 -down 8: 1,3,5,7,2,4,6,8"});
    expectOrders(
        {"-12up3x4 -down -s2 13: 2,6,10,3,7,11,4,8,12,5,9,13",
         "-6up2x3 -down -duplex -s2 14: 2,5,3,6,4,7 | 11,8,12,9,13,10 | 14,0,0,0,0,0",
         "-8up2x4 -down -duplex 18: 1,5,2,6,3,7,4,8 | 10,12,14,16,9,11,13,15 | 17,0,18,0,0,0,0,0",
         "-4up -down -duplex 8: 1,3,2,4 | 7,5,6,8", "-6up3x2 -duplex 7: 1,2,3,4,5,6 | 7,0,0,0,0,0",
         "-10up5x2 11: 1,2,3,4,5,6,7,8,9,10 | 11,0,0,0,0,0,0,0,0,0",
         "-12up4x3 -down 12: 1,4,7,10,2,5,8,11,3,6,9,12"});
}

TEST(CPageOrder, MultiUpAbOrders) {
    expectOrders(
        {"-4up -ab4 10: 1,3,5,7 | 4,2,8,6 | 9,0,0,0 | 0,10,0,0",
         "-4up -ab4 -s2 9: 2,4,6,8 | 5,3,9,7",
         "-6up2x3 -ab6 13: 1,3,5,7,9,11 | 4,2,8,6,12,10 | 13,0,0,0,0,0 | 0,0,0,0,0,0",
         "-12up2x6 -ab12 24: 1,3,5,7,9,11,13,15,17,19,21,23 | 4,2,8,6,12,10,16,14,20,18,24,22",
         "-4up -ab4 -down 8: 1,5,3,7 | 4,2,8,6",
         "-10up2x5 -ab10 -down 20: 1,11,3,13,5,15,7,17,9,19 | 4,2,8,6,12,10,16,14,20,18",
         "-4up -ab4 8: 1,3,5,7 | 4,2,8,6", "-4up -ab4 9: 1,3,5,7 | 4,2,8,6 | 9,0,0,0 | 0,0,0,0",
         "-4up -ab4 -e14 20: 1,3,5,7 | 4,2,8,6 | 9,11,0,0 | 12,10,0,0",
         "-4up -ab4 -ab 8: 1,3,5,7 | 4,2,8,6",
         "-4up -ab6 8:", "-6up3x2 -ab6 12: 1,3,5,7,9,11 | 4,2,8,6,12,10",
         "-10up2x5spec1 -ab10 20: 1,3,5,7,9,11,13,15,17,19 | 4,2,8,6,12,10,16,14,20,18",
         "-4up -ab4 -duplicate 3: 1,1,1,1 | 2,2,2,2 | 3,3,3,3",
         "-6up2x3 -ab6 -duplicate 10: 1,1,1,1,1,1 | 2,2,2,2,2,2 | 3,3,3,3,3,3 | 4,4,4,4,4,4 | "
         "5,5,5,5,5,5 | 6,6,6,6,6,6 | 7,7,7,7,7,7 | 8,8,8,8,8,8 | 9,9,9,9,9,9 | 10,10,10,10,10,10",
         "-12up2x6 -ab12 -down 24: 1,13,3,15,5,17,7,19,9,21,11,23 | "
         "4,2,8,6,12,10,16,14,20,18,24,22"});
}

TEST(CPageOrder, AbOrderRoundsEndPage) {
    expectEndPages({"-4up -ab4 10: 99996", "-6up2x3 -ab6 10: 99996", "-8up2x4 -ab8 10: 99992",
                    "-10up2x5 -ab10 10: 99990", "-12up3x4 -ab12 10: 99996", "-4up -ab4 -e14 20: 12",
                    "-4up -ab4 -e12 20: 12", "-4up -ab4 -duplicate 10: last"});
}

TEST(CPageOrder, MultiUpSplitOrders) {
    expectOrders({"-4up -split 10: 1,7,2,8 | 3,9,4,10 | 5,0,6,0",
                  "-6up2x3 -split 14: 1,10,2,11,3,12 | 4,13,5,14,6,0 | 7,0,8,0,9,0",
                  "-12up2x6 -split 30: 1,19,2,20,3,21,4,22,5,23,6,24 | "
                  "7,25,8,26,9,27,10,28,11,29,12,30 | 13,0,14,0,15,0,16,0,17,0,18,0",
                  "-4up -split -duplex 10: 1,7,2,8 | 3,9,4,10 | 5,0,6,0",
                  "-4up -split -down 10: 1,2,7,8 | 3,4,9,10 | 5,6,0,0",
                  "-4up -split -duplicate 4: 1,1,1,1 | 3,3,3,3 | 2,2,2,2 | 4,4,4,4",
                  "-4up -split 1: 1,0,0,0", "-12up2x6 -split 3: 1,0,2,0,3,0,0,0,0,0,0,0",
                  "-4up -split -s2 10: 2,8,3,9 | 4,10,5,0 | 6,0,0,0", "-4up -split -s7 10:",
                  "-6up2x3 -split -down 14: 1,2,3,10,11,12 | 4,5,6,13,14,0 | 7,8,9,0,0,0",
                  "-8up4x2 -split -down 8: 1,2,3,4,5,6,7,8",
                  "-6up2x3 -split -duplicate 5: 1,1,1,1,1,1 | 4,4,4,4,4,4 | 2,2,2,2,2,2 | "
                  "5,5,5,5,5,5 | 3,3,3,3,3,3"});
}

TEST(CPageOrder, StackAndSignatures) {
    expectOrders({"-stack 7: 1,5 | 2,6 | 3,7 | 4,0", "-stack -s3 -e9 10: 3,7 | 4,8 | 5,9 | 6,0",
                  "-4up -stack 10: 1,4,7,10 | 2,5,8,0 | 3,6,9,0",
                  "-6up2x3 -stack 8: 1,3,5,7,0,0 | 2,4,6,8,0,0",
                  "-stack -duplex 8: 1,5 | 6,2 | 3,7 | 8,4",
                  "-4up -stack -duplex 10: 1,5,9,0 | 6,2,0,10 | 3,7,0,0 | 8,4,0,0",
                  "-stack -down -duplex 4: 1,3 | 2,4",
                  "-outer-in -signature 8 20: 8,1 | 2,7 | 6,3 | 4,5 | 16,9 | 10,15 | 14,11 | 12,13 "
                  "| 0,17 | 18,0 | 0,19 | 20,0",
                  "-outer-in -signature 4 -s2 7: 5,2 | 3,4 | 0,6 | 7,0",
                  "-outer-in -signature 2147483644 3: 0,1 | 2,0 | 0,3"});
}

TEST(CPageOrder, FourUpColumnWithTwoUpDuplexVariants) {
    for (const char* variant : {"-duplex1423", "-duplex1342", "-duplex4123", "-outer-in"}) {
        expectOrder(std::string("-4up -down ") + variant, 10, "1,3,2,4 | 7,5,6,8 | 9,0,10,0");
        expectOrder(std::string("-4up ") + variant, 10, "1,2,3,4 | 5,6,7,8 | 9,10,0,0");
    }
    expectOrders({"-6up3x2 -down -duplex1423 12: 1,3,5,2,4,6 | 7,9,11,8,10,12"});
}

TEST(CPageOrder, TenUp2x5VariantOneOrder) {
    expectOrders(
        {"-10up2x5spec1 -duplex 40: 20,1,17,4,16,5,13,8,12,9 | 11,10,14,7,15,6,18,3,19,2 | "
         "40,21,37,24,36,25,33,28,32,29 | 31,30,34,27,35,26,38,23,39,22",
         "-10up2x5spec1 -duplex -s3 25: 22,3,19,6,18,7,15,10,14,11 | 13,12,16,9,17,8,20,5,21,4 | "
         "0,23,0,0,0,0,0,0,0,0"});
    expectEndPages({"-10up2x5spec1 -duplex -s3 25: 23"});
    expectOrders({"-10up2x5spec1 20: 20,1,17,4,16,5,13,8,12,9 | 11,10,14,7,15,6,18,3,19,2",
                  "-10up2x5spec1 24: 20,1,17,4,16,5,13,8,12,9 | 11,10,14,7,15,6,18,3,19,2 | "
                  "0,21,0,24,0,0,0,0,0,0 | 0,0,0,0,0,0,0,23,0,22"});
    expectEndPages({"-10up2x5spec1 24: last"});
    expectOrders({"-10up2x5spec1 -down 10: 1,6,2,7,3,8,4,9,5,10",
                  "-10up2x5spec1 -split 10: 1,6,2,7,3,8,4,9,5,10"});
}

TEST(CPageOrder, EmptyOrders) {
    for (const char* layout :
         {"", "-4up", "-6up2x3", "-8up4x2", "-10up5x2", "-10up2x5spec1", "-12up3x4", "-2to1up"}) {
        expectOrder(std::string(layout) + " -s12", 10, "");
        expectOrder(std::string(layout) + " -e0", 10, "");
        expectOrder(std::string(layout), 0, "");
    }
    expectOrders({"-4up -ab4 -s12 10:", "-12up2x6 -ab6 30:"});
}

// Walks the order as the imposition run does (up to the first empty entry) and checks that every
// page of first..last appears exactly copies times and no other page appears.
// allowMissing: the multi-up split order counts its halves from page 1, so with a later start
// page some partners are not on any sheet (the run writes those as single pages); none may repeat.
void checkCoverage(const std::string& options, int pageCount, int first, int last, int copies,
                   int testedSlots, const Built& built, bool allowMissing = false) {
    std::map<int, int> seen;
    for (const SheetEntry& entry : built.order) {
        if (entry.isEmpty(testedSlots)) break;
        for (int i = 0; i < SheetEntry::kMaxSlots; i++) {
            int page = entry.slots[i];
            if (i >= built.slots) {
                ASSERT_EQ(page, 0) << options << " N " << pageCount << ": slot " << i;
                continue;
            }
            if (page == 0) continue;
            ASSERT_TRUE(page >= first && page <= last)
                << options << " N " << pageCount << ": page " << page << " outside " << first
                << ".." << last << " in " << built.text;
            seen[page]++;
        }
    }
    for (int page = first; page <= last; page++) {
        if (allowMissing && seen[page] == 0) continue;
        ASSERT_EQ(seen[page], copies)
            << options << " N " << pageCount << ": page " << page << " in " << built.text;
    }
}

TEST(CPageOrder, EveryPageOfTheRangeIsPlaced) {
    std::vector<std::string> orders;
    for (const char* order :
         {"", "-down", "-split", "-split -down", "-duplex", "-duplex1423", "-duplex1342",
          "-duplex4123", "-duplex -duplex1423", "-outer-in", "-outer-in -duplex4123", "-duplicate",
          "-split -duplicate", "-outer-in -duplicate", "-outer-in -signature 8",
          "-outer-in -signature 4", "-stack", "-stack -down -duplex", "-stack -duplex"}) {
        orders.push_back(order);
    }
    const char* layouts[][2] = {
        {"-4up", "-ab4"},      {"-6up2x3", "-ab6"},        {"-6up3x2", "-ab6"},
        {"-8up2x4", "-ab8"},   {"-8up4x2", "-ab8"},        {"-10up2x5", "-ab10"},
        {"-10up5x2", "-ab10"}, {"-10up2x5spec1", "-ab10"}, {"-12up2x6", "-ab12"},
        {"-12up6x2", "-ab12"}, {"-12up3x4", "-ab12"},      {"-12up4x3", "-ab12"},
    };
    for (const auto& layout : layouts) {
        std::string up = layout[0], ab = layout[1];
        for (const char* variant :
             {"", " -down", " -duplex", " -down -duplex", " -split", " -split -down",
              " -split -duplicate", " -duplicate", " -down -duplicate", " -split -duplex",
              " -down -duplex1423", " -down -duplex1342", " -down -duplex4123", " -down -outer-in",
              " -outer-in", " -stack", " -stack -duplex"}) {
            orders.push_back(up + variant);
        }
        for (const char* variant : {"", " -down", " -duplicate", " -ab"}) {
            orders.push_back(up + " " + ab + variant);
        }
    }
    int checked = 0;
    for (int pageCount = 1; pageCount <= 40; pageCount++) {
        std::vector<std::pair<int, int>> ranges = {
            {1, kLastPage},         {2, kLastPage},
            {3, kLastPage},         {0, kLastPage},
            {-3, kLastPage},        {1, pageCount - 1},
            {2, pageCount - 3},     {4, 9},
            {pageCount, kLastPage}, {pageCount + 1, kLastPage},
            {5, pageCount + 7}};
        for (const std::string& options : orders) {
            for (const auto& [start, end] : ranges) {
                std::string full =
                    options + " -s" + std::to_string(start) + " -e" + std::to_string(end);
                JobSettings settings = orderSettings(full);
                Built built = build(full, pageCount);
                int runEnd = runEndPage(end, pageCount);
                int first = start < 1 ? 1 : start;
                int last = built.endPage < pageCount ? built.endPage : pageCount;
                int originalLast = runEnd < pageCount ? runEnd : pageCount;
                ASSERT_LE(last, originalLast) << full << " N " << pageCount;
                bool multiUpSplit = built.slots > 2 && settings.flags.split && !settings.flags.ab &&
                                    !settings.flags.duplicate;
                checkCoverage(full, pageCount, first, last,
                              settings.flags.duplicate ? built.slots : 1,
                              layoutIn(settings).across * layoutIn(settings).down, built,
                              multiUpSplit && first > 1);
                checked++;
            }
        }
    }
    EXPECT_GT(checked, 100000);
}

TEST(CPageOrder, SplitBackPlacesBothHalvesOfEveryPage) {
    for (int pageCount = 2; pageCount <= 40; pageCount += 2) {
        for (int start : {1, 2, 0, 5}) {
            std::string options = "-2to1up -s" + std::to_string(start);
            Built built = build(options, pageCount);
            std::map<int, int> seen;
            for (const SheetEntry& entry : built.order) {
                ASSERT_FALSE(entry.isEmpty(4)) << options;
                seen[entry.slots[0]]++;
                for (int i = 1; i < SheetEntry::kMaxSlots; i++) ASSERT_EQ(entry.slots[i], 0);
            }
            int first = start < 1 ? 1 : start;
            int half = pageCount / 2;
            for (int page = 1; page <= half; page++) {
                int expected = page >= first ? 1 : 0;
                EXPECT_EQ(seen[page], expected) << options << " N " << pageCount;
                EXPECT_EQ(seen[page + half], expected) << options << " N " << pageCount;
            }
        }
    }
}

TEST(CPageOrder, HostileRangesDoNotOverflow) {
    expectOrders({"-s2147483647 10:", "-s-2147483648 3: 1,2 | 3,0",
                  "-split -s-2147483648 3: 1,3 | 2,0", "-outer-in -s2147483647 -e2147483647 10:",
                  "-10up2x5spec1 -s-2147483648 2: 0,1,0,0,0,0,0,0,0,0"});
    JobSettings settings = orderSettings("-4up -ab4 -s-2147483648");
    for (int endPage : {-2147483647 - 1, -5, 0}) {
        PageOrderState state;
        int reported = endPage;
        EXPECT_TRUE(
            buildOrderMultiUp(layoutOf(LayoutId::FourUp), settings, 10, state, reported).empty())
            << endPage;
        EXPECT_TRUE(buildOrder2up(orderSettings(""), 10, state, reported).empty()) << endPage;
        EXPECT_TRUE(buildOrderMultiUp(layoutOf(LayoutId::TwelveUp2x6),
                                      orderSettings("-12up2x6 -split"), 10, state, reported)
                        .empty());
    }
    PageOrderState state;
    int endPage = kLastPage;
    EXPECT_TRUE(buildOrderMultiUp(layoutOf(LayoutId::EightUp2x4), orderSettings("-8up2x4"), -7,
                                  state, endPage)
                    .empty());
}

}  // namespace
