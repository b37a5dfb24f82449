// The output PDF and split-back's temporary file, written strictly forward with every write
// checked. A regular output is written to a new temporary file beside it and put in its place
// only when it is complete, so a failed or interrupted run leaves what was there before.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

// Whether the two names lead to one file, links followed: a file read must never be the
// output. False when either does not exist.
bool sameFile(const std::string& a, const std::string& b);

class OutputFile {
  public:
    OutputFile() = default;
    ~OutputFile();  // removes the temporary file unless finish() put it in place
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Opens the output named path; false when it cannot (failureReason() says why). A symbolic
    // link is followed to its target, which is replaced while the link stays; a device, a pipe
    // or one of the process's standard streams is written straight and never removed.
    bool create(const std::string& path);
    // A temporary file of the run's own, created in the folder of besidePath, else in $TMPDIR,
    // else in /tmp. It is removed when this object goes, finished or not; finish() only flushes
    // it.
    bool createTemporary(const std::string& besidePath);
    // Appends bytes; throws CPdfException when the write fails (a full disk, say).
    void write(const void* data, size_t length);
    void write(const std::string& bytes) { write(bytes.data(), bytes.size()); }
    // Byte position of the next write.
    int64_t position() const { return position_; }
    // Flushes and, for a regular output, puts the file in place of the old one; throws
    // CPdfException when that fails, the old file untouched.
    void finish();
    // Drops what was written: the temporary file is removed, a device left as it is.
    void discard();
    // The name given to create(), or the temporary file's name.
    const std::string& path() const { return path_; }
    const std::string& failureReason() const { return failureReason_; }

    // When path names the process's standard output, keeps that stream for the output and sends
    // what is printed on standard output to standard error from then on, so that console text
    // does not mix into the PDF. True when it did.
    static bool claimStandardOutput(const std::string& path);

  private:
    enum class Kind { closed, replacing, temporary, straight };

    bool fail(int code);
    bool openStraight(const std::string& path);
    // Creates a new temporary file in folder ("" for the current one) and opens it.
    bool openTemporaryIn(const std::string& folder);
    void removeTemporary();

    Kind kind_ = Kind::closed;
    FILE* file_ = nullptr;
    std::string path_;
    std::string target_;    // the file a regular output replaces
    std::string tempName_;  // the temporary file while it exists
    int cleanupSlot_ = -1;
    int64_t position_ = 0;
    std::string failureReason_;
};
