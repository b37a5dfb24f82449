// LZWDecode: variable-width codes of 9 to 12 bits into a table of strings built as they are read.
#pragma once

#include <array>

#include "pdf/CPdfDecodeStream.h"

class CPdfLzwStream final : public CPdfDecodeStream {
  public:
    // earlyChange: the code width grows one code early (the default, /EarlyChange 1).
    CPdfLzwStream(std::shared_ptr<CPdfStream> source, bool earlyChange);

  protected:
    bool decodeMore(std::vector<uint8_t>& out) override;
    void restart() override;

  private:
    static constexpr int kTableSize = 4096;
    static constexpr int kClearCode = 256;
    static constexpr int kEndCode = 257;

    // The next code of the current width, -1 at the end of the input.
    int readCode();
    void clearTable();
    void appendString(int code, std::vector<uint8_t>& out) const;

    int early_;
    uint32_t bits_ = 0;
    int bitCount_ = 0;
    int codeWidth_ = 9;
    int nextCode_ = kEndCode + 1;
    int previous_ = -1;  // the code before, -1 right after a clear
    bool ended_ = false;
    // Entry k is the string of entry prefix_[k] followed by the byte last_[k].
    std::array<uint16_t, kTableSize> prefix_{};
    std::array<uint8_t, kTableSize> last_{};
    std::array<uint8_t, kTableSize> first_{};
    std::array<uint16_t, kTableSize> length_{};
};
