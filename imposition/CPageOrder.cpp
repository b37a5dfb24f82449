// Page orders: which input page goes into which slot of every sheet, for every layout.
#include "imposition/CPageOrder.h"

#include <cassert>

bool SheetEntry::isEmpty(int count) const {
    for (int i = 0; i < count && i < kMaxSlots; i++) {
        if (slots[i] != 0) return false;
    }
    return true;
}

namespace {

// The pages one build places: first..last. A start page below 1 counts as 1, so that -s0 does
// not shift every sheet by a page. Arithmetic is done in long long: page numbers are small, but
// the start and end page come straight from the command line.
struct PageRange {
    long long first;
    long long last;
    bool isEmpty() const { return first > last; }
    long long length() const { return last - first + 1; }
};

PageRange pageRange(const JobSettings& settings, int pageCount, int endPage) {
    long long first = settings.startPage < 1 ? 1 : settings.startPage;
    long long count = pageCount < 0 ? 0 : pageCount;
    long long last = endPage < count ? endPage : count;
    return {first, last};
}

// A computed page number outside low..high is an empty slot.
int pageOrBlank(long long page, long long low, long long high) {
    return page >= low && page <= high ? static_cast<int>(page) : 0;
}

SheetEntry pairEntry(long long left, long long right, const PageRange& range) {
    SheetEntry entry;
    entry.slots[0] = pageOrBlank(left, range.first, range.last);
    entry.slots[1] = pageOrBlank(right, range.first, range.last);
    return entry;
}

SheetEntry filledEntry(long long page, int slotCount) {
    SheetEntry entry;
    for (int i = 0; i < slotCount; i++) entry.slots[i] = static_cast<int>(page);
    return entry;
}

// Cut-and-stack with every page shown alone on its sheet: the sheets follow the pages of the
// 2-up split order, first half and second half alternating.
void appendSplitDuplicate(CPageOrder& order, const PageRange& range, int slotCount) {
    long long half = (range.length() + 1) / 2;
    for (long long i = 0; i < range.length(); i++) {
        long long page = i % 2 == 0 ? range.first + i / 2 : range.first + half + i / 2;
        order.append(filledEntry(page, slotCount));
    }
}

void appendDuplicates(CPageOrder& order, const PageRange& range, int slotCount) {
    for (long long page = range.first; page <= range.last; page++) {
        order.append(filledEntry(page, slotCount));
    }
}

// ---- 2-up ----

// The two-sided 2-up orders; when several flags are given the later one in this list wins.
enum class TwoSided { None, Duplex, Duplex1423, Duplex1342, Duplex4123, OuterIn };

TwoSided twoSidedOrder(const LayoutFlags& flags) {
    if (flags.outerIn) return TwoSided::OuterIn;
    if (flags.duplex4123) return TwoSided::Duplex4123;
    if (flags.duplex1342) return TwoSided::Duplex1342;
    if (flags.duplex1423) return TwoSided::Duplex1423;
    if (flags.duplex) return TwoSided::Duplex;
    return TwoSided::None;
}

// The pair of the sheet whose first page is p; the front and back sides of the duplex orders
// together carry four consecutive pages.
SheetEntry twoUpPair(TwoSided kind, long long p, bool backSide, const PageRange& range) {
    switch (kind) {
        case TwoSided::Duplex:
            return backSide ? pairEntry(p + 1, p, range) : pairEntry(p, p + 1, range);
        case TwoSided::Duplex1423:
            return backSide ? pairEntry(p - 1, p, range) : pairEntry(p, p + 3, range);
        case TwoSided::Duplex1342:
            return backSide ? pairEntry(p + 1, p - 1, range) : pairEntry(p, p + 2, range);
        case TwoSided::Duplex4123:
            return backSide ? pairEntry(p - 1, p, range) : pairEntry(p + 3, p, range);
        default:
            return pairEntry(p, p + 1, range);
    }
}

// First and last page on the first sheet, then inwards, so that the folded stack reads in order.
// A folded sheet carries four pages, so the range is padded to a multiple of four with blank
// pages after its last page; the blanks are never placed. With signatures the range is cut into
// runs of that many pages, each folded on its own, and the last one is padded to full size.
void appendOuterIn(CPageOrder& order, const PageRange& range, int signature, int& endPage) {
    long long size = signature > 0 ? signature : (range.length() + 3) / 4 * 4;
    long long blocks = (range.length() + size - 1) / size;
    if (blocks * size != range.length()) endPage = static_cast<int>(range.last);
    for (long long first = range.first; first <= range.last; first += size) {
        long long top = first + size - 1;
        // Every signature has an even number of sheets, so each starts on a front side.
        for (long long k = 0; k < size / 2; k++) {
            long long low = first + k, high = top - k;
            // A side that only blanks would fill is not printed. Such sides lie in the middle of
            // the last signature, which may be far longer than what is left of the range.
            if (low > range.last && high > range.last) {
                k = top - range.last - 1;
                continue;
            }
            order.append(k % 2 ? pairEntry(low, high, range) : pairEntry(high, low, range));
        }
    }
}

// Cut and stack: with S sheets, slot k of sheet i shows page i + k x S of the range, so that the
// stack cut into one pile per slot, the piles laid in slot order, reads in page order. Printed
// two-sided, a piece carries two consecutive pages, and each back shows the pieces of its front
// mirrored left to right, as the sheet turned over about its vertical centre line shows them.
void appendStackOrder(CPageOrder& order, const Layout& layout, const LayoutFlags& flags,
                      const PageRange& range) {
    const int slotCount = layout.slots;
    const bool stacked = layout.order == OrderFamily::TwoUp && flags.down;
    const int across = stacked ? layout.down : layout.across;
    const int pagesPerPiece = flags.duplex ? 2 : 1;
    long long pieces = (range.length() + pagesPerPiece - 1) / pagesPerPiece;
    long long sheets = (pieces + slotCount - 1) / slotCount;
    for (long long i = 0; i < sheets; i++) {
        SheetEntry front, back;
        for (int k = 0; k < slotCount; k++) {
            long long page = range.first + (i + k * sheets) * pagesPerPiece;
            front.slots[k] = pageOrBlank(page, range.first, range.last);
            int mirrored = k - k % across + (across - 1 - k % across);
            back.slots[mirrored] = pageOrBlank(page + 1, range.first, range.last);
        }
        order.append(front);
        if (flags.duplex) order.append(back);
    }
}

void appendTwoUpAb(CPageOrder& order, const JobSettings& settings, const PageRange& range,
                   PageOrderState& state, int& endPage) {
    TwoSided kind = twoSidedOrder(settings.flags);
    if (kind == TwoSided::OuterIn) {
        appendOuterIn(order, range, settings.signature, endPage);
        return;
    }
    long long p = range.first;
    for (; p <= range.last; p += 2) {
        order.append(twoUpPair(kind, p, state.backSide, range));
        if (kind != TwoSided::None) state.backSide = !state.backSide;
    }
    // A group of four that ends after its front side leaves its back side unbuilt. In the
    // 1423, 1342 and 4123 orders that back side would hold the range's last page alone; the
    // sheets stop before it and the run writes it as a single page.
    if (state.backSide && kind != TwoSided::Duplex) {
        SheetEntry missing = twoUpPair(kind, p, true, range);
        if (!missing.isEmpty(2)) {
            assert(missing.slots[0] + missing.slots[1] == range.last);
            endPage = static_cast<int>(range.last - 1);
        }
    }
}

// ---- multi-up ----

// Pages straight across the rows.
void appendRowOrder(CPageOrder& order, const Layout& layout, const PageRange& range) {
    int slotCount = layout.slots;
    for (long long p = range.first; p <= range.last; p += slotCount) {
        SheetEntry entry;
        for (int i = 0; i < slotCount; i++) entry.slots[i] = pageOrBlank(p + i, p, range.last);
        order.append(entry);
    }
}

// Pages down the columns. Printed two-sided (-duplex), every second sheet is a back side and
// takes the back arrangement of its layout.
void appendColumnOrder(CPageOrder& order, const Layout& layout, const LayoutFlags& flags,
                       const PageRange& range, PageOrderState& state) {
    const int slotCount = layout.slots, across = layout.across, down = layout.down;
    bool twoSided = flags.duplex;
    // In 4-up the 2-up duplex variants and outer-in have no order of their own down the
    // columns; they print two-sided like -duplex.
    if (layout.id == LayoutId::FourUp) {
        twoSided =
            twoSided || flags.duplex1423 || flags.duplex1342 || flags.duplex4123 || flags.outerIn;
    }
    for (long long p = range.first; p <= range.last; p += slotCount) {
        long long pages[SheetEntry::kMaxSlots] = {};
        if (twoSided && state.backSide) {
            if (layout.id == LayoutId::FourUp) {
                long long back[] = {p + 2, p, p + 1, p + 3};
                for (int i = 0; i < 4; i++) pages[i] = back[i];
            } else if (layout.id == LayoutId::SixUp2x3) {
                for (int i = 0; i < 3; i++) {
                    pages[2 * i] = p + 3 + i;
                    pages[2 * i + 1] = p + i;
                }
            } else {
                for (int i = 0; i < slotCount / 2; i++) {
                    pages[i] = p + 2 * i + 1;
                    pages[slotCount / 2 + i] = p + 2 * i;
                }
            }
        } else {
            for (int row = 0; row < down; row++) {
                for (int col = 0; col < across; col++)
                    pages[row * across + col] = p + col * down + row;
            }
        }
        SheetEntry entry;
        for (int i = 0; i < slotCount; i++) entry.slots[i] = pageOrBlank(pages[i], p, range.last);
        order.append(entry);
        if (twoSided) state.backSide = !state.backSide;
    }
}

// Cut and stack: the first half of the range runs down the stack in one set of slots, the
// second half in the partner slots. The first half is rounded up to whole sheets so that both
// stacks have the same height. Without -down each page has its partner to its right (slot pairs
// 2r, 2r+1); with -down the first half fills the first S/2 slots and its partners the rest, so
// that each partner sits in the lower half of the sheet.
void appendSplitOrder(CPageOrder& order, const Layout& layout, bool down, const PageRange& range) {
    const int slotCount = layout.slots, perSheet = slotCount / 2;
    // The halves are counted from page 1 whatever the start page, as the worked orders users
    // know from earlier versions show (-4up -split -s2 on 10 pages: 2,8,3,9 | 4,10,5,0 | 6,0,0,0).
    long long half = perSheet * ((range.last + slotCount - 1) / slotCount);
    long long halfEnd = half;
    long long firstBound = halfEnd < range.last ? halfEnd : range.last;
    for (long long p = range.first; p <= halfEnd; p += perSheet) {
        SheetEntry entry;
        for (int r = 0; r < perSheet; r++) {
            int front = pageOrBlank(p + r, range.first, firstBound);
            int partner = pageOrBlank(p + r + half, range.first, range.last);
            if (down) {
                entry.slots[r] = front;
                entry.slots[perSheet + r] = partner;
            } else {
                entry.slots[2 * r] = front;
                entry.slots[2 * r + 1] = partner;
            }
        }
        order.append(entry);
    }
}

// Two-sided A/B: each group of 2S pages gives a front with its odd pages and a back with its
// even pages, the two pages of every pair exchanged so that they back each other.
void appendAbOrder(CPageOrder& order, const Layout& layout, const JobSettings& settings,
                   int pageCount, int& endPage) {
    const int slotCount = layout.slots;
    // The order only works on whole groups of slots, so the end page is rounded down to one;
    // the run writes the pages after it as single pages.
    if (endPage > 0) endPage -= endPage % slotCount;
    PageRange range = pageRange(settings, pageCount, endPage);
    for (long long b = range.first - 1; b < range.last; b += 2 * slotCount) {
        SheetEntry front, back;
        for (int r = 0; r < slotCount / 2; r++) {
            if (settings.flags.down) {
                front.slots[2 * r] = pageOrBlank(b + 2 * r + 1, range.first, range.last);
                front.slots[2 * r + 1] =
                    pageOrBlank(b + slotCount + 2 * r + 1, range.first, range.last);
            } else {
                front.slots[2 * r] = pageOrBlank(b + 4 * r + 1, range.first, range.last);
                front.slots[2 * r + 1] = pageOrBlank(b + 4 * r + 3, range.first, range.last);
            }
            back.slots[2 * r] = pageOrBlank(b + 4 * r + 4, range.first, range.last);
            back.slots[2 * r + 1] = pageOrBlank(b + 4 * r + 2, range.first, range.last);
        }
        order.append(front);
        order.append(back);
    }
}

// The 2 x 5 order for sheets printed on both sides and cut: every group of 20 pages gives a
// front and a back; after cutting and stacking the pieces read in page order.
const int kSpecialFront[10] = {20, 1, 17, 4, 16, 5, 13, 8, 12, 9};
const int kSpecialBack[10] = {11, 10, 14, 7, 15, 6, 18, 3, 19, 2};

SheetEntry specialEntry(const int (&pattern)[10], long long base, const PageRange& range) {
    SheetEntry entry;
    for (int i = 0; i < 10; i++)
        entry.slots[i] = pageOrBlank(base + pattern[i], range.first, range.last);
    return entry;
}

void appendSpecialOrder(CPageOrder& order, const PageRange& range, PageOrderState& state,
                        int& endPage) {
    long long base = range.first - 1;
    for (long long k = 0; range.first + 10 * k <= range.last; k++) {
        order.append(specialEntry(state.backSide ? kSpecialBack : kSpecialFront, base, range));
        if (state.backSide) base += 20;
        state.backSide = !state.backSide;
    }
    if (!state.backSide) return;
    // The last group got its front only. When its back would carry only pages after the
    // front's last page (a group of two or three pages), those follow the sheets as single
    // pages; otherwise the back side is printed too.
    long long groupPages = range.last - base;
    if (groupPages >= 4) {
        order.append(specialEntry(kSpecialBack, base, range));
        state.backSide = false;
    } else if (groupPages >= 2) {
        endPage = static_cast<int>(base + 1);
    }
}

}  // namespace

CPageOrder buildOrderMultiUp(const Layout& layout, const JobSettings& settings, int pageCount,
                             PageOrderState& state, int& endPage) {
    CPageOrder order;
    const LayoutFlags& flags = settings.flags;
    const int slotCount = layout.slots;
    if (flags.abSize == layout.abSize) {
        if (flags.duplicate) {
            appendDuplicates(order, pageRange(settings, pageCount, endPage), slotCount);
        } else {
            appendAbOrder(order, layout, settings, pageCount, endPage);
        }
        return order;
    }
    PageRange range = pageRange(settings, pageCount, endPage);
    if (range.isEmpty()) return order;
    if (flags.ab) {
        if (flags.duplicate) {
            appendDuplicates(order, range, slotCount);
        } else if (flags.down) {
            appendColumnOrder(order, layout, flags, range, state);
        } else if (layout.order == OrderFamily::SpecialTenUp) {
            appendSpecialOrder(order, range, state, endPage);
        } else {
            appendRowOrder(order, layout, range);
        }
    } else if (flags.split) {
        if (flags.duplicate) {
            appendSplitDuplicate(order, range, slotCount);
        } else {
            appendSplitOrder(order, layout, flags.down, range);
        }
    }
    return order;
}

CPageOrder buildOrder2up(const JobSettings& settings, int pageCount, PageOrderState& state,
                         int& endPage) {
    CPageOrder order;
    const LayoutFlags& flags = settings.flags;
    PageRange range = pageRange(settings, pageCount, endPage);
    if (range.isEmpty()) return order;
    if (flags.ab) {
        if (flags.duplicate) {
            appendDuplicates(order, range, 2);
        } else {
            appendTwoUpAb(order, settings, range, state, endPage);
        }
    } else if (flags.split) {
        if (flags.duplicate) {
            appendSplitDuplicate(order, range, 2);
        } else {
            // Cut and stack over the range: each page has its partner half the range later.
            long long half = (range.length() + 1) / 2;
            for (long long p = range.first; p < range.first + half; p++) {
                order.append(pairEntry(p, p + half, range));
            }
        }
    }
    return order;
}

CPageOrder buildOrderSplitBack(const JobSettings& settings, int pageCount, int& endPage) {
    // The input here is the user's document appended to itself: page p of the second copy,
    // which shows the second half, sits half the page count later.
    CPageOrder order;
    PageRange range = pageRange(settings, pageCount, endPage);
    long long secondCopy = (pageCount < 0 ? 0 : pageCount) / 2;
    for (long long p = range.first; p <= range.last / 2; p++) {
        SheetEntry first, second;
        first.slots[0] = static_cast<int>(p);
        second.slots[0] = static_cast<int>(p + secondCopy);
        order.append(first);
        order.append(second);
    }
    return order;
}

CPageOrder buildPageOrder(const Layout& layout, const JobSettings& settings, int pageCount,
                          PageOrderState& state, int& endPage) {
    if (settings.flags.stack && layout.order != OrderFamily::SplitBack) {
        CPageOrder order;
        PageRange range = pageRange(settings, pageCount, endPage);
        if (!range.isEmpty()) appendStackOrder(order, layout, settings.flags, range);
        return order;
    }
    switch (layout.order) {
        case OrderFamily::TwoUp:
            return buildOrder2up(settings, pageCount, state, endPage);
        case OrderFamily::SplitBack:
            return buildOrderSplitBack(settings, pageCount, endPage);
        case OrderFamily::MultiUp:
        case OrderFamily::SpecialTenUp:
            break;
    }
    return buildOrderMultiUp(layout, settings, pageCount, state, endPage);
}
