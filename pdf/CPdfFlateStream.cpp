// FlateDecode: zlib inflate over the whole compressed data of a stream, in 1024-byte blocks.
#include "pdf/CPdfFlateStream.h"

#include <algorithm>
#include <cstring>

#include "pdf/CPdfException.h"
#include "pdf/FormatText.h"

namespace {

// The compressed input is held whole. From the file it is bounded by the file's size, but behind
// another filter (LZW, or flate in flate) it may be many times larger than the file.
constexpr size_t kMaxCompressedBytes = size_t{256} << 20;

}  // namespace

CPdfFlateStream::CPdfFlateStream(std::shared_ptr<CPdfStream> source, int predictor, int columns,
                                 int colors, int bitsPerComponent)
    : source_(std::move(source)) {
    if (predictor != 1) {
        predictor_ =
            std::make_unique<CPdfPredictor>(this, predictor, columns, colors, bitsPerComponent);
    }
}

CPdfFlateStream::~CPdfFlateStream() {
    stop();
}

void CPdfFlateStream::stop() {
    if (inflating_) inflateEnd(&zs_);
    inflating_ = false;
}

// Reads the compressed bytes and sets up inflate. The input is read up to the end of the
// source rather than trusting /Length for an allocation: a hostile length cannot make the
// buffer larger than the file.
void CPdfFlateStream::start() {
    loaded_ = true;
    input_.clear();
    int64_t expected = source_->getLength();
    if (expected > 0) input_.reserve(static_cast<size_t>(std::min<int64_t>(expected, 1 << 20)));
    uint8_t chunk[4096];
    for (;;) {
        size_t got = source_->getBytes(chunk, sizeof(chunk));
        input_.insert(input_.end(), chunk, chunk + got);
        if (got < sizeof(chunk)) break;
        if (input_.size() > kMaxCompressedBytes) {
            throw CPdfException(formatText("Stream data too large (over %zu compressed bytes)",
                                           kMaxCompressedBytes));
        }
    }
    zs_ = z_stream{};
    zs_.next_in = input_.data();
    zs_.avail_in = static_cast<uInt>(std::min<size_t>(input_.size(), UINT32_MAX));
    if (inflateInit(&zs_) == Z_OK) {
        inflating_ = true;
    } else {
        ended_ = true;
    }
}

void CPdfFlateStream::reset() {
    stop();
    source_->reset();
    loaded_ = false;
    ended_ = false;
    readIndex_ = endIndex_ = 0;
    if (predictor_) predictor_->reset();
}

// Inflates the next block. Goes on until zlib reports the end of the stream or can make no
// more progress, so that output still held by zlib when the input runs out is not lost.
// Corrupt data ends the stream after the bytes decoded before the damage.
bool CPdfFlateStream::refill() {
    readIndex_ = endIndex_ = 0;
    if (!loaded_) start();
    while (!ended_) {
        zs_.next_out = output_;
        zs_.avail_out = sizeof(output_);
        uInt inBefore = zs_.avail_in;
        int result = inflate(&zs_, Z_NO_FLUSH);
        int produced = static_cast<int>(sizeof(output_) - zs_.avail_out);
        if (result == Z_STREAM_END) {
            ended_ = true;
        } else if (result == Z_OK || result == Z_BUF_ERROR) {
            if (produced == 0 && zs_.avail_in == inBefore) ended_ = true;
        } else {
            ended_ = true;
        }
        if (produced > 0) {
            endIndex_ = produced;
            return true;
        }
    }
    return false;
}

size_t CPdfFlateStream::getCompressedSize() {
    if (!loaded_) start();
    return input_.size();
}

int CPdfFlateStream::getRawChar() {
    if (readIndex_ >= endIndex_ && !refill()) return -1;
    return output_[readIndex_++];
}

int CPdfFlateStream::peekRawChar() {
    if (readIndex_ >= endIndex_ && !refill()) return -1;
    return output_[readIndex_];
}

int CPdfFlateStream::getChar() {
    if (predictor_) return predictor_->getChar();
    return getRawChar();
}

int CPdfFlateStream::peekChar() {
    if (predictor_) return predictor_->peekChar();
    return peekRawChar();
}

size_t CPdfFlateStream::getBytes(uint8_t* buffer, size_t count) {
    if (predictor_) return predictor_->getBytes(buffer, count);
    return getRawBytes(buffer, count);
}

size_t CPdfFlateStream::getRawBytes(uint8_t* buffer, size_t count) {
    size_t done = 0;
    while (done < count) {
        if (readIndex_ >= endIndex_ && !refill()) break;
        size_t chunk = std::min(count - done, static_cast<size_t>(endIndex_ - readIndex_));
        std::memcpy(buffer + done, output_ + readIndex_, chunk);
        readIndex_ += static_cast<int>(chunk);
        done += chunk;
    }
    return done;
}
