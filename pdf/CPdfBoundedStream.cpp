// A run of another stream, optionally limited to a byte count.
#include "pdf/CPdfBoundedStream.h"

CPdfBoundedStream::CPdfBoundedStream(std::shared_ptr<CPdfStream> source, CPdfObject dict,
                                     bool limited, int64_t length)
    : CPdfStream(std::move(dict)),
      source_(std::move(source)),
      limited_(limited),
      remaining_(length) {}

int CPdfBoundedStream::getChar() {
    if (limited_ && remaining_ <= 0) return -1;
    --remaining_;
    return source_->getChar();
}

int CPdfBoundedStream::peekChar() {
    if (limited_ && remaining_ <= 0) return -1;
    return source_->peekChar();
}
