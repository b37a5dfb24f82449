// Builds small PDF files in memory for tests, computing every offset, and temporary files for them.
#pragma once

#include <map>
#include <string>
#include <vector>

class TestPdf {
public:
    // The header line(s); the default is a PDF 1.4 version line and a binary comment.
    void setHeader(const std::string& header) { header_ = header; }
    // Bytes put before the header (junk before "%PDF-").
    void setPrefix(const std::string& prefix) { prefix_ = prefix; }
    // An object "num gen obj\n<body>\nendobj\n".
    void addObject(int num, const std::string& body, int gen = 0);
    // A stream object; /Length is added to the dictionary text (which must end in ">>").
    void addStream(int num, const std::string& dictBody, const std::string& data, int gen = 0);
    // A member of an object stream (written only by buildWithXRefStream with object streams).
    void addCompressed(int num, const std::string& body);

    // Trailer entries beyond /Size, e.g. "/Root 1 0 R /Info 5 0 R".
    void setTrailerExtra(const std::string& extra) { trailerExtra_ = extra; }

    // A classic cross-reference table and trailer.
    std::string build() const;
    // A cross-reference stream (W [1 4 2]); compressed members go into one object stream
    // numbered objStmNum. Neither stream is compressed.
    std::string buildWithXRefStream(int objStmNum = 0) const;

    // Offset of object num in the last build (relative to the header).
    long offsetOf(int num) const;

private:
    struct Obj {
        int gen;
        std::string text;
    };
    std::string header_ = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n";
    std::string prefix_;
    std::map<int, Obj> objects_;
    std::map<int, std::string> compressed_;
    std::string trailerExtra_;
    mutable std::map<int, long> offsets_;
};

// A simple document: pageCount pages of width x height, each drawing its page number large
// in Helvetica and a filled square whose position depends on the number, so rendered pages
// differ from each other. rotations, when given, are the pages' /Rotate values.
std::string makeNumberedPdf(int pageCount, double width = 612, double height = 792,
                            const std::vector<int>& rotations = {});

// A temporary folder removed with everything in it when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    // Writes bytes to name inside the folder and returns the full path.
    std::string write(const std::string& name, const std::string& bytes) const;

private:
    std::string path_;
};

std::string readFileBytes(const std::string& path);
bool fileExists(const std::string& path);
// Runs a shell command; returns its exit status and fills output with its stdout (and stderr
// when mergeStderr).
int runCommand(const std::string& command, std::string* output = nullptr, bool mergeStderr = false);
// The corpus folder, or "" when it is absent (tests then skip).
std::string corpusDir();
