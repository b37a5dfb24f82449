// Runs the tessel binary and checks what it writes: qpdf --check, page count, sheet boxes and the
// render check of every sheet against the input pages.
#pragma once

#include <string>
#include <vector>

#include "e2e/RenderCheck.h"

// Path of the tessel binary under test.
std::string tesselBinary();

struct TesselRun {
    int status = -1;
    std::string output;  // standard output and standard error
};
// Runs tessel with the arguments (each passed as one argument) in folder workDir ("" for the
// current folder).
TesselRun runTessel(const std::vector<std::string>& args, const std::string& workDir = "");

// Splits "-4up -s3" into arguments.
std::vector<std::string> splitOptions(const std::string& options);

// qpdf --check's exit status (0 clean, 2 errors, 3 warnings only) and its messages.
int qpdfCheck(const std::string& pdfPath, std::string* output = nullptr);
// qpdf --show-npages, or -1 when qpdf fails.
int qpdfPageCount(const std::string& pdfPath);

// One expected output page: a sheet with its slots, or a single page copied as it was.
struct ExpectedPage {
    bool single = false;
    std::vector<int> slots;  // single: one page number
};
// Parses "=1|3,4|5,0|=9": entries split by '|', slots by ','; "=n" is a single page n.
std::vector<ExpectedPage> parseOrder(const std::string& text);
// The row order of a layout of slotsPerSheet slots over pages 1..pageCount.
std::vector<ExpectedPage> rowOrder(int pageCount, int slotsPerSheet);

// The names in folder, sorted; and those that are temporary files of a conversion (".tessel-*").
std::vector<std::string> folderEntries(const std::string& folder);
std::vector<std::string> temporaryFilesIn(const std::string& folder);

// A document whose first page has no /Parent: a conversion fails after the output is opened.
std::string makePdfWithoutParent();

// Everything one conversion is checked for.
struct ConversionCheck {
    std::string inputPath;
    std::string options;  // tessel options after the two file names
    GridLayout grid;
    std::vector<ExpectedPage> pages;  // the expected output pages in order
    PlacementOptions placement;
    RenderTolerance tolerance;
    // Expected boxes of output page 1 ("x1 y1 x2 y2"); empty: not checked.
    std::string mediaBox;
    std::string cropBox;
    // Rotation output page 1 must be displayed with; -1: not checked.
    int rotation = -1;
    int renderDpi = 20;
    // Output pages rendered and compared (0: all); input pages rendered (0: all).
    int maxPagesChecked = 0;
    int maxInputPages = 0;
    // qpdf --check status accepted for the output (3 when the input itself has warnings).
    int qpdfAccepted = 0;
};

// Converts, then checks status and console, qpdf, page count, boxes and the render check of each
// expected page. Reports through GoogleTest; the output file is left at outputPath.
void expectConversion(const ConversionCheck& check, const std::string& outputPath);
