// A run of another stream, optionally limited to a byte count: one member of an object stream.
#pragma once

#include "pdf/CPdfStream.h"

class CPdfBoundedStream : public CPdfStream {
  public:
    // Reads from source; when limited, gives end of data after length bytes.
    CPdfBoundedStream(std::shared_ptr<CPdfStream> source, CPdfObject dict, bool limited,
                      int64_t length);

    int getChar() override;
    int peekChar() override;
    int64_t getPos() const override { return source_->getPos(); }

  private:
    std::shared_ptr<CPdfStream> source_;
    bool limited_;
    int64_t remaining_;
};
