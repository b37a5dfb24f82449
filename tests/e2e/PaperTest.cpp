// Sheets fitted to a paper size: the paper's boxes and orientation, every page fitted into its
// cell upright as a viewer shows it (rendered and compared), and cut marks only outside the cells.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "e2e/E2eSupport.h"
#include "pdf/FormatText.h"
#include "support/TestPdf.h"

namespace {

struct PaperCase {
    const char* name;
    int pages;
    const char* sizes;   // "WxH" page sizes cycled over the pages
    const char* rotate;  // /Rotate values cycled over the pages; "" for none
    const char* options;
    int across, down;
    const char* order;               // expected sheets, see parseOrder
    double paperWidth, paperHeight;  // upright; a named size turns when the grid shows larger
    bool named = true;
};

std::vector<std::string> cycled(const std::string& list, char separator) {
    std::vector<std::string> items;
    size_t start = 0;
    while (!list.empty() && start <= list.size()) {
        size_t end = list.find(separator, start);
        if (end == std::string::npos) end = list.size();
        items.push_back(list.substr(start, end - start));
        start = end + 1;
    }
    return items;
}

// Where each page of a sheet must show: cells as large as the largest page on the sheet as
// displayed, the grid scaled to fit the paper (within the border the marks keep) and centred,
// each page scaled to fit its cell and centred. scales receives each placed page's scale.
std::vector<PlacedPage> expectedSheet(const PaperCase& c, const std::vector<int>& slots,
                                      const std::vector<PageGeometry>& inputs, bool marks,
                                      std::vector<double>& scales, double& paperWidth,
                                      double& paperHeight) {
    auto shown = [](const PageGeometry& page, double& width, double& height) {
        bool quarter = page.rotation % 180 != 0;
        width = quarter ? page.y2 - page.y1 : page.x2 - page.x1;
        height = quarter ? page.x2 - page.x1 : page.y2 - page.y1;
    };
    double cellWidth = 0, cellHeight = 0;
    for (int page : slots) {
        if (page == 0) continue;
        double width, height;
        shown(inputs[static_cast<size_t>(page - 1)], width, height);
        cellWidth = std::max(cellWidth, width);
        cellHeight = std::max(cellHeight, height);
    }
    double border = marks ? 18 : 0;
    auto scaleOn = [&](double width, double height) {
        return std::min((width - 2 * border) / (c.across * cellWidth),
                        (height - 2 * border) / (c.down * cellHeight));
    };
    paperWidth = c.paperWidth;
    paperHeight = c.paperHeight;
    if (c.named && scaleOn(paperHeight, paperWidth) > scaleOn(paperWidth, paperHeight))
        std::swap(paperWidth, paperHeight);
    double s = scaleOn(paperWidth, paperHeight);
    double left = 0.5 * (paperWidth - s * c.across * cellWidth);
    double bottom = 0.5 * (paperHeight - s * c.down * cellHeight);
    std::vector<PlacedPage> placed;
    scales.assign(inputs.size(), 0);
    for (size_t k = 0; k < slots.size(); k++) {
        PlacedPage cell;
        cell.slot = static_cast<int>(k);
        cell.page = slots[k];
        double x = left + s * cellWidth * (cell.slot % c.across);
        double y = bottom + s * cellHeight * (c.down - 1 - cell.slot / c.across);
        double width = s * cellWidth, height = s * cellHeight;
        if (cell.page) {
            double pageWidth, pageHeight;
            shown(inputs[static_cast<size_t>(cell.page - 1)], pageWidth, pageHeight);
            double fit = std::min(width / pageWidth, height / pageHeight);
            scales[static_cast<size_t>(cell.page - 1)] = fit;
            x += 0.5 * (width - fit * pageWidth);
            y += 0.5 * (height - fit * pageHeight);
            width = fit * pageWidth;
            height = fit * pageHeight;
        }
        cell.x1 = x;
        cell.y1 = y;
        cell.x2 = x + width;
        cell.y2 = y + height;
        placed.push_back(cell);
    }
    return placed;
}

// Dark pixels of the sheet outside every cell (each grown by a pixel): the marks.
int darkOutsideCells(const GrayImage& sheet, const std::vector<PlacedPage>& cells,
                     double paperHeight, double scale) {
    int dark = 0;
    for (int y = 0; y < sheet.height; y++) {
        for (int x = 0; x < sheet.width; x++) {
            double px = (x + 0.5) / scale, py = paperHeight - (y + 0.5) / scale;
            bool inCell = false;
            for (const PlacedPage& cell : cells) {
                double grow = 1.5 / scale;
                inCell = inCell || (px > cell.x1 - grow && px < cell.x2 + grow &&
                                    py > cell.y1 - grow && py < cell.y2 + grow);
            }
            if (!inCell && sheet.at(x, y) < 200) dark++;
        }
    }
    return dark;
}

class Paper : public testing::TestWithParam<PaperCase> {};

TEST_P(Paper, PagesFitTheirCellsUpright) {
    const PaperCase& c = GetParam();
    TempDir dir;
    FeatureDoc doc;
    doc.pages = numberedPages(c.pages);
    std::vector<std::string> sizes = cycled(c.sizes, ','), rotations = cycled(c.rotate, ',');
    for (size_t i = 0; i < doc.pages.size(); i++) {
        std::sscanf(sizes[i % sizes.size()].c_str(), "%lfx%lf", &doc.pages[i].width,
                    &doc.pages[i].height);
        if (!rotations.empty()) doc.pages[i].rotate = rotations[i % rotations.size()];
        doc.pages[i].annotations = std::string(c.name) == "Annotations";
    }
    std::string input = dir.write("in.pdf", makeFeaturePdf(doc));
    std::string output = dir.file("out.pdf");
    std::vector<std::string> args = {input, output};
    for (const std::string& option : splitOptions(c.options)) args.push_back(option);
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
            expectedSheet(c, sheets[n].slots, inputs, marks, scales, width, height);
        EXPECT_EQ(formatText("%g %g %g %g", boxes.media[0], boxes.media[1], boxes.media[2],
                             boxes.media[3]),
                  formatText("0 0 %g %g", width, height));
        EXPECT_EQ(boxes.rotation, 0);
        // Each page rendered alone at its own scale.
        std::vector<GrayImage> images(inputs.size());
        for (size_t page = 0; page < inputs.size(); page++) {
            if (scales[page] == 0) continue;
            std::vector<GrayImage> one;
            int number = static_cast<int>(page + 1);
            ASSERT_TRUE(renderPages(input, dpi * scales[page], one, &error, number, number))
                << error;
            images[page] = one[0];
        }
        std::vector<GrayImage> sheet;
        int number = static_cast<int>(n + 1);
        ASSERT_TRUE(renderPages(output, dpi, sheet, &error, number, number)) << error;
        // Marks are thin but render a pixel wide: the blocks around them differ from blank.
        RenderTolerance tolerance;
        if (marks) tolerance.blockMean = 160;
        for (const std::string& failure :
             checkSheet(sheet[0], geometryOf(boxes), placed, images, dpi, tolerance))
            ADD_FAILURE() << failure;
        int dark = darkOutsideCells(sheet[0], placed, height, dpi / 72.0);
        if (marks) {
            EXPECT_GT(dark, 0) << "no cut marks";
        } else {
            EXPECT_EQ(dark, 0);
        }
        if (std::string(c.name) == "A4TwoUp") {
            EXPECT_NEAR(scales[2 * n], std::sqrt(0.5), 1e-3);
        }
    }
}

const PaperCase kCases[] = {
    {"A4TwoUp", 4, "595x842", "", "-paper a4", 2, 1, "1,2|3,4", 595, 842},
    {"LetterFourUp", 4, "612x792", "", "-4up -paper Letter", 2, 2, "1,2,3,4", 612, 792},
    {"LetterTwelveUp", 12, "612x792", "", "-12up3x4 -paper letter", 3, 4,
     "1,2,3,4,5,6,7,8,9,10,11,12", 612, 792},
    {"FixedLandscape", 4, "612x792", "", "-4up -paper 842x595", 2, 2, "1,2,3,4", 842, 595, false},
    {"MixedSizes", 6, "612x792,396x612,792x612", "", "-4up -paper letter", 2, 2, "1,2,3,4|5,6,0,0",
     612, 792},
    {"Rotations", 4, "612x792", "90,180,270,0", "-4up -paper a4", 2, 2, "1,2,3,4", 595, 842},
    {"RotatedTwoUp", 2, "612x792", "90", "-paper letter", 2, 1, "1,2", 612, 792},
    {"Annotations", 4, "612x792", "0,180", "-4up -paper a4", 2, 2, "1,2,3,4", 595, 842},
    {"Marks", 4, "612x792", "", "-4up -paper letter -marks", 2, 2, "1,2,3,4", 612, 792},
    {"StackedCardsWithMarks", 8, "300x200", "", "-6up2x3 -stack -paper a4 -marks", 2, 3,
     "1,3,5,7,0,0|2,4,6,8,0,0", 595, 842},
};

std::string caseName(const testing::TestParamInfo<PaperCase>& info) {
    return info.param.name;
}

INSTANTIATE_TEST_SUITE_P(Sheets, Paper, testing::ValuesIn(kCases), caseName);

}  // namespace
