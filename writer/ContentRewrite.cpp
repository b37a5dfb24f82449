// Content streams of a page: listing them, renaming resource names in them and re-compressing them.
#include "writer/ContentRewrite.h"

#include <libdeflate.h>

#include <algorithm>
#include <cassert>
#include <climits>
#include <vector>

#include "pdf/CPdfException.h"
#include "pdf/FormatText.h"
#include "pdf/ObjectText.h"
#include "pdf/PdfTextScan.h"
#include "writer/ObjectCopy.h"

namespace {

// One compressor kept for the whole run: setting one up allocates its tables. libdeflate at level 6
// gives streams no larger than zlib's best compression on real books (0.2 % to 3 % smaller) in
// well under half the time; the same input always gives the same bytes.
constexpr int kCompressionLevel = 6;

class ReusedCompressor {
  public:
    ReusedCompressor() : compressor_(libdeflate_alloc_compressor(kCompressionLevel)) {}
    ~ReusedCompressor() {
        if (compressor_) libdeflate_free_compressor(compressor_);
    }
    ReusedCompressor(const ReusedCompressor&) = delete;
    ReusedCompressor& operator=(const ReusedCompressor&) = delete;
    libdeflate_compressor* get() const { return compressor_; }

  private:
    libdeflate_compressor* compressor_;
};

// Start of the "EI" that ends inline image data beginning at from: "EI" with white space before
// it and white space, a delimiter or the end after it. The end of the text when there is none.
size_t findInlineImageEnd(const std::string& text, size_t from) {
    for (size_t i = from; i + 1 < text.size(); i++) {
        if (text[i] != 'E' || text[i + 1] != 'I') continue;
        if (i == 0 || !isTextWhite(static_cast<unsigned char>(text[i - 1]))) continue;
        if (i + 2 == text.size() || !isTextRegular(static_cast<unsigned char>(text[i + 2])))
            return i;
    }
    return text.size();
}

int entryGeneration(CPdfXRef* xref, int num) {
    if (num < 0 || num >= xref->getNumObjects()) return 0;
    return xref->getEntry(num).gen;
}

// Resolves a value of /Contents; a filter the reader cannot decode makes it Null, as a page whose
// contents cannot be read is still listed but left as it is.
CPdfObject resolveContents(const CPdfObject& value, CPdfXRef* xref) {
    try {
        return value.fetchObject(xref);
    } catch (const CPdfException& e) {
        if (e.getKind() != CPdfException::Kind::unsupportedFilter) throw;
        return CPdfObject::makeNull();
    }
}

struct TextEdit {
    size_t begin;
    size_t end;
    std::string replacement;
};

// The stream dictionary of the rewritten copy: the original's entries with a /Length for the new
// data, and a filter entry that matches how the new data is stored.
std::string buildStreamDict(const std::string& objectText, size_t dataLength, bool hadFilter,
                            bool compressed) {
    DictText dict;
    if (!parseObjectDict(objectText, dict)) {
        return compressed ? formatText("<< /Length %zu /Filter /FlateDecode >>", dataLength)
                          : formatText("<< /Length %zu >>", dataLength);
    }
    // A plain /FlateDecode filter already says how the compressed copy is stored; any other
    // filter, a filter array or decode parameters would describe the old data, not the new.
    const DictEntry* filter = dict.find("Filter");
    bool plainFlate = filter && !dict.find("F") && !dict.find("DecodeParms") && !dict.find("DP") &&
                      objectText.compare(filter->valueBegin, filter->valueEnd - filter->valueBegin,
                                         "/FlateDecode") == 0;
    bool replaceFilter = hadFilter && !(plainFlate && compressed);

    std::vector<TextEdit> edits;
    bool lengthDone = false;
    for (const DictEntry& entry : dict.entries) {
        const std::string& key = entry.key;
        if (key == "Length" && !lengthDone) {
            // The value runs up to the next key, so "/Length 12 0 R /Filter" becomes
            // "/Length 345/Filter".
            edits.push_back({entry.keyEnd, entry.entryEnd, formatText(" %zu", dataLength)});
            lengthDone = true;
            continue;
        }
        bool drop = key == "Length" || key == "DL";
        if (replaceFilter) {
            drop = drop || key == "Filter" || key == "F" || key == "DecodeParms" || key == "DP" ||
                   key == "FFilter" || key == "FDecodeParms";
        }
        if (drop) edits.push_back({entry.keyPos, entry.entryEnd, std::string()});
    }
    std::string tail;
    if (!lengthDone) tail += formatText("/Length %zu ", dataLength);
    if (replaceFilter && compressed) tail += "/Filter /FlateDecode ";
    if (!tail.empty()) {
        unsigned char before = static_cast<unsigned char>(objectText[dict.close - 1]);
        if (!isTextWhite(before)) tail.insert(0, " ");
        edits.push_back({dict.close, dict.close, tail});
    }

    std::string text = objectText.substr(dict.open, dict.close + 2 - dict.open);
    std::sort(edits.begin(), edits.end(), [](const TextEdit& a, const TextEdit& b) {
        return a.begin != b.begin ? a.begin > b.begin : a.end > b.end;
    });
    for (const TextEdit& edit : edits) {
        text.replace(edit.begin - dict.open, edit.end - edit.begin, edit.replacement);
    }
    return text;
}

// Appends " N G R " for one content stream, rewriting it first when renames apply.
void listContentStream(WriteContext& ctx, const CPdfObject& ref, const CPdfObject& resolved,
                       const RenameTable* renames, std::string& list) {
    int num = ref.getRefNum();
    int gen = ref.getRefGen();
    if (renames && !renames->empty() && !resolved.isNull() && !resolved.isError()) {
        int copy = rewriteContentStream(ctx, num, gen, *renames);
        if (copy != num) {
            num = copy;
            gen = 0;
        }
    }
    list += " " + refText(num, gen) + " ";
}

}  // namespace

bool deflateBuffer(const std::string& data, std::string& compressed) {
    compressed.clear();
    if (data.size() > UINT_MAX / 2) return false;
    static ReusedCompressor compressor;
    if (!compressor.get()) return false;
    // The bound covers data that does not compress at all, short data included.
    size_t bound = libdeflate_zlib_compress_bound(compressor.get(), data.size());
    compressed.resize(bound);
    size_t size =
        libdeflate_zlib_compress(compressor.get(), data.data(), data.size(), &compressed[0], bound);
    compressed.resize(size);
    return size > 0;
}

std::string renameResourceNames(const std::string& content, const RenameTable& renames) {
    if (renames.empty()) return content;
    std::string out;
    out.reserve(content.size() + content.size() / 16);
    size_t copied = 0;  // content before this position is in out already
    size_t pos = 0;
    bool inImageDict = false;
    for (;;) {
        TextToken token = nextTextToken(content, pos);
        if (token.kind == TextTokenKind::End) break;
        pos = token.end;
        if (token.kind == TextTokenKind::Name) {
            // Only a whole name token is renamed; strings and comments never reach here.
            auto found = renames.find(decodeNameToken(content, token));
            if (found != renames.end()) {
                out.append(content, copied, token.begin - copied);
                out += '/';
                out += found->second;
                copied = token.end;
            }
        } else if (isKeywordToken(content, token, "BI")) {
            inImageDict = true;
        } else if (inImageDict && isKeywordToken(content, token, "ID")) {
            // Inline image data is binary: skip it whole, up to its "EI".
            inImageDict = false;
            pos = findInlineImageEnd(content, std::min(token.end + 1, content.size()));
        }
    }
    out.append(content, copied, std::string::npos);
    return out;
}

int rewriteContentStream(WriteContext& ctx, int num, int gen, const RenameTable& renames) {
    CPdfXRef* xref = ctx.xref();
    std::string data;
    if (!readStreamData(xref, xref->fetchObject(num, gen), data)) return num;
    data = renameResourceNames(data, renames);

    std::string objectText;
    if (!getObjectText(ctx.input, num, ctx.doc, objectText)) objectText.clear();
    DictText dict;
    bool hadFilter = false;
    if (parseObjectDict(objectText, dict)) {
        hadFilter = dict.find("Filter") || dict.find("F");
    } else {
        hadFilter = true;  // no usable dictionary: the copy is stored compressed
    }
    std::string compressedData;
    bool compressed = hadFilter && deflateBuffer(data, compressedData);
    const std::string& payload = compressed ? compressedData : data;

    // A new number: other pages and sheets may show the original stream with its old names.
    int copy = ctx.nextObjectNumber();
    std::string text = formatText("%d 0 obj\n", copy);
    text += buildStreamDict(objectText, payload.size(), hadFilter, compressed);
    text += "\nstream\n";
    text += payload;
    text += "\nendstream\nendobj\n";
    int written = ctx.writeNewObject(text);
    assert(written == copy);
    (void)written;
    return copy;
}

std::string collectContents(WriteContext& ctx, int pageObjNum, const RenameTable* renames) {
    CPdfXRef* xref = ctx.xref();
    CPdfObject page = xref->fetchObject(pageObjNum, entryGeneration(xref, pageObjNum));
    CPdfDict* dict = page.getDictOrStreamDict();
    if (!dict) return std::string();
    return collectStoredContents(ctx, dict->lookupRaw("Contents"), renames);
}

std::string collectStoredContents(WriteContext& ctx, const CPdfObject& stored,
                                  const RenameTable* renames) {
    CPdfXRef* xref = ctx.xref();
    CPdfObject resolved = resolveContents(stored, xref);

    std::string list;
    if (resolved.isArray()) {
        CPdfArray* array = resolved.getArray();
        for (int i = 0; i < array->getLength(); i++) {
            CPdfObject element = array->getRaw(i);
            // A direct value in the array has no number to list.
            if (!element.isRef()) continue;
            listContentStream(ctx, element, resolveContents(element, xref), renames, list);
        }
    } else if (stored.isRef() && (resolved.isStream() || resolved.isNull() || resolved.isError())) {
        listContentStream(ctx, stored, resolved, renames, list);
    }
    return list;
}
