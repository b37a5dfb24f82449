// Per output object number: where it was written, its generation, and whether it was written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct OffsetEntry {
    int64_t offset = 0;
    int gen = 0;
    bool written = false;
};

class OffsetTable {
  public:
    // One zeroed entry per input object number.
    void reset(int size) { entries_.assign(static_cast<size_t>(size), OffsetEntry()); }
    int size() const { return static_cast<int>(entries_.size()); }
    // A number for an object that exists only in the output, recorded at position with generation
    // 0.
    int newObject(int64_t position);
    // Records the write of an existing number; numbers outside the table are ignored.
    void record(int num, int gen, int64_t position);
    const OffsetEntry& at(int num) const { return entries_[static_cast<size_t>(num)]; }
    bool isWritten(int num) const { return num >= 0 && num < size() && at(num).written; }

  private:
    std::vector<OffsetEntry> entries_;
};
