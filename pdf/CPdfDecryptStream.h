// The stored bytes of an encrypted stream, decrypted with the key of the object that holds it:
// the first link of the stream's chain, before any filter.
#pragma once

#include <memory>
#include <string>

#include "pdf/CPdfStream.h"

class CPdfSecurity;

// What decrypts the strings and stream data of one fetched object.
struct ObjectDecryption {
    const CPdfSecurity* security = nullptr;
    int num = 0;
    int gen = 0;
};

class CPdfDecryptStream : public CPdfStream {
  public:
    // source: the stored bytes, bounded by the stream's /Length; dict: the stream's dictionary.
    CPdfDecryptStream(std::shared_ptr<CPdfStream> source, const ObjectDecryption& decryption,
                      CPdfObject dict);

    void reset() override;
    int getChar() override;
    int peekChar() override;
    size_t getBytes(uint8_t* buffer, size_t count) override;
    int64_t getPos() const override { return source_->getPos(); }
    int64_t getStart() const override { return source_->getStart(); }
    void shiftStart(int64_t delta) override { source_->shiftStart(delta); }
    int64_t getLength() const override { return source_->getLength(); }

  private:
    // AES decrypts whole blocks chained from the start, so the data is decrypted at once, on
    // the first read.
    void load();

    std::shared_ptr<CPdfStream> source_;
    ObjectDecryption decryption_;
    bool loaded_ = false;
    std::string plain_;
    size_t pos_ = 0;
};
