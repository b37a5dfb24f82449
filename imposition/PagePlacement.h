// Where a placed page lands on its sheet, and the one mapping of page points to sheet points that
// everything following a page (content, clip, annotations, destinations) goes through.
#pragma once

#include <utility>

#include "imposition/PageRecord.h"

// A page's content turned and scaled about the origin by the linear part (a b c d), then
// translated by (dx, dy): a point (x, y) goes to (a x + c y + dx, b x + d y + dy). Sheets of the
// grid's own size only translate, or turn by 180 degrees (a = d = -1, "flipped"); sheets fitted
// to a paper also scale and turn by quarters.
struct PagePlacement {
    int pageIndex = -1;  // index into the page records
    double dx = 0;
    double dy = 0;
    double a = 1, b = 0, c = 0, d = 1;
    // The page's own visible box: its drawing is clipped to it, so that nothing it paints beyond
    // lands in a neighbour's cell. Not set for an empty slot.
    bool clipped = false;
    PdfBox clip;

    bool flipped() const { return a == -1 && b == 0 && c == 0 && d == -1; }
    bool onlyMoves() const { return a == 1 && b == 0 && c == 0 && d == 1; }
    bool isIdentity() const { return onlyMoves() && dx == 0 && dy == 0; }
};

struct SheetPoint {
    double x = 0;
    double y = 0;
};

// The sheet point that shows the page point (x, y).
inline SheetPoint mapPoint(const PagePlacement& placement, double x, double y) {
    return {placement.a * x + placement.c * y + placement.dx,
            placement.b * x + placement.d * y + placement.dy};
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
