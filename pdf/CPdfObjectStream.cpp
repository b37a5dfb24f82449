// Object streams: decodes one object stream, reads its offset table and parses or slices members.
#include "pdf/CPdfObjectStream.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "pdf/CPdfMemoryStream.h"
#include "pdf/CPdfParser.h"
#include "pdf/CPdfXRef.h"
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

bool decodeAll(const CPdfObject& stream, std::string& data) {
    std::vector<uint8_t> bytes = readStreamBytes(*stream.getStream(), kMaxDecodedBytes + 1);
    if (bytes.size() > kMaxDecodedBytes) return false;
    data.assign(bytes.begin(), bytes.end());
    return true;
}

}  // namespace

CPdfObjectStreamData::CPdfObjectStreamData(CPdfXRef* xref, int streamNum) : streamNum_(streamNum) {
    CPdfObject stream = xref->fetchObject(streamNum, 0);
    if (!stream.isStream()) return;
    if (!decodeAll(stream, data_)) return;
    int count = 0, first = 0;
    if (!lookupInt(stream, "N", &count) || count <= 0) return;
    if (!lookupInt(stream, "First", &first) || first < 0) return;
    first_ = first;

    // The offset table is the run of (number, offset) pairs before /First.
    size_t tableEnd = std::min(data_.size(), static_cast<size_t>(first));
    CPdfParser parser(nullptr, std::make_shared<CPdfMemoryStream>(data_.substr(0, tableEnd)));
    std::vector<int> nums;
    std::vector<int64_t> offsets;
    for (int i = 0; i < count; i++) {
        CPdfObject num = parser.nextObject();
        CPdfObject offset = parser.nextObject();
        if (!num.isInt() || !offset.isInt()) return;
        nums.push_back(num.getInt());
        offsets.push_back(offset.getInt());
    }
    nums_ = std::move(nums);
    offsets_ = std::move(offsets);
}

int CPdfObjectStreamData::getMemberNum(int index) const {
    if (index < 0 || index >= getCount()) return 0;
    return nums_[static_cast<size_t>(index)];
}

bool CPdfObjectStreamData::getSlice(int index, size_t* start, size_t* length) const {
    if (index < 0 || index >= getCount()) return false;
    size_t i = static_cast<size_t>(index);
    int64_t size = static_cast<int64_t>(data_.size());
    int64_t begin = first_ + offsets_[i];
    // A member runs to the next one's offset; the last one to the end of the data.
    int64_t end = i + 1 < offsets_.size() ? first_ + offsets_[i + 1] : size;
    if (offsets_[i] < 0 || begin > size || end < begin) return false;
    end = std::min(end, size);
    *start = static_cast<size_t>(begin);
    *length = static_cast<size_t>(end - begin);
    return true;
}

bool CPdfObjectStreamData::getBytes(int index, int num, std::string& bytes) const {
    if (getMemberNum(index) != num) return false;
    size_t start = 0, length = 0;
    if (!getSlice(index, &start, &length)) return false;
    if (length > kLongMember) length = valueLength(start, length);
    bytes.assign(data_, start, length);
    return true;
}

size_t CPdfObjectStreamData::valueLength(size_t start, size_t length) const {
    size_t valueEnd = findValueEnd(data_, start);
    if (valueEnd == kNoPos || valueEnd > start + length) return length;
    size_t end = valueEnd;
    while (end < start + length && end - valueEnd < kKeptSpace &&
           isTextWhite(static_cast<unsigned char>(data_[end]))) {
        end++;
    }
    return end - start;
}

CPdfObjectStream::CPdfObjectStream(CPdfXRef* xref, int streamNum) : streamNum_(streamNum) {
    CPdfObjectStreamData data(xref, streamNum);
    byteSize_ = data.getByteSize();
    for (int i = 0; i < data.getCount(); i++) {
        size_t start = 0, length = 0;
        CPdfObject member = CPdfObject::makeNull();
        int memberNum = -1;
        if (data.getSlice(i, &start, &length)) {
            CPdfParser parser(
                xref, std::make_shared<CPdfMemoryStream>(data.getData().substr(start, length)));
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
