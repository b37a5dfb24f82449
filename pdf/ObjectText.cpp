// Raw object text: an object's bytes as stored in the file or its object stream, and byte searches.
#include "pdf/ObjectText.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <vector>

#include "pdf/ByteSource.h"
#include "pdf/CPdfDocument.h"
#include "pdf/CPdfException.h"
#include "pdf/FormatText.h"
#include "pdf/ObjectTextCrypt.h"
#include "pdf/PdfTextScan.h"
#include "pdf/RawObject.h"

namespace {

const char kEndobj[] = "endobj";
constexpr size_t kEndobjLength = sizeof kEndobj - 1;

// Reads the file from start through the first "endobj" that begins at or after searchFrom,
// plus the one byte after it when there is one. False when no such "endobj" exists.
bool readThroughEndobj(FILE* file, int64_t start, int64_t searchFrom, int64_t fileSize,
                       std::string& out) {
    out.clear();
    if (start < 0 || searchFrom < start) return false;
    ByteSource source(file, start, fileSize);
    size_t found = source.find(kEndobj, kEndobjLength, static_cast<size_t>(searchFrom - start));
    if (found == std::string::npos) return false;
    size_t end = found + kEndobjLength + 1;
    source.ensure(end);
    out.swap(source.data());
    out.resize(std::min(out.size(), end));
    return true;
}

}  // namespace

namespace {

// A plain non-negative integer token ("123", "+123"), as the parser reads an integer; -1 otherwise.
int64_t plainInteger(const std::string& text, const TextToken& token) {
    size_t i = token.begin;
    if (i < token.end && text[i] == '+') i++;
    if (i == token.end || token.end - i > 18) return -1;
    int64_t value = 0;
    for (; i < token.end; i++) {
        if (text[i] < '0' || text[i] > '9') return -1;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

// The /Length of the stream in an object text, fetched when it is indirect; -1 when it cannot be
// had. *dataStart receives where the data starts.
int64_t storedStreamLength(const std::string& text, CPdfXRef* xref, size_t* dataStart) {
    DictText dict;
    if (!parseObjectDict(text, dict)) return -1;
    TextToken keyword = nextTextToken(text, dict.close + 2);
    if (!isKeywordToken(text, keyword, "stream")) return -1;
    const DictEntry* lengthEntry = dict.find("Length");
    if (!lengthEntry) return -1;
    TextToken first = nextTextToken(text, lengthEntry->valueBegin);
    if (first.kind != TextTokenKind::Number) return -1;
    int64_t length = -1;
    if (lengthEntry->valueEnd == first.end) {
        length = plainInteger(text, first);
    } else {
        // "N G R": an indirect length, fetched as the parser would.
        TextToken second = nextTextToken(text, first.end);
        int64_t num = plainInteger(text, first);
        int64_t gen = plainInteger(text, second);
        if (num < 0 || num > INT_MAX || gen < 0 || gen > INT_MAX) return -1;
        length = fetchStreamLength(*xref, static_cast<int>(num), static_cast<int>(gen));
    }
    // The data starts on the line after the keyword, as the parser skips to it.
    *dataStart = streamDataStart(text, keyword.end);
    return *dataStart == kNoPos ? -1 : length;
}

// Where the data of the stream in an object text ends, by its /Length, as an index into the
// text; -1 when that cannot be told from the text (the parser then decides). Reading the
// dictionary as text is much cheaper than parsing the object, and the copy pass asks this of
// every stream of the document.
int64_t streamDataEndInText(const std::string& text, CPdfXRef* xref) {
    size_t start = 0;
    int64_t length = storedStreamLength(text, xref, &start);
    // A length beyond the text cannot end inside it (and must not overflow the sum below).
    if (length < 0 || length > static_cast<int64_t>(text.size())) return -1;
    return static_cast<int64_t>(start) + length;
}

}  // namespace

// True when the text starts (after white space) with the number num, as "num gen obj" does.
// A cross-reference entry that points at another object must not pass that object off as num.
static bool headerNamesObject(const std::string& text, int num) {
    size_t i = 0;
    while (i < text.size() && isTextWhite(static_cast<unsigned char>(text[i]))) i++;
    long long value = 0;
    size_t digits = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9' && digits < 12; i++, digits++) {
        value = value * 10 + (text[i] - '0');
    }
    return digits > 0 && value == num;
}

bool getObjectText(FILE* file, int num, CPdfDocument& doc, std::string& text) {
    if (!getStoredObjectText(file, num, doc, text)) return false;
    CPdfXRef* xref = doc.getXRef();
    if (xref->isEncrypted(num)) {
        size_t dataStart = 0;
        int64_t length = storedStreamLength(text, xref, &dataStart);
        text = decryptObjectText(*xref->getSecurity(), num, xref->getEntry(num).gen, text, length);
    }
    return true;
}

bool getStoredObjectText(FILE* file, int num, CPdfDocument& doc, std::string& text) {
    CPdfXRef* xref = doc.getXRef();
    if (!xref || num < 0 || num >= xref->getNumObjects()) return false;
    const CPdfXRefEntry entry = xref->getEntry(num);
    // An object the entry promises is never passed over without a word: its loss would show
    // only as a blank page or a missing font in the output.
    auto unreadable = [xref, num, &entry](const std::string& reason) {
        if (xref->mayBeUnreadable(num)) return false;
        int gen = entry.type == xrefCompressed ? 0 : entry.gen;
        throw unreadableObject(num, gen, reason);
    };
    const long long offset = entry.offset;

    if (entry.type == xrefFree) return false;
    if (entry.type == xrefCompressed) {
        if (!compressedObjectText(*xref, num, entry, text)) {
            return unreadable(formatText("object stream %lld does not hold it", offset));
        }
        return true;
    }

    int64_t start = xref->getHeaderOffset() + entry.offset;
    if (entry.offset < 0 || start < 0 || start >= xref->getFileSize()) {
        return unreadable(formatText("its offset %lld lies outside the file", offset));
    }
    std::string found;
    if (!readThroughEndobj(file, start, start, xref->getFileSize(), found)) {
        return unreadable("no \"endobj\" follows it");
    }
    if (!headerNamesObject(found, num)) {
        return unreadable(
            formatText("its offset %lld does not point at \"%d %d obj\"", offset, num, entry.gen));
    }

    // Stream data may hold the bytes "endobj" (an uncompressed embedded PDF, say). For a
    // stream whose /Length checks out, the object ends at the first "endobj" after its data.
    if (findPattern(found.data(), 0, found.size(), "stream", 6) != 0) {
        int64_t endobjIndex = static_cast<int64_t>(found.rfind(kEndobj));
        int64_t textDataEnd = streamDataEndInText(found, xref);
        if (textDataEnd >= 0 && textDataEnd <= endobjIndex) {
            text.swap(found);
            return true;
        }
        try {
            CPdfObject obj = xref->fetchObject(num, entry.gen);
            if (obj.isStream()) {
                int64_t dataEnd = obj.getStream()->getStart() + obj.getStream()->getLength();
                int64_t endobjStart = start + static_cast<int64_t>(found.rfind(kEndobj));
                if (dataEnd > endobjStart) {
                    std::string longer;
                    if (readThroughEndobj(file, start, dataEnd, xref->getFileSize(), longer))
                        found.swap(longer);
                }
            }
        } catch (const CPdfException&) {
            // A stream the parser rejects keeps the text up to the first "endobj".
        }
    }
    text.swap(found);
    return true;
}

size_t findPattern(const char* buffer, size_t from, size_t to, const char* pattern,
                   size_t patternLength) {
    if (patternLength == 0 || to < from || to - from < patternLength) return 0;
    const char* begin = buffer + from;
    const char* end = buffer + to;
    const char* hit = std::search(begin, end, pattern, pattern + patternLength);
    if (hit == end) return 0;
    return static_cast<size_t>(hit - buffer) + patternLength - 1;
}

bool compressedObjectText(CPdfXRef& xref, int num, const CPdfXRefEntry& entry, std::string& text) {
    std::string bytes;
    if (entry.type != xrefCompressed || entry.offset <= 0 || entry.offset > INT_MAX ||
        !xref.getCompressedMemberBytes(static_cast<int>(entry.offset), entry.gen, num, bytes)) {
        return false;
    }
    text = intText(num) + " 0 obj\r" + bytes + " endobj\r";
    return true;
}

int64_t fetchStreamLength(CPdfXRef& xref, int num, int gen) {
    try {
        CPdfObject length = xref.fetchObject(num, gen);
        if (length.isInt() && length.getInt64() >= 0) return length.getInt64();
    } catch (const CPdfException&) {
        // An unreadable length object: the caller finds the data's end another way.
    }
    return -1;
}

bool scanStoredObject(CPdfXRef& xref, FILE* file, int num, int64_t limit, RawObject& obj) {
    if (num <= 0 || num >= xref.getNumObjects()) return false;
    const CPdfXRefEntry entry = xref.getEntry(num);
    if (entry.type == xrefCompressed) {
        // The wrapped text scans like a plain object. A stream cannot be compressed, so "stream"
        // in a member means damage.
        std::string text;
        if (!compressedObjectText(xref, num, entry, text)) return false;
        ByteSource source(std::move(text));
        return scanRawObject(source, num, false, nullptr, obj);
    }
    if (entry.type != xrefUncompressed || entry.offset < 0) return false;
    int64_t start = xref.getHeaderOffset() + entry.offset;
    if (start < 0 || start >= xref.getFileSize()) return false;
    ByteSource source(file, start, limit);
    auto resolveLength = [&xref](int lengthNum, int lengthGen) {
        return fetchStreamLength(xref, lengthNum, lengthGen);
    };
    return scanRawObject(source, num, true, resolveLength, obj);
}
