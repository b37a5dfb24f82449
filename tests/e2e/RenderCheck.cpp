// Render check of imposed sheets: pdftoppm renders, the expected placement, pixel comparison.
#include "e2e/RenderCheck.h"

#include <dirent.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <sstream>

#include "pdf/FormatText.h"
#include "support/TestPdf.h"

namespace {

// Parses a binary PGM (P5, maxval 255) as pdftoppm -gray writes it; false with a reason otherwise.
bool parsePgm(const std::string& bytes, GrayImage& image, std::string* error) {
    int width = 0, height = 0, maxValue = 0, header = 0;
    if (std::sscanf(bytes.c_str(), "P5 %d %d %d%n", &width, &height, &maxValue, &header) != 3 ||
        maxValue != 255 || width <= 0 || height <= 0 ||
        bytes.size() - header - 1 < static_cast<size_t>(width) * height) {
        if (error) *error = "not a whole 8-bit binary PGM";
        return false;
    }
    image.width = width;
    image.height = height;
    image.pixels.assign(bytes.begin() + header + 1, bytes.end());
    image.pixels.resize(static_cast<size_t>(width) * height);
    return true;
}

// A 3 x 3 box blur over the pixels that mask marks valid; softens the half-pixel shifts between a
// page rendered alone and the same page rendered inside a sheet.
std::vector<double> blurred(const GrayImage& image, const std::vector<uint8_t>& mask) {
    std::vector<double> out(image.pixels.size(), 255.0);
    for (int y = 0; y < image.height; y++) {
        for (int x = 0; x < image.width; x++) {
            double sum = 0;
            int count = 0;
            for (int dy = -1; dy <= 1; dy++) {
                for (int dx = -1; dx <= 1; dx++) {
                    int nx = x + dx, ny = y + dy;
                    if (nx < 0 || ny < 0 || nx >= image.width || ny >= image.height) continue;
                    size_t index = static_cast<size_t>(ny) * image.width + nx;
                    if (!mask[index]) continue;
                    sum += image.pixels[index];
                    count++;
                }
            }
            if (count) out[static_cast<size_t>(y) * image.width + x] = sum / count;
        }
    }
    return out;
}

// Mean absolute difference of two blurred pictures of one size over the pixels that mask marks,
// leaving out a one-pixel border (the antialiased page edge).
double blurredDifference(const std::vector<double>& blurA, const std::vector<double>& blurB,
                         const GrayImage& a, const std::vector<uint8_t>& mask,
                         int* compared = nullptr) {
    double sum = 0;
    int count = 0;
    for (int y = 1; y + 1 < a.height; y++) {
        for (int x = 1; x + 1 < a.width; x++) {
            size_t index = static_cast<size_t>(y) * a.width + x;
            if (!mask[index]) continue;
            sum += std::fabs(blurA[index] - blurB[index]);
            count++;
        }
    }
    if (compared) *compared = count;
    return count ? sum / count : 0;
}

double maskedDifference(const GrayImage& a, const GrayImage& b, const std::vector<uint8_t>& mask,
                        int* compared = nullptr) {
    return blurredDifference(blurred(a, mask), blurred(b, mask), a, mask, compared);
}

// The part of the sheet that lies under an input image of the given size placed at (left, top);
// mask marks the pixels that fall on the sheet.
GrayImage cropSheet(const GrayImage& sheet, int left, int top, int width, int height,
                    std::vector<uint8_t>& mask) {
    GrayImage crop;
    crop.width = width;
    crop.height = height;
    crop.pixels.assign(static_cast<size_t>(width) * height, 255);
    mask.assign(crop.pixels.size(), 0);
    for (int y = 0; y < height; y++) {
        for (int x = 0; x < width; x++) {
            int sx = left + x, sy = top + y;
            if (sx < 0 || sy < 0 || sx >= sheet.width || sy >= sheet.height) continue;
            size_t index = static_cast<size_t>(y) * width + x;
            crop.pixels[index] = static_cast<uint8_t>(sheet.at(sx, sy));
            mask[index] = 1;
        }
    }
    return crop;
}

struct PixelRect {
    int left = 0, top = 0, width = 0, height = 0;
};

// The size of a page as displayed: its box turned by its rotation.
void displayedSize(const PageGeometry& page, double& width, double& height) {
    bool turned = page.rotation == 90 || page.rotation == 270;
    width = turned ? page.y2 - page.y1 : page.x2 - page.x1;
    height = turned ? page.x2 - page.x1 : page.y2 - page.y1;
}

// Maps a rectangle of the displayed sheet (points from its lower-left corner) to pixels.
PixelRect toPixels(const PageGeometry& sheet, double x1, double y1, double x2, double y2,
                   double scale) {
    double width, height;
    displayedSize(sheet, width, height);
    PixelRect rect;
    rect.left = static_cast<int>(std::floor(x1 * scale + 0.5));
    rect.top = static_cast<int>(std::floor((height - y2) * scale + 0.5));
    rect.width = static_cast<int>(std::floor(x2 * scale + 0.5)) - rect.left;
    rect.height = static_cast<int>(std::floor((height - y1) * scale + 0.5)) - rect.top;
    return rect;
}

bool similarSize(const GrayImage& a, const GrayImage& b) {
    return std::abs(a.width - b.width) <= 1 && std::abs(a.height - b.height) <= 1;
}

}  // namespace

std::string shellQuote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'') {
            quoted += "'\\''";
        } else {
            quoted += c;
        }
    }
    return quoted + "'";
}

bool renderPages(const std::string& pdfPath, double dpi, std::vector<GrayImage>& images,
                 std::string* error, int first, int last, std::string* messages) {
    images.clear();
    TempDir dir;
    std::string command = formatText("pdftoppm -r %g -gray -cropbox -f %d -l %d ", dpi, first,
                                     last > 0 ? last : 999999) +
                          shellQuote(pdfPath) + " " + shellQuote(dir.file("p")) + " 2>" +
                          shellQuote(dir.file("stderr.txt"));
    int status = runCommand(command);
    std::string printed = readFileBytes(dir.file("stderr.txt"));
    if (messages) *messages = printed;
    if (status != 0 || (!messages && !printed.empty())) {
        if (error) *error = formatText("pdftoppm exit %d: ", status) + printed;
        return false;
    }
    // pdftoppm pads the page numbers of its file names to a width of its own choosing.
    std::map<int, std::string> files;
    DIR* folder = opendir(dir.path().c_str());
    if (!folder) {
        if (error) *error = "cannot list render folder";
        return false;
    }
    while (dirent* entry = readdir(folder)) {
        std::string name = entry->d_name;
        if (name.size() > 6 && name.compare(0, 2, "p-") == 0 &&
            name.compare(name.size() - 4, 4, ".pgm") == 0) {
            files[std::atoi(name.c_str() + 2)] = name;
        }
    }
    closedir(folder);
    for (const auto& [page, name] : files) {
        GrayImage image;
        std::string why;
        if (!parsePgm(readFileBytes(dir.file(name)), image, &why)) {
            if (error) *error = name + ": " + why;
            return false;
        }
        images.push_back(std::move(image));
    }
    if (images.empty()) {
        if (error) *error = "pdftoppm rendered no page";
        return false;
    }
    return true;
}

bool readPageBoxes(const std::string& pdfPath, std::vector<PageBoxes>& pages, std::string* error,
                   int first, int last) {
    pages.clear();
    std::string output;
    int status =
        runCommand(formatText("pdfinfo -box -f %d -l %d ", first, last > 0 ? last : 999999) +
                       shellQuote(pdfPath),
                   &output, true);
    if (status != 0) {
        if (error) *error = formatText("pdfinfo exit %d: ", status) + output;
        return false;
    }
    std::map<int, PageBoxes> byPage;
    std::istringstream lines(output);
    std::string line;
    while (std::getline(lines, line)) {
        int page = 0;
        char key[32] = {0};
        double v[4];
        int rotation = 0;
        if (std::sscanf(line.c_str(), "Page %d rot: %d", &page, &rotation) == 2) {
            byPage[page].rotation = rotation;
        } else if (std::sscanf(line.c_str(), "Page %d %31[A-Za-z]: %lf %lf %lf %lf", &page, key,
                               &v[0], &v[1], &v[2], &v[3]) == 6) {
            double* target = nullptr;
            PageBoxes& boxes = byPage[page];
            if (!std::strcmp(key, "MediaBox")) target = boxes.media;
            if (!std::strcmp(key, "CropBox")) target = boxes.crop;
            if (target) std::copy(v, v + 4, target);
        }
    }
    for (const auto& [page, boxes] : byPage) pages.push_back(boxes);
    if (pages.empty()) {
        if (error) *error = "pdfinfo printed no page boxes: " + output;
        return false;
    }
    return true;
}

PageGeometry geometryOf(const PageBoxes& boxes) {
    PageGeometry geometry;
    geometry.x1 = boxes.crop[0];
    geometry.y1 = boxes.crop[1];
    geometry.x2 = boxes.crop[2];
    geometry.y2 = boxes.crop[3];
    geometry.rotation = ((boxes.rotation % 360) + 360) % 360;
    return geometry;
}

std::vector<PlacedPage> planSheet(const GridLayout& layout, const std::vector<int>& slots,
                                  const std::vector<PageGeometry>& inputPages,
                                  const PlacementOptions& options) {
    std::vector<PlacedPage> placed;
    int cells = layout.across * layout.down;
    auto pageAt = [&slots, &inputPages](int k) {
        int page = k < static_cast<int>(slots.size()) ? slots[static_cast<size_t>(k)] : 0;
        return page >= 1 && page <= static_cast<int>(inputPages.size()) ? page : 0;
    };
    int reference = 0;
    for (int k = 0; k < cells && !reference; k++) reference = pageAt(k);
    if (!reference) return placed;
    const PageGeometry& ref = inputPages[static_cast<size_t>(reference - 1)];

    // Every page keeps its box and shows as the sheet shows it, which the first page's rotation
    // decides; the largest page fixes the size of every cell.
    PageGeometry asSheet = ref;
    auto sizeOnSheet = [&asSheet](const PageGeometry& page, double& width, double& height) {
        PageGeometry turned = page;
        turned.rotation = asSheet.rotation;
        displayedSize(turned, width, height);
    };
    double largestWidth = 0, largestHeight = 0;
    for (int k = 0; k < cells; k++) {
        if (!pageAt(k)) continue;
        double width, height;
        sizeOnSheet(inputPages[static_cast<size_t>(pageAt(k) - 1)], width, height);
        largestWidth = std::max(largestWidth, width);
        largestHeight = std::max(largestHeight, height);
    }
    double cellWidth = largestWidth, cellHeight = largestHeight;
    if (options.userMediaX2 >= 0) {
        PageGeometry half{0, 0, 0.5 * options.userMediaX2, 0.5 * options.userMediaY2, 0};
        sizeOnSheet(half, cellWidth, cellHeight);
    }
    // Margins (on sheets shown upright) lie right of and above each cell; the grid starts at the
    // sheet's lower-left corner.
    bool sideBySide = layout.twoUpFamily && layout.down == 1;
    double pitchX = cellWidth + options.rightMargin;
    double pitchY = cellHeight + (sideBySide ? options.rightMargin : options.bottomMargin);
    for (int k = 0; k < cells; k++) {
        PlacedPage cell;
        cell.slot = k;
        cell.page = pageAt(k);
        double width = largestWidth, height = largestHeight;
        if (cell.page) {
            const PageGeometry& page = inputPages[static_cast<size_t>(cell.page - 1)];
            sizeOnSheet(page, width, height);
            // A page turned a quarter against the sheet shows turned.
            cell.unchecked = (page.rotation - ref.rotation + 360) % 180 != 0;
        }
        // A page smaller than the largest sits in the middle of the largest one's place.
        double left = (k % layout.across) * pitchX + 0.5 * (largestWidth - width);
        double bottom =
            (layout.down - 1 - k / layout.across) * pitchY + 0.5 * (largestHeight - height);
        cell.x1 = left;
        cell.y1 = bottom;
        cell.x2 = left + width;
        cell.y2 = bottom + height;
        placed.push_back(cell);
    }
    return placed;
}

double meanDifference(const GrayImage& a, const GrayImage& b) {
    if (!similarSize(a, b)) return 255;
    int width = std::min(a.width, b.width), height = std::min(a.height, b.height);
    GrayImage left, right;
    left.width = right.width = width;
    left.height = right.height = height;
    for (int y = 0; y < height; y++) {
        for (int x = 0; x < width; x++) {
            left.pixels.push_back(static_cast<uint8_t>(a.at(x, y)));
            right.pixels.push_back(static_cast<uint8_t>(b.at(x, y)));
        }
    }
    std::vector<uint8_t> mask(left.pixels.size(), 1);
    return maskedDifference(left, right, mask);
}

std::vector<std::string> checkSheet(const GrayImage& sheet, const PageGeometry& sheetGeometry,
                                    const std::vector<PlacedPage>& placed,
                                    const std::vector<GrayImage>& inputImages, int dpi,
                                    const RenderTolerance& tolerance) {
    std::vector<std::string> failures;
    double scale = dpi / 72.0;
    double sheetWidth, sheetHeight;
    displayedSize(sheetGeometry, sheetWidth, sheetHeight);
    sheetWidth *= scale;
    sheetHeight *= scale;
    if (sheet.empty() ||
        std::abs(sheet.width - static_cast<int>(std::ceil(sheetWidth - 0.01))) > 1 ||
        std::abs(sheet.height - static_cast<int>(std::ceil(sheetHeight - 0.01))) > 1) {
        failures.push_back(formatText("sheet renders %d x %d px, its media box gives %.1f x %.1f",
                                      sheet.width, sheet.height, sheetWidth, sheetHeight));
        return failures;
    }

    // The expected sheet: white, with every placed page's rendering laid on it where it goes.
    // Pages that reach into a neighbour's cell overprint it, so the darker pixel wins.
    GrayImage expected;
    expected.width = sheet.width;
    expected.height = sheet.height;
    expected.pixels.assign(sheet.pixels.size(), 255);
    // Pixels of unchecked cells are left out of every comparison.
    std::vector<uint8_t> checkedMask(sheet.pixels.size(), 1);
    std::vector<PixelRect> rects;
    for (const PlacedPage& cell : placed) {
        PixelRect rect = toPixels(sheetGeometry, cell.x1, cell.y1, cell.x2, cell.y2, scale);
        rects.push_back(rect);
        if (cell.unchecked) {
            for (int y = std::max(0, rect.top - 1);
                 y < std::min(sheet.height, rect.top + rect.height + 1); y++) {
                for (int x = std::max(0, rect.left - 1);
                     x < std::min(sheet.width, rect.left + rect.width + 1); x++) {
                    checkedMask[static_cast<size_t>(y) * sheet.width + x] = 0;
                }
            }
            continue;
        }
        if (cell.page == 0) continue;
        if (cell.page > static_cast<int>(inputImages.size())) {
            failures.push_back(
                formatText("slot %d: page %d was not rendered", cell.slot, cell.page));
            continue;
        }
        const GrayImage& want = inputImages[static_cast<size_t>(cell.page - 1)];
        if (std::abs(rect.width - want.width) > 1 || std::abs(rect.height - want.height) > 1) {
            failures.push_back(formatText("slot %d: cell is %d x %d px but page %d renders %d x %d",
                                          cell.slot, rect.width, rect.height, cell.page, want.width,
                                          want.height));
            continue;
        }
        for (int y = 0; y < want.height; y++) {
            for (int x = 0; x < want.width; x++) {
                int sx = rect.left + x, sy = rect.top + y;
                if (sx < 0 || sy < 0 || sx >= expected.width || sy >= expected.height) continue;
                uint8_t& pixel = expected.pixels[static_cast<size_t>(sy) * expected.width + sx];
                pixel = std::min(pixel, static_cast<uint8_t>(want.at(x, y)));
            }
        }
    }
    if (!failures.empty()) return failures;

    // Input pages blurred once, on demand.
    std::vector<std::vector<double>> blurredInputs(inputImages.size());
    auto blurredInput = [&inputImages, &blurredInputs](size_t page) -> const std::vector<double>& {
        if (blurredInputs[page].empty()) {
            const GrayImage& image = inputImages[page];
            blurredInputs[page] = blurred(image, std::vector<uint8_t>(image.pixels.size(), 1));
        }
        return blurredInputs[page];
    };
    auto fullMask = [](const GrayImage& image) {
        return std::vector<uint8_t>(image.pixels.size(), 1);
    };

    for (size_t index = 0; index < placed.size(); index++) {
        const PlacedPage& cell = placed[index];
        const PixelRect& rect = rects[index];
        if (cell.unchecked) continue;
        // A page's cell is compared at the size of its input rendering.
        int width = rect.width, height = rect.height;
        if (cell.page > 0) {
            width = inputImages[static_cast<size_t>(cell.page - 1)].width;
            height = inputImages[static_cast<size_t>(cell.page - 1)].height;
        }
        std::vector<uint8_t> mask, unusedMask;
        GrayImage crop = cropSheet(sheet, rect.left, rect.top, width, height, mask);
        GrayImage wanted = cropSheet(expected, rect.left, rect.top, width, height, unusedMask);
        for (int y = 0; y < height; y++) {
            for (int x = 0; x < width; x++) {
                int sx = rect.left + x, sy = rect.top + y;
                size_t at = static_cast<size_t>(y) * width + x;
                if (mask[at] && !checkedMask[static_cast<size_t>(sy) * sheet.width + sx])
                    mask[at] = 0;
            }
        }
        int compared = 0;
        double right = maskedDifference(crop, wanted, mask, &compared);
        if (compared == 0) continue;  // the cell lies off the sheet
        if (cell.page == 0) {
            if (right > tolerance.blankMean) {
                failures.push_back(
                    formatText("slot %d should be empty but differs by %.1f", cell.slot, right));
            }
            continue;
        }
        if (right > tolerance.cellMean) {
            failures.push_back(
                formatText("slot %d: page %d differs from its input by %.1f (limit %.1f)",
                           cell.slot, cell.page, right, tolerance.cellMean));
        }
        // The page in the cell must look more like its own input page than like any other.
        size_t own = static_cast<size_t>(cell.page - 1);
        const GrayImage& want = inputImages[own];
        std::vector<double> blurCrop = blurred(crop, mask);
        double ownDifference = blurredDifference(blurCrop, blurredInput(own), crop, mask);
        for (size_t other = 0; other < inputImages.size(); other++) {
            if (other == own) continue;
            const GrayImage& alternative = inputImages[other];
            if (alternative.width != want.width || alternative.height != want.height) continue;
            if (blurredDifference(blurredInput(other), blurredInput(own), want, fullMask(want)) <
                tolerance.sameMean) {
                continue;
            }
            double wrong = blurredDifference(blurCrop, blurredInput(other), crop, mask);
            if (wrong <= ownDifference) {
                failures.push_back(formatText(
                    "slot %d: looks like page %zu (difference %.1f) rather than page %d (%.1f)",
                    cell.slot, other + 1, wrong, cell.page, ownDifference));
            }
        }
    }

    // Everything else on the sheet: blank where no page goes, the pages where they go.
    std::vector<double> blurSheet = blurred(sheet, checkedMask);
    std::vector<double> blurExpected = blurred(expected, checkedMask);
    int reported = 0;
    for (int by = 0; by + 8 <= sheet.height; by += 8) {
        for (int bx = 0; bx + 8 <= sheet.width; bx += 8) {
            double sum = 0;
            for (int y = by; y < by + 8; y++) {
                for (int x = bx; x < bx + 8; x++) {
                    size_t index = static_cast<size_t>(y) * sheet.width + x;
                    if (checkedMask[index])
                        sum += std::fabs(blurSheet[index] - blurExpected[index]);
                }
            }
            if (sum / 64 > tolerance.blockMean && reported++ < 3) {
                failures.push_back(
                    formatText("block at pixel (%d, %d) differs from the expected sheet by %.1f",
                               bx, by, sum / 64));
            }
        }
    }
    if (reported > 3) failures.push_back(formatText("%d blocks differ in all", reported));
    return failures;
}
