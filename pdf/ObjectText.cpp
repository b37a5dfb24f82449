// Raw object text: an object's bytes as stored in the file or its object stream, and byte searches.
#include "pdf/ObjectText.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <vector>

#include "pdf/CPdfDocument.h"
#include "pdf/CPdfException.h"
#include "pdf/FormatText.h"
#include "pdf/PdfTextScan.h"

namespace {

// Files are read in blocks that start small (most objects are short) and grow to 64 KiB, so
// that neither many small objects nor one long search costs more reading than it needs.
constexpr size_t kFirstBlock = 4 * 1024;
constexpr size_t kLargestBlock = 64 * 1024;
const char kEndobj[] = "endobj";
constexpr size_t kEndobjLength = sizeof kEndobj - 1;

// Reads the file from start through the first "endobj" that begins at or after searchFrom,
// plus the one byte after it when there is one. False when no such "endobj" exists.
bool readThroughEndobj(FILE* file, int64_t start, int64_t searchFrom, std::string& out) {
    out.clear();
    if (start < 0 || fseeko(file, static_cast<off_t>(start), SEEK_SET) != 0) return false;
    size_t searchIndex = static_cast<size_t>(std::max<int64_t>(0, searchFrom - start));
    std::vector<char> block(kFirstBlock);
    for (;;) {
        size_t got = fread(block.data(), 1, block.size(), file);
        out.append(block.data(), got);
        if (out.size() >= searchIndex + kEndobjLength) {
            size_t found = out.find(kEndobj, searchIndex, kEndobjLength);
            if (found != std::string::npos) {
                size_t end = found + kEndobjLength + 1;
                if (out.size() < end) {
                    int next = fgetc(file);
                    if (next != EOF) out += static_cast<char>(next);
                }
                out.resize(std::min(out.size(), end));
                return true;
            }
            // The next search starts where a match split across blocks could begin.
            searchIndex = out.size() - (kEndobjLength - 1);
        }
        if (got < block.size()) return false;
        if (block.size() < kLargestBlock) block.resize(block.size() * 2);
    }
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

// Where the data of the stream in an object text ends, by its /Length, as an index into the
// text; -1 when that cannot be told from the text (the parser then decides). Reading the
// dictionary as text is much cheaper than parsing the object, and the copy pass asks this of
// every stream of the document.
int64_t streamDataEndInText(const std::string& text, CPdfXRef* xref) {
    DictText dict;
    if (!parseObjectDict(text, dict)) return -1;
    TextToken keyword = nextTextToken(text, dict.close + 2);
    if (keyword.kind != TextTokenKind::Keyword || keyword.end - keyword.begin != 6 ||
        text.compare(keyword.begin, 6, "stream") != 0) {
        return -1;
    }
    const DictTextEntry* lengthEntry = dict.find("Length");
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
        CPdfObject value = xref->fetchObject(static_cast<int>(num), static_cast<int>(gen));
        if (!value.isInt() || value.getInt64() < 0) return -1;
        length = value.getInt64();
    }
    // A length beyond the text cannot end inside it (and must not overflow the sum below).
    if (length < 0 || length > static_cast<int64_t>(text.size())) return -1;
    // The data starts on the line after the keyword, as the parser skips to it.
    size_t i = keyword.end;
    while (i < text.size() && text[i] != '\n' && text[i] != '\r') i++;
    if (i >= text.size()) return -1;
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') i++;
    return static_cast<int64_t>(i + 1) + length;
}

}  // namespace

// True when the text starts (after white space) with the number num, as "num gen obj" does.
// A cross-reference entry that points at another object must not pass that object off as num.
static bool headerNamesObject(const std::string& text, int num) {
    size_t i = 0;
    while (i < text.size() && std::strchr(" \t\r\n\f", text[i]) && text[i] != '\0') i++;
    long long value = 0;
    size_t digits = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9' && digits < 12; i++, digits++) {
        value = value * 10 + (text[i] - '0');
    }
    return digits > 0 && value == num;
}

bool getObjectText(FILE* file, int num, CPdfDocument& doc, std::string& text) {
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
        std::string bytes;
        if (entry.offset <= 0 || entry.offset > INT_MAX ||
            !xref->getCompressedMemberBytes(static_cast<int>(entry.offset), entry.gen, num,
                                            bytes)) {
            return unreadable(formatText("object stream %lld does not hold it", offset));
        }
        text = formatText("%d", num) + " 0 obj\r" + bytes + " endobj\r";
        return true;
    }

    int64_t start = xref->getHeaderOffset() + entry.offset;
    if (entry.offset < 0 || start < 0 || start >= xref->getFileSize()) {
        return unreadable(formatText("its offset %lld lies outside the file", offset));
    }
    std::string found;
    if (!readThroughEndobj(file, start, start, found)) {
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
        int64_t textDataEnd = -1;
        try {
            textDataEnd = streamDataEndInText(found, xref);
        } catch (const CPdfException&) {
            textDataEnd = -1;
        }
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
                    if (readThroughEndobj(file, start, dataEnd, longer)) found.swap(longer);
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
