// One input page as the page tree gives it: object number, rotation and five inherited boxes.
#pragma once

#include <vector>

struct PdfBox {
    double x1 = 0, y1 = 0, x2 = 612, y2 = 792;
};

struct PageRecord {
    int objNum = 0;
    int rotation = 0;  // /Rotate as found, stated or inherited, not normalised
    PdfBox mediaBox, cropBox, bleedBox, trimBox, artBox;
};

using PageRecords = std::vector<PageRecord>;
