// Object streams: the members of one compressed object stream, parsed or as raw bytes.
#pragma once

#include <climits>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "pdf/CPdfObject.h"

class CPdfXRef;

// The raw view: the bytes of each member of an object stream, so that one member can be handed
// out. A stream that is missing, not a stream, or has a bad /N, /First or offset table gives an
// empty view (no members). Only the members' bytes are kept, not the stream's data: padding
// between or after them costs nothing once the view is built.
class CPdfObjectStreamData {
  public:
    // Throws CPdfException when the stream decodes to more than maxDecoded bytes before its
    // members are all read (the decoding budget its document has left).
    CPdfObjectStreamData(CPdfXRef* xref, int streamNum, size_t maxDecoded = SIZE_MAX);

    int getStreamNum() const { return streamNum_; }
    int getCount() const { return static_cast<int>(nums_.size()); }
    // The object number the offset table records for member index (0 when out of range).
    int getMemberNum(int index) const;
    // The member's object text without any "obj"/"endobj" wrapper, when index is in range and
    // the member holds object num; false otherwise (also for a member whose offsets are bad).
    bool getBytes(int index, int num, std::string& bytes) const;

    // The bytes this view holds, for bounding a cache of views by memory.
    size_t getByteSize() const { return byteSize_; }
    // The bytes decoded to build it.
    size_t getDecodedSize() const { return decodedSize_; }

  private:
    // A member runs to the next member's offset, and the last one to the end of the data, which
    // may hold anything after its value: hundreds of megabytes of padding would be written out
    // with it. A member longer than kLongMember ends after its value and at most kKeptSpace
    // bytes of the white space that follows; shorter ones are kept as they are.
    static constexpr size_t kLongMember = 4096;
    static constexpr size_t kKeptSpace = 256;
    // Where member index of data lies ([start, start + length)); false when its offsets are out
    // of order or range.
    bool slice(const std::string& data, size_t index, size_t* start, size_t* length) const;
    static size_t valueLength(const std::string& data, size_t start, size_t length);
    // Whether data, a prefix of the decoded stream, already gives every member the bytes the
    // whole data would give it.
    bool prefixIsEnough(const std::string& data) const;

    int streamNum_;
    std::vector<int> nums_;
    std::vector<int64_t> offsets_;  // relative to first_
    int64_t first_ = 0;
    std::vector<std::string> members_;
    std::vector<bool> valid_;  // whether the member's offsets gave it bytes
    size_t byteSize_ = 0;
    size_t decodedSize_ = 0;
};

// The parsed view: every member of an object stream parsed once, for fetchObject; xref resolves
// what parsing needs (indirect lengths of nothing, but the parser takes it).
class CPdfObjectStream {
  public:
    CPdfObjectStream(CPdfXRef* xref, const CPdfObjectStreamData& data);

    int getStreamNum() const { return streamNum_; }
    int getCount() const { return static_cast<int>(nums_.size()); }
    // Whether member index is object num and its bytes could be had.
    bool holds(int index, int num) const;
    // A copy of member index when it holds object num; Null otherwise.
    CPdfObject getObject(int index, int num) const;

    // The decoded bytes the members were parsed from, a measure of the memory they take.
    size_t getByteSize() const { return byteSize_; }

  private:
    int streamNum_;
    std::vector<int> nums_;  // -1 for a member whose bytes cannot be had
    std::vector<CPdfObject> members_;
    size_t byteSize_ = 0;
};
