// A stream over bytes held in memory: what is parsed from decoded data rather than from the file.
#pragma once

#include <string>

#include "pdf/CPdfStream.h"

class CPdfMemoryStream : public CPdfStream {
  public:
    explicit CPdfMemoryStream(std::string bytes) : bytes_(std::move(bytes)) {}
    void reset() override { pos_ = 0; }
    int getChar() override {
        return pos_ < bytes_.size() ? static_cast<unsigned char>(bytes_[pos_++]) : -1;
    }
    int peekChar() override {
        return pos_ < bytes_.size() ? static_cast<unsigned char>(bytes_[pos_]) : -1;
    }
    int64_t getPos() const override { return static_cast<int64_t>(pos_); }

  private:
    std::string bytes_;
    size_t pos_ = 0;
};
