// The normalised file: written through an OutputFile, with the normaliser's own messages.
#pragma once

#include <cstdint>
#include <string>

#include "writer/OutputFile.h"

class CNormaliseOutput {
  public:
    // A file of its own named path, created by create() like any output: it appears under its
    // name only when finished.
    explicit CNormaliseOutput(const std::string& path);
    // A file the caller has open (split-back's temporary file).
    explicit CNormaliseOutput(OutputFile& open);
    CNormaliseOutput(const CNormaliseOutput&) = delete;
    CNormaliseOutput& operator=(const CNormaliseOutput&) = delete;

    const std::string& name() const { return name_; }
    // Creates the named file (an open one needs nothing); throws "File output error: '%s'".
    void create();
    // Appends bytes; throws "Output file write error: '%s'" when the write fails.
    void write(const char* data, size_t length);
    void write(const std::string& bytes) { write(bytes.data(), bytes.size()); }
    // Byte position of the next write.
    int64_t position() const { return file_.position(); }
    // Completes the file; throws "Output file write error: '%s'" when that fails.
    void finish();

  private:
    OutputFile owned_;
    OutputFile& file_;
    std::string name_;
    bool named_;  // created here by name rather than handed over open
};
