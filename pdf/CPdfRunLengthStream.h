// RunLengthDecode: runs of copied bytes and of one repeated byte, 128 at the end.
#pragma once

#include "pdf/CPdfDecodeStream.h"

class CPdfRunLengthStream final : public CPdfDecodeStream {
  public:
    explicit CPdfRunLengthStream(std::shared_ptr<CPdfStream> source)
        : CPdfDecodeStream(std::move(source)) {}

  protected:
    bool decodeMore(std::vector<uint8_t>& out) override;
    void restart() override { ended_ = false; }

  private:
    bool ended_ = false;
};
