// The append engine's reads: stored objects scanned through pdf/, bounded by the next object.
#include "normalise/CObjectReader.h"

#include <algorithm>

#include "pdf/CPdfException.h"
#include "pdf/FormatText.h"
#include "pdf/ObjectText.h"

CObjectReader::CObjectReader(CPdfDocument& doc, FILE* raw)
    : doc_(doc), xref_(*doc.getXRef()), raw_(raw), count_(xref_.getNumObjects()) {
    fileSize_ = xref_.getFileSize();
    objectStreams_.assign(static_cast<size_t>(count_), false);
    int64_t header = xref_.getHeaderOffset();
    for (int num = 0; num < count_; num++) {
        const CPdfXRefEntry& entry = xref_.getEntry(num);
        if (entry.type == xrefUncompressed && entry.offset >= 0 &&
            header + entry.offset < fileSize_) {
            starts_.push_back(header + entry.offset);
        } else if (entry.type == xrefCompressed && entry.offset > 0 && entry.offset < count_) {
            objectStreams_[static_cast<size_t>(entry.offset)] = true;
        }
    }
    std::sort(starts_.begin(), starts_.end());
    starts_.erase(std::unique(starts_.begin(), starts_.end()), starts_.end());
}

bool CObjectReader::isObjectStream(int num) const {
    return num > 0 && num < count_ && objectStreams_[static_cast<size_t>(num)];
}

bool CObjectReader::read(int num, RawObject& obj) {
    if (num <= 0 || num >= count_) return false;
    const CPdfXRefEntry entry = xref_.getEntry(num);
    if (entry.type == xrefFree) return false;
    reads_++;
    if (readStored(num, entry, obj)) return true;
    if (xref_.mayBeUnreadable(num)) return false;
    refuse(num, entry);
}

void CObjectReader::refuse(int num, const CPdfXRefEntry& entry) {
    bool compressed = entry.type == xrefCompressed;
    int gen = compressed ? 0 : entry.gen;
    // The reader's verdicts come first: each throws when it cannot read the object either.
    std::string text;
    getObjectText(raw_, num, doc_, text);
    try {
        xref_.fetchObject(num, gen);
    } catch (const CPdfException& e) {
        // A filter the reader cannot decode says nothing about damage.
        if (e.getKind() != CPdfException::Kind::unsupportedFilter) throw;
    }
    throw unreadableObject(num, gen,
                           compressed ? formatText("its bytes in object stream %lld are not one "
                                                   "object",
                                                   static_cast<long long>(entry.offset))
                                      : "its bytes up to the next object are not one complete "
                                        "object");
}

bool CObjectReader::readStored(int num, const CPdfXRefEntry& entry, RawObject& obj) {
    // A plain object cannot reach past the start of the next one.
    int64_t limit = fileSize_;
    if (entry.type == xrefUncompressed) {
        auto next = std::upper_bound(starts_.begin(), starts_.end(),
                                     xref_.getHeaderOffset() + entry.offset);
        if (next != starts_.end()) limit = *next;
    }
    return scanStoredObject(xref_, raw_, num, limit, obj);
}
