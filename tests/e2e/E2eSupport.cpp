// Runs the tessel binary and checks its output with qpdf, pdfinfo and pdftoppm renders compared
// with the expected placement of the pages.
#include "e2e/E2eSupport.h"

#include <dirent.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>

#include "pdf/FormatText.h"
#include "support/TestPdf.h"

namespace {

struct Rect {
    int left = 0, top = 0, width = 0, height = 0;
};

// A 3 x 3 box blur: it evens out the part-pixel shifts between a page rendered alone and the same
// page rendered on a sheet.
GrayImage blurOf(const GrayImage& image) {
    const int w = image.width, h = image.height;
    GrayImage blur{w, h, std::vector<double>(w * h)};
    for (int y = 0; y < h; y++) {
        for (int x = 0; x < w; x++) {
            double sum = 0, count = 0;
            for (int ny = std::max(0, y - 1); ny <= std::min(h - 1, y + 1); ny++)
                for (int nx = std::max(0, x - 1); nx <= std::min(w - 1, x + 1); nx++, count++)
                    sum += image.at(nx, ny);
            blur.pixels[y * w + x] = sum / count;
        }
    }
    return blur;
}

bool inside(const GrayImage& image, int x, int y) {
    return x >= 0 && y >= 0 && x < image.width && y < image.height;
}

// Mean absolute difference of a from b over b's pixels in region but its outer ring (the
// antialiased page edge), b's pixel (x, y) lying on a's (x + dx, y + dy); -1 when none is on a.
double difference(const GrayImage& a, const GrayImage& b, const Rect& region, int dx = 0,
                  int dy = 0) {
    double sum = 0, count = 0;
    for (int y = region.top + 1; y < region.top + region.height - 1; y++) {
        for (int x = region.left + 1; x < region.left + region.width - 1; x++) {
            if (!inside(b, x, y) || !inside(a, x + dx, y + dy)) continue;
            sum += std::fabs(a.at(x + dx, y + dy) - b.at(x, y));
            count++;
        }
    }
    return count ? sum / count : -1;
}

}  // namespace

void shownSize(const double* box, int rotation, double& width, double& height) {
    const bool quarter = rotation % 180 != 0;
    width = box[quarter ? 3 : 2] - box[quarter ? 1 : 0];
    height = box[quarter ? 2 : 3] - box[quarter ? 0 : 1];
}

std::string shellQuote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

bool renderPages(const std::string& pdfPath, double dpi, std::vector<GrayImage>& images,
                 std::string* error, int first, int last, std::string* messages) {
    images.clear();
    TempDir dir;
    const int status = runCommand(formatText("pdftoppm -r %g -gray -cropbox -f %d -l %d ", dpi,
                                             first, last > 0 ? last : 999999) +
                                  shellQuote(pdfPath) + " " + shellQuote(dir.file("p")) + " 2>" +
                                  shellQuote(dir.file("stderr.txt")));
    const std::string printed = readFileBytes(dir.file("stderr.txt"));
    if (messages) *messages = printed;
    // pdftoppm pads the page numbers in its file names to a width of its own choosing.
    for (int page = first; status == 0 && (messages || printed.empty()); page++) {
        std::string bytes;
        for (int digits = 1; digits < 8 && bytes.empty(); digits++)
            bytes = readFileBytes(dir.file(formatText("p-%0*d.pgm", digits, page)));
        GrayImage image;
        int header = 0, maxValue = 0;
        if (bytes.empty() ||
            std::sscanf(bytes.c_str(), "P5 %d %d %d%n", &image.width, &image.height, &maxValue,
                        &header) != 3 ||
            maxValue != 255 || bytes.size() != header + 1 + size_t(image.width) * image.height)
            break;
        const auto* data = reinterpret_cast<const uint8_t*>(bytes.data()) + header + 1;
        image.pixels.assign(data, data + bytes.size() - header - 1);
        images.push_back(std::move(image));
    }
    if (images.empty() && error) *error = formatText("pdftoppm exit %d: ", status) + printed;
    return !images.empty();
}

bool readPageBoxes(const std::string& pdfPath, std::vector<PageBoxes>& pages, std::string* error,
                   int first, int last) {
    std::string output;
    const int status =
        runCommand(formatText("pdfinfo -box -f %d -l %d ", first, last > 0 ? last : 999999) +
                       shellQuote(pdfPath),
                   &output, true);
    std::map<int, PageBoxes> byPage;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        int page = 0;
        char key[32] = {0};
        double v[4];
        std::sscanf(line.c_str(), "Page %d %31[A-Za-z]: %lf %lf %lf %lf", &page, key, &v[0], &v[1],
                    &v[2], &v[3]);
        const std::string name = key;
        if (name == "rot") byPage[page].rotation = (static_cast<int>(v[0]) % 360 + 360) % 360;
        if (name == "MediaBox" || name == "CropBox")
            std::copy(v, v + 4, name[0] == 'M' ? byPage[page].media : byPage[page].crop);
    }
    pages.clear();
    for (const auto& entry : byPage) pages.push_back(entry.second);
    if (pages.empty() && error) *error = formatText("pdfinfo exit %d: ", status) + output;
    return status == 0 && !pages.empty();
}

std::vector<PlacedPage> planSheet(const GridLayout& grid, const std::vector<int>& slots,
                                  const std::vector<PageBoxes>& inputs) {
    const int cells = grid.across * grid.down;
    auto pageAt = [&](int k) {
        int page = k < static_cast<int>(slots.size()) ? slots[k] : 0;
        return page >= 1 && page <= static_cast<int>(inputs.size()) ? page : 0;
    };
    int turn = -1;
    double largestWidth = 0, largestHeight = 0, width, height;
    for (int k = 0; k < cells; k++) {
        if (!pageAt(k)) continue;
        if (turn < 0) turn = inputs[pageAt(k) - 1].rotation;
        shownSize(inputs[pageAt(k) - 1].crop, turn, width, height);
        largestWidth = std::max(largestWidth, width);
        largestHeight = std::max(largestHeight, height);
    }
    if (turn < 0) return {};
    double cellWidth = largestWidth, cellHeight = largestHeight;
    const double half[4] = {0, 0, grid.mediaX2 / 2, grid.mediaY2 / 2};
    if (grid.mediaX2 >= 0) shownSize(half, turn, cellWidth, cellHeight);
    // Margins lie right of and above each cell; the grid starts at the sheet's lower-left corner.
    const double pitchX = cellWidth + grid.rightMargin,
                 pitchY = cellHeight + (grid.twoUpFamily && grid.down == 1 ? grid.rightMargin
                                                                           : grid.bottomMargin);
    std::vector<PlacedPage> placed;
    for (int k = 0; k < cells; k++) {
        PlacedPage cell{k, pageAt(k)};
        width = largestWidth;
        height = largestHeight;
        if (cell.page) {
            const PageBoxes& page = inputs[cell.page - 1];
            shownSize(page.crop, turn, width, height);
            cell.unchecked = (page.rotation - turn + 360) % 180 != 0;
        }
        cell.x1 = (k % grid.across) * pitchX + (largestWidth - width) / 2;
        cell.y1 = (grid.down - 1 - k / grid.across) * pitchY + (largestHeight - height) / 2;
        cell.x2 = cell.x1 + width;
        cell.y2 = cell.y1 + height;
        placed.push_back(cell);
    }
    return placed;
}

double meanDifference(const GrayImage& a, const GrayImage& b) {
    if (std::abs(a.width - b.width) > 1 || std::abs(a.height - b.height) > 1) return 255;
    const int w = std::min(a.width, b.width), h = std::min(a.height, b.height);
    return difference(blurOf(a), blurOf(b), Rect{0, 0, w, h});
}

std::vector<std::string> checkSheet(const GrayImage& sheet, const PageBoxes& sheetBoxes,
                                    const std::vector<PlacedPage>& placed,
                                    const std::vector<GrayImage>& inputs, int dpi,
                                    const RenderTolerance& tolerance) {
    const double scale = dpi / 72.0;
    double width, height;
    shownSize(sheetBoxes.crop, sheetBoxes.rotation, width, height);
    if (std::abs(sheet.width - std::ceil(width * scale - 0.01)) > 1 ||
        std::abs(sheet.height - std::ceil(height * scale - 0.01)) > 1)
        return {formatText("sheet renders %d x %d px, not %g x %g points", sheet.width,
                           sheet.height, width, height)};
    // The expected sheet: white, each page's rendering laid where it goes (the darker pixel where
    // pages meet), and the sheet itself where a page is not compared.
    std::vector<std::string> failures;
    GrayImage expected{sheet.width, sheet.height, std::vector<double>(sheet.pixels.size(), 255)};
    auto pixel = [scale](double points) { return static_cast<int>(std::lround(points * scale)); };
    auto rectOf = [&](const PlacedPage& cell) {
        const int left = pixel(cell.x1), top = pixel(height - cell.y2);
        return Rect{left, top, pixel(cell.x2) - left, pixel(height - cell.y1) - top};
    };
    for (const PlacedPage& cell : placed) {
        const Rect r = rectOf(cell);
        for (int y = r.top - 1; cell.unchecked && y <= r.top + r.height; y++)
            for (int x = r.left - 1; x <= r.left + r.width; x++)
                if (inside(sheet, x, y)) expected.pixels[y * sheet.width + x] = sheet.at(x, y);
        if (cell.unchecked || !cell.page) continue;
        const GrayImage& want = inputs.at(cell.page - 1);
        for (int y = 0; y < want.height; y++)
            for (int x = 0; x < want.width; x++)
                if (inside(sheet, r.left + x, r.top + y)) {
                    double& p = expected.pixels[(r.top + y) * sheet.width + r.left + x];
                    p = std::min(p, want.at(x, y));
                }
    }

    const GrayImage blurSheet = blurOf(sheet), blurExpected = blurOf(expected);
    std::vector<GrayImage> blurInputs;
    for (const GrayImage& input : inputs) blurInputs.push_back(blurOf(input));
    for (const PlacedPage& cell : placed) {
        const Rect r = rectOf(cell);
        if (cell.unchecked) continue;
        if (!cell.page) {
            const double blank = difference(blurSheet, blurExpected, r);
            if (blank > tolerance.blankMean)
                failures.push_back(
                    formatText("slot %d: empty but differs by %.1f", cell.slot, blank));
            continue;
        }
        const size_t own = cell.page - 1;
        const Rect whole{0, 0, inputs[own].width, inputs[own].height};
        const double right = difference(blurSheet, blurInputs[own], whole, r.left, r.top);
        if (right > tolerance.cellMean)
            failures.push_back(formatText("slot %d: page %d differs from its input by %.1f",
                                          cell.slot, cell.page, right));
        // The cell must look more like its own page than like any other page that looks different.
        for (size_t other = 0; other < inputs.size() && right >= 0; other++) {
            if (other == own || inputs[other].width != whole.width ||
                inputs[other].height != whole.height ||
                difference(blurInputs[other], blurInputs[own], whole) < 1.5)
                continue;
            const double wrong = difference(blurSheet, blurInputs[other], whole, r.left, r.top);
            if (wrong <= right)
                failures.push_back(formatText("slot %d: looks like page %zu (%.1f), not %d (%.1f)",
                                              cell.slot, other + 1, wrong, cell.page, right));
        }
    }
    // Every 8 x 8 block as expected: each pixel within the range the expected sheet takes a pixel
    // around it, as cells fall between pixels.
    int blocks = 0;
    for (int by = 0; by < sheet.height; by += 8) {
        for (int bx = 0; bx < sheet.width; bx += 8) {
            double sum = 0, count = 0;
            for (int y = by; y < std::min(by + 8, sheet.height); y++) {
                for (int x = bx; x < std::min(bx + 8, sheet.width); x++, count++) {
                    double low = 255, high = 0, s = blurSheet.at(x, y);
                    for (int n = 0; n < 9; n++) {
                        if (!inside(sheet, x + n % 3 - 1, y + n / 3 - 1)) continue;
                        low = std::min(low, blurExpected.at(x + n % 3 - 1, y + n / 3 - 1));
                        high = std::max(high, blurExpected.at(x + n % 3 - 1, y + n / 3 - 1));
                    }
                    sum += std::max({0.0, low - s, s - high});
                }
            }
            if (sum / count > tolerance.blockMean && blocks++ == 0)
                failures.push_back(
                    formatText("block at pixel (%d, %d) differs by %.1f", bx, by, sum / count));
        }
    }
    if (blocks > 1) failures.push_back(formatText("%d blocks differ in all", blocks));
    return failures;
}

std::string tesselBinary() {
    return TESSEL_BINARY;
}

TesselRun runTessel(const std::vector<std::string>& args, const std::string& workDir) {
    std::string command = workDir.empty() ? "" : "cd " + shellQuote(workDir) + " && ";
    command += shellQuote(tesselBinary());
    for (const std::string& arg : args) command += " " + shellQuote(arg);
    TesselRun run;
    run.status = runCommand(command + " </dev/null", &run.output, true);
    return run;
}

std::vector<std::string> folderEntries(const std::string& folder) {
    std::vector<std::string> names;
    DIR* dir = opendir(folder.c_str());
    for (dirent* entry = dir ? readdir(dir) : nullptr; entry; entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    if (dir) closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> temporaryFilesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const std::string& name : folderEntries(folder))
        if (name.compare(0, 8, ".tessel-") == 0) names.push_back(name);
    return names;
}

std::string makePdfWithoutParent() {
    TestPdf pdf;
    pdf.addObject(1, "<< /Type /Catalog /Pages 2 0 R >>");
    pdf.addObject(2, "<< /Type /Pages /Kids [ 3 0 R 5 0 R ] /Count 2 >>");
    pdf.addObject(3, "<< /Type /Page /MediaBox [0 0 200 200] /Contents 4 0 R >>");
    pdf.addStream(4, "<< >>", "0 0 1 rg 10 10 50 50 re f\n");
    pdf.addObject(5, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] /Contents 4 0 R >>");
    pdf.setTrailerExtra("/Root 1 0 R");
    return pdf.build();
}

std::vector<std::string> splitOptions(const std::string& options) {
    std::vector<std::string> args;
    std::istringstream words(options);
    for (std::string word; words >> word;) args.push_back(word);
    return args;
}

int qpdfCheck(const std::string& pdfPath, std::string* output) {
    return runCommand("qpdf --check " + shellQuote(pdfPath), output, true);
}

int qpdfPageCount(const std::string& pdfPath) {
    std::string output;
    if (runCommand("qpdf --show-npages " + shellQuote(pdfPath), &output) != 0) return -1;
    return std::atoi(output.c_str());
}

GridLayout gridOf(const std::string& options) {
    GridLayout grid;
    int count;
    const std::vector<std::string> words = splitOptions(options + " end");
    for (size_t i = 0; i + 1 < words.size(); i++) {
        const char *word = words[i].c_str(), *value = words[i + 1].c_str();
        if (words[i] == "-4up") grid.across = grid.down = 2;
        std::sscanf(word, "-%dup%dx%d", &count, &grid.across, &grid.down);
        if (words[i] == "-down") std::swap(grid.across, grid.down);
        if (words[i] == "-rightmargin") grid.rightMargin = std::atof(value);
        if (words[i] == "-bottommargin") grid.bottomMargin = std::atof(value);
        if (words[i] == "-mediabox")
            std::sscanf(value, "%*f,%*f,%lf,%lf", &grid.mediaX2, &grid.mediaY2);
    }
    grid.twoUpFamily = grid.across * grid.down == 2;
    return grid;
}

std::string boxText(const double* box) {
    return formatText("%g %g %g %g", box[0], box[1], box[2], box[3]);
}

std::vector<ExpectedPage> parseOrder(const std::string& text) {
    std::vector<ExpectedPage> pages;
    std::istringstream entries(text);
    for (std::string entry; std::getline(entries, entry, '|');) {
        ExpectedPage page;
        page.single = !entry.empty() && entry[0] == '=';
        std::istringstream slots(entry.substr(page.single ? 1 : 0));
        for (std::string slot; std::getline(slots, slot, ',');)
            page.slots.push_back(std::atoi(slot.c_str()));
        pages.push_back(page);
    }
    return pages;
}

void expectConversion(const ConversionCheck& check, const std::string& outputPath) {
    std::vector<std::string> args = splitOptions(check.options);
    args.insert(args.begin(), {check.inputPath, outputPath});
    TesselRun run = runTessel(args);
    ASSERT_EQ(run.status, 0) << "tessel " << check.options << " printed:\n" << run.output;
    EXPECT_NE(run.output.find("Processing"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("\nDone.\n"), std::string::npos) << run.output;

    std::string error;
    const int qpdfStatus = qpdfCheck(outputPath, &error);
    EXPECT_TRUE(qpdfStatus == 0 || qpdfStatus == check.qpdfAccepted) << qpdfStatus << error;
    EXPECT_TRUE(check.pages.empty() || qpdfPageCount(outputPath) == int(check.pages.size()));
    std::vector<PageBoxes> outBoxes, inBoxes;
    ASSERT_TRUE(readPageBoxes(outputPath, outBoxes, &error, 1, check.maxPagesChecked)) << error;
    const std::string& source = check.referencePath.empty() ? check.inputPath : check.referencePath;
    ASSERT_TRUE(readPageBoxes(source, inBoxes, &error, 1, check.maxInputPages)) << error;
    EXPECT_EQ(check.mediaBox.empty() ? "" : boxText(outBoxes[0].media), check.mediaBox);
    EXPECT_EQ(check.cropBox.empty() ? "" : boxText(outBoxes[0].crop), check.cropBox);

    // The output must render without a complaint, unless the input draws complaints itself.
    std::vector<GrayImage> inImages, outImages;
    std::string messages;
    ASSERT_TRUE(renderPages(source, 20, inImages, &error, 1, check.maxInputPages, &messages))
        << "input: " << error;
    ASSERT_TRUE(renderPages(outputPath, 20, outImages, &error, 1, check.maxPagesChecked,
                            messages.empty() ? nullptr : &messages))
        << "output: " << error;
    for (size_t i = 0; i < std::min(check.pages.size(), outImages.size()); i++) {
        const ExpectedPage& page = check.pages[i];
        const GridLayout grid = page.single ? GridLayout{1, 1, false} : check.grid;
        for (const std::string& failure :
             checkSheet(outImages[i], outBoxes[i], planSheet(grid, page.slots, inBoxes), inImages,
                        20, check.tolerance))
            ADD_FAILURE() << "tessel " << check.options << ": output page " << i + 1 << ": "
                          << failure;
    }
}
