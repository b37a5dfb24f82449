// Object streams: decodes one object stream, reads its offset table and parses or slices members.
#include "pdf/CPdfObjectStream.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "pdf/CPdfException.h"
#include "pdf/CPdfMemoryStream.h"
#include "pdf/CPdfParser.h"
#include "pdf/CPdfXRef.h"
#include "pdf/FormatText.h"
#include "pdf/PdfSyntax.h"
#include "pdf/PdfTextScan.h"
#include "pdf/StreamFilters.h"

namespace {

// Object streams hold only small objects; a stream that inflates beyond this is treated as
// damaged rather than allowed to take the memory a compression bomb asks for.
constexpr size_t kMaxDecodedBytes = size_t{256} << 20;

// An Int entry of the stream dictionary, resolved; false when absent or of another kind.
bool lookupInt(const CPdfObject& stream, const char* key, int* value) {
    CPdfDict* dict = stream.getDictOrStreamDict();
    if (!dict) return false;
    CPdfObject found = dict->lookup(key);
    if (!found.isInt()) return false;
    *value = found.getInt();
    return true;
}

// The offset table, the run of (number, offset) pairs before first; false when it is bad.
// Fills nothing when it fails.
bool readOffsetTable(const std::string& data, int count, int64_t first, std::vector<int>& nums,
                     std::vector<int64_t>& offsets) {
    std::vector<int> readNums;
    std::vector<int64_t> readOffsets;
    size_t tableEnd = std::min(data.size(), static_cast<size_t>(first));
    CPdfParser parser(nullptr, std::make_shared<CPdfMemoryStream>(data.substr(0, tableEnd)));
    for (int i = 0; i < count; i++) {
        CPdfObject num = parser.nextObject();
        CPdfObject offset = parser.nextObject();
        if (!num.isInt() || !offset.isInt()) return false;
        readNums.push_back(num.getInt());
        readOffsets.push_back(offset.getInt());
    }
    nums = std::move(readNums);
    offsets = std::move(readOffsets);
    return true;
}

}  // namespace

CPdfObjectStreamData::CPdfObjectStreamData(CPdfXRef* xref, int streamNum, size_t maxDecoded)
    : streamNum_(streamNum) {
    CPdfObject stream = xref->fetchObject(streamNum, 0);
    if (!stream.isStream()) return;
    int count = 0, first = 0;
    if (!lookupInt(stream, "N", &count) || count <= 0) return;
    if (!lookupInt(stream, "First", &first) || first < 0) return;
    first_ = first;

    // Decoded only as far as the members go: a stream may inflate to far more than it holds
    // (padding after its last member). From a first window on, each time the data has grown
    // fourfold it is checked whether the members are all in it.
    std::string data;
    CPdfStream& source = *stream.getStream();
    source.reset();
    uint8_t chunk[65536];
    size_t checkAt = static_cast<size_t>(first) + (size_t{1} << 20);
    for (;;) {
        size_t got = source.getBytes(chunk, sizeof chunk);
        data.append(reinterpret_cast<const char*>(chunk), got);
        decodedSize_ = data.size();
        if (data.size() > maxDecoded && maxDecoded < kMaxDecodedBytes) {
            throw CPdfException(formatText(
                "PDF file was damaged: object stream %d inflates beyond what the file can hold",
                streamNum));
        }
        if (data.size() > kMaxDecodedBytes) return;
        if (got < sizeof chunk) break;  // the whole stream
        if (data.size() < checkAt) continue;
        checkAt = data.size() * 4;
        if (nums_.empty() && !readOffsetTable(data, count, first_, nums_, offsets_)) return;
        if (prefixIsEnough(data)) break;
    }
    if (nums_.empty() && !readOffsetTable(data, count, first_, nums_, offsets_)) return;

    for (size_t i = 0; i < nums_.size(); i++) {
        size_t start = 0, length = 0;
        bool valid = slice(data, i, &start, &length);
        if (valid && length > kLongMember) length = valueLength(data, start, length);
        members_.push_back(valid ? data.substr(start, length) : std::string());
        valid_.push_back(valid);
        byteSize_ += length;
    }
}

int CPdfObjectStreamData::getMemberNum(int index) const {
    if (index < 0 || index >= getCount()) return 0;
    return nums_[static_cast<size_t>(index)];
}

bool CPdfObjectStreamData::slice(const std::string& data, size_t i, size_t* start,
                                 size_t* length) const {
    int64_t size = static_cast<int64_t>(data.size());
    int64_t begin = first_ + offsets_[i];
    // A member runs to the next one's offset; the last one to the end of the data.
    int64_t end = i + 1 < offsets_.size() ? first_ + offsets_[i + 1] : size;
    if (offsets_[i] < 0 || begin > size || end < begin) return false;
    end = std::min(end, size);
    *start = static_cast<size_t>(begin);
    *length = static_cast<size_t>(end - begin);
    return true;
}

bool CPdfObjectStreamData::prefixIsEnough(const std::string& data) const {
    // Every offset lies in the prefix, so each member but the last ends where it would.
    int64_t furthest = 0;
    for (int64_t offset : offsets_) furthest = std::max(furthest, offset);
    if (first_ + furthest > static_cast<int64_t>(data.size())) return false;
    // The last member is long already and its value and kept space end inside the prefix.
    size_t start = 0, length = 0;
    if (!slice(data, offsets_.size() - 1, &start, &length) || length <= kLongMember) return false;
    return start + valueLength(data, start, length) < data.size();
}

bool CPdfObjectStreamData::getBytes(int index, int num, std::string& bytes) const {
    if (getMemberNum(index) != num || !valid_[static_cast<size_t>(index)]) return false;
    bytes = members_[static_cast<size_t>(index)];
    return true;
}

size_t CPdfObjectStreamData::valueLength(const std::string& data, size_t start, size_t length) {
    size_t valueEnd = findValueEnd(data, start);
    if (valueEnd == kNoPos || valueEnd > start + length) return length;
    size_t end = valueEnd;
    while (end < start + length && end - valueEnd < kKeptSpace &&
           isTextWhite(static_cast<unsigned char>(data[end]))) {
        end++;
    }
    return end - start;
}

CPdfObjectStream::CPdfObjectStream(CPdfXRef* xref, const CPdfObjectStreamData& data)
    : streamNum_(data.getStreamNum()) {
    byteSize_ = data.getByteSize();
    for (int i = 0; i < data.getCount(); i++) {
        CPdfObject member = CPdfObject::makeNull();
        int memberNum = -1;
        std::string bytes;
        if (data.getBytes(i, data.getMemberNum(i), bytes)) {
            CPdfParser parser(xref, std::make_shared<CPdfMemoryStream>(std::move(bytes)));
            member = parser.nextObject();
            memberNum = data.getMemberNum(i);
        }
        nums_.push_back(memberNum);
        members_.push_back(std::move(member));
    }
}

bool CPdfObjectStream::holds(int index, int num) const {
    return index >= 0 && index < getCount() && nums_[static_cast<size_t>(index)] == num;
}

CPdfObject CPdfObjectStream::getObject(int index, int num) const {
    if (!holds(index, num)) return CPdfObject::makeNull();
    return members_[static_cast<size_t>(index)];
}
