// Cross-reference reading: startxref, the chain of tables and xref streams, and the trailer.
#include "pdf/CPdfXRefReader.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "pdf/CPdfException.h"
#include "pdf/CPdfParser.h"
#include "pdf/CPdfSecurity.h"
#include "pdf/XRefTableText.h"

namespace {

// startxref is looked for in this many bytes at the end of the file.
constexpr int64_t kTailSize = 1023;
// Bounds on the entry list, so that a few bytes cannot ask for billions of entries. Object
// numbers may be sparse (numbers far beyond the file size are seen in real files), so the
// bound is a generous multiple of the file size, at least a floor that any small file may use,
// and never more than the 8,388,607 objects PDF allows a file.
constexpr int64_t kEntriesPerByte = 16;
constexpr int64_t kMinEntryBound = int64_t{1} << 18;
constexpr int64_t kMaxEntryBound = int64_t{1} << 23;
// An xref stream field wider than this cannot hold a meaningful number.
constexpr int kMaxFieldWidth = 8;
// Offsets are 64-bit; one beyond any file is held at this bound, so that adding the header
// offset to it cannot overflow.
constexpr int64_t kMaxOffset = INT64_MAX / 4;

int64_t boundedOffset(int64_t offset) {
    return std::min(offset, kMaxOffset);
}

bool isSpaceForAtoi(int c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

CPdfXRefReader::CPdfXRefReader(CPdfXRef& xref)
    : xref_(xref),
      maxEntries_(std::clamp(std::min(xref.fileSize_, kMaxEntryBound) * kEntriesPerByte,
                             kMinEntryBound, kMaxEntryBound)) {}

void CPdfXRefReader::read(const std::string& password) {
    int64_t offset = findStartXRef();
    bool more = true;
    while (more && visited_.insert(offset).second) more = readSection(offset, &offset);

    CPdfDict* trailer = xref_.trailer_.getDict();
    if (!trailer) throw CPdfException("PDF file was damaged");
    CPdfObject root = trailer->lookupRaw("Root");
    if (!root.isRef()) throw CPdfException("PDF file was damaged");
    xref_.rootNum_ = root.getRefNum();
    xref_.rootGen_ = root.getRefGen();
    CPdfObject info = trailer->lookupRaw("Info");
    if (info.isRef()) xref_.infoNum_ = info.getRefNum();
    trailer->setXRef(&xref_);
    CPdfObject encrypt = trailer->lookupRaw("Encrypt");
    if (!encrypt.isNull()) openEncryption(encrypt, password);
}

// Builds the security handler before any object is decrypted: the encryption dictionary itself
// is read as it is stored.
void CPdfXRefReader::openEncryption(const CPdfObject& stored, const std::string& password) {
    using Kind = CPdfException::Kind;
    std::unique_ptr<CPdfSecurity> security;
    try {
        security = std::make_unique<CPdfSecurity>(stored.fetchObject(&xref_),
                                                  CPdfSecurity::firstFileId(xref_.trailer_));
    } catch (const CPdfException& e) {
        throw CPdfException(e.getMessage(), Kind::encrypted);
    }
    // Most encrypted files have an empty user password and only carry permissions.
    if (security->authenticate("") == CPdfSecurity::Access::none &&
        (password.empty() || security->authenticate(password) == CPdfSecurity::Access::none)) {
        throw CPdfException(password.empty() ? "The password is needed: give it with -password "
                                               "<text>"
                                             : "The password given does not open it: give the "
                                               "user or owner password with -password <text>",
                            Kind::encrypted);
    }
    if (stored.isRef()) xref_.encryptNum_ = stored.getRefNum();
    xref_.security_ = std::move(security);
    xref_.dropObjectStreamCaches();
}

int64_t CPdfXRefReader::findStartXRef() {
    // A file shorter than the tail is searched whole.
    int64_t tailStart = std::max<int64_t>(0, xref_.fileSize_ - kTailSize);
    auto tail = xref_.base_->makeSubStream(tailStart, false, 0, CPdfObject::makeNull());
    uint8_t bytes[kTailSize];
    size_t got = tail->getBytes(bytes, sizeof bytes);
    for (size_t i = 0; i < got; i++) {
        if (bytes[i] == 0) bytes[i] = ' ';
    }
    static const char keyword[] = "startxref";
    const size_t keywordLength = sizeof keyword - 1;
    for (size_t pos = got >= keywordLength ? got - keywordLength + 1 : 0; pos-- > 0;) {
        if (std::memcmp(bytes + pos, keyword, keywordLength) != 0) continue;
        size_t i = pos + keywordLength;
        while (i < got && isSpaceForAtoi(bytes[i])) i++;
        bool negative = false;
        if (i < got && (bytes[i] == '-' || bytes[i] == '+')) negative = bytes[i++] == '-';
        int64_t value = 0;
        for (; i < got && bytes[i] >= '0' && bytes[i] <= '9'; i++) {
            value = std::min<int64_t>(value * 10 + (bytes[i] - '0'), INT64_MAX / 16);
        }
        if (value == 0) break;
        return negative ? -value : value;
    }
    throw CPdfException("PDF file was damaged");
}

bool CPdfXRefReader::readSection(int64_t offset, int64_t* prev) {
    int64_t start = xref_.headerOffset_ + offset;
    // Nothing to read there: the same outcome as reading past the end of the file.
    if (start < 0 || start >= xref_.fileSize_) throw CPdfException("Couldn't parse an xref");
    bool done = false;
    bool hasPrev = readPlainTable(start, prev, &done);
    if (done) return hasPrev;
    CPdfParser parser(nullptr, xref_.base_->makeSubStream(start, false, 0, CPdfObject::makeNull()));
    CPdfObject first = parser.nextObject();
    if (first.isKeyword("xref")) return readTable(parser, prev);
    if (!first.isInt()) throw CPdfException("Couldn't parse an xref");
    return readXRefStream(parser, first.getInt(), prev);
}

bool CPdfXRefReader::readTable(CPdfParser& parser, int64_t* prev) {
    for (;;) {
        CPdfObject first = parser.nextObject();
        if (first.isKeyword("trailer")) break;
        CPdfObject count = parser.nextObject();
        if (!first.isInt() || !count.isInt() || first.getInt() < 0 || count.getInt() < 0) {
            throw CPdfException("Couldn't parse an xref table");
        }
        int64_t num = first.getInt();
        int64_t end = num + count.getInt();
        growTo(end);
        for (; num < end; num++) {
            CPdfObject offset = parser.nextObject();
            CPdfObject gen = parser.nextObject();
            CPdfObject kind = parser.nextObject();
            bool inUse = kind.isKeyword("n");
            if (!offset.isInt() || !gen.isInt() || !(inUse || kind.isKeyword("f"))) {
                throw CPdfException("Couldn't parse an xref table");
            }
            if (!xref_.entries_[static_cast<size_t>(num)].filled && !inUse)
                replaceable_.insert(num);
            store(num, offset.getInt64(), gen.getInt(), inUse ? xrefUncompressed : xrefFree);
        }
    }
    return readTrailer(parser, prev);
}

// A table written plainly is read straight from its bytes, the same entries the parser would
// give. done is false, and nothing is stored, when the table needs the parser.
bool CPdfXRefReader::readPlainTable(int64_t start, int64_t* prev, bool* done) {
    *done = false;
    auto bytes = [this, start]() {
        return xref_.base_->makeSubStream(start, false, 0, CPdfObject::makeNull());
    };
    // The first scan only checks, so that a table the fast path cannot read leaves no trace.
    if (scanPlainXRefTable(*bytes(), nullptr) < 0) return false;
    int64_t num = 0;
    XRefTableVisitor store;
    store.subsection = [this, &num](int first, int count) {
        num = first;
        growTo(num + count);
    };
    store.entry = [this, &num](int64_t offset, int gen, bool inUse) {
        if (!xref_.entries_[static_cast<size_t>(num)].filled && !inUse) replaceable_.insert(num);
        this->store(num, offset, gen, inUse ? xrefUncompressed : xrefFree);
        num++;
    };
    int64_t length = scanPlainXRefTable(*bytes(), &store);
    *done = true;
    CPdfParser parser(nullptr,
                      xref_.base_->makeSubStream(start + length, false, 0, CPdfObject::makeNull()));
    return readTrailer(parser, prev);
}

// The trailer dictionary after the "trailer" keyword of a table.
bool CPdfXRefReader::readTrailer(CPdfParser& parser, int64_t* prev) {
    CPdfObject trailer = parser.nextObject();
    if (!trailer.isDict()) throw CPdfException("Trailer dictionary is wrong type");
    // Sections are read newest first, so the first trailer read is the one that counts.
    if (xref_.trailer_.isNone()) xref_.trailer_ = trailer;
    readHybridStream(trailer);
    replaceable_.clear();
    return prevOffset(trailer, prev);
}

// A hybrid file lists its compressed objects only in the stream its table's /XRefStm names,
// and marks them free (or leaves them out) in the table for older readers. Without that
// stream those objects, often whole fonts and structure, would be lost.
void CPdfXRefReader::readHybridStream(const CPdfObject& trailer) {
    CPdfObject stm = trailer.getDict()->lookupRaw("XRefStm");
    int64_t offset = boundedOffset(stm.getInt64());
    if (!stm.isInt() || offset <= 0 || !visited_.insert(offset).second) return;
    int64_t start = xref_.headerOffset_ + offset;
    if (start >= xref_.fileSize_) return;
    CPdfParser parser(nullptr, xref_.base_->makeSubStream(start, false, 0, CPdfObject::makeNull()));
    CPdfObject num = parser.nextObject();
    if (!num.isInt()) return;
    // The stream's own /Prev is not followed: the table's /Prev goes on with the chain.
    int64_t ignoredPrev = 0;
    readXRefStream(parser, num.getInt(), &ignoredPrev);
}

bool CPdfXRefReader::readXRefStream(CPdfParser& parser, int num, int64_t* prev) {
    CPdfObject gen = parser.nextObject();
    CPdfObject keyword = parser.nextObject();
    if (!gen.isInt() || !keyword.isKeyword("obj")) {
        throw CPdfException("Couldn't parse an xref stream");
    }
    CPdfObject stream = parser.nextObject();
    if (!stream.isStream()) throw CPdfException("Couldn't parse an xref stream");
    CPdfObject dictObj = stream.getStream()->getDict();
    CPdfDict* dict = dictObj.getDict();
    if (!dict) throw CPdfException("Couldn't parse an xref stream");

    CPdfObject size = dict->lookupRaw("Size");
    if (!size.isInt()) throw CPdfException("Size of xref Stream is wrong type");
    if (size.getInt() < 0) throw CPdfException("PDF file was damaged");
    growTo(size.getInt());

    CPdfObject w = dict->lookupRaw("W");
    if (!w.isArray()) throw CPdfException("W item of xref Stream is wrong type");
    if (w.getArray()->getLength() < 3) throw CPdfException("W item of xref Stream is wrong length");
    int widths[3];
    for (int i = 0; i < 3; i++) {
        CPdfObject width = w.getArray()->get(i);
        if (!width.isInt()) throw CPdfException("W item of xref Stream is wrong type");
        if (width.getInt() < 0 || width.getInt() > kMaxFieldWidth) {
            throw CPdfException("PDF file was damaged");
        }
        widths[i] = width.getInt();
    }
    // Entries of no width take no data: any count of them could be "read" from an empty stream.
    if (widths[0] + widths[1] + widths[2] == 0) {
        throw CPdfException("W item of xref Stream gives entries no width");
    }

    CPdfStream& data = *stream.getStream();
    data.reset();
    CPdfObject index = dict->lookupRaw("Index");
    if (index.isArray()) {
        CPdfArray* pairs = index.getArray();
        // Subsections may restate the same numbers; all of them together may not ask for more
        // entries than the file may hold, so that a short /Index cannot make work of billions.
        int64_t entries = 0;
        for (int i = 0; i + 1 < pairs->getLength(); i += 2) {
            CPdfObject first = pairs->get(i);
            CPdfObject count = pairs->get(i + 1);
            if (!first.isInt() || !count.isInt()) {
                throw CPdfException("Index item of xref Stream is wrong type");
            }
            entries += std::max(count.getInt(), 0);
            if (entries > maxEntries_) throw CPdfException("PDF file was damaged");
            readStreamSubsection(data, first.getInt(), count.getInt(), widths);
        }
    } else {
        readStreamSubsection(data, 0, size.getInt(), widths);
    }

    if (xref_.trailer_.isNone()) xref_.trailer_ = dictObj;
    xref_.xrefStreamNums_.push_back(num);
    return prevOffset(dictObj, prev);
}

void CPdfXRefReader::readStreamSubsection(CPdfStream& data, int64_t first, int64_t count,
                                          const int* widths) {
    if (first < 0 || count < 0) throw CPdfException("PDF file was damaged");
    growTo(first + count);
    const size_t entryWidth = static_cast<size_t>(widths[0] + widths[1] + widths[2]);
    uint8_t bytes[3 * kMaxFieldWidth];
    for (int64_t num = first; num < first + count; num++) {
        if (data.getBytes(bytes, entryWidth) < entryWidth) {
            throw CPdfException("Unexpected EOF while reading xref stream section");
        }
        uint64_t fields[3] = {0, 0, 0};
        const uint8_t* p = bytes;
        for (int f = 0; f < 3; f++) {
            for (int b = 0; b < widths[f]; b++) fields[f] = (fields[f] << 8) | *p++;
        }
        // Without a kind field every entry is an object in use.
        if (widths[0] == 0) fields[0] = 1;
        if (fields[0] > 2) {
            throw CPdfException("Wrong type of xref entry while reading xref stream section");
        }
        // Fields too large for an offset or generation are kept as values no fetch can use.
        int64_t offset =
            fields[1] > static_cast<uint64_t>(kMaxOffset) ? -1 : static_cast<int64_t>(fields[1]);
        int64_t gen = static_cast<int64_t>(std::min<uint64_t>(fields[2], INT_MAX));
        store(num, offset, gen, static_cast<CPdfXRefEntryType>(fields[0]));
    }
}

void CPdfXRefReader::growTo(int64_t size) {
    if (size > maxEntries_) throw CPdfException("PDF file was damaged");
    if (size > static_cast<int64_t>(xref_.entries_.size())) {
        xref_.entries_.resize(static_cast<size_t>(size));
    }
}

void CPdfXRefReader::store(int64_t num, int64_t offset, int64_t gen, CPdfXRefEntryType type) {
    CPdfXRefEntry& entry = xref_.entries_[static_cast<size_t>(num)];
    // An entry filled by a newer section stays as it is; a free entry of the table whose
    // /XRefStm stream is being read is the one exception.
    if (entry.filled && replaceable_.erase(num) == 0) return;
    entry.offset = boundedOffset(offset);
    entry.gen = static_cast<int>(gen);
    entry.type = type;
    entry.filled = true;
}

bool CPdfXRefReader::prevOffset(const CPdfObject& dict, int64_t* prev) {
    CPdfObject value = dict.getDict()->lookupRaw("Prev");
    if (value.isInt()) {
        *prev = boundedOffset(value.getInt64());
        return true;
    }
    // An indirect Prev cannot be resolved while the entries are still being read; its number
    // stands for the offset.
    if (value.isRef()) {
        *prev = value.getRefNum();
        return true;
    }
    return false;
}
