// A string, or a window of a file read in growing blocks as far as it is asked for.
#include "pdf/ByteSource.h"

#include <algorithm>

namespace {

// Blocks start small (most objects are short) and grow to 64 KiB, so that neither many small
// objects nor one long search costs more reading than it needs.
constexpr size_t kFirstBlock = 4 * 1024;
constexpr size_t kLargestBlock = 64 * 1024;

}  // namespace

bool ByteSource::ensure(size_t count) {
    while (data_.size() < count) {
        if (!file_ || next_ >= limit_) return false;
        size_t want = std::min(std::max(kFirstBlock, data_.size()), kLargestBlock);
        want = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(want), limit_ - next_));
        if (fseeko(file_, static_cast<off_t>(next_), SEEK_SET) != 0) {
            file_ = nullptr;
            return false;
        }
        size_t held = data_.size();
        data_.resize(held + want);
        size_t got = fread(&data_[held], 1, want, file_);
        data_.resize(held + got);
        next_ += static_cast<int64_t>(got);
        if (got == 0) file_ = nullptr;
    }
    return true;
}

size_t ByteSource::find(const char* pattern, size_t length, size_t from) {
    for (;;) {
        if (data_.size() >= from + length) {
            size_t found = data_.find(pattern, from, length);
            if (found != std::string::npos) return found;
            // A match may straddle what is held and what is not read yet.
            from = data_.size() - length + 1;
        }
        if (!ensure(data_.size() + 1)) return std::string::npos;
    }
}
