// Reads the stored text of objects: plain ones from the file, compressed ones from their stream.
#include "normalise/CObjectReader.h"

#include <algorithm>
#include <climits>

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
    if (entry.type == xrefCompressed) {
        if (entry.offset <= 0 || entry.offset > INT_MAX) return false;
        std::string bytes;
        if (!xref_.getCompressedMemberBytes(static_cast<int>(entry.offset), entry.gen, num,
                                            bytes)) {
            return false;
        }
        // Members carry no "obj" wrapper of their own; the wrapped text scans like a plain
        // object. A stream cannot be compressed, so "stream" in a member means damage.
        ByteSource source(intText(num) + " 0 obj\r" + bytes + " endobj\r");
        return scanRawObject(source, num, false, nullptr, obj);
    }
    if (entry.type != xrefUncompressed || entry.offset < 0) return false;
    int64_t start = xref_.getHeaderOffset() + entry.offset;
    if (start < 0 || start >= fileSize_) return false;
    auto next = std::upper_bound(starts_.begin(), starts_.end(), start);
    int64_t limit = next == starts_.end() ? fileSize_ : *next;
    ByteSource source(raw_, start, limit);
    auto resolveLength = [this](int lengthNum, int lengthGen) -> int64_t {
        try {
            CPdfObject length = xref_.fetchObject(lengthNum, lengthGen);
            if (length.isInt() && length.getInt64() >= 0) return length.getInt64();
        } catch (const CPdfException&) {
            // An unreadable /Length object: the scan falls back on finding "endstream".
        }
        return -1;
    };
    return scanRawObject(source, num, true, resolveLength, obj);
}
