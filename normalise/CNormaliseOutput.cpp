// The normalised file: checked forward writes, removed unless finished.
#include "normalise/CNormaliseOutput.h"

#include <sys/stat.h>

#include "pdf/CPdfException.h"
#include "pdf/FormatText.h"

namespace {

// Only a regular file is ever removed: an output named like a device must survive a failure.
void removeFile(const std::string& path) {
    struct stat info;
    if (stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode)) std::remove(path.c_str());
}

}  // namespace

CNormaliseOutput::~CNormaliseOutput() {
    discard();
}

void CNormaliseOutput::create(const std::string& path) {
    discard();
    file_ = std::fopen(path.c_str(), "wb");
    if (!file_) throw CPdfException(formatText("File output error: '%s'", path.c_str()));
    path_ = path;
    position_ = 0;
}

void CNormaliseOutput::write(const char* data, size_t length) {
    if (length == 0) return;
    if (!file_ || std::fwrite(data, 1, length, file_) != length) {
        throw CPdfException(formatText("Output file write error: '%s'", path_.c_str()));
    }
    position_ += static_cast<int64_t>(length);
}

void CNormaliseOutput::finish() {
    if (!file_) return;
    FILE* file = file_;
    file_ = nullptr;
    bool flushed = std::fflush(file) == 0;
    bool closed = std::fclose(file) == 0;
    std::string path = path_;
    path_.clear();
    if (!flushed || !closed) {
        removeFile(path);
        throw CPdfException(formatText("Output file write error: '%s'", path.c_str()));
    }
}

void CNormaliseOutput::discard() {
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
    }
    if (!path_.empty()) removeFile(path_);
    path_.clear();
}
