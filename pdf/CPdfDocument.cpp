// An opened input PDF: finds the header, then reads the cross-reference data through CPdfXRef.
#include "pdf/CPdfDocument.h"

#include <algorithm>
#include <cstring>

#include "pdf/CPdfException.h"
#include "pdf/CPdfFileStream.h"

namespace {

// "%PDF-" is looked for in this many bytes at the start of the file.
constexpr size_t kHeadSize = 1023;

}  // namespace

CPdfDocument::~CPdfDocument() {
    close();
}

void CPdfDocument::open(const std::string& path, const std::string& password) {
    close();
    FILE* file = fopen(path.c_str(), "rb");
    if (!file) throw CPdfException("Can't open file");
    openFile(file, password);
}

void CPdfDocument::openFile(FILE* file, const std::string& password) {
    close();
    // The file is the document's from here on; it and what reads it are released again, last
    // made first, when the open fails.
    FileHandle owned(file);
    if (!owned) throw CPdfException("Can't open file");
    int64_t fileSize = 0;
    if (fseeko(owned.get(), 0, SEEK_END) == 0) fileSize = std::max<int64_t>(0, ftello(owned.get()));
    std::shared_ptr<CPdfStream> base =
        std::make_shared<CPdfFileStream>(owned.get(), 0, false, 0, CPdfObject::makeNull());

    // Junk before the header is allowed; every offset the file records then counts from
    // the header. Without a header the offsets count from the start of the file.
    uint8_t head[kHeadSize];
    size_t got = base->getBytes(head, sizeof head);
    int64_t headerOffset = 0;
    for (size_t i = 0; i + 5 <= got && i < kHeadSize - 5; i++) {
        if (std::memcmp(head + i, "%PDF-", 5) == 0) {
            headerOffset = static_cast<int64_t>(i);
            break;
        }
    }
    base->shiftStart(headerOffset);

    auto xref = std::make_unique<CPdfXRef>(base, headerOffset, fileSize);
    xref->read(password);
    file_ = std::move(owned);
    base_ = std::move(base);
    xref_ = std::move(xref);
    open_ = true;
}

void CPdfDocument::close() {
    xref_.reset();
    base_.reset();
    file_.reset();
    open_ = false;
}

int64_t CPdfDocument::getHeaderOffset() const {
    return xref_ ? xref_->getHeaderOffset() : 0;
}
