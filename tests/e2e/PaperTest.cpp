// Sheets fitted to a paper size: the paper's boxes and orientation, every page fitted into its
// cell upright as a viewer shows it (rendered and compared), and cut marks only outside the cells.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "e2e/E2eSupport.h"
#include "pdf/FormatText.h"
#include "support/TestPdf.h"

namespace {

struct PaperCase {
    const char* name;
    int pages;
    const char* sizes;      // "WxH ...", cycled over the pages
    const char* rotations;  // "/Rotate ...", cycled; "" for none
    const char* options;
    int across, down;
    const char* order;               // expected sheets, see parseOrder
    double paperWidth, paperHeight;  // upright; a named size turns when the grid shows larger
    bool named = true;
    double gapX = 0, gapY = 0;  // the margins between columns and between rows
};

// Where each page of a sheet must show: cells as large as the largest page on the sheet as
// displayed, the grid scaled to fit the paper (within the marks' border) and centred, each page
// scaled to fit its cell and centred. Fills each placed page's scale and the paper as it lies.
std::vector<PlacedPage> expectedSheet(const PaperCase& c, const std::vector<int>& slots,
                                      const std::vector<PageGeometry>& inputs, double border,
                                      std::vector<double>& scales, double& paperWidth,
                                      double& paperHeight) {
    auto shown = [&inputs](int page, double& width, double& height) {
        const PageGeometry& g = inputs[static_cast<size_t>(page - 1)];
        bool quarter = g.rotation % 180 != 0;
        width = quarter ? g.y2 - g.y1 : g.x2 - g.x1;
        height = quarter ? g.x2 - g.x1 : g.y2 - g.y1;
    };
    double cellWidth = 0, cellHeight = 0, width, height;
    for (int page : slots) {
        if (page == 0) continue;
        shown(page, width, height);
        cellWidth = std::max(cellWidth, width);
        cellHeight = std::max(cellHeight, height);
    }
    auto scaleOn = [&](double w, double h) {
        return std::min((w - 2 * border) / (c.across * cellWidth + (c.across - 1) * c.gapX),
                        (h - 2 * border) / (c.down * cellHeight + (c.down - 1) * c.gapY));
    };
    paperWidth = c.paperWidth;
    paperHeight = c.paperHeight;
    if (c.named && scaleOn(paperHeight, paperWidth) > scaleOn(paperWidth, paperHeight))
        std::swap(paperWidth, paperHeight);
    double s = scaleOn(paperWidth, paperHeight);
    std::vector<PlacedPage> placed;
    scales.assign(inputs.size(), 0);
    for (int k = 0; k < static_cast<int>(slots.size()); k++) {
        PlacedPage cell{k, slots[static_cast<size_t>(k)]};
        cell.x1 = 0.5 * (paperWidth - s * (c.across * cellWidth + (c.across - 1) * c.gapX)) +
                  s * (cellWidth + c.gapX) * (k % c.across);
        cell.y1 = 0.5 * (paperHeight - s * (c.down * cellHeight + (c.down - 1) * c.gapY)) +
                  s * (cellHeight + c.gapY) * (c.down - 1 - k / c.across);
        double fit = 0;
        if (cell.page) {
            shown(cell.page, width, height);
            fit = std::min(s * cellWidth / width, s * cellHeight / height);
            scales[static_cast<size_t>(cell.page - 1)] = fit;
        }
        cell.x1 += cell.page ? 0.5 * (s * cellWidth - fit * width) : 0;
        cell.y1 += cell.page ? 0.5 * (s * cellHeight - fit * height) : 0;
        cell.x2 = cell.x1 + (cell.page ? fit * width : s * cellWidth);
        cell.y2 = cell.y1 + (cell.page ? fit * height : s * cellHeight);
        placed.push_back(cell);
    }
    return placed;
}

std::vector<std::string> words(const char* text) {
    std::istringstream in(text);
    std::vector<std::string> out;
    for (std::string word; in >> word;) out.push_back(word);
    return out;
}

class Paper : public testing::TestWithParam<PaperCase> {};

TEST_P(Paper, PagesFitTheirCellsUpright) {
    const PaperCase& c = GetParam();
    TempDir dir;
    FeatureDoc doc;
    doc.pages = numberedPages(c.pages);
    std::vector<std::string> sizes = words(c.sizes), rotations = words(c.rotations);
    for (size_t i = 0; i < doc.pages.size(); i++) {
        std::sscanf(sizes[i % sizes.size()].c_str(), "%lfx%lf", &doc.pages[i].width,
                    &doc.pages[i].height);
        if (!rotations.empty()) doc.pages[i].rotate = rotations[i % rotations.size()];
        doc.pages[i].annotations = std::string(c.name) == "Annotations";
    }
    std::string input = dir.write("in.pdf", makeFeaturePdf(doc)), output = dir.file("out.pdf");
    std::vector<std::string> args = splitOptions(c.options);
    args.insert(args.begin(), {input, output});
    TesselRun run = runTessel(args);
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(qpdfCheck(output), 0);

    std::vector<ExpectedPage> sheets = parseOrder(c.order);
    std::vector<PageBoxes> inputBoxes, outputBoxes;
    std::string error;
    ASSERT_TRUE(readPageBoxes(input, inputBoxes, &error)) << error;
    ASSERT_TRUE(readPageBoxes(output, outputBoxes, &error)) << error;
    ASSERT_EQ(outputBoxes.size(), sheets.size());
    std::vector<PageGeometry> inputs;
    for (const PageBoxes& boxes : inputBoxes) inputs.push_back(geometryOf(boxes));
    const bool marks = std::string(c.options).find("-marks") != std::string::npos;
    const int dpi = marks ? 40 : 20;
    for (size_t n = 0; n < sheets.size(); n++) {
        SCOPED_TRACE(formatText("sheet %zu", n + 1));
        const PageBoxes& boxes = outputBoxes[n];
        std::vector<double> scales;
        double width, height;
        std::vector<PlacedPage> placed =
            expectedSheet(c, sheets[n].slots, inputs, marks ? 18 : 0, scales, width, height);
        EXPECT_EQ(formatText("%g %g %g %g", boxes.media[0], boxes.media[1], boxes.media[2],
                             boxes.media[3]),
                  formatText("0 0 %g %g", width, height));
        EXPECT_EQ(boxes.rotation, 0);
        if (std::string(c.name) == "A4TwoUp") {
            EXPECT_NEAR(scales[2 * n], std::sqrt(0.5), 1e-3);
        }
        // Each page rendered alone at its own scale.
        std::vector<GrayImage> images(inputs.size()), one, sheet;
        for (int page = 1; page <= static_cast<int>(inputs.size()); page++) {
            double scale = scales[static_cast<size_t>(page - 1)];
            if (scale == 0) continue;
            ASSERT_TRUE(renderPages(input, dpi * scale, one, &error, page, page)) << error;
            images[static_cast<size_t>(page - 1)] = one[0];
        }
        int number = static_cast<int>(n + 1);
        ASSERT_TRUE(renderPages(output, dpi, sheet, &error, number, number)) << error;
        // Marks are thin but render a pixel wide: the blocks around them are not blank.
        RenderTolerance tolerance;
        if (marks) tolerance.blockMean = 160;
        for (const std::string& failure :
             checkSheet(sheet[0], geometryOf(boxes), placed, images, dpi, tolerance))
            ADD_FAILURE() << failure;
        // Dark pixels outside every cell (grown by a pixel and a half) are marks.
        int dark = 0;
        for (int y = 0; y < sheet[0].height; y++) {
            for (int x = 0; x < sheet[0].width; x++) {
                double px = (x + 0.5) * 72 / dpi, py = height - (y + 0.5) * 72 / dpi,
                       grow = 108.0 / dpi;
                bool inCell = std::any_of(placed.begin(), placed.end(), [&](const PlacedPage& p) {
                    return px > p.x1 - grow && px < p.x2 + grow && py > p.y1 - grow &&
                           py < p.y2 + grow;
                });
                dark += !inCell && sheet[0].at(x, y) < 200;
            }
        }
        EXPECT_EQ(dark > 0, marks) << dark << " dark pixels outside the cells";
    }
}

const PaperCase kCases[] = {
    {"A4TwoUp", 4, "595x842", "", "-paper a4", 2, 1, "1,2|3,4", 595, 842},
    {"LetterFourUp", 4, "612x792", "", "-4up -paper Letter", 2, 2, "1,2,3,4", 612, 792},
    {"FourUpMargins", 4, "612x792", "", "-4up -paper a4 -rightmargin 20 -bottommargin 50", 2, 2,
     "1,2,3,4", 595, 842, true, 20, 50},
    {"LetterTwelveUp", 12, "612x792", "", "-12up3x4 -paper letter", 3, 4,
     "1,2,3,4,5,6,7,8,9,10,11,12", 612, 792},
    {"FixedLandscape", 4, "612x792", "", "-4up -paper 842x595", 2, 2, "1,2,3,4", 842, 595, false},
    {"MixedSizes", 6, "612x792 396x612 792x612", "", "-4up -paper letter", 2, 2, "1,2,3,4|5,6,0,0",
     612, 792},
    {"Rotations", 4, "612x792", "90 180 270 0", "-4up -paper a4", 2, 2, "1,2,3,4", 595, 842},
    {"RotatedTwoUp", 2, "612x792", "90", "-paper letter", 2, 1, "1,2", 612, 792},
    {"Annotations", 4, "612x792", "0 180", "-4up -paper a4", 2, 2, "1,2,3,4", 595, 842},
    {"Marks", 4, "612x792", "", "-4up -paper letter -marks", 2, 2, "1,2,3,4", 612, 792},
    {"StackedCardsWithMarks", 8, "300x200", "", "-6up2x3 -stack -paper a4 -marks", 2, 3,
     "1,3,5,7,0,0|2,4,6,8,0,0", 595, 842},
};

// Split back onto paper, each half of a page fills a sheet of its own: the left halves are painted
// dark, the right halves are left light.
TEST(PaperSplitBack, EachHalfFillsItsOwnSheet) {
    TempDir dir;
    FeatureDoc doc;
    doc.pages = numberedPages(2);
    for (FeaturePage& page : doc.pages) {
        page.width = 1190;
        page.height = 842;
        page.extraContent = "0.2 g 0 0 595 842 re f\n";
    }
    std::string input = dir.write("in.pdf", makeFeaturePdf(doc)), output = dir.file("out.pdf");
    TesselRun run = runTessel({input, output, "-2to1up", "-paper", "a4"});
    ASSERT_EQ(run.status, 0) << run.output;
    std::vector<GrayImage> sheets;
    std::string error;
    ASSERT_TRUE(renderPages(output, 10, sheets, &error)) << error;
    ASSERT_EQ(sheets.size(), 4u);
    for (size_t n = 0; n < sheets.size(); n++) {
        double sum = 0;
        for (uint8_t pixel : sheets[n].pixels) sum += pixel;
        double mean = sum / static_cast<double>(sheets[n].pixels.size());
        bool left = n % 2 == 0;
        EXPECT_EQ(left ? mean < 90 : mean > 200, true)
            << "sheet " << n + 1 << " shows mean grey " << mean << ", expected a "
            << (left ? "dark left" : "light right") << " half";
    }
}

INSTANTIATE_TEST_SUITE_P(Sheets, Paper, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<PaperCase>& param) {
                             return std::string(param.param.name);
                         });

}  // namespace
