// The append engine's reads of one document: every object as stored and scanned, each bounded by
// the next object's start, counted for the progress dots, and refused with a reason when damaged.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

#include "pdf/CPdfDocument.h"
#include "pdf/RawObject.h"

class CObjectReader {
  public:
    // raw: a second handle on the document's file, used for the plain reads.
    CObjectReader(CPdfDocument& doc, FILE* raw);

    int getCount() const { return count_; }
    // The object as stored. False for a free or absent entry and one that may point at nothing
    // (CPdfXRef::mayBeUnreadable). An object the entry promises that cannot be read throws,
    // with the reader's own message when the reader refuses it too (so that a damaged input
    // fails here as it fails a plain conversion), else unreadableObject().
    bool read(int num, RawObject& obj);
    // Whether num holds the members of some compressed object.
    bool isObjectStream(int num) const;
    // How many reads were made: the progress dots count them.
    int64_t getReadCount() const { return reads_; }

  private:
    bool readStored(int num, const CPdfXRefEntry& entry, RawObject& obj);
    [[noreturn]] void refuse(int num, const CPdfXRefEntry& entry);

    CPdfDocument& doc_;
    CPdfXRef& xref_;
    FILE* raw_;
    int count_;
    int64_t fileSize_;
    // File positions where plain objects start, ascending: an object cannot reach past the
    // next one, so every scan is bounded by it.
    std::vector<int64_t> starts_;
    std::vector<bool> objectStreams_;
    int64_t reads_ = 0;
};
