// Settings of one conversion, as the command line gives them, and the table of the layouts its
// options choose from: plain data, read by every layer.
#pragma once

#include <cstddef>
#include <string>

// How the page order of a layout is built.
enum class OrderFamily {
    TwoUp,         // two pages a sheet: the A/B, split, duplex, outer-in and duplicate orders
    MultiUp,       // 4 to 12 pages a sheet: rows, columns, A/B, split and duplicate orders
    SpecialTenUp,  // the multi-up orders, with a two-sided order of its own in place of the rows
    SplitBack,     // half a page a sheet
};

// The layouts, in the order of kLayoutTable.
enum class LayoutId {
    TwoUp,
    FourUp,
    SixUp2x3,
    SixUp3x2,
    EightUp2x4,
    EightUp4x2,
    TenUp2x5,
    TenUp5x2,
    TenUp2x5Spec1,
    TwelveUp2x6,
    TwelveUp6x2,
    TwelveUp3x4,
    TwelveUp4x3,
    SplitBackVertical,    // cut on the vertical centre line
    SplitBackHorizontal,  // cut on the horizontal centre line
};
constexpr size_t kLayoutCount = 15;

// One layout: the option that chooses it, its grid and how the pages are ordered on it.
struct Layout {
    LayoutId id;
    const char* option;  // "" for 2-up, the layout without an option
    const char* alias;   // the option's other spelling, the one the usage text shows; or nullptr
    const char* usage;   // what the usage text says of the option
    int across;          // columns of the grid; 2-up turns its two into rows with -down
    int down;            // rows
    int slots;           // pages an entry of the order names: across x down, 1 for split back
    OrderFamily order;
    int abSize;  // N of its A/B option -abN; 0 for 2-up, whose A/B option is -ab, and split back
    int rank;    // when several layout options are given, the one of the highest rank wins
};

inline constexpr Layout kLayoutTable[kLayoutCount] = {
    {LayoutId::TwoUp, "", nullptr, nullptr, 2, 1, 2, OrderFamily::TwoUp, 0, 0},
    {LayoutId::FourUp, "-4up", nullptr, "4up split type (default is 2up)", 2, 2, 4,
     OrderFamily::MultiUp, 4, 3},
    {LayoutId::SixUp2x3, "-6up2x3", nullptr, "6up ab type 2 across, 3 down", 2, 3, 6,
     OrderFamily::MultiUp, 6, 4},
    {LayoutId::SixUp3x2, "-6up3x2", nullptr, "6up ab type 3 across, 2 down", 3, 2, 6,
     OrderFamily::MultiUp, 6, 5},
    {LayoutId::EightUp2x4, "-8up2x4", nullptr, "8up ab type 2 across, 4 down", 2, 4, 8,
     OrderFamily::MultiUp, 8, 6},
    {LayoutId::EightUp4x2, "-8up4x2", nullptr, "8up ab type 4 across, 2 down", 4, 2, 8,
     OrderFamily::MultiUp, 8, 7},
    {LayoutId::TenUp2x5, "-10up2x5", nullptr, "10up ab type 2 across, 5 down", 2, 5, 10,
     OrderFamily::MultiUp, 10, 8},
    {LayoutId::TenUp5x2, "-10up5x2", nullptr, "10up ab type 5 across, 2 down", 5, 2, 10,
     OrderFamily::MultiUp, 10, 9},
    {LayoutId::TenUp2x5Spec1, "-10up2x5spec1", nullptr,
     "10up ab type 2 across, 5 down, duplex, special order "
     "20,1,17,4,16,5,13,8,12,9   11,10,14,7,15,6,18,3,19,2",
     2, 5, 10, OrderFamily::SpecialTenUp, 10, 10},
    {LayoutId::TwelveUp2x6, "-12up2x6", nullptr, "12up ab type 2 across, 6 down", 2, 6, 12,
     OrderFamily::MultiUp, 12, 11},
    {LayoutId::TwelveUp6x2, "-12up6x2", nullptr, "12up ab type 6 across, 2 down", 6, 2, 12,
     OrderFamily::MultiUp, 12, 14},
    {LayoutId::TwelveUp3x4, "-12up3x4", nullptr, "12up ab type 3 across, 4 down", 3, 4, 12,
     OrderFamily::MultiUp, 12, 13},
    {LayoutId::TwelveUp4x3, "-12up4x3", nullptr, "12up ab type 4 across, 3 down", 4, 3, 12,
     OrderFamily::MultiUp, 12, 12},
    {LayoutId::SplitBackVertical, "-2to1up", "-up2to1",
     "converts a 2up document back to 1 up, split on vertical center", 2, 1, 1,
     OrderFamily::SplitBack, 0, 2},
    {LayoutId::SplitBackHorizontal, "-2to1uph", "-up2to1h",
     "converts a 2up document back to 1 up, split on horizontal center", 2, 1, 1,
     OrderFamily::SplitBack, 0, 1},
};

constexpr bool layoutTableInOrder() {
    for (size_t i = 0; i < kLayoutCount; i++) {
        if (static_cast<size_t>(kLayoutTable[i].id) != i) return false;
    }
    return true;
}
static_assert(layoutTableInOrder(), "kLayoutTable is indexed by LayoutId");

inline const Layout& layoutOf(LayoutId id) {
    return kLayoutTable[static_cast<size_t>(id)];
}

// The layout and order options given.
struct LayoutFlags {
    bool layouts[kLayoutCount] = {};  // by LayoutId; never set for 2-up, which has no option
    bool ab = true;                   // the 2-up A/B order, the default
    int abSize = 0;                   // N of the last -abN option given (4 to 12); 0 for none
    bool split = false;
    bool down = false;
    bool duplicate = false;
    bool duplex = false;
    bool duplex1423 = false;
    bool duplex1342 = false;
    bool duplex4123 = false;
    bool outerIn = false;
    bool stack = false;  // cut and stack: each slot's pile holds a run of consecutive pages

    bool has(LayoutId id) const { return layouts[static_cast<size_t>(id)]; }
};

// A box given on the command line; all four values -1.0 when the option was not given.
struct UserBox {
    double x1 = -1.0, y1 = -1.0, x2 = -1.0, y2 = -1.0;
    bool isGiven() const { return x1 != -1.0; }
};

// The paper every sheet is printed on (-paper); width 0 when the option was not given.
struct PaperSize {
    double width = 0, height = 0;
    bool turnable = false;  // a named size: the sheet may lie either way
    bool isGiven() const { return width > 0; }
};

// endPage's value for "up to the last page".
constexpr int kLastPage = 99999;

struct JobSettings {
    std::string inputFile;
    std::string outputFile;
    int startPage = 1;
    int endPage = kLastPage;
    LayoutFlags flags;
    std::string sequenceFile;
    int rightMargin = 0;
    int bottomMargin = 0;
    int offsetSplit = 0;
    int signature = 0;  // pages of each outer-in signature, a multiple of 4; 0: one booklet
    UserBox cropBox;
    UserBox mediaBox;
    std::string password;  // -password: opens an encrypted input whose user password is not empty
    PaperSize paper;
    bool marks = false;  // -marks: cut marks at the corners of the cells
    bool quiet = false;  // -q: no banner and no progress dots
};
