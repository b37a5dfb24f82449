// Decoder base: buffered encoded input, decoded output in blocks, an optional predictor.
#include "pdf/CPdfDecodeStream.h"

#include <algorithm>
#include <cstring>

CPdfDecodeStream::CPdfDecodeStream(std::shared_ptr<CPdfStream> source)
    : source_(std::move(source)) {}

CPdfDecodeStream::~CPdfDecodeStream() = default;

void CPdfDecodeStream::setPredictor(int predictor, int columns, int colors, int bitsPerComponent) {
    predictor_.reset();
    if (predictor != 1) {
        predictor_ =
            std::make_unique<CPdfPredictor>(this, predictor, columns, colors, bitsPerComponent);
    }
}

void CPdfDecodeStream::reset() {
    source_->reset();
    inputIndex_ = inputEnd_ = 0;
    inputEnded_ = false;
    output_.clear();
    readIndex_ = 0;
    outputEnded_ = false;
    restart();
    if (predictor_) predictor_->reset();
}

bool CPdfDecodeStream::refillInput() {
    if (inputEnded_) return false;
    inputIndex_ = 0;
    inputEnd_ = source_->getBytes(input_, sizeof(input_));
    inputEnded_ = inputEnd_ < sizeof(input_);
    return inputEnd_ > 0;
}

bool CPdfDecodeStream::refillOutput() {
    output_.clear();
    readIndex_ = 0;
    if (outputEnded_) return false;
    if (!decodeMore(output_) || output_.empty()) {
        outputEnded_ = true;
        output_.clear();
    }
    return !output_.empty();
}

int CPdfDecodeStream::getRawChar() {
    if (readIndex_ >= output_.size() && !refillOutput()) return -1;
    return output_[readIndex_++];
}

size_t CPdfDecodeStream::getRawBytes(uint8_t* buffer, size_t count) {
    size_t done = 0;
    while (done < count) {
        if (readIndex_ >= output_.size() && !refillOutput()) break;
        size_t chunk = std::min(count - done, output_.size() - readIndex_);
        std::memcpy(buffer + done, output_.data() + readIndex_, chunk);
        readIndex_ += chunk;
        done += chunk;
    }
    return done;
}

int CPdfDecodeStream::getChar() {
    if (predictor_) return predictor_->getChar();
    return getRawChar();
}

int CPdfDecodeStream::peekChar() {
    if (predictor_) return predictor_->peekChar();
    if (readIndex_ >= output_.size() && !refillOutput()) return -1;
    return output_[readIndex_];
}

size_t CPdfDecodeStream::getBytes(uint8_t* buffer, size_t count) {
    if (predictor_) return predictor_->getBytes(buffer, count);
    return getRawBytes(buffer, count);
}
