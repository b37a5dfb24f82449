// The output file's frame: the header, the cross-reference table and the trailer.
#include "writer/XRefWriter.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "pdf/CPdfException.h"
#include "pdf/FormatText.h"
#include "pdf/ValueText.h"

namespace {

// A ten-digit offset field holds at most this value.
constexpr int64_t kMaxTableOffset = 9999999999LL;
// The header lines of a joined file are looked for in this many bytes of the first input.
constexpr int64_t kMaxHeaderBytes = 4096;

// Hands length bytes of the input from offset to sink in pieces; fewer at the end of the file.
template <typename Sink>
void readInput(FILE* input, int64_t offset, int64_t length, Sink sink) {
    if (length <= 0 || fseeko(input, static_cast<off_t>(offset), SEEK_SET) != 0) return;
    char buffer[65536];
    int64_t done = 0;
    while (done < length) {
        size_t want = static_cast<size_t>(
            std::min<int64_t>(static_cast<int64_t>(sizeof buffer), length - done));
        size_t got = std::fread(buffer, 1, want, input);
        sink(buffer, got);
        done += static_cast<int64_t>(got);
        if (got < want) return;
    }
}

// The header of a file without a usable one of its own: the version line, then a comment of high
// bytes that marks the file as binary.
std::string binaryHeader(const std::string& version) {
    return "%PDF-" + version + "\n%\xE2\xE3\xCF\xD3\n";
}

std::string readHead(FILE* input, int64_t headerOffset, int64_t length) {
    std::string head;
    readInput(input, headerOffset, length,
              [&head](const char* bytes, size_t count) { head.append(bytes, count); });
    return head;
}

// The version an input's header line names, as its text ("1.7"); "1.4" when it names none.
std::string headerVersionText(FILE* input, int64_t headerOffset) {
    std::string start = readHead(input, headerOffset, 16);
    std::string version = "1.4";
    if (start.compare(0, 5, "%PDF-") == 0) {
        std::string digits;
        for (size_t i = 5; i < start.size() && digits.size() < 8; i++) {
            char c = start[i];
            if ((c < '0' || c > '9') && c != '.') break;
            digits += c;
        }
        if (!digits.empty()) version = digits;
    }
    return version;
}

// "%PDF-M.m" at the start of bytes: the version as M * 10 + m, or -1.
int headerVersion(const std::string& bytes) {
    if (bytes.size() < 8 || bytes.compare(0, 5, "%PDF-") != 0 || bytes[6] != '.') return -1;
    if (bytes[5] < '0' || bytes[5] > '9' || bytes[7] < '0' || bytes[7] > '9') return -1;
    return (bytes[5] - '0') * 10 + (bytes[7] - '0');
}

int outputGeneration(const OffsetTable& offsets, int num) {
    return offsets.isWritten(num) ? offsets.at(num).gen : 0;
}

}  // namespace

int64_t firstObjectOffset(CPdfXRef& xref) {
    int64_t first = -1;
    for (int num = 1; num < xref.getNumObjects(); num++) {
        const CPdfXRefEntry& entry = xref.getEntry(num);
        if (entry.type == xrefUncompressed && entry.offset > 0 &&
            (first < 0 || entry.offset < first)) {
            first = entry.offset;
        }
    }
    return first;
}

void writeHeader(WriteContext& ctx) {
    CPdfXRef* xref = ctx.xref();
    int64_t headerOffset = xref->getHeaderOffset();
    int64_t first = firstObjectOffset(*xref);
    if (first < 0) {
        ctx.out.write(binaryHeader(headerVersionText(ctx.input, headerOffset)));
        return;
    }
    // Offsets count from the "%PDF-" line, so the copy starts there too: junk before it is left
    // out and the bytes before the first object are copied whole.
    first = std::min(first, xref->getFileSize() - headerOffset);
    readInput(ctx.input, headerOffset, first,
              [&ctx](const char* bytes, size_t length) { ctx.out.write(bytes, length); });
}

std::string joinedHeaderText(FILE* first, CPdfXRef& firstXref, FILE* second, CPdfXRef& secondXref) {
    std::string head = readHead(first, firstXref.getHeaderOffset(), kMaxHeaderBytes);
    int version = std::max(headerVersion(head),
                           headerVersion(readHead(second, secondXref.getHeaderOffset(), 16)));
    if (version < 0) version = 14;

    // Only the version line and the comment lines right after it: anything else before the
    // first object would be copied into the joined file as junk.
    int64_t firstObject = firstObjectOffset(firstXref);
    size_t limit = firstObject < 0 ? head.size()
                                   : static_cast<size_t>(std::min<int64_t>(
                                         firstObject, static_cast<int64_t>(head.size())));
    std::string header;
    if (headerVersion(head) >= 0) {
        size_t end = 0;
        size_t at = 0;
        while (at < limit && head[at] == '%') {
            size_t eol = at;
            while (eol < limit && head[eol] != '\r' && head[eol] != '\n') eol++;
            if (eol >= limit) break;
            if (head[eol] == '\r' && eol + 1 < limit && head[eol + 1] == '\n') eol++;
            end = at = eol + 1;
        }
        header.assign(head, 0, end);
    }
    if (header.empty()) header = binaryHeader("1.4");
    header[5] = static_cast<char>('0' + version / 10);
    header[7] = static_cast<char>('0' + version % 10);
    return header;
}

void writeXRefTable(const OffsetTable& offsets, const TextSink& write) {
    int size = offsets.size();
    std::string table = formatText("xref\n0 %d\r", size);
    table += "0000000000 65535 f \r";
    constexpr size_t kFlushAt = 64 * 1024;
    table.reserve(kFlushAt + 64);
    for (int num = 1; num < size; num++) {
        const OffsetEntry& entry = offsets.at(num);
        if (!entry.written) {
            table += "0000000000 00000 f \r";
        } else {
            if (entry.offset < 0 || entry.offset > kMaxTableOffset) {
                throw CPdfException(formatText(
                    "\nOutput file too large: object %d lies beyond the 10-digit offset limit\n",
                    num));
            }
            if (entry.gen < 0 || entry.gen > 65535) {
                throw CPdfException(formatText(
                    "\nGeneration number %d of object %d is out of range\n", entry.gen, num));
            }
            appendXRefEntry(table, entry.offset, entry.gen);
        }
        if (table.size() >= kFlushAt) {
            write(table);
            table.clear();
        }
    }
    write(table);
}

int64_t writeXRefTable(WriteContext& ctx) {
    int64_t start = ctx.out.position();
    writeXRefTable(ctx.offsets, [&ctx](const std::string& text) { ctx.out.write(text); });
    return start;
}

std::string trailerText(const OffsetTable& offsets, int64_t xrefStart, int rootNum, int infoNum,
                        const std::string& encryptionEntries) {
    std::string trailer = formatText("trailer\n<<\n/Size %d", offsets.size());
    // References carry the generation the objects were written with.
    trailer += formatText("\n/Root %d %d R\n", rootNum, outputGeneration(offsets, rootNum));
    if (infoNum != 0)
        trailer += formatText("/Info %d %d R\n", infoNum, outputGeneration(offsets, infoNum));
    trailer += encryptionEntries;
    trailer += formatText(">>\nstartxref\n%lld", static_cast<long long>(xrefStart));
    trailer += "\n%%EOF";
    return trailer;
}

void writeTrailer(WriteContext& ctx, int64_t xrefStart, int rootNum, int infoNum) {
    CPdfXRef* xref = ctx.xref();
    ctx.out.write(trailerText(ctx.offsets, xrefStart, rootNum, infoNum,
                              xref ? encryptionTrailerEntries(*xref) : std::string()));
}
