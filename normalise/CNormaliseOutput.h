// The normalised file, written strictly forward: every write is checked, and a file that was
// not finished is removed, so a failure never leaves a result that looks complete.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

class CNormaliseOutput {
  public:
    CNormaliseOutput() = default;
    ~CNormaliseOutput();  // removes the file unless finish() succeeded
    CNormaliseOutput(const CNormaliseOutput&) = delete;
    CNormaliseOutput& operator=(const CNormaliseOutput&) = delete;

    // Creates (or empties) the file; throws "File output error: '%s'" when it cannot.
    void create(const std::string& path);
    // Appends bytes; throws "Output file write error: '%s'" when the write fails.
    void write(const char* data, size_t length);
    void write(const std::string& bytes) { write(bytes.data(), bytes.size()); }
    // Byte position of the next write.
    int64_t position() const { return position_; }
    // Flushes and closes, keeping the file; throws when that fails.
    void finish();
    // Closes the file (if open) and removes it.
    void discard();

  private:
    FILE* file_ = nullptr;
    std::string path_;
    int64_t position_ = 0;
};
