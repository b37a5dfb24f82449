// A buffered window on a file, read in 256-byte blocks from an absolute offset.
#include "pdf/CPdfFileStream.h"

#include <algorithm>
#include <cstring>

CPdfFileStream::CPdfFileStream(FILE* file, int64_t start, bool limited, int64_t length,
                               CPdfObject dict)
    : CPdfStream(std::move(dict)),
      file_(file),
      start_(start),
      limited_(limited),
      length_(length),
      bufferPos_(start) {}

void CPdfFileStream::reset() {
    bufferPos_ = start_;
    readIndex_ = endIndex_ = 0;
}

// Moves the window past the bytes it holds and reads the next block; false at end of data.
bool CPdfFileStream::refill() {
    bufferPos_ += endIndex_;
    readIndex_ = endIndex_ = 0;
    int64_t want = static_cast<int64_t>(sizeof(buffer_));
    if (limited_) {
        int64_t left = start_ + length_ - bufferPos_;
        if (left <= 0) return false;
        want = std::min(want, left);
    }
    // A window may sit before the file start only through a hostile seek; nothing is there.
    if (bufferPos_ < 0) return false;
    if (fseeko(file_, static_cast<off_t>(bufferPos_), SEEK_SET) != 0) return false;
    size_t got = fread(buffer_, 1, static_cast<size_t>(want), file_);
    endIndex_ = static_cast<int>(got);
    return got > 0;
}

int CPdfFileStream::getChar() {
    if (readIndex_ >= endIndex_ && !refill()) return -1;
    return buffer_[readIndex_++];
}

int CPdfFileStream::peekChar() {
    if (readIndex_ >= endIndex_ && !refill()) return -1;
    return buffer_[readIndex_];
}

size_t CPdfFileStream::getBytes(uint8_t* buffer, size_t count) {
    size_t done = 0;
    while (done < count) {
        if (readIndex_ >= endIndex_ && !refill()) break;
        size_t chunk = std::min(count - done, static_cast<size_t>(endIndex_ - readIndex_));
        std::memcpy(buffer + done, buffer_ + readIndex_, chunk);
        readIndex_ += static_cast<int>(chunk);
        done += chunk;
    }
    return done;
}

int64_t CPdfFileStream::getPos() const {
    return bufferPos_ + readIndex_;
}

void CPdfFileStream::setPos(int64_t pos, int origin) {
    readIndex_ = endIndex_ = 0;
    if (fseeko(file_, static_cast<off_t>(pos), origin) == 0) {
        bufferPos_ = static_cast<int64_t>(ftello(file_));
    } else if (origin == SEEK_SET) {
        // An offset the platform cannot seek to (negative): reads there find no data.
        bufferPos_ = pos;
    }
}

void CPdfFileStream::shiftStart(int64_t delta) {
    start_ += delta;
    reset();
}

std::shared_ptr<CPdfStream> CPdfFileStream::makeSubStream(int64_t start, bool limited,
                                                          int64_t length, CPdfObject dict) {
    return std::make_shared<CPdfFileStream>(file_, start, limited, length, std::move(dict));
}
