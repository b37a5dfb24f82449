// Page orders: which input page goes into which slot of every sheet, for every layout.
#pragma once

#include <cstddef>
#include <vector>

#include "app/JobSettings.h"

// One output sheet: the 1-based input page of each slot, 0 for an empty slot. Slots run row by
// row from the top-left corner; a layout of S slots uses slots 0 to S-1 and leaves the rest 0.
struct SheetEntry {
    static constexpr int kMaxSlots = 12;
    int slots[kMaxSlots] = {};

    // True when the first count slots are all empty: the imposition run stops at such an entry.
    bool isEmpty(int count) const;
};

// The sheets of one conversion, in output order.
class CPageOrder {
  public:
    void clear() { entries_.clear(); }
    void append(const SheetEntry& entry) { entries_.push_back(entry); }
    size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }
    const SheetEntry& operator[](size_t index) const { return entries_[index]; }
    std::vector<SheetEntry>::const_iterator begin() const { return entries_.begin(); }
    std::vector<SheetEntry>::const_iterator end() const { return entries_.end(); }

  private:
    std::vector<SheetEntry> entries_;
};

// What the builders carry from one sheet to the next. A fresh value for every conversion.
struct PageOrderState {
    bool backSide = false;      // the sheet being built is the back of a two-sided pair
    unsigned outerInCount = 0;  // sheets built so far in the outer-in order
    bool firstHalf = true;      // split-back only: the entry shows the first half of its page
};

enum class Layout {
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
    SplitBack,
};

// The grid of a layout as the sheet writer and the run need it.
struct LayoutGrid {
    int across;        // columns
    int down;          // rows
    int slots;         // slots the page order fills (1 for split-back: one half page per entry)
    int writtenSlots;  // slots that get placement streams on the sheet
    int testedSlots;   // leading slots the run tests to find the end of the order
};

// The layout the flags choose: 12-up, 10-up, 10-up special, 8-up, 6-up, 4-up, split-back, 2-up,
// the first family with a flag set winning, then the variant within the family.
Layout chooseLayout(const LayoutFlags& flags);
// The grid of a layout; down (the -down flag) stacks the two pages of 2-up and split-back.
LayoutGrid layoutGrid(Layout layout, bool down);
inline LayoutGrid layoutGrid(const LayoutFlags& flags) {
    return layoutGrid(chooseLayout(flags), flags.down);
}

// The builders. Each reads the start page and the flags from settings, the end page from endPage
// (the run's value, 99999 for "to the last page") and the page count N, and returns the order.
// endPage may come back changed: the A/B orders of 4 to 12 slots round it down to a multiple of
// the slot count, the outer-in order with a blank page sets it to the range's last page, and a
// two-sided order whose missing last back side would carry only the range's last pages stops
// before them. The run writes the pages after the reported endPage as single pages.
CPageOrder buildOrder2up(const JobSettings& settings, int pageCount, PageOrderState& state,
                         int& endPage);
CPageOrder buildOrderSplitBack(const JobSettings& settings, int pageCount, PageOrderState& state,
                               int& endPage);
CPageOrder buildOrder4up(const JobSettings& settings, int pageCount, PageOrderState& state,
                         int& endPage);
CPageOrder buildOrder6up(const JobSettings& settings, int pageCount, PageOrderState& state,
                         int& endPage);
CPageOrder buildOrder8up(const JobSettings& settings, int pageCount, PageOrderState& state,
                         int& endPage);
CPageOrder buildOrder10up(const JobSettings& settings, int pageCount, PageOrderState& state,
                          int& endPage);
CPageOrder buildOrder12up(const JobSettings& settings, int pageCount, PageOrderState& state,
                          int& endPage);

// Builds the order of the layout the flags choose, or reads it from the sequence file when one
// is named (which may throw CPdfException).
CPageOrder buildPageOrder(const JobSettings& settings, int pageCount, PageOrderState& state,
                          int& endPage);
