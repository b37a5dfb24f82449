// The imposition run: writes every output page of a conversion and the page tree root.
#include "imposition/ImpositionRun.h"

#include <algorithm>
#include <vector>

#include "imposition/CPageOrder.h"
#include "imposition/RawText.h"
#include "imposition/SequenceFile.h"
#include "imposition/SheetWriter.h"
#include "pdf/CPdfException.h"
#include "pdf/FormatText.h"

namespace {

// Writes the page as a page of its own: what it inherited from the page tree (which the output
// flattens) is stated in it.
OutputPage writeSinglePage(WriteContext& ctx, const PageRecord& page, SheetRunState& state) {
    std::string text;
    readObjectText(ctx, page.objNum, text);
    checkPageParent(text);
    size_t dict = findObjectDict(text);
    DictEntry entry;

    std::string stated;
    if (!findDictEntry(text, dict, "MediaBox", entry)) {
        const PdfBox& box = page.mediaBox;
        stated += "\n/MediaBox " + boxArrayText(box.x1, box.y1, box.x2, box.y2) + "\n";
    }
    if (page.inheritsCropBox && !findDictEntry(text, dict, "CropBox", entry)) {
        const PdfBox& box = page.cropBox;
        stated += "/CropBox " + boxArrayText(box.x1, box.y1, box.x2, box.y2) + "\n";
    }
    if (page.inheritsRotate && !findDictEntry(text, dict, "Rotate", entry)) {
        stated += formatText("/Rotate %d\n", normaliseRotation(page.rotation));
    }
    if (page.inheritedResources && !findDictEntry(text, dict, "Resources", entry)) {
        stated += "/Resources " + inheritedResourcesValue(ctx, page) + "\n";
    }
    text.insert(dict + 2, stated);

    // Annotations stay where they are; one already shown on another output page gets a copy.
    PagePlacement unmoved;
    bool copied = false;
    std::string annotations =
        relocatePageAnnotations(ctx, text, unmoved, state.annotationUses, &copied);
    if (copied) insertAnnotationList(ctx, text, annotations);
    return writeOutputPage(ctx, text, page.objNum, state);
}

// The number of the page tree root's /Resources when it is a reference; 0 otherwise.
int rootResourcesReference(WriteContext& ctx, int pagesRootNumber, int& gen) {
    std::string text;
    if (!readObjectText(ctx, pagesRootNumber, text)) return 0;
    size_t dict = findObjectDict(text);
    DictEntry entry;
    int num = 0;
    if (dict == kNoPos || !findDictEntry(text, dict, "Resources", entry)) return 0;
    if (!parseReference(text, entry.valueBegin, entry.valueEnd, num, gen)) return 0;
    return num;
}

}  // namespace

CPageOrder planPageOrder(const JobSettings& settings, const Layout& layout, int pageCount) {
    // An end page at or beyond the last page (or negative) means the last page.
    int endPage = settings.endPage;
    if (static_cast<unsigned>(endPage) >= static_cast<unsigned>(pageCount)) endPage = kLastPage;
    if (!settings.sequenceFile.empty()) return readSequenceFile(settings, pageCount, endPage);
    PageOrderState orderState;
    return buildPageOrder(layout, settings, pageCount, orderState, endPage);
}

void forEachOutputPage(const JobSettings& settings, const Layout& layout, int pageCount,
                       const CPageOrder& order,
                       const std::function<void(const OutputPageStep&)>& visit) {
    int leading = settings.startPage <= 1 ? 0 : std::min(settings.startPage - 1, pageCount);
    for (int i = 0; i < leading; i++) visit(OutputPageStep{nullptr, i, true});

    bool splitBack = layout.order == OrderFamily::SplitBack;
    // The slots of the grid: a split-back entry names one page, but its sheet has two cells.
    const int cells = layout.across * layout.down;

    std::vector<bool> carried(static_cast<size_t>(pageCount), false);
    bool firstHalf = true;
    for (const SheetEntry& entry : order) {
        if (entry.isEmpty(cells)) break;
        bool shown = false;
        for (int k = 0; k < cells; k++) {
            int value = entry.slots[k];
            if (value >= 1 && value <= pageCount) {
                carried[static_cast<size_t>(value - 1)] = true;
                shown = true;
            }
        }
        // An entry whose slots name no page has no carrier and makes no sheet.
        if (shown) visit(OutputPageStep{&entry, -1, firstHalf});
        if (splitBack) firstHalf = !firstHalf;
    }

    // Every page from the start page on that no sheet shows follows as a single page, so none
    // is lost: those after the range, and those of the range an order leaves off (the multi-up
    // split order with a later start page, a sequence file's progression). The split-back
    // input holds the document twice, so nothing follows there.
    if (!splitBack) {
        for (int i = leading; i < pageCount; i++) {
            if (!carried[static_cast<size_t>(i)]) visit(OutputPageStep{nullptr, i, true});
        }
    }
}

void runImposition(const JobSettings& settings, const Layout& layout, WriteContext& ctx,
                   const PageRecords& pages, int pagesRootNumber, const CPageOrder& order) {
    if (pagesRootNumber <= 0 || pagesRootNumber >= ctx.offsets.size()) {
        throw CPdfException("File is broken. Can't find /Pages entry\n");
    }
    SheetRunState state;
    state.pagesRootNumber = pagesRootNumber;
    state.pagesRootGen = ctx.xref()->getOutputGen(pagesRootNumber);
    int resourcesGen = 0;
    int rootResources = rootResourcesReference(ctx, pagesRootNumber, resourcesGen);

    std::string kids;
    int count = 0;
    forEachOutputPage(
        settings, layout, static_cast<int>(pages.size()), order, [&](const OutputPageStep& step) {
            OutputPage page;
            if (step.sheet) {
                state.firstHalf = step.firstHalf;
                page = writeSheet(settings, layout, ctx, pages, *step.sheet, state);
            } else {
                page = writeSinglePage(ctx, pages[static_cast<size_t>(step.pageIndex)], state);
            }
            if (page.num == 0) return;
            kids += " " + refText(page.num, page.gen) + " ";
            count++;
        });

    std::string root =
        formatText("%d %d obj\n<<\n/Type /Pages\n", pagesRootNumber, state.pagesRootGen);
    if (rootResources != 0) root += formatText("/Resources %d %d R\n", rootResources, resourcesGen);
    root += "/Kids [" + kids + formatText(" ]\n/Count %d\n>>\nendobj\n", count);
    ctx.writeObject(pagesRootNumber, state.pagesRootGen, root);
}
