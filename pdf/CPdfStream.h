// Byte streams the reader parses from: the abstract base of file windows, decoders and bounded
// runs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>

#include "pdf/CPdfObject.h"

// Streams are shared through std::shared_ptr; a Stream value holds one share, a parser another.
class CPdfStream {
  public:
    explicit CPdfStream(CPdfObject dict = CPdfObject::makeNull()) : dict_(std::move(dict)) {}
    virtual ~CPdfStream() = default;
    CPdfStream(const CPdfStream&) = delete;
    CPdfStream& operator=(const CPdfStream&) = delete;

    virtual void reset() {}
    virtual void close() {}
    // Next byte, or -1 at end of data.
    virtual int getChar() = 0;
    // Next inflated byte before any predictor; only a flate stream has one.
    virtual int getRawChar();
    // Next byte getChar would return, without consuming it; -1 at end.
    virtual int peekChar() = 0;
    // Up to count bytes as getChar gives them; returns how many were read (fewer only at end).
    virtual size_t getBytes(uint8_t* buffer, size_t count);
    // The stream's dictionary (Null when it has none).
    virtual const CPdfObject& getDict() const { return dict_; }
    // Absolute file position of the next byte.
    virtual int64_t getPos() const { return 0; }
    virtual void setPos(int64_t /*pos*/, int /*origin*/ = SEEK_SET) {}
    virtual int64_t getStart() const { return 0; }
    virtual void shiftStart(int64_t /*delta*/) {}
    // Byte count of a bounded file window, 0 when unbounded.
    virtual int64_t getLength() const { return 0; }
    // A new window on the same file; only file streams can make one.
    virtual std::shared_ptr<CPdfStream> makeSubStream(int64_t /*start*/, bool /*limited*/,
                                                      int64_t /*length*/, CPdfObject /*dict*/) {
        return nullptr;
    }

  protected:
    CPdfObject dict_;
};
