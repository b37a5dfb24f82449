// Sheets fitted to a paper size: orientation and scale, page boxes in cells, cut marks.
#include "imposition/PaperFit.h"

#include <algorithm>
#include <cmath>
#include <set>
#include <tuple>

#include "pdf/FormatText.h"

namespace {

double fitScale(double roomWidth, double roomHeight, double width, double height) {
    if (width <= 0 || height <= 0 || roomWidth <= 0 || roomHeight <= 0) return 1;
    return std::min(roomWidth / width, roomHeight / height);
}

// Marks keep this far from the corner they mark, run this long, and are stroked this wide; a
// mark stays a line width away from every cell.
constexpr double kMarkGap = 3;
constexpr double kMarkLength = 12;
constexpr double kMarkLine = 0.3;
constexpr double kShortestMark = 2;

}  // namespace

PaperFit fitToPaper(const PaperSize& paper, double gridWidth, double gridHeight, double border) {
    PaperFit fit;
    fit.width = paper.width;
    fit.height = paper.height;
    fit.scale =
        fitScale(paper.width - 2 * border, paper.height - 2 * border, gridWidth, gridHeight);
    if (paper.turnable) {
        double turned =
            fitScale(paper.height - 2 * border, paper.width - 2 * border, gridWidth, gridHeight);
        if (turned > fit.scale) {
            std::swap(fit.width, fit.height);
            fit.scale = turned;
        }
    }
    fit.originX = 0.5 * (fit.width - fit.scale * gridWidth);
    fit.originY = 0.5 * (fit.height - fit.scale * gridHeight);
    return fit;
}

PagePlacement fitBox(const PdfBox& source, int rotation, const PdfBox& target) {
    double width = source.x2 - source.x1, height = source.y2 - source.y1;
    bool quarter = rotation == 90 || rotation == 270;
    double shownWidth = quarter ? height : width, shownHeight = quarter ? width : height;
    double s = fitScale(target.x2 - target.x1, target.y2 - target.y1, shownWidth, shownHeight);
    // The lower-left corner of the fitted page within the target.
    double left = target.x1 + 0.5 * (target.x2 - target.x1 - s * shownWidth);
    double bottom = target.y1 + 0.5 * (target.y2 - target.y1 - s * shownHeight);
    PagePlacement placement;
    // Clockwise turns: a quarter sends the page's top to the right, its left edge to the top.
    switch (rotation) {
        case 90:
            placement.a = 0, placement.b = -s, placement.c = s, placement.d = 0;
            placement.dx = left - s * source.y1;
            placement.dy = bottom + s * source.x2;
            break;
        case 180:
            placement.a = -s, placement.d = -s;
            placement.dx = left + s * source.x2;
            placement.dy = bottom + s * source.y2;
            break;
        case 270:
            placement.a = 0, placement.b = s, placement.c = -s, placement.d = 0;
            placement.dx = left + s * source.y2;
            placement.dy = bottom - s * source.x1;
            break;
        default:
            placement.a = s, placement.d = s;
            placement.dx = left - s * source.x1;
            placement.dy = bottom - s * source.y1;
            break;
    }
    return placement;
}

std::string cutMarks(const std::vector<PdfBox>& cells) {
    // Each corner sends a mark along both of its edges, away from its cell.
    std::set<std::tuple<long, long, long, long>> drawn;
    std::string text =
        formatText("q\n0 G\n%s w\n[] 0 d\n0 J\n", shortNumberText(kMarkLine).c_str());
    for (const PdfBox& cell : cells) {
        for (int corner = 0; corner < 4; corner++) {
            double x = corner % 2 ? cell.x2 : cell.x1, y = corner / 2 ? cell.y2 : cell.y1;
            double outX = corner % 2 ? 1 : -1, outY = corner / 2 ? 1 : -1;
            for (bool alongX : {true, false}) {
                double stepX = alongX ? outX : 0, stepY = alongX ? 0 : outY;
                double from = kMarkGap, to = kMarkGap + kMarkLength;
                // Cut short before the first cell the mark would reach or lie on.
                for (const PdfBox& other : cells) {
                    double low = (alongX ? other.x1 : other.y1) - kMarkLine;
                    double high = (alongX ? other.x2 : other.y2) + kMarkLine;
                    double across = alongX ? y : x;
                    if (across < (alongX ? other.y1 : other.x1) - kMarkLine ||
                        across > (alongX ? other.y2 : other.x2) + kMarkLine) {
                        continue;
                    }
                    double start = alongX ? x : y, sign = alongX ? outX : outY;
                    // Distances along the mark at which it enters and leaves the cell.
                    double enter = sign > 0 ? low - start : start - high;
                    double leave = sign > 0 ? high - start : start - low;
                    if (leave < from) continue;
                    to = std::min(to, enter);
                }
                if (to - from < kShortestMark) continue;
                double x1 = x + stepX * from, y1 = y + stepY * from;
                double x2 = x + stepX * to, y2 = y + stepY * to;
                auto key = std::make_tuple(std::lround(x1 * 100), std::lround(y1 * 100),
                                           std::lround(x2 * 100), std::lround(y2 * 100));
                if (!drawn.insert(key).second) continue;
                text += fixedText(x1, 2) + " " + fixedText(y1, 2) + " m " + fixedText(x2, 2) + " " +
                        fixedText(y2, 2) + " l\n";
            }
        }
    }
    return text + "S\nQ\n";
}
