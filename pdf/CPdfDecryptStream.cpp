// Decrypted stream data: the stored bytes read whole, decrypted once, then handed out.
#include "pdf/CPdfDecryptStream.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "pdf/CPdfSecurity.h"
#include "pdf/StreamFilters.h"

CPdfDecryptStream::CPdfDecryptStream(std::shared_ptr<CPdfStream> source,
                                     const ObjectDecryption& decryption, CPdfObject dict)
    : CPdfStream(std::move(dict)), source_(std::move(source)), decryption_(decryption) {}

void CPdfDecryptStream::load() {
    if (loaded_) return;
    loaded_ = true;
    std::vector<uint8_t> stored = readStreamBytes(*source_);
    plain_ = decryption_.security->decryptStream(decryption_.num, decryption_.gen, dict_,
                                                 std::string(stored.begin(), stored.end()));
}

void CPdfDecryptStream::reset() {
    pos_ = 0;
}

int CPdfDecryptStream::getChar() {
    load();
    return pos_ < plain_.size() ? static_cast<unsigned char>(plain_[pos_++]) : -1;
}

int CPdfDecryptStream::peekChar() {
    load();
    return pos_ < plain_.size() ? static_cast<unsigned char>(plain_[pos_]) : -1;
}

size_t CPdfDecryptStream::getBytes(uint8_t* buffer, size_t count) {
    load();
    size_t got = std::min(count, plain_.size() - pos_);
    std::memcpy(buffer, plain_.data() + pos_, got);
    pos_ += got;
    return got;
}
