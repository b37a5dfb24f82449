// Runs the tessel binary and checks what it writes: qpdf --check, page count, sheet boxes and a
// render check of every sheet against the input pages.
#pragma once

#include <string>
#include <vector>

// A grey image (0 black to 255 white), rows from the top.
struct GrayImage {
    int width = 0, height = 0;
    std::vector<double> pixels;
    double at(int x, int y) const { return pixels[y * width + x]; }
};

std::string shellQuote(const std::string& text);

// Renders the crop boxes of pages first..last (0: to the end) with pdftoppm -gray; anything it
// prints is a failure unless messages takes it.
bool renderPages(const std::string& pdfPath, double dpi, std::vector<GrayImage>& images,
                 std::string* error, int first = 1, int last = 0, std::string* messages = nullptr);

// A page's boxes as pdfinfo -box prints them, and its rotation (0..359).
struct PageBoxes {
    double media[4] = {0, 0, 0, 0}, crop[4] = {0, 0, 0, 0};
    int rotation = 0;
};
bool readPageBoxes(const std::string& pdfPath, std::vector<PageBoxes>& pages, std::string* error,
                   int first = 1, int last = 0);
// The size of a box shown turned by rotation.
void shownSize(const double* box, int rotation, double& width, double& height);

// across x down cells; in the 2-up family pages side by side are apart by the right margin both
// ways. A -mediabox upper-right corner (mediaX2, mediaY2) makes every cell half of it.
struct GridLayout {
    int across = 2, down = 1;
    bool twoUpFamily = true;
    double rightMargin = 0, bottomMargin = 0, mediaX2 = -1, mediaY2 = -1;
};

// Where a page (0: an empty cell) shows, in points from the displayed sheet's lower-left corner.
struct PlacedPage {
    int slot = 0, page = 0;
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    bool unchecked = false;  // turned a quarter against the sheet: not compared
};

// The cells of slots (page numbers, 0 empty) in rows from the top: sheet and pages turned as the
// first page, cells as large as the largest page, a smaller page in the middle of its cell.
std::vector<PlacedPage> planSheet(const GridLayout& grid, const std::vector<int>& slots,
                                  const std::vector<PageBoxes>& inputs);

struct RenderTolerance {  // mean grey differences of a page, an empty cell, an 8 x 8 block
    double cellMean = 3, blankMean = 3, blockMean = 40;
};

// The failures of a sheet: each placed page must match its input, and better than any other
// input page; empty cells and the space around pages must look as expected.
std::vector<std::string> checkSheet(const GrayImage& sheet, const PageBoxes& sheetBoxes,
                                    const std::vector<PlacedPage>& placed,
                                    const std::vector<GrayImage>& inputs, int dpi,
                                    const RenderTolerance& tolerance = {});

// Mean difference of two renders of one size (within a pixel); 255 for other sizes.
double meanDifference(const GrayImage& a, const GrayImage& b);

std::string tesselBinary();

struct TesselRun {
    int status = -1;
    std::string output;  // standard output and standard error
};
// Runs tessel with the arguments in folder workDir ("": the current folder).
TesselRun runTessel(const std::vector<std::string>& args, const std::string& workDir = "");

std::vector<std::string> splitOptions(const std::string& options);  // "-4up -s3": two
// The grid of -4up, -<n>up<across>x<down> or -down (else 2 x 1), its margins and -mediabox.
GridLayout gridOf(const std::string& options);

// qpdf --check's exit status (0 clean, 2 errors, 3 warnings only) and its messages.
int qpdfCheck(const std::string& pdfPath, std::string* output = nullptr);
int qpdfPageCount(const std::string& pdfPath);  // -1 when qpdf fails
std::string boxText(const double* box);         // "0 0 612 792"

// An expected output page: a sheet's slots, or (single) one page copied as it was.
struct ExpectedPage {
    bool single = false;
    std::vector<int> slots;
};
// Parses "=1|3,4|5,0": entries split by '|', slots by ','; "=n" is the single page n.
std::vector<ExpectedPage> parseOrder(const std::string& text);

// The names in folder, sorted; and those that are temporary files of a conversion (".tessel-*").
std::vector<std::string> folderEntries(const std::string& folder);
std::vector<std::string> temporaryFilesIn(const std::string& folder);

// A document whose first page has no /Parent: a conversion fails after the output is opened.
std::string makePdfWithoutParent();

// One conversion and what its output must show.
struct ConversionCheck {
    std::string inputPath, options;  // options after the two file names
    std::string referencePath;       // the document the pages come from; "": the input
    GridLayout grid;
    std::vector<ExpectedPage> pages;
    RenderTolerance tolerance;
    std::string mediaBox, cropBox;  // of output page 1, "x1 y1 x2 y2"; empty: not checked
    int maxPagesChecked = 0;        // output pages rendered (0: all)
    int maxInputPages = 0;          // input pages rendered (0: all)
    int qpdfAccepted = 0;           // qpdf --check status accepted beside 0
};

// Converts to outputPath, then checks the console, qpdf, page count, boxes and the render check of
// each expected page.
void expectConversion(const ConversionCheck& check, const std::string& outputPath);
