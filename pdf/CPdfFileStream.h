// A buffered window on a file: the stream every parse of the input starts from.
#pragma once

#include <cstdio>

#include "pdf/CPdfStream.h"

class CPdfFileStream : public CPdfStream {
  public:
    // The stream does not own the file. limited false means: up to the end of the file.
    CPdfFileStream(FILE* file, int64_t start, bool limited, int64_t length, CPdfObject dict);

    void reset() override;
    int getChar() override;
    int peekChar() override;
    size_t getBytes(uint8_t* buffer, size_t count) override;
    int64_t getPos() const override;
    void setPos(int64_t pos, int origin = SEEK_SET) override;
    int64_t getStart() const override { return start_; }
    void shiftStart(int64_t delta) override;
    int64_t getLength() const override { return limited_ ? length_ : 0; }
    std::shared_ptr<CPdfStream> makeSubStream(int64_t start, bool limited, int64_t length,
                                              CPdfObject dict) override;

  private:
    bool refill();

    FILE* file_;
    int64_t start_;
    bool limited_;
    int64_t length_;
    int64_t bufferPos_ = 0;  // file position of buffer_[0]
    unsigned char buffer_[256];
    int readIndex_ = 0;
    int endIndex_ = 0;
};
