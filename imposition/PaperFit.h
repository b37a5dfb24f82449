// Sheets fitted to a paper size: the paper's orientation and the grid's scale on it, a page box
// fitted into a cell as a viewer shows it, and the cut marks at the corners of the cells.
#pragma once

#include <string>
#include <vector>

#include "app/JobSettings.h"
#include "imposition/PagePlacement.h"

// Room kept on every side of the grid for cut marks, in points of the paper.
constexpr double kMarkBorder = 18;

// A grid on the paper: the paper as the sheet lies, and the grid's scale and lower-left corner.
struct PaperFit {
    double width = 0, height = 0;
    double scale = 1;
    double originX = 0, originY = 0;
};

// The grid of gridWidth x gridHeight scaled to fit within border of every edge of the paper and
// centred. A named size lies the way that shows the grid larger (upright when both are equal);
// a size given as WxH lies as given.
PaperFit fitToPaper(const PaperSize& paper, double gridWidth, double gridHeight, double border);

// The placement that shows the page box source turned clockwise by rotation (0, 90, 180 or 270,
// a page's /Rotate), as large as fits into target and centred there.
PagePlacement fitBox(const PdfBox& source, int rotation, const PdfBox& target);

// Content stream text stroking thin cut marks at every corner of every cell: short lines that
// continue the cell's edges outwards, a little away from the corner, and stop before any cell.
std::string cutMarks(const std::vector<PdfBox>& cells);
