// ASCIIHexDecode: pairs of hexadecimal digits, white space between them, ">" at the end.
#pragma once

#include "pdf/CPdfDecodeStream.h"

class CPdfAsciiHexStream final : public CPdfDecodeStream {
  public:
    explicit CPdfAsciiHexStream(std::shared_ptr<CPdfStream> source)
        : CPdfDecodeStream(std::move(source)) {}

  protected:
    bool decodeMore(std::vector<uint8_t>& out) override;
    void restart() override;

  private:
    int highDigit_ = -1;  // the first digit of a pair read so far, -1 for none
    bool ended_ = false;
};
