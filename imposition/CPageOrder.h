// Page orders: which input page goes into which slot of every sheet, for every layout.
#pragma once

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
    void append(const SheetEntry& entry) { entries_.push_back(entry); }
    bool empty() const { return entries_.empty(); }
    std::vector<SheetEntry>::const_iterator begin() const { return entries_.begin(); }
    std::vector<SheetEntry>::const_iterator end() const { return entries_.end(); }

  private:
    std::vector<SheetEntry> entries_;
};

// What the builders carry from one sheet to the next. A fresh value for every conversion.
struct PageOrderState {
    bool backSide = false;  // the sheet being built is the back of a two-sided pair
};

// The builders. Each reads the start page and the order flags from settings, the end page from
// endPage (the run's value, kLastPage for "to the last page") and the page count N, and returns
// the order. endPage may come back changed: the A/B orders of 4 to 12 slots round it down to a
// multiple of the slot count, the outer-in order with a blank page sets it to the range's last
// page, and a two-sided order whose missing last back side would carry only the range's last
// pages stops before them. The run writes the pages no sheet shows as single pages.
CPageOrder buildOrder2up(const JobSettings& settings, int pageCount, PageOrderState& state,
                         int& endPage);
CPageOrder buildOrderSplitBack(const JobSettings& settings, int pageCount, int& endPage);
// The orders of the layouts of 4 to 12 slots.
CPageOrder buildOrderMultiUp(const Layout& layout, const JobSettings& settings, int pageCount,
                             PageOrderState& state, int& endPage);

// Builds the order of the layout with the builder of its family.
CPageOrder buildPageOrder(const Layout& layout, const JobSettings& settings, int pageCount,
                          PageOrderState& state, int& endPage);
