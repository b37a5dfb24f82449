// FlateDecode: inflates the data of another stream, optionally through a predictor.
#pragma once

#include <zlib.h>

#include <memory>
#include <vector>

#include "pdf/CPdfPredictor.h"
#include "pdf/CPdfStream.h"

class CPdfFlateStream final : public CPdfStream, public CPdfPredictorSource {
  public:
    // Owns (a share of) source. predictor 1 means none.
    CPdfFlateStream(std::shared_ptr<CPdfStream> source, int predictor, int columns, int colors,
                    int bitsPerComponent);
    ~CPdfFlateStream() override;

    // Starts decoding again from the start of the source.
    void reset() override;
    int getChar() override;
    int getRawChar() override;
    int peekChar() override;
    size_t getBytes(uint8_t* buffer, size_t count) override;
    const CPdfObject& getDict() const override { return source_->getDict(); }
    int64_t getPos() const override { return source_->getPos(); }
    int64_t getStart() const override { return source_->getStart(); }
    void shiftStart(int64_t delta) override { source_->shiftStart(delta); }
    int64_t getLength() const override { return source_->getLength(); }

    // Next inflated byte without consuming it; -1 at end.
    int peekRawChar();
    // Up to count inflated bytes before any predictor; fewer only at end.
    size_t getRawBytes(uint8_t* buffer, size_t count) override;
    // Byte count of the compressed input (read from the source if it was not yet).
    size_t getCompressedSize();
    // Deflate expands at most about 1032 to 1.
    uint64_t mostRawBytes() override { return (uint64_t{getCompressedSize()} + 1) * 1032; }

  private:
    bool refill();
    void start();
    void stop();

    std::shared_ptr<CPdfStream> source_;
    std::unique_ptr<CPdfPredictor> predictor_;
    z_stream zs_{};
    bool inflating_ = false;
    // Compressed input is read whole from the source on the first read.
    bool loaded_ = false;
    bool ended_ = false;
    std::vector<uint8_t> input_;
    uint8_t output_[1024];
    int readIndex_ = 0;
    int endIndex_ = 0;
};
