// Annotation relocation: moves the annotations of placed pages onto the sheet and lists them.
#include "imposition/AnnotRelocate.h"

#include <algorithm>

#include "imposition/RawText.h"
#include "pdf/FormatText.h"

namespace {

// The elements of the array value [begin, end) of text, following references; false when it is
// not an array.
bool readArray(WriteContext& ctx, const std::string& text, size_t begin, size_t end,
               ValueText& value, std::vector<std::pair<size_t, size_t>>& elements) {
    return resolveValue(ctx, text, begin, end, value) && value.text[value.begin] == '[' &&
           listArrayElements(value.text, value.begin, elements);
}

// The numbers of the array value [begin, end) of text; false when it is not an array of numbers.
bool readNumbers(WriteContext& ctx, const std::string& text, size_t begin, size_t end,
                 std::vector<double>& numbers) {
    ValueText value;
    std::vector<std::pair<size_t, size_t>> elements;
    if (!readArray(ctx, text, begin, end, value, elements)) return false;
    for (const auto& [from, to] : elements) {
        double number = 0;
        if (!parseNumber(value.text, from, to, number)) return false;
        numbers.push_back(number);
    }
    return true;
}

// An array of point lists (/InkList) with each list moved; false when one is not a list of
// points.
bool movedPointLists(WriteContext& ctx, const std::string& text, size_t begin, size_t end,
                     const PagePlacement& placement, std::string& moved) {
    ValueText value;
    std::vector<std::pair<size_t, size_t>> elements;
    if (!readArray(ctx, text, begin, end, value, elements)) return false;
    moved = "[";
    for (const auto& [from, to] : elements) {
        std::vector<double> points;
        std::string list;
        if (!readNumbers(ctx, value.text, from, to, points) ||
            !placePoints(points, placement, list))
            return false;
        moved += list;
    }
    moved += "]";
    return true;
}

// Lists the corners of each quadrilateral from the opposite one. Turned half a turn, a
// quadrilateral listed upper edge first would be listed lower edge first, and readers that draw a
// highlight from its points take the first pair as its upper edge.
void turnQuads(std::vector<double>& points) {
    for (size_t quad = 0; quad + 8 <= points.size(); quad += 8) {
        for (size_t i = 0; i < 2; i++) {
            std::swap(points[quad + 2 * i], points[quad + 6 - 2 * i]);
            std::swap(points[quad + 2 * i + 1], points[quad + 7 - 2 * i]);
        }
    }
}

// Moves every coordinate of the annotation dictionary at dictPos of text with its page: the
// /Rect and the point lists of markup annotations (/QuadPoints of links and text markup, /L of
// lines, /Vertices of polygons and polylines, /InkList of ink, /CL of callouts). A value that is
// not what its key promises stays as it is. A moved value stored by reference is written in
// place: the referenced object may belong to the same annotation shown elsewhere.
void moveAnnotation(WriteContext& ctx, std::string& text, size_t dictPos,
                    const PagePlacement& placement) {
    static const char* const kPointKeys[] = {"Rect",     "QuadPoints", "L",
                                             "Vertices", "CL",         "InkList"};
    std::vector<std::pair<DictEntry, std::string>> edits;
    for (const char* key : kPointKeys) {
        DictEntry entry;
        if (!findDictEntry(text, dictPos, key, entry)) continue;
        std::string moved;
        std::vector<double> numbers;
        bool ok = false;
        if (std::string(key) == "InkList") {
            ok = movedPointLists(ctx, text, entry.valueBegin, entry.valueEnd, placement, moved);
        } else if (readNumbers(ctx, text, entry.valueBegin, entry.valueEnd, numbers)) {
            if (std::string(key) == "QuadPoints" && placement.flipped()) turnQuads(numbers);
            ok = std::string(key) == "Rect" ? placeRect(numbers, placement, moved)
                                            : placePoints(numbers, placement, moved);
        }
        if (ok) edits.emplace_back(entry, moved);
    }
    // From the last value to the first, so that each edit leaves the positions before it alone.
    std::sort(edits.begin(), edits.end(),
              [](const auto& a, const auto& b) { return a.first.valueBegin > b.first.valueBegin; });
    for (const auto& [entry, moved] : edits)
        text.replace(entry.valueBegin, entry.valueEnd - entry.valueBegin, moved);
}

}  // namespace

bool placePoints(const std::vector<double>& points, const PagePlacement& placement,
                 std::string& text) {
    if (points.size() % 2 != 0) return false;
    text = "[";
    for (size_t i = 0; i < points.size(); i += 2) {
        SheetPoint point = mapPoint(placement, points[i], points[i + 1]);
        text += (i == 0 ? "" : " ") + shortNumberText(point.x) + " " + shortNumberText(point.y);
    }
    text += "]";
    return true;
}

bool placeRect(const std::vector<double>& rect, const PagePlacement& placement, std::string& text) {
    if (rect.size() != 4) return false;
    PdfBox placed = mapRect(placement, rect[0], rect[1], rect[2], rect[3]);
    text = "[";
    for (double value : {placed.x1, placed.y1, placed.x2, placed.y2})
        text += " " + fixedText(value, 2) + " ";
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
            if (readObjectText(ctx, num, text)) {
                ctx.editCopiedText(num, text);
                annotDict = findObjectDict(text);
            }
            if (annotDict == kNoPos) {
                // Nothing to move or copy: the reference is listed as it is.
                list += " " + refText(num, gen) + " ";
                continue;
            }
            if (firstShowing) {
                // The verbatim copy already stands under this number; only a move rewrites it.
                if (!placement.isIdentity()) {
                    moveAnnotation(ctx, text, annotDict, placement);
                    ctx.writeObject(num, ctx.xref()->getOutputGen(num), text);
                }
                list += " " + refText(num, gen) + " ";
            } else {
                renumberObjectText(text, ctx.nextObjectNumber(), 0);
                annotDict = findObjectDict(text);
                moveAnnotation(ctx, text, annotDict, placement);
                list += formatText(" %d 0 R ", ctx.writeNewObject(text));
                if (changed) *changed = true;
            }
        } else if (array.text.compare(begin, 2, "<<") == 0) {
            // An annotation written in the array itself becomes an object of its own.
            std::string text = formatText("%d 0 obj\n", ctx.nextObjectNumber()) +
                               array.text.substr(begin, end - begin) + "\nendobj\n";
            ctx.editCopiedText(0, text);
            moveAnnotation(ctx, text, findObjectDict(text), placement);
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
