// Pages shown as Form XObjects: the checks that call for one, the form object and its painting.
#include "imposition/PageForm.h"

#include <algorithm>

#include "imposition/OutputPage.h"
#include "imposition/PageBoxes.h"
#include "imposition/RawText.h"
#include "pdf/CPdfException.h"
#include "pdf/FormatText.h"
#include "pdf/PdfTextScan.h"
#include "writer/ObjectCopy.h"

namespace {

enum class StreamState { readable, missing, undecodable };

// Fetches one content stream. A filter the reader does not know, or a stream it cannot take
// apart (an unusable /Length, a filter entry of a strange shape), is undecodable; a reference to
// nothing, or to something other than a stream, draws nothing.
StreamState fetchContentStream(CPdfXRef* xref, const CPdfObject& ref, CPdfObject& value) {
    try {
        value = ref.fetchObject(xref);
    } catch (const CPdfException& e) {
        if (e.getKind() != CPdfException::Kind::unsupportedFilter) throw;
        return StreamState::undecodable;
    }
    if (value.isStream()) return StreamState::readable;
    return value.isError() ? StreamState::undecodable : StreamState::missing;
}

// The page's /Contents value as stored in the page object.
CPdfObject storedContents(WriteContext& ctx, const PageRecord& page) {
    if (page.contentsKnown) return page.contents;
    CPdfXRef* xref = ctx.xref();
    if (page.objNum <= 0 || page.objNum >= xref->getNumObjects()) return CPdfObject::makeNull();
    CPdfObject object = xref->fetchObject(page.objNum, xref->getEntry(page.objNum).gen);
    CPdfDict* dict = object.getDictOrStreamDict();
    return dict ? dict->lookupRaw("Contents") : CPdfObject::makeNull();
}

// The references of the page's content streams, in drawing order.
std::vector<CPdfObject> contentReferences(WriteContext& ctx, const PageRecord& page) {
    CPdfObject contents = storedContents(ctx, page);
    if (contents.isRef()) {
        // A reference names one stream, or an array of them.
        CPdfObject resolved;
        if (fetchContentStream(ctx.xref(), contents, resolved) != StreamState::missing ||
            !resolved.isArray()) {
            return {contents};
        }
        contents = resolved;
    }
    std::vector<CPdfObject> refs;
    if (!contents.isArray()) return refs;
    const CPdfArray* array = contents.getArray();
    for (int i = 0; i < array->getLength(); i++) {
        CPdfObject element = array->getRaw(i);
        if (element.isRef()) refs.push_back(element);
    }
    return refs;
}

// The value of /Length in a stream's dictionary: written there, or in the object it names.
bool streamLength(WriteContext& ctx, const std::string& text, const DictEntry& entry,
                  size_t& length) {
    ValueText value;
    double number = 0;
    if (!resolveValue(ctx, text, entry.valueBegin, entry.valueEnd, value) ||
        !parseNumber(value.text, value.begin, value.end, number) || number < 0) {
        return false;
    }
    length = static_cast<size_t>(number);
    return true;
}

// The stored bytes of stream num and its /Filter and /DecodeParms entries as written, for a copy
// that keeps its own encoding.
bool copyEncodedStream(WriteContext& ctx, int num, std::string& entries, std::string& data) {
    std::string text;
    DictText dict;
    if (!readObjectText(ctx, num, text) || !parseObjectDict(text, dict)) return false;
    const DictEntry* lengthEntry = dict.find("Length");
    size_t length = 0;
    if (!lengthEntry || !streamLength(ctx, text, *lengthEntry, length)) return false;
    TextToken keyword = nextTextToken(text, dict.close + 2);
    if (!isKeywordToken(text, keyword, "stream")) return false;
    size_t start = streamDataStart(text, keyword.end);
    if (start == kNoPos || length > text.size() - start) return false;
    data = text.substr(start, length);
    for (const char* key : {"Filter", "DecodeParms"}) {
        const DictEntry* entry = dict.find(key);
        if (entry) entries += text.substr(entry->keyPos, entry->valueEnd - entry->keyPos) + " ";
    }
    return true;
}

// The form's content: its stream dictionary entries for the encoding and the stored data.
void formContent(WriteContext& ctx, const PageRecord& page, int pageNumber, std::string& entries,
                 std::string& data) {
    CPdfXRef* xref = ctx.xref();
    std::vector<CPdfObject> refs = contentReferences(ctx, page);
    std::string decoded;
    for (const CPdfObject& ref : refs) {
        CPdfObject value;
        StreamState state = fetchContentStream(xref, ref, value);
        if (state == StreamState::undecodable) {
            // A single stream goes over as it is stored; the viewer decodes it, if anyone can.
            if (refs.size() == 1 && copyEncodedStream(ctx, ref.getRefNum(), entries, data)) return;
            throw CPdfException(formatText(
                "Page %d cannot be placed: its content stream %d %d R cannot be decoded\n",
                pageNumber, ref.getRefNum(), ref.getRefGen()));
        }
        if (state == StreamState::missing) continue;
        std::string one;
        readStreamData(xref, value, one);
        // Streams of one page meet at a token boundary: white space keeps tokens apart.
        if (!decoded.empty()) decoded += '\n';
        decoded += one;
    }
    if (deflateBuffer(decoded, data)) {
        entries = "/Filter /FlateDecode ";
    } else {
        data = decoded;
    }
}

// The page's /Resources value as text: its own, else the one it inherits, else an empty one.
std::string pageResourcesText(WriteContext& ctx, const std::string& pageText, size_t dict,
                              const PageRecord& page) {
    DictEntry entry;
    if (dict != kNoPos && findDictEntry(pageText, dict, "Resources", entry)) {
        return pageText.substr(entry.valueBegin, entry.valueEnd - entry.valueBegin);
    }
    return page.inheritedResources ? inheritedResourcesValue(ctx, page) : "<< >>";
}

}  // namespace

bool renamingMissesNames(WriteContext& ctx, const PageRecord& page,
                         const std::vector<std::string>& resourceValues) {
    CPdfXRef* xref = ctx.xref();
    for (const CPdfObject& ref : contentReferences(ctx, page)) {
        CPdfObject value;
        if (fetchContentStream(xref, ref, value) == StreamState::undecodable) return true;
    }
    for (const std::string& valueText : resourceValues) {
        int num = 0, gen = 0;
        if (!parseReference(valueText, 0, valueText.size(), num, gen)) continue;
        CPdfObject value;
        try {
            value = xref->fetchObject(num, gen);
        } catch (const CPdfException&) {
            continue;  // an image in a filter the reader does not know, say: no form
        }
        CPdfDict* dict = value.getDictOrStreamDict();
        if (!dict || !dict->lookupRaw("Resources").isNull()) continue;
        CPdfObject subtype = dict->lookup("Subtype");
        if (subtype.isName() && (subtype.getName() == "Form" || subtype.getName() == "Type3"))
            return true;
    }
    return false;
}

int writePageForm(WriteContext& ctx, const PageRecord& page, int pageNumber) {
    std::string entries, data;
    formContent(ctx, page, pageNumber, entries, data);
    std::string pageText;
    size_t dict = readObjectText(ctx, page.objNum, pageText) ? findObjectDict(pageText) : kNoPos;
    // Before the form's number is taken: an inherited dictionary may be written as an object.
    std::string resources = pageResourcesText(ctx, pageText, dict, page);
    std::string text =
        formatText("%d 0 obj\n<< /Type /XObject /Subtype /Form /BBox ", ctx.nextObjectNumber());
    // The form shows what a reader shows of the page: its visible box.
    PdfBox box = visibleBox(page);
    text += boxArrayText(box.x1, box.y1, box.x2, box.y2, false) + " /Resources " + resources + " " +
            entries;
    text += formatText("/Length %zu >>\nstream\n", data.size()) + data + "\nendstream\nendobj\n";
    return ctx.writeNewObject(text);
}

std::string placedPageContents(WriteContext& ctx, const PageRecord& page,
                               const PageContentPlan& plan) {
    if (plan.formObject != 0) {
        std::string paint = "/" + encodeName(plan.formName) + " Do\n";
        std::string text = formatText("%d 0 obj\n<< /Length %zu >>\nstream\n",
                                      ctx.nextObjectNumber(), paint.size());
        return " " + refText(ctx.writeNewObject(text + paint + "endstream\nendobj\n"), 0) + " ";
    }
    const RenameTable* renames = plan.renames.empty() ? nullptr : &plan.renames;
    return page.contentsKnown ? collectStoredContents(ctx, page.contents, renames)
                              : collectContents(ctx, page.objNum, renames);
}
