// The verbatim copy pass of input objects into the output, and the decoded data of streams.
#include "writer/ObjectCopy.h"

#include <cstdint>
#include <unordered_set>

#include "pdf/CPdfException.h"
#include "pdf/FormatText.h"
#include "pdf/ObjectText.h"
#include "pdf/PdfTextScan.h"

namespace {

// Appends the decoded bytes of one stream value to data.
void appendStreamData(CPdfStream& stream, std::string& data) {
    stream.reset();
    uint8_t buffer[65536];
    for (;;) {
        size_t got = stream.getBytes(buffer, sizeof buffer);
        if (data.size() + got > kMaxStreamData) {
            throw CPdfException(
                formatText("Stream data too large (over %zu bytes)", kMaxStreamData));
        }
        data.append(reinterpret_cast<const char*>(buffer), got);
        if (got < sizeof buffer) return;
    }
}

// The numbers of the object streams that hold members: those are never copied themselves.
std::unordered_set<int> objectStreamNumbers(CPdfXRef* xref) {
    std::unordered_set<int> numbers;
    for (const CPdfXRefEntry& entry : xref->getEntries()) {
        if (entry.type == xrefCompressed && entry.offset >= 0 && entry.offset <= INT32_MAX) {
            numbers.insert(static_cast<int>(entry.offset));
        }
    }
    return numbers;
}

// An object stream that no entry points into (left over from an older revision) is recognised by
// its dictionary's /Type. Only the dictionary is looked at: stream data may hold any bytes.
bool statesObjectStreamType(const std::string& text) {
    // Most objects cannot be one: the name needs the bytes "ObjStm" or an escape ("#").
    if (text.find("ObjStm") == std::string::npos && text.find('#') == std::string::npos) {
        return false;
    }
    DictText dict;
    if (!parseObjectDict(text, dict)) return false;
    const DictEntry* type = dict.find("Type");
    if (!type) return false;
    TextToken value = nextTextToken(text, type->valueBegin);
    return value.kind == TextTokenKind::Name && decodeNameToken(text, value) == "ObjStm";
}

}  // namespace

void copyInputObjects(WriteContext& ctx, const std::vector<bool>& isPageObject,
                      const std::function<void()>& onPageObject) {
    CPdfXRef* xref = ctx.xref();
    std::unordered_set<int> objectStreams = objectStreamNumbers(xref);
    // Object 0 heads the free list: its table entry is always written free.
    for (int num = 1; num < xref->getNumObjects(); num++) {
        if (xref->getEntry(num).type == xrefFree || ctx.offsets.isWritten(num)) continue;
        std::string text;
        // Stored bytes: an encrypted object keeps its encryption under its own number.
        if (!getStoredObjectText(ctx.input, num, ctx.doc, text) || text.empty()) continue;
        if (objectStreams.count(num) != 0 || statesObjectStreamType(text)) continue;
        if (static_cast<size_t>(num) < isPageObject.size() &&
            isPageObject[static_cast<size_t>(num)]) {
            // Pages are written later, as sheets or single pages.
            if (onPageObject) onPageObject();
            continue;
        }
        std::string edited = text;
        ctx.editCopiedText(num, edited);
        const int gen = xref->getOutputGen(num);
        if (edited != text && xref->getEntry(num).type != xrefCompressed &&
            xref->isEncrypted(num)) {
            // An encrypted object is edited in its plain text and encrypted again: an edit may
            // write strings (page labels).
            std::string plain;
            if (!getObjectText(ctx.input, num, ctx.doc, plain)) continue;
            ctx.editCopiedText(num, plain);
            ctx.writeObject(num, gen, plain);
        } else if (xref->getEntry(num).type == xrefCompressed) {
            // A member of an object stream was encrypted only as part of that stream.
            ctx.writeObject(num, gen, edited);
        } else {
            ctx.offsets.record(num, gen, ctx.out.position());
            ctx.out.write(edited);
        }
    }
}

bool readStreamData(WriteContext& ctx, int num, std::string& data) {
    CPdfXRef* xref = ctx.xref();
    if (num < 0 || num >= xref->getNumObjects()) return false;
    return readStreamData(xref, xref->fetchObject(num, xref->getEntry(num).gen), data);
}

bool readStreamData(CPdfXRef* xref, const CPdfObject& value, std::string& data) {
    data.clear();
    if (value.isStream()) {
        appendStreamData(*value.getStream(), data);
        return true;
    }
    if (!value.isArray()) return false;
    CPdfArray* array = value.getArray();
    for (int i = 0; i < array->getLength(); i++) {
        CPdfObject element = array->getRaw(i).fetchObject(xref);
        if (element.isStream()) appendStreamData(*element.getStream(), data);
    }
    return true;
}
