// Page labels read from the input's number tree and written for the output pages.
#include "imposition/PageLabels.h"

#include <algorithm>
#include <map>
#include <set>

#include "pdf/CPdfException.h"
#include "pdf/FormatText.h"

namespace {

constexpr int kMaxTreeDepth = 32;

// The ranges of the number tree under node: the first page index of each and its style.
void collectRanges(CPdfXRef* xref, const CPdfObject& node, int depth, std::set<int>& visited,
                   std::map<int, CPdfObject>& ranges) {
    CPdfDict* dict = node.getDict();
    if (!dict || depth > kMaxTreeDepth) return;
    CPdfObject nums = dict->lookup("Nums");
    if (CPdfArray* array = nums.getArray()) {
        for (int i = 0; i + 1 < array->getLength(); i += 2) {
            CPdfObject key = array->get(i);
            if (key.isInt() && key.getInt() >= 0) ranges.emplace(key.getInt(), array->get(i + 1));
        }
    }
    CPdfObject kids = dict->lookup("Kids");
    CPdfArray* array = kids.getArray();
    for (int i = 0; array && i < array->getLength(); i++) {
        CPdfObject kid = array->getRaw(i);
        if (kid.isRef() && !visited.insert(kid.getRefNum()).second) continue;
        collectRanges(xref, kid.fetchObject(xref), depth + 1, visited, ranges);
    }
}

std::u16string asciiText(const std::string& text) {
    return std::u16string(text.begin(), text.end());
}

std::u16string romanNumber(int value, bool lower) {
    static const int kValues[] = {1000, 900, 500, 400, 100, 90, 50, 40, 10, 9, 5, 4, 1};
    static const char* const kDigits[] = {"M",  "CM", "D",  "CD", "C",  "XC", "L",
                                          "XL", "X",  "IX", "V",  "IV", "I"};
    std::string text;
    for (int i = 0; i < 13; i++) {
        for (; value >= kValues[i]; value -= kValues[i]) text += kDigits[i];
    }
    if (lower) std::transform(text.begin(), text.end(), text.begin(), ::tolower);
    return asciiText(text);
}

// A, B, ... Z, AA, BB, ... ZZ, AAA, ...
std::u16string letterNumber(int value, bool lower) {
    char letter = static_cast<char>((lower ? 'a' : 'A') + (value - 1) % 26);
    return std::u16string(static_cast<size_t>((value - 1) / 26 + 1), letter);
}

// A text string's characters: UTF-16 after a byte order mark, else one byte each.
std::u16string textString(const std::string& bytes) {
    std::u16string text;
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFE &&
        static_cast<unsigned char>(bytes[1]) == 0xFF) {
        for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
            text += static_cast<char16_t>((static_cast<unsigned char>(bytes[i]) << 8) |
                                          static_cast<unsigned char>(bytes[i + 1]));
        }
        return text;
    }
    for (char c : bytes) text += static_cast<char16_t>(static_cast<unsigned char>(c));
    return text;
}

std::u16string rangeLabel(const CPdfObject& style, int number) {
    CPdfDict* dict = style.getDict();
    if (!dict) return u"";
    std::u16string label = textString(dict->lookup("P").getString());
    CPdfObject kind = dict->lookup("S");
    if (kind.isName("D")) label += asciiText(intText(number));
    if (kind.isName("R") || kind.isName("r")) label += romanNumber(number, kind.isName("r"));
    if (kind.isName("A") || kind.isName("a")) label += letterNumber(number, kind.isName("a"));
    return label;
}

}  // namespace

std::vector<std::u16string> readPageLabels(CPdfXRef* xref, int pageCount) {
    std::vector<std::u16string> labels;
    CPdfObject catalog = xref->fetchObject(xref->getRootNum(), xref->getRootGen());
    CPdfDict* dict = catalog.getDict();
    if (!dict) return labels;
    std::map<int, CPdfObject> ranges;
    std::set<int> visited;
    try {
        collectRanges(xref, dict->lookup("PageLabels"), 0, visited, ranges);
    } catch (const CPdfException&) {
        // Labels that cannot be read are left as the input has them: the copy of the objects
        // that hold them reports what is wrong with them, as for any other object.
        return labels;
    }
    if (ranges.empty()) return labels;
    labels.resize(static_cast<size_t>(pageCount));
    for (auto range = ranges.begin(); range != ranges.end(); ++range) {
        auto next = std::next(range);
        int last = next == ranges.end() ? pageCount : std::min(next->first, pageCount);
        CPdfDict* style = range->second.getDict();
        CPdfObject start = style ? style->lookup("St") : CPdfObject();
        int first = start.isInt() && start.getInt() >= 1 ? start.getInt() : 1;
        for (int page = range->first; page < last; page++) {
            // Numbers far beyond any real document are left out rather than spelled out.
            int number = std::min(first + (page - range->first), 100000);
            labels[static_cast<size_t>(page)] = rangeLabel(range->second, number);
        }
    }
    return labels;
}

std::u16string outputPageLabel(const std::vector<std::u16string>& labels,
                               const std::vector<int>& shown) {
    // A page without a label adds nothing: a sheet of an unlabelled page and page vi is "vi".
    std::vector<int> pages;
    for (int page : shown) {
        if (page >= 0 && page < static_cast<int>(labels.size()) &&
            !labels[static_cast<size_t>(page)].empty() &&
            std::find(pages.begin(), pages.end(), page) == pages.end()) {
            pages.push_back(page);
        }
    }
    if (pages.empty()) return u"";
    bool following = true;
    for (size_t i = 1; i < pages.size(); i++) following = following && pages[i] == pages[i - 1] + 1;
    const auto labelOf = [&labels](int page) { return labels[static_cast<size_t>(page)]; };
    if (pages.size() == 1) return labelOf(pages[0]);
    if (following) return labelOf(pages.front()) + u"\u2013" + labelOf(pages.back());
    std::u16string label = labelOf(pages[0]);
    for (size_t i = 1; i < pages.size(); i++) label += u", " + labelOf(pages[i]);
    return label;
}

std::string pageLabelsValue(const std::vector<std::u16string>& labels) {
    std::string value = "<< /Nums [";
    for (size_t i = 0; i < labels.size(); i++) {
        // Each output page is a range of its own whose label is all prefix.
        value += " " + intText(static_cast<long long>(i)) + " << /P <FEFF";
        for (char16_t c : labels[i]) value += formatText("%04X", static_cast<unsigned>(c));
        value += "> >>";
    }
    return value + " ] >>";
}
