// Where a placed page lands on its sheet, and the one mapping of page points to sheet points that
// everything following a page (content, clip, annotations, destinations) goes through.
#pragma once

#include <utility>

#include "imposition/PageRecord.h"

// A page's content translated by (dx, dy), or, when flipped, turned by 180 degrees about the
// origin and then translated, so that a point (x, y) goes to (dx - x, dy - y).
struct PagePlacement {
    int pageIndex = -1;  // index into the page records
    double dx = 0;
    double dy = 0;
    bool flipped = false;
    // The page's own visible box: its drawing is clipped to it, so that nothing it paints beyond
    // lands in a neighbour's cell. Not set for an empty slot.
    bool clipped = false;
    PdfBox clip;
};

struct SheetPoint {
    double x = 0;
    double y = 0;
};

// The sheet point that shows the page point (x, y).
inline SheetPoint mapPoint(const PagePlacement& placement, double x, double y) {
    if (placement.flipped) return {placement.dx - x, placement.dy - y};
    return {x + placement.dx, y + placement.dy};
}

// The sheet rectangle that shows the page rectangle with corners (x1, y1) and (x2, y2), its
// corners put back in lower-left, upper-right order.
inline PdfBox mapRect(const PagePlacement& placement, double x1, double y1, double x2, double y2) {
    SheetPoint a = mapPoint(placement, x1, y1);
    SheetPoint b = mapPoint(placement, x2, y2);
    if (a.x > b.x) std::swap(a.x, b.x);
    if (a.y > b.y) std::swap(a.y, b.y);
    return {a.x, a.y, b.x, b.y};
}
