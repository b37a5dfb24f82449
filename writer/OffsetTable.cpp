// Per output object number: where it was written, its generation, and whether it was written.
#include "writer/OffsetTable.h"

int OffsetTable::newObject(int64_t position) {
    int num = size();
    entries_.push_back(OffsetEntry{position, 0, true});
    return num;
}

void OffsetTable::record(int num, int gen, int64_t position) {
    if (num < 0 || num >= size()) return;
    entries_[static_cast<size_t>(num)] = OffsetEntry{position, gen, true};
}
