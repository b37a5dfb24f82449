// PNG and TIFF predictors: rebuilds each row of the inflated data from its neighbours.
#include "pdf/CPdfPredictor.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

// No real image row comes near this; hostile parameters beyond it would only allocate.
constexpr int64_t kMaxRowBytes = int64_t{1} << 24;
constexpr int64_t kMaxColumns = int64_t{1} << 24;
constexpr int64_t kMaxColors = 256;

// Component k of a row of packed bits-wide values (most significant bits first).
int getPacked(const uint8_t* data, int k, int bits) {
    int bit = k * bits;
    int shift = 8 - bits - bit % 8;
    return (data[bit / 8] >> shift) & ((1 << bits) - 1);
}

void setPacked(uint8_t* data, int k, int bits, int value) {
    int bit = k * bits;
    int shift = 8 - bits - bit % 8;
    int mask = ((1 << bits) - 1) << shift;
    data[bit / 8] = static_cast<uint8_t>((data[bit / 8] & ~mask) | ((value << shift) & mask));
}

}  // namespace

CPdfPredictor::CPdfPredictor(CPdfPredictorSource* source, int predictor, int columns, int colors,
                             int bitsPerComponent)
    : source_(source), predictor_(predictor) {
    bool bitsOk = bitsPerComponent == 1 || bitsPerComponent == 2 || bitsPerComponent == 4 ||
                  bitsPerComponent == 8 || bitsPerComponent == 16;
    if (!bitsOk || columns < 1 || columns > kMaxColumns || colors < 1 || colors > kMaxColors) {
        return;
    }
    int64_t values = int64_t{columns} * colors;
    int64_t pixelBytes = (int64_t{colors} * bitsPerComponent + 7) / 8;
    int64_t rowBytes = (values * bitsPerComponent + 7) / 8 + pixelBytes;
    if (rowBytes > kMaxRowBytes) return;

    colors_ = colors;
    bits_ = bitsPerComponent;
    valuesPerRow_ = static_cast<int>(values);
    bytesPerPixel_ = static_cast<int>(pixelBytes);
    bytesPerRow_ = static_cast<int>(rowBytes);
    valid_ = true;
    reset();
}

void CPdfPredictor::reset() {
    row_.clear();
    prevRow_.clear();
    readIndex_ = bytesPerRow_;
    ended_ = false;
}

// The row buffers are made on the first row, once the source can tell how much it may yield: a
// row longer than that can never be filled and is not worth allocating.
bool CPdfPredictor::allocateRows() {
    if (static_cast<uint64_t>(bytesPerRow_) > source_->mostRawBytes()) return false;
    row_.assign(static_cast<size_t>(bytesPerRow_), 0);
    prevRow_.assign(static_cast<size_t>(bytesPerRow_), 0);
    return true;
}

int CPdfPredictor::getChar() {
    if (readIndex_ >= bytesPerRow_ && !decodeRow()) return -1;
    return row_[static_cast<size_t>(readIndex_++)];
}

int CPdfPredictor::peekChar() {
    if (readIndex_ >= bytesPerRow_ && !decodeRow()) return -1;
    return row_[static_cast<size_t>(readIndex_)];
}

size_t CPdfPredictor::getBytes(uint8_t* buffer, size_t count) {
    size_t done = 0;
    while (done < count) {
        if (readIndex_ >= bytesPerRow_ && !decodeRow()) break;
        size_t chunk = std::min(count - done, static_cast<size_t>(bytesPerRow_ - readIndex_));
        std::memcpy(buffer + done, row_.data() + readIndex_, chunk);
        readIndex_ += static_cast<int>(chunk);
        done += chunk;
    }
    return done;
}

// Decodes one row; false at end of data, including a row cut short (which is dropped).
bool CPdfPredictor::decodeRow() {
    if (!valid_ || ended_) return false;
    if (row_.empty() && !allocateRows()) {
        ended_ = true;
        return false;
    }
    int filter = predictor_;
    if (predictor_ >= 10) {
        int tag = source_->getRawChar();
        if (tag < 0) {
            ended_ = true;
            return false;
        }
        filter = tag + 10;
    }
    row_.swap(prevRow_);
    uint8_t* row = row_.data();
    const uint8_t* up = prevRow_.data();
    // The raw bytes go into the row first and are decoded in place from left to right: the left
    // neighbours are decoded by then, the bytes above come from the previous row.
    size_t dataBytes = static_cast<size_t>(bytesPerRow_ - bytesPerPixel_);
    if (source_->getRawBytes(row + bytesPerPixel_, dataBytes) < dataBytes) {
        ended_ = true;
        return false;
    }
    const int bpp = bytesPerPixel_;
    switch (filter) {
        case 11:
            for (int i = bpp; i < bytesPerRow_; ++i)
                row[i] = static_cast<uint8_t>(row[i] + row[i - bpp]);
            break;
        case 12:
            for (int i = bpp; i < bytesPerRow_; ++i) row[i] = static_cast<uint8_t>(row[i] + up[i]);
            break;
        case 13:
            for (int i = bpp; i < bytesPerRow_; ++i) {
                row[i] = static_cast<uint8_t>(row[i] + (row[i - bpp] + up[i]) / 2);
            }
            break;
        case 14:
            for (int i = bpp; i < bytesPerRow_; ++i) {
                int left = row[i - bpp];
                int above = up[i];
                int upperLeft = up[i - bpp];
                int p = left + above - upperLeft;
                int pa = std::abs(p - left);
                int pb = std::abs(p - above);
                int pc = std::abs(p - upperLeft);
                int base = (pa <= pb && pa <= pc) ? left : (pb <= pc ? above : upperLeft);
                row[i] = static_cast<uint8_t>(row[i] + base);
            }
            break;
        default:
            // None (10), unknown tags and non-PNG predictors: the bytes as they are.
            break;
    }
    if (predictor_ == 2) undoTiffDifferencing();
    readIndex_ = bytesPerPixel_;
    return true;
}

// TIFF predictor 2: each component value was stored as its difference to the same component
// of the pixel before.
void CPdfPredictor::undoTiffDifferencing() {
    uint8_t* data = row_.data() + bytesPerPixel_;
    if (bits_ == 8) {
        for (int i = colors_; i < valuesPerRow_; ++i) {
            data[i] = static_cast<uint8_t>(data[i] + data[i - colors_]);
        }
    } else if (bits_ == 16) {
        for (int i = colors_; i < valuesPerRow_; ++i) {
            int value = (data[2 * i] << 8 | data[2 * i + 1]) +
                        (data[2 * (i - colors_)] << 8 | data[2 * (i - colors_) + 1]);
            data[2 * i] = static_cast<uint8_t>(value >> 8);
            data[2 * i + 1] = static_cast<uint8_t>(value);
        }
    } else {
        int modulo = 1 << bits_;
        for (int i = colors_; i < valuesPerRow_; ++i) {
            int value = getPacked(data, i, bits_) + getPacked(data, i - colors_, bits_);
            setPacked(data, i, bits_, value % modulo);
        }
    }
}
