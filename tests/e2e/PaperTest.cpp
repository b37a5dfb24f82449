// Sheets fitted to a paper size: the paper's boxes and orientation, every page fitted into its
// cell upright as a viewer shows it (rendered and compared), and cut marks only outside the cells.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <numeric>
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
    const char* rotations;  // /Rotate values, cycled
    const char* options;
    const char* order;  // the sheets, see parseOrder
};

// Where each page of a sheet must show: cells as large as the largest page shown, the grid scaled
// to fit the paper within the marks' border and centred, each page scaled to fit its cell and
// centred. Fills the scale of each page and the paper's size as it lies.
std::vector<PlacedPage> expectedSheet(const std::string& options, const std::vector<int>& slots,
                                      const std::vector<PageBoxes>& inputs,
                                      std::vector<double>& scales, double& paperW, double& paperH) {
    const GridLayout g = gridOf(options);
    const double border = options.find("-marks") != std::string::npos ? 18 : 0;
    double cellW = 0, cellH = 0, width, height;
    for (int page : slots) {
        if (page == 0) continue;
        shownSize(inputs[page - 1].crop, inputs[page - 1].rotation, width, height);
        cellW = std::max(cellW, width);
        cellH = std::max(cellH, height);
    }
    const double gridW = g.across * cellW + (g.across - 1) * g.rightMargin;
    const double gridH = g.down * cellH + (g.down - 1) * g.bottomMargin;
    auto scaleOn = [&](double w, double h) {
        return std::min((w - 2 * border) / gridW, (h - 2 * border) / gridH);
    };
    // A named paper turns when the grid shows larger so; "WxH" is taken as it is.
    const std::string paper = options.substr(options.find("-paper ") + 7);
    if (std::sscanf(paper.c_str(), "%lfx%lf", &paperW, &paperH) != 2) {
        paperW = std::tolower(paper[0]) == 'a' ? 595 : 612;
        paperH = std::tolower(paper[0]) == 'a' ? 842 : 792;
        if (scaleOn(paperH, paperW) > scaleOn(paperW, paperH)) std::swap(paperW, paperH);
    }
    const double s = scaleOn(paperW, paperH);
    std::vector<PlacedPage> placed;
    scales.assign(inputs.size(), 0);
    for (int k = 0; k < static_cast<int>(slots.size()); k++) {
        PlacedPage cell{k, slots[k]};
        width = cellW;
        height = cellH;
        if (cell.page)
            shownSize(inputs[cell.page - 1].crop, inputs[cell.page - 1].rotation, width, height);
        const double fit = s * std::min(cellW / width, cellH / height);
        if (cell.page) scales[cell.page - 1] = fit;
        cell.x1 = (paperW - s * gridW + s * cellW - fit * width) / 2 +
                  s * (cellW + g.rightMargin) * (k % g.across);
        cell.y1 = (paperH - s * gridH + s * cellH - fit * height) / 2 +
                  s * (cellH + g.bottomMargin) * (g.down - 1 - k / g.across);
        cell.x2 = cell.x1 + fit * width;
        cell.y2 = cell.y1 + fit * height;
        placed.push_back(cell);
    }
    return placed;
}

class Paper : public testing::TestWithParam<PaperCase> {};

TEST_P(Paper, PagesFitTheirCellsUpright) {
    const PaperCase& c = GetParam();
    TempDir dir;
    FeatureDoc doc;
    doc.pages = numberedPages(c.pages);
    const std::vector<std::string> sizes = splitOptions(c.sizes), turns = splitOptions(c.rotations);
    for (size_t i = 0; i < doc.pages.size(); i++) {
        std::sscanf(sizes[i % sizes.size()].c_str(), "%lfx%lf", &doc.pages[i].width,
                    &doc.pages[i].height);
        if (!turns.empty()) doc.pages[i].rotate = turns[i % turns.size()];
        doc.pages[i].annotations = std::string(c.name) == "Annotations";
    }
    const std::string input = dir.write("in.pdf", makeFeaturePdf(doc)), output = input + ".out";
    TesselRun run = runTessel(splitOptions(input + " " + output + " " + c.options));
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(qpdfCheck(output), 0);

    const std::vector<ExpectedPage> sheets = parseOrder(c.order);
    std::vector<PageBoxes> inputs, outputs;
    std::string error;
    ASSERT_TRUE(readPageBoxes(input, inputs, &error)) << error;
    ASSERT_TRUE(readPageBoxes(output, outputs, &error)) << error;
    ASSERT_EQ(outputs.size(), sheets.size());
    const bool marks = std::string(c.options).find("-marks") != std::string::npos;
    const int dpi = marks ? 40 : 20;
    for (size_t n = 0; n < sheets.size(); n++) {
        SCOPED_TRACE(formatText("sheet %zu", n + 1));
        std::vector<double> scales;
        double width, height;
        const std::vector<PlacedPage> placed =
            expectedSheet(c.options, sheets[n].slots, inputs, scales, width, height);
        EXPECT_EQ(boxText(outputs[n].media), formatText("0 0 %g %g", width, height));
        EXPECT_EQ(outputs[n].rotation, 0);
        // Each page rendered alone at its own scale.
        std::vector<GrayImage> images(inputs.size()), one, sheet;
        for (int page = 1; page <= static_cast<int>(inputs.size()); page++) {
            if (scales[page - 1] == 0) continue;
            ASSERT_TRUE(renderPages(input, dpi * scales[page - 1], one, &error, page, page))
                << error;
            images[page - 1] = one[0];
        }
        ASSERT_TRUE(renderPages(output, dpi, sheet, &error, int(n) + 1, int(n) + 1)) << error;
        for (const std::string& failure : checkSheet(sheet[0], outputs[n], placed, images, dpi))
            ADD_FAILURE() << failure;
        // Dark pixels outside every cell (grown by a pixel and a half) are marks.
        int dark = 0;
        const double grow = 108.0 / dpi;
        for (int at = 0; at < sheet[0].width * sheet[0].height; at++) {
            const double px = (at % sheet[0].width + 0.5) * 72 / dpi,
                         py = height - (at / sheet[0].width + 0.5) * 72 / dpi;
            dark += sheet[0].pixels[at] < 200 &&
                    std::none_of(placed.begin(), placed.end(), [&](const PlacedPage& p) {
                        return px > p.x1 - grow && px < p.x2 + grow && py > p.y1 - grow &&
                               py < p.y2 + grow;
                    });
        }
        EXPECT_EQ(dark > 0, marks) << dark << " dark pixels outside the cells";
    }
}

const PaperCase kCases[] = {
    {"A4TwoUp", 4, "595x842", "", "-paper a4", "1,2|3,4"},
    {"LetterFourUp", 4, "612x792", "", "-4up -paper Letter", "1,2,3,4"},
    {"FourUpMargins", 4, "612x792", "", "-4up -paper a4 -rightmargin 20 -bottommargin 40",
     "1,2,3,4"},
    {"LetterTwelveUp", 12, "612x792", "", "-12up3x4 -paper letter", "1,2,3,4,5,6,7,8,9,10,11,12"},
    {"FixedLandscape", 4, "612x792", "", "-4up -paper 842x595", "1,2,3,4"},
    {"MixedSizes", 6, "612x792 396x612 792x612", "", "-4up -paper letter", "1,2,3,4|5,6,0,0"},
    {"Rotations", 4, "612x792", "90 180 270 0", "-4up -paper a4", "1,2,3,4"},
    {"RotatedTwoUp", 2, "612x792", "90", "-paper letter", "1,2"},
    {"Annotations", 4, "612x792", "0 180", "-4up -paper a4", "1,2,3,4"},
    {"Marks", 4, "612x792", "", "-4up -paper letter -marks", "1,2,3,4"},
    {"StackedCardsWithMarks", 8, "300x200", "", "-6up2x3 -stack -paper a4 -marks",
     "1,3,5,7,0,0|2,4,6,8,0,0"},
};

// Split back onto paper, each half of a page fills a sheet of its own: left halves dark, right
// halves light.
TEST(PaperSplitBack, EachHalfFillsItsOwnSheet) {
    TempDir dir;
    FeatureDoc doc;
    doc.pages = numberedPages(2);
    for (FeaturePage& page : doc.pages) {
        page.width = 1190;
        page.height = 842;
        page.extraContent = "0.2 g 0 0 595 842 re f\n";
    }
    const std::string input = dir.write("in.pdf", makeFeaturePdf(doc)),
                      output = dir.file("out.pdf");
    ASSERT_EQ(runTessel({input, output, "-2to1up", "-paper", "a4"}).status, 0);
    std::vector<GrayImage> sheets;
    std::string error;
    ASSERT_TRUE(renderPages(output, 10, sheets, &error)) << error;
    ASSERT_EQ(sheets.size(), 4u);
    for (size_t n = 0; n < 4; n++) {
        const std::vector<double>& p = sheets[n].pixels;
        const double mean = std::accumulate(p.begin(), p.end(), 0.0) / p.size();
        EXPECT_TRUE(n % 2 == 0 ? mean < 90 : mean > 200) << "sheet " << n + 1 << ": grey " << mean;
    }
}

INSTANTIATE_TEST_SUITE_P(Sheets, Paper, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<PaperCase>& p) {
                             return std::string(p.param.name);
                         });

}  // namespace
