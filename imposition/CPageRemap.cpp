// The output page of every input page, and the edits that make destinations name it.
#include "imposition/CPageRemap.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "imposition/ImpositionRun.h"
#include "imposition/PageBoxes.h"
#include "imposition/PageLabels.h"
#include "imposition/SheetWriter.h"
#include "pdf/FormatText.h"
#include "pdf/PdfTextScan.h"

namespace {

// The reference "N G R" starting at pos; false when none does.
bool readReference(const std::string& text, size_t pos, int& num, int& gen, size_t& end) {
    TextToken number = nextTextToken(text, pos);
    if (!isDigitsToken(text, number)) return false;
    TextToken generation = nextTextToken(text, number.end);
    if (!isDigitsToken(text, generation)) return false;
    TextToken keyword = nextTextToken(text, generation.end);
    if (!isKeywordToken(text, keyword, "R")) return false;
    end = keyword.end;
    return parseReference(text, number.begin, keyword.end, num, gen);
}

bool isNameToken(const std::string& text, const TextToken& token, const char* name) {
    size_t length = std::strlen(name);
    return token.kind == TextTokenKind::Name && token.end - token.begin == length + 1 &&
           text.compare(token.begin + 1, length, name) == 0;
}

// Whether the value text may hold a destination or a /P or /Pg entry: most objects cannot, and
// are passed by without cutting them into tokens.
bool mayNamePages(std::string_view text) {
    if (text.find("/XYZ") != std::string_view::npos || text.find("/Fit") != std::string_view::npos)
        return true;
    for (size_t pos = text.find("/P"); pos != std::string_view::npos;
         pos = text.find("/P", pos + 2)) {
        size_t after = pos + 2;
        if (after < text.size() && text[after] == 'g') after++;
        if (after >= text.size() || !isRegularByte(static_cast<unsigned char>(text[after])))
            return true;
    }
    return false;
}

// One parameter of a destination: a number, or null.
struct ViewValue {
    bool isNumber = false;
    double number = 0;
    std::string text;  // as written
};

}  // namespace

void CPageRemap::plan(const JobSettings& settings, const Layout& layout, WriteContext& ctx,
                      const PageRecords& pages, const CPageOrder& order) {
    CPdfXRef* xref = ctx.xref();
    const int objectCount = xref->getNumObjects();
    const int pageCount = static_cast<int>(pages.size());
    pageOfObject_.assign(static_cast<size_t>(objectCount), 0);
    for (int i = 0; i < pageCount; i++) {
        int num = pages[static_cast<size_t>(i)].objNum;
        if (num > 0 && num < objectCount) pageOfObject_[static_cast<size_t>(num)] = i + 1;
    }
    targets_.assign(pages.size(), PageTarget());
    rootNum_ = xref->getRootNum();
    const bool splitBack = layout.order == OrderFamily::SplitBack;
    const int half = pageCount / 2;

    std::vector<std::u16string> inputLabels = readPageLabels(xref, splitBack ? half : pageCount);
    std::vector<std::u16string> outputLabels;

    // An output page keeps its page's number unless an output page has it already; such a page
    // gets a number only when it is written, so destinations go to the first showing with a
    // number known now.
    std::vector<bool> used(static_cast<size_t>(objectCount), false);
    auto claim = [&used, objectCount](int num) {
        if (num <= 0 || num >= objectCount || used[static_cast<size_t>(num)]) return false;
        used[static_cast<size_t>(num)] = true;
        return true;
    };
    auto labelPage = [splitBack, half](int index) {
        return splitBack && index >= half ? index - half : index;
    };
    forEachOutputPage(settings, layout, pageCount, order, [&](const OutputPageStep& step) {
        std::vector<int> shown;
        if (!step.sheet) {
            int num = pages[static_cast<size_t>(step.pageIndex)].objNum;
            PageTarget& target = targets_[static_cast<size_t>(step.pageIndex)];
            if (claim(num) && target.num == 0) {
                target.num = num;
                target.gen = xref->getOutputGen(num);
                target.placement.pageIndex = step.pageIndex;
                moved_ = moved_ || num != pages[static_cast<size_t>(step.pageIndex)].objNum;
            }
            shown.push_back(labelPage(step.pageIndex));
        } else {
            SheetGeometry geometry =
                computeSheetGeometry(settings, layout, pages, *step.sheet, step.firstHalf);
            if (geometry.carrierSlot < 0) return;
            int carrier = geometry.slots[static_cast<size_t>(geometry.carrierSlot)].pageIndex;
            int num = pages[static_cast<size_t>(carrier)].objNum;
            bool known = claim(num);
            for (const PagePlacement& placement : geometry.slots) {
                if (placement.pageIndex < 0) continue;
                shown.push_back(labelPage(placement.pageIndex));
                PageTarget& target = targets_[static_cast<size_t>(placement.pageIndex)];
                if (!known || target.num != 0) continue;
                target.num = num;
                target.gen = xref->getOutputGen(num);
                target.inCell = !geometry.boxes.cut;
                target.placement = placement;
                target.cut = geometry.boxes.cut;
                target.cutAlongX = geometry.boxes.cutAlongX;
                target.keepLow = geometry.boxes.keepLow;
                target.cutLine = geometry.boxes.cutLine;
                target.firstHalf = step.firstHalf;
                if (splitBack)
                    target.otherHalf = placement.pageIndex < half ? placement.pageIndex + half
                                                                  : placement.pageIndex - half;
                moved_ = true;
            }
        }
        if (!inputLabels.empty()) outputLabels.push_back(outputPageLabel(inputLabels, shown));
    });
    if (!inputLabels.empty()) pageLabels_ = pageLabelsValue(outputLabels);
}

const PageTarget* CPageRemap::targetOf(int pageObject) const {
    if (pageObject <= 0 || pageObject >= static_cast<int>(pageOfObject_.size())) return nullptr;
    int index = pageOfObject_[static_cast<size_t>(pageObject)];
    if (index == 0) return nullptr;
    const PageTarget& target = targets_[static_cast<size_t>(index - 1)];
    return target.num == 0 ? nullptr : &target;
}

// The destination array whose "[" is at open, if it names a page: its replacement text, naming
// the page's output page with the view moved with the page.
bool CPageRemap::rewriteDestination(const std::string& text, size_t open, size_t end,
                                    std::string& replacement, size_t& replacedEnd) const {
    int num = 0, gen = 0;
    size_t pos = 0;
    if (!readReference(text, open + 1, num, gen, pos) || pos > end) return false;
    const PageTarget* target = targetOf(num);
    if (!target) return false;
    TextToken view = nextTextToken(text, pos);
    if (view.kind != TextTokenKind::Name || view.end > end) return false;
    std::string viewName = text.substr(view.begin + 1, view.end - view.begin - 1);
    std::vector<ViewValue> values;
    for (pos = view.end;;) {
        TextToken token = nextTextToken(text, pos);
        if (token.end > end || token.kind == TextTokenKind::End) return false;
        pos = token.end;
        if (token.kind == TextTokenKind::ArrayClose) break;
        ViewValue value;
        value.text = text.substr(token.begin, token.end - token.begin);
        if (token.kind == TextTokenKind::Number) {
            value.isNumber = parseNumber(text, token.begin, token.end, value.number);
        } else if (!isKeywordToken(text, token, "null")) {
            return false;
        }
        values.push_back(value);
    }
    replacedEnd = pos;

    // Which coordinates the view gives: x at xAt, y at yAt (-1: none).
    int xAt = -1, yAt = -1;
    bool wholePage = false;
    if (viewName == "XYZ") {
        xAt = 0;
        yAt = 1;
    } else if (viewName == "FitH" || viewName == "FitBH") {
        yAt = 0;
    } else if (viewName == "FitV" || viewName == "FitBV") {
        xAt = 0;
    } else if (viewName == "FitR") {
        xAt = 0;
        yAt = 3;  // the top edge: with the left edge, the corner a reader scrolls to
    } else if (viewName == "Fit" || viewName == "FitB") {
        wholePage = true;
    } else {
        return false;
    }
    auto given = [&values](int at) {
        return at >= 0 && at < static_cast<int>(values.size()) &&
               values[static_cast<size_t>(at)].isNumber;
    };

    // A split-back page is shown in two halves: the point's side of the cut picks the half, and
    // a view without that coordinate goes to the first half in reading order.
    if (target->cut && target->otherHalf >= 0) {
        int along = target->cutAlongX ? xAt : yAt;
        const PageTarget& other = targets_[static_cast<size_t>(target->otherHalf)];
        bool otherSide =
            given(along)
                ? (values[static_cast<size_t>(along)].number < target->cutLine) != target->keepLow
                : !target->firstHalf;
        if (otherSide && other.num != 0) target = &other;
    }
    const PagePlacement& placement = target->placement;
    auto mapped = [&](int at, bool isX) {
        ViewValue& value = values[static_cast<size_t>(at)];
        SheetPoint point = mapPoint(placement, isX ? value.number : 0, isX ? 0 : value.number);
        value.text = shortNumberText(isX ? point.x : point.y);
    };
    // A page turned by a quarter (fitted to a paper) has its x along the sheet's y: a view that
    // names one coordinate cannot follow it, and shows the page's whole cell instead.
    const bool turnedByQuarter = placement.b != 0 || placement.c != 0;
    if (viewName == "FitR" && !turnedByQuarter) {
        if (values.size() < 4) return false;
        for (int at = 0; at < 4; at++) {
            if (given(at)) mapped(at, at % 2 == 0);
        }
        // A flipped page has its corners swapped.
        if (placement.flipped()) {
            std::swap(values[0], values[2]);
            std::swap(values[1], values[3]);
        }
    } else if ((wholePage || turnedByQuarter) && target->inCell) {
        // The whole page is its cell of the sheet, not the whole sheet.
        const PdfBox& box = placement.clip;
        PdfBox cell = mapRect(placement, box.x1, box.y1, box.x2, box.y2);
        viewName = "FitR";
        values.clear();
        for (double value : {cell.x1, cell.y1, cell.x2, cell.y2})
            values.push_back(ViewValue{true, value, shortNumberText(value)});
    } else {
        if (given(xAt)) mapped(xAt, true);
        if (given(yAt)) mapped(yAt, false);
    }
    replacement = "[" + refText(target->num, target->gen) + " /" + viewName;
    for (const ViewValue& value : values) replacement += " " + value.text;
    replacement += "]";
    return true;
}

bool CPageRemap::rewrite(int num, std::string& text) const {
    bool labels = num == rootNum_ && num != 0 && !pageLabels_.empty();
    if (!labels && !moved_) return false;
    // The data of a stream is never looked at: it starts after the keyword and its line end.
    std::string_view head(text);
    for (size_t pos = text.find("stream"); pos != std::string::npos;
         pos = text.find("stream", pos + 6)) {
        if (pos + 6 < text.size() && (text[pos + 6] == '\r' || text[pos + 6] == '\n')) {
            head = head.substr(0, pos);
            break;
        }
    }
    if (!labels && !mayNamePages(head)) return false;
    size_t begin = findObjectValue(text);
    if (begin == kNoPos) return false;
    size_t end = findValueEnd(text, begin);
    if (end == kNoPos) return false;

    // Edits in text order, each spanning [first, second) of text.
    struct Edit {
        size_t from, to;
        std::string text;
    };
    std::vector<Edit> edits;
    if (moved_) {
        for (size_t pos = begin; pos < end;) {
            TextToken token = nextTextToken(text, pos);
            if (token.kind == TextTokenKind::End || token.begin >= end) break;
            pos = token.end;
            if (token.kind == TextTokenKind::ArrayOpen) {
                std::string replacement;
                size_t replacedEnd = 0;
                if (rewriteDestination(text, token.begin, end, replacement, replacedEnd)) {
                    edits.push_back(Edit{token.begin, replacedEnd, replacement});
                    pos = replacedEnd;
                }
            } else if (isNameToken(text, token, "P") || isNameToken(text, token, "Pg")) {
                int page = 0, gen = 0;
                size_t refEnd = 0;
                if (!readReference(text, token.end, page, gen, refEnd) || refEnd > end) continue;
                const PageTarget* target = targetOf(page);
                if (!target || target->num == page) continue;
                size_t refBegin = skipSpace(text, token.end);
                edits.push_back(Edit{refBegin, refEnd, refText(target->num, target->gen)});
                pos = refEnd;
            }
        }
    }
    if (labels) {
        size_t dict = findObjectDict(text);
        DictEntry entry;
        if (dict != kNoPos && findDictEntry(text, dict, "PageLabels", entry)) {
            // The value may hold destinations of its own no more: it is replaced whole.
            edits.erase(std::remove_if(edits.begin(), edits.end(),
                                       [&entry](const Edit& edit) {
                                           return edit.from >= entry.valueBegin &&
                                                  edit.to <= entry.valueEnd;
                                       }),
                        edits.end());
            edits.push_back(Edit{entry.valueBegin, entry.valueEnd, pageLabels_});
            std::sort(edits.begin(), edits.end(),
                      [](const Edit& a, const Edit& b) { return a.from < b.from; });
        }
    }
    for (auto edit = edits.rbegin(); edit != edits.rend(); ++edit)
        text.replace(edit->from, edit->to - edit->from, edit->text);
    return !edits.empty();
}
