// The bytes an object is read from: a string in memory, or a window of a file read in blocks
// only as far as a scan needs (never past the window's limit).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

class ByteSource {
  public:
    explicit ByteSource(std::string bytes) : data_(std::move(bytes)) {}
    ByteSource(FILE* file, int64_t start, int64_t limit)
        : file_(file), next_(start), limit_(limit) {}

    // Byte i of the source, -1 beyond its end.
    int at(size_t i) {
        if (i < data_.size()) return static_cast<unsigned char>(data_[i]);
        return ensure(i + 1) ? static_cast<unsigned char>(data_[i]) : -1;
    }
    // Loads bytes until at least count are held; false when the source is shorter.
    bool ensure(size_t count);
    // Position of the first occurrence of the pattern at or after from, loading as needed;
    // std::string::npos when there is none.
    size_t find(const char* pattern, size_t length, size_t from);
    // The bytes loaded so far.
    std::string& data() { return data_; }

  private:
    std::string data_;
    FILE* file_ = nullptr;
    int64_t next_ = 0;
    int64_t limit_ = 0;
};
