// Builds small PDF files in memory for tests, computing every offset, and temporary files for them.
#pragma once

#include <map>
#include <string>
#include <vector>

class TestPdf {
  public:
    void setHeader(const std::string& header) { header_ = header; }
    void setPrefix(const std::string& prefix) { prefix_ = prefix; }  // junk before "%PDF-"
    void addObject(int num, const std::string& body, int gen = 0);
    // A stream object; /Length is added to the dictionary text (which must end in ">>").
    void addStream(int num, const std::string& dictBody, const std::string& data, int gen = 0);
    // A member of an object stream (written only by buildWithXRefStream).
    void addCompressed(int num, const std::string& body);
    // Trailer entries beyond /Size, e.g. "/Root 1 0 R /Info 5 0 R".
    void setTrailerExtra(const std::string& extra) { trailerExtra_ = extra; }
    // A classic cross-reference table and trailer.
    std::string build() const;
    // A cross-reference stream (W [1 4 2]); compressed members go into one object stream objStmNum.
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

// pageCount pages of width x height, each drawing its number large in Helvetica and a square
// placed by the number; rotations, when given, are the pages' /Rotate values.
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
// Runs a shell command; its exit status, and its stdout (with stderr when mergeStderr) in output.
int runCommand(const std::string& command, std::string* output = nullptr, bool mergeStderr = false);
// The corpus folder, or "" when it is absent (tests then skip).
std::string corpusDir();
// The user password of a corpus file: "" for all but the encrypted ones that need one.
std::string corpusPassword(const std::string& name);
// Bytes of value, most significant first, in width bytes (an xref stream field).
std::string bigEndianBytes(unsigned long long value, int width);
std::string deflateBytes(const std::string& data);
// The number after the last "startxref" of a file; -1 when there is none.
long lastStartXRef(const std::string& pdf);

// An incremental update appended to a file, with a new section whose /Prev is the last startxref.
class TestPdfUpdate {
  public:
    explicit TestPdfUpdate(std::string base) : out_(std::move(base)) {}
    void addObject(int num, const std::string& body, int gen = 0);
    // Lists num as free with the given (next) generation in the new section.
    void freeObject(int num, int gen = 1);
    // Trailer (or xref stream dictionary) entries beyond /Size and /Prev.
    void setTrailerExtra(const std::string& extra) { trailerExtra_ = extra; }
    // The file with a classic table section: one subsection per object touched.
    std::string build(int size) const;
    // The file with an xref stream section (W [1 4 2], numbered xrefNum) instead.
    std::string buildWithXRefStream(int size, int xrefNum) const;
    long offsetOf(int num) const;

  private:
    struct Entry {
        long offset;
        int gen;
        bool inUse;
    };
    std::string out_;
    std::map<int, Entry> entries_;
    std::string trailerExtra_;
};

// One page of makeFeaturePdf: its number in /F1 and a square placed by the number, as a
// makeNumberedPdf page draws, plus what its fields ask for.
struct FeaturePage {
    double width = 612;
    double height = 792;
    std::string rotate;              // the page's /Rotate value as text; empty: none
    std::string font = "Helvetica";  // BaseFont of /F1; other fonts get an object of their own
    bool image = false;              // draws /Im1, an 8 x 8 grey image placed by the number
    enum class Contents { stream, array, none };
    // One content stream, an array of two (square, then text), or no /Contents at all.
    Contents contents = Contents::stream;
    // A Square annotation with an appearance (a grey bar placed by the number) and a Link.
    bool annotations = false;
    bool ownMediaBox = true;   // false: inherited
    bool ownResources = true;  // false: inherited
    bool inNode = false;       // the page hangs below the intermediate node instead of the root
    std::string extraKeys;     // more keys of the page object, e.g. "/CropBox [10 10 602 782]"
    std::string extraContent;  // drawn first, e.g. paint beyond the page's box
    bool highlight = false;    // a dark Highlight annotation without appearance stream
};

// A document of FeaturePage pages. Object 3 is always Helvetica.
struct FeatureDoc {
    std::vector<FeaturePage> pages;
    std::string rootExtra;  // extra keys of the page tree root, e.g. "/MediaBox [0 0 612 792]"
    std::string nodeExtra;  // extra keys of the intermediate node (used when a page is inNode)
    // Catalog, page tree nodes and pages in an object stream, with a cross-reference stream.
    bool objectStream = false;
};
std::string makeFeaturePdf(const FeatureDoc& doc);

// numberedPages(n) gives n default FeaturePage entries (the makeNumberedPdf look).
std::vector<FeaturePage> numberedPages(int count);
// The drawing of FeaturePage number: parts 1 the square (and image), 2 the text, 3 both.
std::string featurePageContent(const FeaturePage& page, int number,
                               const std::string& fontName = "F1",
                               const std::string& imageName = "Im1", int parts = 3);
// The 8 x 8 grey pixels of the image of page number.
std::string featureImagePixels(int number);
