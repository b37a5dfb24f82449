// The base of the decoders other than FlateDecode: reads its source's encoded bytes a block at a
// time and hands out decoded bytes a block at a time, so that no input inflates memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "pdf/CPdfPredictor.h"
#include "pdf/CPdfStream.h"

class CPdfDecodeStream : public CPdfStream, public CPdfPredictorSource {
  public:
    // Owns (a share of) source.
    explicit CPdfDecodeStream(std::shared_ptr<CPdfStream> source);
    ~CPdfDecodeStream() override;

    // Rebuilds rows of the decoded bytes with a PNG or TIFF predictor (predictor 1: none).
    void setPredictor(int predictor, int columns, int colors, int bitsPerComponent);

    // Starts decoding again from the start of the source.
    void reset() override;
    int getChar() override;
    int peekChar() override;
    size_t getBytes(uint8_t* buffer, size_t count) override;
    int getRawChar() override;
    size_t getRawBytes(uint8_t* buffer, size_t count) override;
    // Output is not bounded by the input here; a predictor's own row limit holds instead.
    uint64_t mostRawBytes() override { return UINT64_MAX; }
    const CPdfObject& getDict() const override { return source_->getDict(); }
    int64_t getPos() const override { return source_->getPos(); }
    int64_t getStart() const override { return source_->getStart(); }
    void shiftStart(int64_t delta) override { source_->shiftStart(delta); }
    int64_t getLength() const override { return source_->getLength(); }

  protected:
    // A decoder hands out about this much per call of decodeMore.
    static constexpr size_t kBlockBytes = 4096;

    // Next encoded byte, -1 at the end of the source.
    int nextInput() {
        if (inputIndex_ == inputEnd_ && !refillInput()) return -1;
        return input_[inputIndex_++];
    }
    // Appends the next decoded bytes to out (empty on entry); false when the data has ended and
    // nothing was appended.
    virtual bool decodeMore(std::vector<uint8_t>& out) = 0;
    // Back to the decoder's state before the first byte.
    virtual void restart() = 0;

  private:
    bool refillInput();
    bool refillOutput();

    std::shared_ptr<CPdfStream> source_;
    std::unique_ptr<CPdfPredictor> predictor_;
    uint8_t input_[4096];
    size_t inputIndex_ = 0;
    size_t inputEnd_ = 0;
    bool inputEnded_ = false;
    std::vector<uint8_t> output_;
    size_t readIndex_ = 0;
    bool outputEnded_ = false;
};
