// The output PDF, written strictly forward: every write is checked, and a file that was not
// finished is removed, so a failure never leaves a result that looks complete.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

class OutputFile {
  public:
    OutputFile() = default;
    ~OutputFile();  // removes the file unless keep() was reached
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Creates the file; false when it cannot be created.
    bool create(const std::string& path);
    // Appends bytes; throws CPdfException when the write fails (a full disk, say).
    void write(const void* data, size_t length);
    void write(const std::string& bytes) { write(bytes.data(), bytes.size()); }
    // Byte position of the next write.
    int64_t position() const { return position_; }
    // Flushes and closes; throws CPdfException when that fails. The file is kept.
    void finish();
    // Closes (if open) and deletes the file when it is a regular file.
    void discard();
    bool isOpen() const { return file_ != nullptr; }
    const std::string& path() const { return path_; }

  private:
    FILE* file_ = nullptr;
    std::string path_;
    int64_t position_ = 0;
    bool kept_ = false;
    bool removable_ = false;  // a regular file, so an unfinished one may be deleted
};
