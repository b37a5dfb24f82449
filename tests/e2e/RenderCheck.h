// Render check of imposed sheets: renders input pages and output sheets with pdftoppm, works out
// where every input page must appear on a sheet, and compares the pixels there.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// An 8-bit grey image, rows from the top.
struct GrayImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;

    int at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
    bool empty() const { return width == 0 || height == 0; }
};

// Quotes a text for the shell.
std::string shellQuote(const std::string& text);

// Renders what pages first..last (last 0: to the end) of a PDF show (their crop boxes) at dpi with
// pdftoppm -gray. Fills
// images in page order; false with pdftoppm's messages when it fails. What pdftoppm prints on
// stderr goes to messages when that is given, and is a failure otherwise.
bool renderPages(const std::string& pdfPath, double dpi, std::vector<GrayImage>& images,
                 std::string* error, int first = 1, int last = 0, std::string* messages = nullptr);

// What a page shows (its crop box within its media box, as pdfinfo prints it) and its rotation
// (0..359).
struct PageGeometry {
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    int rotation = 0;
};

// Boxes of one page as pdfinfo -box prints them (two decimals).
struct PageBoxes {
    double media[4] = {0, 0, 0, 0};
    double crop[4] = {0, 0, 0, 0};
    int rotation = 0;
};

// Reads the boxes and rotations of pages first..last (last 0: all) with pdfinfo -box.
bool readPageBoxes(const std::string& pdfPath, std::vector<PageBoxes>& pages, std::string* error,
                   int first = 1, int last = 0);
PageGeometry geometryOf(const PageBoxes& boxes);

// The grid of a layout: across x down, and whether it belongs to the 2-up family (whose cell
// height takes the right margin when the pages stand side by side).
struct GridLayout {
    int across = 2;
    int down = 1;
    bool twoUpFamily = true;
};

// Options of the conversion that move the placed pages.
struct PlacementOptions {
    int rightMargin = 0;
    int bottomMargin = 0;
    // The -mediabox value's upper-right corner; negative: not given.
    double userMediaX2 = -1;
    double userMediaY2 = -1;
};

// Where one input page shows on a sheet: points of the displayed sheet from its lower-left corner.
struct PlacedPage {
    int slot = 0;
    int page = 0;  // 1-based, 0 for an empty slot (then its cell)
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    // Not compared, and left out of the blank check: a page whose rotation is a quarter turn off
    // the sheet's (shown turned), or one whose input rendering is not at hand.
    bool unchecked = false;
};

// Where the pages of one sheet (page numbers by slot, 0 empty) must show, from what the input
// pages show: slot k in row k div A and column k mod A of the sheet as displayed, which is turned
// as the first page is; every cell as large as the largest page of the sheet, a smaller page in
// the middle of it. The -mediabox option makes every cell half its size instead.
std::vector<PlacedPage> planSheet(const GridLayout& layout, const std::vector<int>& slots,
                                  const std::vector<PageGeometry>& inputPages,
                                  const PlacementOptions& options);

// Thresholds of the comparison, in grey levels (0..255).
struct RenderTolerance {
    double cellMean = 3;    // mean absolute difference of a placed page against its input
    double blankMean = 3;   // mean difference allowed in an empty cell (blank but for overhangs)
    double blockMean = 40;  // mean difference of any 8 x 8 block against the expected sheet
    double sameMean = 1.5;  // two input pages closer than this count as the same picture
};

// Compares a rendered sheet with the expected placement: every placed page must match its input
// rendering closely and be closer to it than to any other (different) input page; empty slots
// and everything outside the placed pages must be blank. Returns the failures, empty when good.
std::vector<std::string> checkSheet(const GrayImage& sheet, const PageGeometry& sheetGeometry,
                                    const std::vector<PlacedPage>& placed,
                                    const std::vector<GrayImage>& inputImages, int dpi,
                                    const RenderTolerance& tolerance = RenderTolerance());

// Mean absolute difference of two equally sized images (large when the sizes differ by more
// than a pixel; the common area is compared otherwise).
double meanDifference(const GrayImage& a, const GrayImage& b);
