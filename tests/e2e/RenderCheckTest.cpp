// The render check on sheets pasted together from page renders: it passes right sheets and
// catches pages swapped, wrong, missing, upside down (-page), in an empty cell, or shifted by a
// margin, and a bar (page 0) between pages.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "e2e/E2eSupport.h"
#include "support/TestPdf.h"

TEST(RenderCheck, PassesRightSheetsAndCatchesWrongOnes) {
    const struct {
        const char* name;
        std::vector<std::pair<int, double>> pasted;  // page and its left edge in points
        std::vector<int> slots;                      // what the check expects in the cells
        double rightMargin;                          // both expected and widening the sheet
        bool passes;
    } cases[] = {
        {"right", {{1, 0}, {2, 612}}, {1, 2}, 0, true},
        {"swapped", {{2, 0}, {1, 612}}, {1, 2}, 0, false},
        {"wrong page", {{1, 0}, {3, 612}}, {1, 2}, 0, false},
        {"missing page", {{1, 0}}, {1, 2}, 0, false},
        {"upside down", {{1, 0}, {-2, 612}}, {1, 2}, 0, false},
        {"page in an empty cell", {{1, 0}, {2, 612}}, {1, 0}, 0, false},
        {"shifted by a margin", {{1, 0}, {2, 632}}, {1, 2}, 0, false},
        {"margin", {{1, 0}, {2, 632}}, {1, 2}, 20, true},
        {"margin missing", {{1, 0}, {2, 612}}, {1, 2}, 20, false},
        {"bar in the margin", {{1, 0}, {2, 632}, {0, 612}}, {1, 2}, 20, false},
    };
    TempDir dir;
    FeatureDoc input;
    input.pages = numberedPages(4);
    const std::string inPath = dir.write("in.pdf", makeFeaturePdf(input));
    std::vector<GrayImage> pages;
    std::vector<PageBoxes> boxes;
    std::string error;
    ASSERT_TRUE(renderPages(inPath, 20, pages, &error) && readPageBoxes(inPath, boxes, &error));
    for (const auto& c : cases) {
        PageBoxes sheetBoxes;
        sheetBoxes.crop[2] = 1224 + c.rightMargin;
        sheetBoxes.crop[3] = 792;
        const int width = static_cast<int>(std::ceil(sheetBoxes.crop[2] * 20 / 72));
        GrayImage sheet{width, 220, std::vector<double>(width * 220, 255)};
        for (const auto& [page, x] : c.pasted) {
            const GrayImage& image = pages[std::abs(page) - (page != 0)];
            const int left = static_cast<int>(std::lround(x * 20 / 72));
            for (int y = 0; y < image.height; y++)
                for (int dx = 0; dx < (page ? image.width : 6) && left + dx < width; dx++)
                    sheet.pixels[y * width + left + dx] =
                        page > 0 ? image.at(dx, y)
                        : page   ? image.at(image.width - 1 - dx, image.height - 1 - y)
                                 : 0;
        }
        const GridLayout grid{2, 1, true, c.rightMargin};
        std::string list;
        for (const std::string& failure :
             checkSheet(sheet, sheetBoxes, planSheet(grid, c.slots, boxes), pages, 20))
            list += failure + "\n";
        EXPECT_EQ(list.empty(), c.passes) << c.name << ":\n" << list;
    }
}
