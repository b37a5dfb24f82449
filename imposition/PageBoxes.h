// Page boxes: the visible box of a page, and the boxes of a sheet written into its page object.
#pragma once

#include <string>

#include "app/JobSettings.h"
#include "imposition/PageRecord.h"

// The box in order: lower-left corner first, whatever order the file gives the corners in.
PdfBox normalisedBox(const PdfBox& box);
// What a reader shows of a page: its crop box within its media box, or the media box when the
// page has no crop box (or one that misses the media box).
PdfBox visibleBox(const PageRecord& page);

// How a sheet's boxes follow from its carrier's. A sheet box starts where the carrier's box does
// and is as many times its width and height as the grid has cells across and down, each cell
// grown by as much as the sheet's cells are larger than the carrier's visible box; on a
// split-back sheet it is then cut at the cut line, keeping one side.
struct SheetBoxFrame {
    int columns = 1;  // cells along the sheet's x axis (the grid transposed on a turned sheet)
    int rows = 1;
    double growX = 0;
    double growY = 0;
    bool cut = false;
    bool cutAlongX = true;  // the cut line is upright in the sheet's own coordinates
    double cutLine = 0;
    double gap = 0;       // the half keeps this far from the line (the split offset)
    bool keepLow = true;  // the half below or left of the line
};
PdfBox sheetBoxFrom(const PdfBox& pageBox, const SheetBoxFrame& frame);

// Sets key's box in the page text of a sheet to sheetBox, or to the user's box when given (then
// written without the space before its closing bracket). A missing key is added after the
// dictionary's "<<" only when addIfMissing.
void writeSheetBox(std::string& text, const char* key, const UserBox& userBox,
                   const PdfBox& sheetBox, bool addIfMissing);
