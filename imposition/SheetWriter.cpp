// Sheet composition: edits the carrier's page object into a sheet carrying a grid of pages.
#include "imposition/SheetWriter.h"

#include <algorithm>

#include "imposition/PageBoxes.h"
#include "imposition/RawText.h"
#include "imposition/ResourceMerge.h"
#include "pdf/CPdfException.h"
#include "pdf/FormatText.h"

namespace {

const char* const kNoParent = "File is broken. Can't find /Parent entry\n";

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

}  // namespace

int normaliseRotation(int rotation) {
    int turned = ((rotation % 360) + 360) % 360;
    return turned - turned % 90;
}

SheetGeometry computeSheetGeometry(const JobSettings& settings, const PageRecords& pages,
                                   const SheetEntry& entry) {
    SheetGeometry geometry;
    Layout layout = chooseLayout(settings.flags);
    // A split-back sheet's box is a half of its one page where that page lies; -down does not
    // move the box, so it must not move the page either.
    geometry.grid = layoutGrid(layout, settings.flags.down && layout != Layout::SplitBack);
    const LayoutGrid& grid = geometry.grid;
    int written = std::min(grid.writtenSlots, static_cast<int>(SheetEntry::kMaxSlots));
    for (int k = 0; k < written; k++) {
        if (isPage(pages, entry.slots[k])) {
            geometry.carrierSlot = k;
            break;
        }
    }
    if (geometry.carrierSlot < 0) return geometry;

    // The reference page (the carrier) fixes the cell and whether the sheet is turned.
    const PageRecord& reference = pages[static_cast<size_t>(entry.slots[geometry.carrierSlot] - 1)];
    geometry.rotation = normaliseRotation(reference.rotation);
    geometry.turned = geometry.rotation == 90 || geometry.rotation == 270;
    double x2 = reference.mediaBox.x2;
    double y2 = reference.mediaBox.y2;
    if (settings.mediaBox.x2 != -1.0) {
        x2 = 0.5 * settings.mediaBox.x2;
        y2 = 0.5 * settings.mediaBox.y2;
    }
    bool twoUpAcross =
        (layout == Layout::TwoUp || layout == Layout::SplitBack) && !settings.flags.down;
    geometry.cellWidth = settings.rightMargin + x2;
    geometry.cellHeight = (twoUpAcross ? settings.rightMargin : settings.bottomMargin) + y2;
    double w = geometry.cellWidth, h = geometry.cellHeight;

    for (int k = 0; k < written; k++) {
        PagePlacement placement;
        int pageRotation = 0;
        if (isPage(pages, entry.slots[k])) {
            placement.pageIndex = entry.slots[k] - 1;
            pageRotation =
                normaliseRotation(pages[static_cast<size_t>(placement.pageIndex)].rotation);
        }
        // A page half a turn from the sheet is drawn turned by 180 degrees in its cell.
        placement.flipped =
            geometry.turned ? pageRotation == 270 : (pageRotation == 180 || pageRotation == 270);
        int row = k / grid.across, column = k % grid.across;
        // A turned sheet is shown with /Rotate 90: its grid is laid out transposed.
        double cellX = geometry.turned ? row : column;
        double cellY = geometry.turned ? column : grid.down - 1 - row;
        placement.dx = (placement.flipped ? cellX + 1 : cellX) * w;
        placement.dy = (placement.flipped ? cellY + 1 : cellY) * h;
        geometry.slots.push_back(placement);
    }
    return geometry;
}

int writePlacementStream(WriteContext& ctx, const PagePlacement& placement) {
    const char* turn = placement.flipped ? "-1 0 0 -1 0 0 cm\n" : "1 0 0 1 0 0 cm\n";
    return writeWrapperStream(ctx, "q\n1 0 0 1 " + fixedText(placement.dx) + " " +
                                       fixedText(placement.dy) + " cm\n" + turn);
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

OutputPage writeSheet(const JobSettings& settings, WriteContext& ctx, const PageRecords& pages,
                      const SheetEntry& entry, SheetRunState& state) {
    OutputPage output;
    SheetGeometry geometry = computeSheetGeometry(settings, pages, entry);
    if (geometry.carrierSlot < 0) return output;
    const PageRecord& carrier =
        pages[static_cast<size_t>(geometry.slots[geometry.carrierSlot].pageIndex)];

    std::string text;
    readObjectText(ctx, carrier.objNum, text);
    size_t dict = findObjectDict(text);
    DictEntry parent;
    if (dict == kNoPos || !findDictEntry(text, dict, "Parent", parent))
        throw CPdfException(kNoParent);

    // Boxes. An inherited crop box is stated first, so that the sheet's crop box grows from it.
    DictEntry cropBox;
    if (carrier.inheritsCropBox && !findDictEntry(text, dict, "CropBox", cropBox)) {
        const PdfBox& box = carrier.cropBox;
        text.insert(dict + 2, "/CropBox " + boxArrayText(box.x1, box.y1, box.x2, box.y2) + "\n");
    }
    SheetBoxState boxState;
    boxState.firstHalf = state.firstHalf;
    PdfBox crop = carrier.cropBox, bleed = carrier.bleedBox, trim = carrier.trimBox,
           art = carrier.artBox;
    PdfBox media = carrier.mediaBox;
    writeSheetBox(text, "/CropBox", settings.cropBox, crop, geometry.rotation, false, settings,
                  boxState);
    writeSheetBox(text, "/BleedBox", settings.cropBox, bleed, geometry.rotation, false, settings,
                  boxState);
    writeSheetBox(text, "/TrimBox", settings.cropBox, trim, geometry.rotation, false, settings,
                  boxState);
    writeSheetBox(text, "/ArtBox", settings.cropBox, art, geometry.rotation, false, settings,
                  boxState);
    writeSheetBox(text, "/MediaBox", settings.mediaBox, media, geometry.rotation, true, settings,
                  boxState);

    // Resources of every placed page, with the names each page must change.
    std::vector<PageContentPlan> plans = mergeResources(ctx, pages, geometry.slots, text);

    std::string annotations = relocateAnnotations(ctx, pages, geometry.slots, state.annotationUses);
    insertAnnotationList(ctx, text, annotations);

    writeSheetRotation(text, carrier, geometry.turned);
    writeSheetContents(ctx, text, composeContents(ctx, pages, geometry, plans));

    dict = findObjectDict(text);
    if (dict == kNoPos || !findDictEntry(text, dict, "Parent", parent))
        throw CPdfException(kNoParent);
    text.replace(parent.valueBegin, parent.valueEnd - parent.valueBegin,
                 formatText("%d %d R", state.pagesRootNumber, state.pagesRootGen));

    if (state.outputPages.insert(carrier.objNum).second) {
        output.num = carrier.objNum;
        output.gen = ctx.xref()->getOutputGen(carrier.objNum);
        ctx.offsets.record(output.num, output.gen, ctx.out.position());
        ctx.out.write(text);
    } else {
        // The carrier is an output page already (a sheet or a single page): this one gets its own.
        renumberObjectText(text, ctx.nextObjectNumber(), 0);
        output.num = ctx.writeNewObject(text);
        state.outputPages.insert(output.num);
    }
    return output;
}
