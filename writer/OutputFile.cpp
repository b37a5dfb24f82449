// The output PDF, written strictly forward with every write checked.
#include "writer/OutputFile.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "pdf/CPdfException.h"
#include "pdf/FormatText.h"

OutputFile::~OutputFile() {
    if (!kept_) discard();
}

bool OutputFile::create(const std::string& path) {
    discard();
    file_ = std::fopen(path.c_str(), "wb");
    if (!file_) return false;
    // Only a regular file we write ourselves may be deleted on failure: a device such as
    // /dev/full or a pipe named as the output must stay where it is.
    struct stat info;
    removable_ = fstat(fileno(file_), &info) == 0 && S_ISREG(info.st_mode);
    path_ = path;
    position_ = 0;
    kept_ = false;
    return true;
}

void OutputFile::write(const void* data, size_t length) {
    if (!file_) throw CPdfException("\nOutput file write error: the output is not open\n");
    if (length == 0) return;
    if (std::fwrite(data, 1, length, file_) != length) {
        throw CPdfException(formatText("\nOutput file write error: '%s' (%s)\n", path_.c_str(),
                                       std::strerror(errno)));
    }
    position_ += static_cast<int64_t>(length);
}

void OutputFile::finish() {
    if (!file_) return;
    FILE* file = file_;
    file_ = nullptr;
    bool flushed = std::fflush(file) == 0;
    int flushErrno = errno;
    bool closed = std::fclose(file) == 0;
    if (!flushed || !closed) {
        int code = flushed ? errno : flushErrno;
        if (removable_) std::remove(path_.c_str());
        throw CPdfException(formatText("\nOutput file write error: '%s' (%s)\n", path_.c_str(),
                                       std::strerror(code)));
    }
    kept_ = true;
}

void OutputFile::discard() {
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
    }
    if (!path_.empty() && !kept_ && removable_) std::remove(path_.c_str());
    path_.clear();
}
