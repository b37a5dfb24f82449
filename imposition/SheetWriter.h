// Sheet composition: one output page made from the page object of its carrier page, showing the
// pages of one page order entry side by side and one above the other.
#pragma once

#include <string>
#include <vector>

#include "app/JobSettings.h"
#include "imposition/AnnotRelocate.h"
#include "imposition/CPageOrder.h"
#include "imposition/OutputPage.h"
#include "imposition/PageBoxes.h"
#include "imposition/PageForm.h"
#include "imposition/PageRecord.h"
#include "writer/WriteContext.h"

// A rotation brought into 0, 90, 180 or 270: into 0..359 first, then down to a quarter turn.
int normaliseRotation(int rotation);

// The arrangement of one sheet: its grid, its carrier and where each written slot's page lands.
struct SheetGeometry {
    int across = 2;  // the grid as laid out: 2-up stacks its pages with -down
    int down = 1;
    int carrierSlot = -1;  // the first slot that holds a page; -1 when none does
    int rotation = 0;      // the carrier's rotation, normalised
    bool turned = false;   // the carrier is turned by a quarter: the sheet gets /Rotate 90
    double cellWidth = 0;  // with the margin
    double cellHeight = 0;
    SheetBoxFrame boxes;  // how the sheet's boxes follow from the carrier's
    bool paper = false;   // fitted to -paper: every box of the sheet is paperBox
    PdfBox paperBox;
    // Where each written slot's cell lies on the sheet, for cut marks.
    std::vector<PdfBox> cells;
    // One per written slot: the page index (-1 for an empty slot) and where its content lands.
    std::vector<PagePlacement> slots;
};

// firstHalf: a split-back sheet shows the first half of its page (the left one, or the upper one
// for -2to1uph, as the sheet is displayed).
SheetGeometry computeSheetGeometry(const JobSettings& settings, const Layout& layout,
                                   const PageRecords& pages, const SheetEntry& entry,
                                   bool firstHalf = true);

// "q", the placement of one slot and the clip to its page's visible box, as a stream object of
// its own; returns its number.
int writePlacementStream(WriteContext& ctx, const PagePlacement& placement);
// "Q", as an object of its own; returns its number.
int writeRestoreStream(WriteContext& ctx);

// Lists the content streams of every written slot between its placement and restore streams;
// plans (one per written slot) say which names each page's streams must change, or which form
// paints the page. Returns the body of the sheet's /Contents array.
std::string composeContents(WriteContext& ctx, const PageRecords& pages,
                            const SheetGeometry& geometry,
                            const std::vector<PageContentPlan>& plans);

// Writes the sheet of one entry: the carrier's page object edited (boxes, resources,
// annotations, rotation, contents, parent) with the wrapper streams and the objects it needs.
// The sheet keeps the carrier's number unless that number is an output page already. Throws
// CPdfException when the carrier has no /Parent.
OutputPage writeSheet(const JobSettings& settings, const Layout& layout, WriteContext& ctx,
                      const PageRecords& pages, const SheetEntry& entry, SheetRunState& state);
