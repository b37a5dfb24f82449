// Annotation relocation: moves the annotations of placed pages onto the sheet and lists them.
#include "imposition/AnnotRelocate.h"

#include <algorithm>

#include "imposition/RawText.h"
#include "pdf/FormatText.h"

namespace {

// Moves the /Rect of the annotation dictionary at dictPos of text; a /Rect that is not an array
// of four numbers stays as it is.
void moveRect(WriteContext& ctx, std::string& text, size_t dictPos,
              const PagePlacement& placement) {
    DictEntry rect;
    if (!findDictEntry(text, dictPos, "Rect", rect)) return;
    ValueText value;
    if (!resolveValue(ctx, text, rect.valueBegin, rect.valueEnd, value) ||
        value.text[value.begin] != '[')
        return;
    std::vector<std::pair<size_t, size_t>> elements;
    if (!listArrayElements(value.text, value.begin, elements)) return;
    std::vector<double> numbers;
    for (const auto& [begin, end] : elements) {
        double number = 0;
        if (!parseNumber(value.text, begin, end, number)) return;
        numbers.push_back(number);
    }
    std::string moved;
    if (!placeRect(numbers, placement, moved)) return;
    // A /Rect stored by reference is replaced by the moved array written in place: the array
    // object may belong to the same annotation shown elsewhere.
    text.replace(rect.valueBegin, rect.valueEnd - rect.valueBegin, moved);
}

bool isIdentity(const PagePlacement& placement) {
    return !placement.flipped && placement.dx == 0 && placement.dy == 0;
}

}  // namespace

bool placeRect(const std::vector<double>& rect, const PagePlacement& placement, std::string& text) {
    if (rect.size() != 4) return false;
    double x1 = rect[0], y1 = rect[1], x2 = rect[2], y2 = rect[3];
    if (placement.flipped) {
        x1 = placement.dx - x1;
        x2 = placement.dx - x2;
        y1 = placement.dy - y1;
        y2 = placement.dy - y2;
        if (x1 > x2) std::swap(x1, x2);
        if (y1 > y2) std::swap(y1, y2);
    } else {
        x1 += placement.dx;
        x2 += placement.dx;
        y1 += placement.dy;
        y2 += placement.dy;
    }
    text = "[";
    for (double value : {x1, y1, x2, y2}) text += " " + fixedText(value, 2) + " ";
    text += "]";
    return true;
}

std::string relocatePageAnnotations(WriteContext& ctx, const std::string& pageText,
                                    const PagePlacement& placement, AnnotationUses& uses,
                                    bool* changed) {
    if (changed) *changed = false;
    size_t dict = findObjectDict(pageText);
    DictEntry entry;
    if (dict == kNoPos || !findDictEntry(pageText, dict, "Annots", entry)) return "";
    ValueText array;
    if (!resolveValue(ctx, pageText, entry.valueBegin, entry.valueEnd, array) ||
        array.text[array.begin] != '[') {
        return "";
    }
    std::vector<std::pair<size_t, size_t>> elements;
    listArrayElements(array.text, array.begin, elements);

    std::string list;
    for (const auto& [begin, end] : elements) {
        int num = 0, gen = 0;
        if (parseReference(array.text, begin, end, num, gen)) {
            bool firstShowing = uses.insert(num).second;
            std::string text;
            size_t annotDict = kNoPos;
            if (readObjectText(ctx, num, text)) annotDict = findObjectDict(text);
            if (annotDict == kNoPos) {
                // Nothing to move or copy: the reference is listed as it is.
                list += " " + refText(num, gen) + " ";
                continue;
            }
            if (firstShowing) {
                // The verbatim copy already stands under this number; only a move rewrites it.
                if (!isIdentity(placement)) {
                    moveRect(ctx, text, annotDict, placement);
                    ctx.offsets.record(num, ctx.xref()->getOutputGen(num), ctx.out.position());
                    ctx.out.write(text);
                }
                list += " " + refText(num, gen) + " ";
            } else {
                renumberObjectText(text, ctx.nextObjectNumber(), 0);
                annotDict = findObjectDict(text);
                moveRect(ctx, text, annotDict, placement);
                list += formatText(" %d 0 R ", ctx.writeNewObject(text));
                if (changed) *changed = true;
            }
        } else if (array.text.compare(begin, 2, "<<") == 0) {
            // An annotation written in the array itself becomes an object of its own.
            std::string text = formatText("%d 0 obj\n", ctx.nextObjectNumber()) +
                               array.text.substr(begin, end - begin) + "\nendobj\n";
            moveRect(ctx, text, findObjectDict(text), placement);
            list += formatText(" %d 0 R ", ctx.writeNewObject(text));
            if (changed) *changed = true;
        }
    }
    return list;
}

std::string relocateAnnotations(WriteContext& ctx, const PageRecords& pages,
                                const std::vector<PagePlacement>& placements,
                                AnnotationUses& uses) {
    std::string list;
    for (const PagePlacement& placement : placements) {
        if (placement.pageIndex < 0 || placement.pageIndex >= static_cast<int>(pages.size()))
            continue;
        std::string pageText;
        if (!readObjectText(ctx, pages[static_cast<size_t>(placement.pageIndex)].objNum, pageText))
            continue;
        list += relocatePageAnnotations(ctx, pageText, placement, uses);
    }
    return list;
}

void insertAnnotationList(WriteContext& ctx, std::string& pageText, const std::string& list) {
    setPageArray(ctx, pageText, "Annots", list, "/Annots [" + list + "]");
}
