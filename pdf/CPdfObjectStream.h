// Object streams: the members of one compressed object stream, parsed or as raw bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "pdf/CPdfObject.h"

class CPdfXRef;

// The raw view: the decoded data of an object stream and its offset table, so that the bytes
// of one member can be handed out. A stream that is missing, not a stream, or has a bad /N,
// /First or offset table gives an empty view (no members).
class CPdfObjectStreamData {
  public:
    CPdfObjectStreamData(CPdfXRef* xref, int streamNum);

    int getStreamNum() const { return streamNum_; }
    int getCount() const { return static_cast<int>(nums_.size()); }
    // The object number the offset table records for member index (0 when out of range).
    int getMemberNum(int index) const;
    // The member's object text without any "obj"/"endobj" wrapper, when index is in range and
    // the member holds object num; false otherwise (also for a member whose offsets are bad).
    bool getBytes(int index, int num, std::string& bytes) const;
    // Where member index lies in getData(); false when its offsets are out of order or range.
    bool getSlice(int index, size_t* start, size_t* length) const;
    const std::string& getData() const { return data_; }

    // The decoded bytes this view holds, for bounding a cache of views by memory.
    size_t getByteSize() const { return data_.size(); }

  private:
    // A member runs to the next member's offset, and the last one to the end of the data, which
    // may hold anything after its value: hundreds of megabytes of padding would be written out
    // with it. A member longer than kLongMember ends after its value and at most kKeptSpace
    // bytes of the white space that follows; shorter ones are kept as they are.
    static constexpr size_t kLongMember = 4096;
    static constexpr size_t kKeptSpace = 256;
    size_t valueLength(size_t start, size_t length) const;

    int streamNum_;
    std::vector<int> nums_;
    std::vector<int64_t> offsets_;  // relative to first_
    int64_t first_ = 0;
    std::string data_;
};

// The parsed view: every member of an object stream parsed once, for fetchObject.
class CPdfObjectStream {
  public:
    CPdfObjectStream(CPdfXRef* xref, int streamNum);

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
