// Sheet composition: edits the carrier's page object into a sheet carrying a grid of pages.
#include "imposition/SheetWriter.h"

#include <algorithm>
#include <cmath>

#include "imposition/PageBoxes.h"
#include "imposition/PaperFit.h"
#include "imposition/RawText.h"
#include "imposition/ResourceMerge.h"
#include "pdf/FormatText.h"

namespace {

bool isPage(const PageRecords& pages, int value) {
    return value >= 1 && value <= static_cast<int>(pages.size());
}

// The stream object "N 0 obj << /Length n >> stream ... endstream endobj" for content.
int writeWrapperStream(WriteContext& ctx, const std::string& content) {
    std::string text = intText(ctx.nextObjectNumber()) + " 0 obj\n<<\n/Length ";
    text += intText(static_cast<int>(content.size())) + " ";
    text += ">>\nstream\n" + content + "endstream\nendobj\n";
    return ctx.writeNewObject(text);
}

void insertAfterDictOpen(std::string& text, const std::string& insertion) {
    size_t dict = findObjectDict(text);
    if (dict != kNoPos) text.insert(dict + 2, insertion);
}

// The sheet's /Rotate: 90 on a turned sheet, 0 otherwise. A carrier that inherited its rotation
// gets the key, since the flat output tree has nothing to inherit from.
void writeSheetRotation(std::string& text, const PageRecord& carrier, bool turned) {
    std::string rotate = formatText("/Rotate %d\n", turned ? 90 : 0);
    size_t dict = findObjectDict(text);
    DictEntry entry;
    if (dict != kNoPos && findDictEntry(text, dict, "Rotate", entry)) {
        size_t end = entry.valueEnd;
        while (end < text.size() &&
               (text[end] == ' ' || text[end] == '\r' || text[end] == '\n' || text[end] == '\t')) {
            end++;
        }
        text.replace(entry.keyPos, end - entry.keyPos, rotate);
    } else if (carrier.inheritsRotate) {
        insertAfterDictOpen(text, rotate);
    }
}

// Puts the contents text into the sheet's /Contents, keeping the kind the carrier stores: a
// direct array stays direct, a reference to an array becomes a reference to a new array object
// (the old one may be shared), anything else becomes a direct array.
void writeSheetContents(WriteContext& ctx, std::string& text, const std::string& contents) {
    setPageArray(ctx, text, "Contents", contents, "/Contents [ " + contents + " ]\n");
}

// A split-back sheet shows one half of its page, cut on the middle of the page's visible box as
// the sheet is displayed: -2to1up cuts between left and right and shows the left half first,
// -2to1uph between top and bottom and shows the upper half first. A turned sheet (/Rotate 90)
// shows its x axis downwards and its y axis to the right.
void setSplitCut(SheetBoxFrame& boxes, const JobSettings& settings, const Layout& layout,
                 const PdfBox& shown, bool turned, bool firstHalf) {
    bool horizontal = layout.id == LayoutId::SplitBackHorizontal;
    boxes.cut = true;
    boxes.cutAlongX = horizontal == turned;
    boxes.cutLine = boxes.cutAlongX ? (shown.x1 + shown.x2) * 0.5 : (shown.y1 + shown.y2) * 0.5;
    boxes.gap = settings.offsetSplit;
    bool lowFirst = !horizontal || turned;
    boxes.keepLow = firstHalf == lowFirst;
}

// The displayed size of a page box: turned by a quarter, width and height change places.
void shownSize(const PdfBox& box, int rotation, double& width, double& height) {
    bool quarter = rotation == 90 || rotation == 270;
    width = quarter ? box.y2 - box.y1 : box.x2 - box.x1;
    height = quarter ? box.x2 - box.x1 : box.y2 - box.y1;
}

// Where the page numbered value goes: fitted into target, or, when the slot is empty, at the
// target's corner.
PagePlacement fittedSlot(const PageRecords& pages, int value, const PdfBox& source,
                         const PdfBox& target) {
    if (!isPage(pages, value)) {
        PagePlacement empty;
        empty.dx = target.x1;
        empty.dy = target.y1;
        return empty;
    }
    const PageRecord& page = pages[static_cast<size_t>(value - 1)];
    PagePlacement placement = fitBox(source, normaliseRotation(page.rotation), target);
    placement.pageIndex = value - 1;
    placement.clipped = true;
    placement.clip = source;
    return placement;
}

// With -paper every sheet is the paper and shows its pages as a viewer shows them. The grid, its
// margins as gaps between the cells, is scaled to fit the paper (within a border for cut marks)
// and centred; a cell is as large as the largest page on the sheet as displayed, and each page is
// turned by its /Rotate, scaled to fit its cell and centred there. A split-back sheet fits the
// half of its page to the paper.
void fitSheetToPaper(const JobSettings& settings, const Layout& layout, const PageRecords& pages,
                     const SheetEntry& entry, bool firstHalf, SheetGeometry& geometry) {
    const int across = geometry.across, down = geometry.down;
    const double border = settings.marks ? kMarkBorder : 0;
    geometry.paper = true;
    if (layout.order == OrderFamily::SplitBack) {
        int value = entry.slots[geometry.carrierSlot];
        PdfBox shown = visibleBox(pages[static_cast<size_t>(value - 1)]);
        SheetBoxFrame frame;
        setSplitCut(frame, settings, layout, shown, geometry.turned, firstHalf);
        PdfBox half = sheetBoxFrom(shown, frame);
        double width, height;
        shownSize(half, geometry.rotation, width, height);
        PaperFit fit = fitToPaper(settings.paper, width, height, border);
        PdfBox target{fit.originX, fit.originY, fit.originX + fit.scale * width,
                      fit.originY + fit.scale * height};
        for (int k = 0; k < across * down; k++) {
            geometry.slots.push_back(
                fittedSlot(pages, k == geometry.carrierSlot ? value : 0, half, target));
            geometry.cells.push_back(target);
        }
        geometry.paperBox = PdfBox{0, 0, fit.width, fit.height};
        geometry.turned = false;
        return;
    }
    double cellWidth = 0, cellHeight = 0;
    for (int k = 0; k < across * down; k++) {
        if (!isPage(pages, entry.slots[k])) continue;
        const PageRecord& page = pages[static_cast<size_t>(entry.slots[k] - 1)];
        double width, height;
        shownSize(visibleBox(page), normaliseRotation(page.rotation), width, height);
        cellWidth = std::max(cellWidth, width);
        cellHeight = std::max(cellHeight, height);
    }
    bool twoUpAcross = across * down == 2 && !settings.flags.down;
    double gapX = std::max(0, settings.rightMargin);
    double gapY = std::max(0, twoUpAcross ? settings.rightMargin : settings.bottomMargin);
    PaperFit fit = fitToPaper(settings.paper, across * cellWidth + (across - 1) * gapX,
                              down * cellHeight + (down - 1) * gapY, border);
    const double s = fit.scale;
    for (int k = 0; k < across * down; k++) {
        int row = k / across, column = k % across;
        double left = fit.originX + s * column * (cellWidth + gapX);
        double bottom = fit.originY + s * (down - 1 - row) * (cellHeight + gapY);
        PdfBox target{left, bottom, left + s * cellWidth, bottom + s * cellHeight};
        PdfBox source;
        if (isPage(pages, entry.slots[k]))
            source = visibleBox(pages[static_cast<size_t>(entry.slots[k] - 1)]);
        geometry.slots.push_back(fittedSlot(pages, entry.slots[k], source, target));
        geometry.cells.push_back(target);
    }
    geometry.paperBox = PdfBox{0, 0, fit.width, fit.height};
    geometry.turned = false;
}

}  // namespace

int normaliseRotation(int rotation) {
    int turned = ((rotation % 360) + 360) % 360;
    return turned - turned % 90;
}

// The geometry of a sheet. Every page shows its visible box (crop box within media box). A cell
// is as large as the largest visible box on the sheet (half the user's media box when one is
// given) plus the margins, and a page smaller than the largest sits in the middle of that one's
// place. The grid starts at the lower-left corner of the carrier's visible box, so pages whose
// boxes start at the origin keep their own coordinates in the first cell. Each page is moved so
// that its visible box lands in its cell; a page turned half a turn from the sheet is drawn
// turned in the same cell, as if the whole cell, margin and all, were turned about its middle.
// The sheet's boxes are the carrier's, grown to the grid (see SheetBoxFrame); a split-back sheet
// keeps one side of the middle of its page's visible box as the sheet is displayed.
SheetGeometry computeSheetGeometry(const JobSettings& settings, const Layout& layout,
                                   const PageRecords& pages, const SheetEntry& entry,
                                   bool firstHalf) {
    SheetGeometry geometry;
    bool splitBack = layout.order == OrderFamily::SplitBack;
    // -down stacks the two pages of 2-up. A split-back sheet's box is a half of its one page
    // where that page lies; -down does not move the box, so it must not move the page either.
    bool stacked = layout.order == OrderFamily::TwoUp && settings.flags.down;
    geometry.across = stacked ? layout.down : layout.across;
    geometry.down = stacked ? layout.across : layout.down;
    const int across = geometry.across, down = geometry.down;
    const int written = across * down;
    for (int k = 0; k < written; k++) {
        if (isPage(pages, entry.slots[k])) {
            geometry.carrierSlot = k;
            break;
        }
    }
    if (geometry.carrierSlot < 0) return geometry;

    // The reference page (the carrier) fixes where the grid starts and whether the sheet is turned.
    const PageRecord& reference = pages[static_cast<size_t>(entry.slots[geometry.carrierSlot] - 1)];
    geometry.rotation = normaliseRotation(reference.rotation);
    geometry.turned = geometry.rotation == 90 || geometry.rotation == 270;
    if (settings.paper.isGiven()) {
        fitSheetToPaper(settings, layout, pages, entry, firstHalf, geometry);
        return geometry;
    }
    PdfBox carrierBox = visibleBox(reference);
    double largestWidth = 0, largestHeight = 0;
    for (int k = 0; k < written; k++) {
        if (!isPage(pages, entry.slots[k])) continue;
        PdfBox shown = visibleBox(pages[static_cast<size_t>(entry.slots[k] - 1)]);
        largestWidth = std::max(largestWidth, shown.x2 - shown.x1);
        largestHeight = std::max(largestHeight, shown.y2 - shown.y1);
    }
    double originX = carrierBox.x1, originY = carrierBox.y1;
    double contentWidth = largestWidth, contentHeight = largestHeight;
    const UserBox& userMedia = settings.mediaBox;
    if (userMedia.isGiven() && !splitBack) {
        contentWidth = 0.5 * std::fabs(userMedia.x2 - userMedia.x1);
        contentHeight = 0.5 * std::fabs(userMedia.y2 - userMedia.y1);
    }
    // Two pages side by side (2-up and split back without -down) are kept apart by the right
    // margin in both directions.
    bool twoUpAcross = across * down == 2 && !settings.flags.down;
    geometry.cellWidth = settings.rightMargin + contentWidth;
    geometry.cellHeight =
        (twoUpAcross ? settings.rightMargin : settings.bottomMargin) + contentHeight;
    double w = geometry.cellWidth, h = geometry.cellHeight;

    SheetBoxFrame& boxes = geometry.boxes;
    if (splitBack) {
        setSplitCut(boxes, settings, layout, carrierBox, geometry.turned, firstHalf);
    } else {
        // A turned sheet is shown with /Rotate 90, so its grid is laid out transposed.
        boxes.columns = geometry.turned ? down : across;
        boxes.rows = geometry.turned ? across : down;
        boxes.growX = contentWidth - (carrierBox.x2 - carrierBox.x1);
        boxes.growY = contentHeight - (carrierBox.y2 - carrierBox.y1);
    }

    for (int k = 0; k < written; k++) {
        PagePlacement placement;
        int pageRotation = 0;
        // Where the page's visible box goes, from its cell's lower-left corner; an empty slot is
        // placed at its cell's corner.
        double offsetX = 0, offsetY = 0, flippedX = 0, flippedY = 0;
        if (isPage(pages, entry.slots[k])) {
            placement.pageIndex = entry.slots[k] - 1;
            const PageRecord& page = pages[static_cast<size_t>(placement.pageIndex)];
            pageRotation = normaliseRotation(page.rotation);
            placement.clipped = true;
            placement.clip = visibleBox(page);
            const PdfBox& shown = placement.clip;
            double centreX = 0.5 * (largestWidth - (shown.x2 - shown.x1));
            double centreY = 0.5 * (largestHeight - (shown.y2 - shown.y1));
            offsetX = originX + centreX - shown.x1;
            offsetY = originY + centreY - shown.y1;
            flippedX = originX - centreX + shown.x1;
            flippedY = originY - centreY + shown.y1;
        }
        // A page half a turn from the sheet is drawn turned by 180 degrees in its cell.
        bool flipped =
            geometry.turned ? pageRotation == 270 : (pageRotation == 180 || pageRotation == 270);
        if (flipped) placement.a = placement.d = -1;
        int row = k / across, column = k % across;
        // A turned sheet is shown with /Rotate 90: its grid is laid out transposed.
        double cellX = geometry.turned ? row : column;
        double cellY = geometry.turned ? column : down - 1 - row;
        if (flipped) {
            placement.dx = (cellX + 1) * w + flippedX;
            placement.dy = (cellY + 1) * h + flippedY;
        } else {
            placement.dx = cellX * w + offsetX;
            placement.dy = cellY * h + offsetY;
        }
        geometry.slots.push_back(placement);
        // Marks go at the corners of what the page covers, or of the empty cell.
        geometry.cells.push_back(placement.clipped
                                     ? mapRect(placement, placement.clip.x1, placement.clip.y1,
                                               placement.clip.x2, placement.clip.y2)
                                     : PdfBox{cellX * w + originX, cellY * h + originY,
                                              cellX * w + originX + largestWidth,
                                              cellY * h + originY + largestHeight});
    }
    return geometry;
}

int writePlacementStream(WriteContext& ctx, const PagePlacement& placement) {
    std::string turn = placement.flipped() ? "-1 0 0 -1 0 0 cm\n" : "1 0 0 1 0 0 cm\n";
    if (!placement.flipped() && !placement.onlyMoves()) {
        turn.clear();
        for (double value : {placement.a, placement.b, placement.c, placement.d})
            turn += shortNumberText(value) + " ";
        turn += "0 0 cm\n";
    }
    std::string content =
        "q\n1 0 0 1 " + fixedText(placement.dx) + " " + fixedText(placement.dy) + " cm\n" + turn;
    if (placement.clipped) {
        const PdfBox& clip = placement.clip;
        content += fixedText(clip.x1) + " " + fixedText(clip.y1) + " " +
                   fixedText(clip.x2 - clip.x1) + " " + fixedText(clip.y2 - clip.y1) + " re W n\n";
    }
    return writeWrapperStream(ctx, content);
}

int writeRestoreStream(WriteContext& ctx) {
    return writeWrapperStream(ctx, "Q\n");
}

std::string composeContents(WriteContext& ctx, const PageRecords& pages,
                            const SheetGeometry& geometry,
                            const std::vector<PageContentPlan>& plans) {
    // Every page's streams (rewritten where its names changed) come before any wrapper.
    std::vector<std::string> streams(geometry.slots.size());
    for (size_t k = 0; k < geometry.slots.size(); k++) {
        int index = geometry.slots[k].pageIndex;
        if (index < 0) continue;
        streams[k] = placedPageContents(ctx, pages[static_cast<size_t>(index)],
                                        k < plans.size() ? plans[k] : PageContentPlan());
    }
    std::string contents;
    for (size_t k = 0; k < geometry.slots.size(); k++) {
        int open = writePlacementStream(ctx, geometry.slots[k]);
        int close = writeRestoreStream(ctx);
        contents += " " + intText(open) + " 0 R " + streams[k] + " " + intText(close) + " 0 R";
    }
    return contents + " ";
}

OutputPage writeSheet(const JobSettings& settings, const Layout& layout, WriteContext& ctx,
                      const PageRecords& pages, const SheetEntry& entry, SheetRunState& state) {
    SheetGeometry geometry = computeSheetGeometry(settings, layout, pages, entry, state.firstHalf);
    if (geometry.carrierSlot < 0) return OutputPage();
    const PageRecord& carrier =
        pages[static_cast<size_t>(geometry.slots[geometry.carrierSlot].pageIndex)];

    std::string text;
    readObjectText(ctx, carrier.objNum, text);
    checkPageParent(text);
    size_t dict = findObjectDict(text);

    // Boxes. An inherited crop box is stated first, so that the sheet's crop box grows from it.
    // The sheet's crop box grows from what the carrier shows, so that it holds the cells exactly.
    DictEntry cropBox;
    if (carrier.inheritsCropBox && !findDictEntry(text, dict, "CropBox", cropBox)) {
        const PdfBox& box = carrier.cropBox;
        text.insert(dict + 2, "/CropBox " + boxArrayText(box.x1, box.y1, box.x2, box.y2) + "\n");
    }
    const SheetBoxFrame& frame = geometry.boxes;
    if (geometry.paper) {
        // Every box of a sheet on paper is the paper.
        for (const char* key : {"/CropBox", "/BleedBox", "/TrimBox", "/ArtBox", "/MediaBox"})
            writeSheetBox(text, key, UserBox(), geometry.paperBox, std::string(key) == "/MediaBox");
    } else {
        writeSheetBox(text, "/CropBox", settings.cropBox, sheetBoxFrom(visibleBox(carrier), frame),
                      false);
        writeSheetBox(text, "/BleedBox", settings.cropBox, sheetBoxFrom(carrier.bleedBox, frame),
                      false);
        writeSheetBox(text, "/TrimBox", settings.cropBox, sheetBoxFrom(carrier.trimBox, frame),
                      false);
        writeSheetBox(text, "/ArtBox", settings.cropBox, sheetBoxFrom(carrier.artBox, frame),
                      false);
        writeSheetBox(text, "/MediaBox", settings.mediaBox, sheetBoxFrom(carrier.mediaBox, frame),
                      true);
    }

    // Resources of every placed page, with the names each page must change.
    std::vector<PageContentPlan> plans =
        mergeResources(ctx, pages, geometry.slots, text, state.resourcesHoldPatterns);

    std::string annotations = relocateAnnotations(ctx, pages, geometry.slots, state.annotationUses);
    insertAnnotationList(ctx, text, annotations);

    writeSheetRotation(text, carrier, geometry.turned);
    std::string contents = composeContents(ctx, pages, geometry, plans);
    if (settings.marks)
        contents += refText(writeWrapperStream(ctx, cutMarks(geometry.cells)), 0) + " ";
    writeSheetContents(ctx, text, contents);

    return writeOutputPage(ctx, text, carrier.objNum, state);
}
