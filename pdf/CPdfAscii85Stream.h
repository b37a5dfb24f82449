// ASCII85Decode: groups of five characters "!" to "u" for four bytes, "z" for four zeros, "~>" at
// the end.
#pragma once

#include "pdf/CPdfDecodeStream.h"

class CPdfAscii85Stream final : public CPdfDecodeStream {
  public:
    explicit CPdfAscii85Stream(std::shared_ptr<CPdfStream> source)
        : CPdfDecodeStream(std::move(source)) {}

  protected:
    bool decodeMore(std::vector<uint8_t>& out) override;
    void restart() override;

  private:
    // Writes the bytes of a group of count characters; false when its value does not fit.
    bool emitGroup(std::vector<uint8_t>& out);

    uint64_t value_ = 0;
    int count_ = 0;  // characters in the group so far
    bool started_ = false;
    bool ended_ = false;
};
