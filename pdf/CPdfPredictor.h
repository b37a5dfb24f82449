// Undoes the PNG (10-15) and TIFF (2) predictors of flate-compressed data, one row at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The decoded bytes a predictor rebuilds its rows from: those of a FlateDecode or LZWDecode
// stream, before any prediction.
class CPdfPredictorSource {
  public:
    // Next byte, -1 at end.
    virtual int getRawChar() = 0;
    // Up to count bytes; fewer only at end.
    virtual size_t getRawBytes(uint8_t* buffer, size_t count) = 0;
    // No more bytes than this can come: rows longer are never allocated.
    virtual uint64_t mostRawBytes() = 0;

  protected:
    ~CPdfPredictorSource() = default;
};

class CPdfPredictor {
  public:
    // Reads the decoded bytes of source. Unusable columns, colors or bits per component, or rows
    // that would be absurdly large, leave the predictor without data: such a stream is treated
    // as corrupt and yields no bytes.
    CPdfPredictor(CPdfPredictorSource* source, int predictor, int columns, int colors,
                  int bitsPerComponent);

    int getChar();
    int peekChar();
    // Up to count decoded bytes; fewer only at end.
    size_t getBytes(uint8_t* buffer, size_t count);
    // Back to the state before the first row.
    void reset();

  private:
    bool allocateRows();
    bool decodeRow();
    void undoTiffDifferencing();

    CPdfPredictorSource* source_;
    int predictor_;
    int colors_ = 1;
    int bits_ = 8;
    bool valid_ = false;
    bool ended_ = false;
    int valuesPerRow_ = 0;
    int bytesPerPixel_ = 0;
    int bytesPerRow_ = 0;
    // The row being served and the row before it; the first bytesPerPixel_ bytes of both stay 0
    // as the left neighbours of the first pixel.
    std::vector<uint8_t> row_;
    std::vector<uint8_t> prevRow_;
    int readIndex_ = 0;
};
