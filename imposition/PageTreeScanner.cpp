// The input page tree walk: one record per page, with what it states and inherits.
#include "imposition/PageTreeScanner.h"

#include <functional>
#include <memory>
#include <unordered_set>

#include "pdf/CPdfDocument.h"
#include "pdf/CPdfException.h"
#include "pdf/FormatText.h"
#include "pdf/ObjectText.h"
#include "pdf/PdfTextScan.h"
#include "pdf/ValueText.h"

namespace {

// Deeper trees than this are not real documents; the limit keeps the recursion short.
constexpr int kMaxTreeDepth = 256;

constexpr int kBoxCount = 5;
const char* const kBoxNames[kBoxCount] = {"MediaBox", "CropBox", "BleedBox", "TrimBox", "ArtBox"};
PdfBox PageRecord::*const kBoxFields[kBoxCount] = {&PageRecord::mediaBox, &PageRecord::cropBox,
                                                   &PageRecord::bleedBox, &PageRecord::trimBox,
                                                   &PageRecord::artBox};
constexpr int kCropBoxIndex = 1;

using RawTextReader = std::function<bool(int num, std::string& text)>;

// What a node hands down to its kids.
struct Inherited {
    PdfBox boxes[kBoxCount];
    int rotation = 0;
    bool rotateStated = false;   // some node above states /Rotate
    bool cropBoxStated = false;  // some node above states /CropBox
    // Text of the nearest /Resources above, shared by every page below it.
    std::shared_ptr<const std::string> resources;
};

class PageTreeScanner {
  public:
    PageTreeScanner(CPdfXRef* xref, RawTextReader rawText, PageRecords& records)
        : xref_(xref), rawText_(std::move(rawText)), records_(records) {}

    void walk(const CPdfObject& node, int num, const Inherited& above, int depth) {
        if (depth > kMaxTreeDepth) throw CPdfException("Page tree is nested too deeply");
        CPdfDict* dict = node.getDict();
        Inherited here = above;
        bool statesBox[kBoxCount] = {};
        for (int i = 0; i < kBoxCount; i++) {
            CPdfObject value = dict->lookup(kBoxNames[i]);
            if (value.isArray()) {
                here.boxes[i] = readBox(value);
                statesBox[i] = true;
            }
        }
        CPdfObject rotate = dict->lookup("Rotate");
        bool statesRotate = rotate.isInt();
        if (statesRotate) here.rotation = rotate.getInt();
        CPdfObject resources = dict->lookupRaw("Resources");
        bool statesResources = !resources.isNull();

        CPdfObject kids = dict->lookup("Kids");
        if (!kids.isArray()) {
            PageRecord record;
            record.objNum = num;
            record.rotation = here.rotation;
            for (int i = 0; i < kBoxCount; i++) record.*kBoxFields[i] = here.boxes[i];
            record.inheritsRotate = !statesRotate && above.rotateStated;
            record.inheritsCropBox = !statesBox[kCropBoxIndex] && above.cropBoxStated;
            record.hasCropBox = statesBox[kCropBoxIndex] || above.cropBoxStated;
            if (!statesResources) record.inheritedResources = above.resources;
            record.contents = dict->lookupRaw("Contents");
            record.contentsKnown = true;
            records_.push_back(std::move(record));
            return;
        }
        // Only nodes with kids hand their resources down, so only their text is needed.
        if (statesResources)
            here.resources = std::make_shared<const std::string>(resourcesText(resources, num));
        here.rotateStated = above.rotateStated || statesRotate;
        here.cropBoxStated = above.cropBoxStated || statesBox[kCropBoxIndex];
        CPdfArray* array = kids.getArray();
        for (int i = 0; i < array->getLength(); i++) {
            CPdfObject kid = array->getRaw(i);
            CPdfObject child = kid.isRef() ? kid.fetchObject(xref_) : CPdfObject::makeNull();
            if (!child.isDict()) {
                throw CPdfException(formatText(
                    "Broken page tree: element %d of the /Kids of object %d is not a reference to "
                    "a dictionary",
                    i, num));
            }
            // A node met before is a cycle (or a page listed twice): each node is walked once.
            if (!visited_.insert(kid.getRefNum()).second) continue;
            walk(child, kid.getRefNum(), here, depth + 1);
        }
    }

    void markVisited(int num) { visited_.insert(num); }

  private:
    PdfBox readBox(const CPdfObject& value) const {
        double coords[4] = {0.0, 0.0, 0.0, 0.0};
        CPdfArray* array = value.getArray();
        for (int i = 0; i < 4 && i < array->getLength(); i++) {
            CPdfObject element = array->get(i);
            if (element.isNum()) coords[i] = element.getNum();
        }
        PdfBox box;
        box.x1 = coords[0];
        box.y1 = coords[1];
        box.x2 = coords[2];
        box.y2 = coords[3];
        return box;
    }

    // The /Resources value of node num as text: a reference as "N G R", a dictionary written in
    // place as its bytes in the node's object text.
    std::string resourcesText(const CPdfObject& stored, int num) const {
        if (stored.isRef()) return formatText("%d %d R", stored.getRefNum(), stored.getRefGen());
        std::string text;
        DictText dict;
        if (num > 0 && rawText_ && rawText_(num, text) && parseObjectDict(text, dict)) {
            const DictEntry* entry = dict.find("Resources");
            if (entry) return text.substr(entry->valueBegin, entry->valueEnd - entry->valueBegin);
        }
        std::string out;
        appendValueText(stored, out, 0);
        return out;
    }

    CPdfXRef* xref_;
    RawTextReader rawText_;
    PageRecords& records_;
    std::unordered_set<int> visited_;
};

int scanWith(CPdfXRef* xref, const RawTextReader& rawText, PageRecords& records) {
    records.clear();
    CPdfObject catalog = xref->fetchObject(xref->getRootNum(), xref->getRootGen());
    CPdfDict* dict = catalog.getDict();
    if (!dict) return 0;
    CPdfObject stored = dict->lookupRaw("Pages");
    int pagesRoot = stored.isRef() ? stored.getRefNum() : 0;
    CPdfObject pages = dict->lookup("Pages");
    if (!pages.isDict()) return pagesRoot;
    // /Count only sizes the reservation: the records are the leaves really found.
    CPdfObject count = pages.getDict()->lookup("Count");
    if (count.isInt() && count.getInt() > 0 && count.getInt() <= xref->getNumObjects()) {
        records.reserve(static_cast<size_t>(count.getInt()));
    }
    PageTreeScanner scanner(xref, rawText, records);
    if (stored.isRef()) scanner.markVisited(pagesRoot);
    scanner.walk(pages, pagesRoot, Inherited(), 0);
    return pagesRoot;
}

}  // namespace

int scanPageTree(CPdfDocument& doc, FILE* input, PageRecords& records) {
    RawTextReader rawText;
    if (input) {
        rawText = [&doc, input](int num, std::string& text) {
            return getObjectText(input, num, doc, text);
        };
    }
    return scanWith(doc.getXRef(), rawText, records);
}
