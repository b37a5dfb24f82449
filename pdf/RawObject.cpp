// Scans a stored object for its end and its references, stepping over stream data by /Length.
#include "pdf/RawObject.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "pdf/PdfTextScan.h"

namespace {

// The value of a run of decimal digits, or -1 when it is not one or exceeds limit.
int64_t digitsValue(const std::string& data, size_t start, size_t end, int64_t limit) {
    if (start >= end) return -1;
    int64_t value = 0;
    for (size_t i = start; i < end; i++) {
        char c = data[i];
        if (c < '0' || c > '9') return -1;
        // Checked before multiplying: twenty digits would overflow a signed 64-bit number.
        if (value > (limit - (c - '0')) / 10) return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

// The stream's /Length as its dictionary states it, resolved when it is a reference; -1 when
// it cannot be told.
int64_t statedLength(const std::string& data, const std::vector<TextReference>& refs,
                     const LengthResolver& resolveLength) {
    DictText dict;
    if (!parseObjectDict(data, dict)) return -1;
    const DictEntry* entry = dict.find("Length");
    if (!entry) return -1;
    TextToken value = nextTextToken(data, entry->valueBegin);
    if (value.end == entry->valueEnd && isDigitsToken(data, value)) {
        return digitsValue(data, value.begin, value.end, INT64_MAX / 4);
    }
    for (const TextReference& ref : refs) {
        if (ref.start != entry->valueBegin || ref.end != entry->valueEnd) continue;
        if (ref.num < 0 || ref.gen < 0 || !resolveLength) return -1;
        return resolveLength(ref.num, ref.gen);
    }
    return -1;
}

// Where "endstream" follows stream data that starts at dataStart: after /Length bytes and white
// space, else the first "endstream" after the data's start; npos when there is none.
size_t findEndstream(ByteSource& source, size_t dataStart, int64_t length) {
    std::string& data = source.data();
    if (length >= 0) {
        size_t at = dataStart + static_cast<size_t>(length);
        int c;
        while ((c = source.at(at)) >= 0 && isWhiteByte(c)) at++;
        if (source.ensure(at + 9) && data.compare(at, 9, "endstream") == 0) return at;
    }
    // A /Length that does not lead to "endstream": take the first "endstream".
    return source.find("endstream", 9, dataStart);
}

// A token just scanned: whether it is plain digits (half of a possible reference), and where.
struct RecentToken {
    bool digits = false;
    size_t begin = 0;
    size_t end = 0;
};

}  // namespace

bool RawObject::dictContains(const char* pattern) const {
    size_t length = std::strlen(pattern);
    auto begin = text.begin() + static_cast<std::ptrdiff_t>(bodyStart);
    auto end = text.begin() + static_cast<std::ptrdiff_t>(dictEnd);
    return std::search(begin, end, pattern, pattern + length) != end;
}

bool scanRawObject(ByteSource& source, int expectedNum, bool allowStream,
                   const LengthResolver& resolveLength, RawObject& out) {
    out = RawObject();
    std::string& data = source.data();
    // Some writers record the offset of the line end before the object; tolerate white space.
    TextToken numToken = scanTextToken(source, 0);
    TextToken genToken = scanTextToken(source, numToken.end);
    TextToken objToken = scanTextToken(source, genToken.end);
    int64_t num = digitsValue(data, numToken.begin, numToken.end, INT_MAX);
    int64_t gen = digitsValue(data, genToken.begin, genToken.end, 65535);
    if (num != expectedNum || gen < 0 || !isKeywordToken(data, objToken, "obj")) return false;
    const size_t base = numToken.begin;
    out.num = static_cast<int>(num);
    out.gen = static_cast<int>(gen);
    out.bodyStart = objToken.end;

    int depth = 0;
    RecentToken last, beforeLast;
    size_t pos = objToken.end;
    for (;;) {
        TextToken token = scanTextToken(source, pos);
        if (token.kind == TextTokenKind::End || !token.closed) return false;
        pos = token.end;
        if (token.kind == TextTokenKind::Keyword) {
            if (isKeywordToken(data, token, "endobj")) {
                out.dictEnd = token.begin;
                out.endobjStart = token.begin;
                break;
            }
            if (isKeywordToken(data, token, "stream")) {
                if (!allowStream) return false;
                out.dictEnd = token.begin;
                out.isStream = true;
                size_t dataStart = streamDataStart(source, token.end);
                if (dataStart == kNoPos) dataStart = token.end;
                int64_t length = statedLength(data, out.refs, resolveLength);
                size_t endstream = findEndstream(source, dataStart, length);
                if (endstream == std::string::npos) return false;
                if (length >= 0 && dataStart + static_cast<size_t>(length) <= endstream)
                    out.dataLength = length;
                token = scanTextToken(source, endstream + 9);
                if (!isKeywordToken(data, token, "endobj")) return false;
                out.endobjStart = token.begin;
                break;
            }
            if (isKeywordToken(data, token, "obj") || isKeywordToken(data, token, "endstream"))
                return false;
            if (isKeywordToken(data, token, "R") && last.digits && beforeLast.digits) {
                TextReference ref;
                ref.start = beforeLast.begin;
                ref.numEnd = beforeLast.end;
                ref.genStart = last.begin;
                ref.genEnd = last.end;
                ref.end = token.end;
                ref.num = static_cast<int>(digitsValue(data, ref.start, ref.numEnd, INT_MAX));
                ref.gen = static_cast<int>(digitsValue(data, ref.genStart, ref.genEnd, 65535));
                out.refs.push_back(ref);
                last = beforeLast = RecentToken();
                continue;
            }
        }
        if (token.kind == TextTokenKind::DictOpen || token.kind == TextTokenKind::ArrayOpen) {
            if (++depth > kMaxNesting) return false;
        } else if (token.kind == TextTokenKind::DictClose ||
                   token.kind == TextTokenKind::ArrayClose) {
            depth = std::max(0, depth - 1);
        }
        beforeLast = last;
        last = RecentToken{isDigitsToken(data, token), token.begin, token.end};
    }

    size_t end = out.endobjStart + 6;
    int after = source.at(end);
    if (after == '\r' || after == '\n') out.lineEnd = static_cast<char>(after);
    data.resize(end);
    if (base > 0) {
        data.erase(0, base);
        out.bodyStart -= base;
        out.dictEnd -= base;
        out.endobjStart -= base;
        for (TextReference& ref : out.refs) {
            ref.start -= base;
            ref.numEnd -= base;
            ref.genStart -= base;
            ref.genEnd -= base;
            ref.end -= base;
        }
    }
    out.text = std::move(data);
    return true;
}
