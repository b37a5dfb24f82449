// The output file's frame: the header copied from the input, the cross-reference table and trailer.
#include "writer/XRefWriter.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "pdf/CPdfException.h"
#include "pdf/FormatText.h"

namespace {

// A ten-digit offset field holds at most this value.
constexpr int64_t kMaxTableOffset = 9999999999LL;

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

// A header for an input without any plainly stored object: its own version line when it has a
// readable one, then a comment of high bytes that marks the file as binary.
std::string fallbackHeader(FILE* input, int64_t headerOffset) {
    std::string start;
    readInput(input, headerOffset, 16,
              [&start](const char* bytes, size_t length) { start.append(bytes, length); });
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
    return "%PDF-" + version + "\n%\xE2\xE3\xCF\xD3\n";
}

int outputGeneration(const WriteContext& ctx, int num) {
    return ctx.offsets.isWritten(num) ? ctx.offsets.at(num).gen : 0;
}

}  // namespace

void writeHeader(WriteContext& ctx) {
    CPdfXRef* xref = ctx.xref();
    // The first plainly stored object marks where the header ends.
    int64_t candidate = -1;
    for (int num = 1; num < xref->getNumObjects(); num++) {
        const CPdfXRefEntry& entry = xref->getEntry(num);
        if (entry.type != xrefUncompressed) continue;
        if (candidate < 0 || (entry.offset != 0 && entry.offset < candidate))
            candidate = entry.offset;
    }
    int64_t headerOffset = xref->getHeaderOffset();
    if (candidate < 0) {
        ctx.out.write(fallbackHeader(ctx.input, headerOffset));
        return;
    }
    // Offsets count from the "%PDF-" line, so the copy starts there too: junk before it is left
    // out and the bytes before the first object are copied whole.
    int64_t available = xref->getFileSize() - headerOffset;
    if (candidate > available) candidate = available;
    readInput(ctx.input, headerOffset, candidate,
              [&ctx](const char* bytes, size_t length) { ctx.out.write(bytes, length); });
}

int64_t writeXRefTable(WriteContext& ctx) {
    int64_t start = ctx.out.position();
    int size = ctx.offsets.size();
    std::string table = formatText("xref\n0 %d\r", size);
    table += "0000000000 65535 f \r";
    // Written in pieces: the table of a large document need not be held whole.
    constexpr size_t kFlushAt = 64 * 1024;
    table.reserve(kFlushAt + 64);
    for (int num = 1; num < size; num++) {
        const OffsetEntry& entry = ctx.offsets.at(num);
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
            ctx.out.write(table);
            table.clear();
        }
    }
    ctx.out.write(table);
    return start;
}

void writeTrailer(WriteContext& ctx, int64_t xrefStart, int rootNum, int infoNum) {
    std::string trailer = formatText("trailer\n<<\n/Size %d", ctx.offsets.size());
    // References carry the generation the objects were written with.
    trailer += formatText("\n/Root %d %d R\n", rootNum, outputGeneration(ctx, rootNum));
    if (infoNum != 0)
        trailer += formatText("/Info %d %d R\n", infoNum, outputGeneration(ctx, infoNum));
    trailer += formatText(">>\nstartxref\n%lld", static_cast<long long>(xrefStart));
    trailer += "\n%%EOF";
    ctx.out.write(trailer);
}
