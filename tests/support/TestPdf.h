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
// The corpus's encrypted files, each with the user password its notes give ("" for none).
const std::vector<std::pair<std::string, std::string>>& encryptedCorpusFiles();
// The user password of a corpus file: "" for all but the encrypted ones that need one.
std::string corpusPassword(const std::string& name);

// Bytes of value, most significant first, in width bytes (an xref stream field).
std::string bigEndianBytes(unsigned long long value, int width);
// zlib-compressed bytes (FlateDecode data).
std::string deflateBytes(const std::string& data);
// The number after the last "startxref" of a file; -1 when there is none.
long lastStartXRef(const std::string& pdf);

// An incremental update appended to an existing file (its header at byte 0): new or redefined
// objects, freed numbers, and a new section whose /Prev is the file's last startxref.
class TestPdfUpdate {
  public:
    explicit TestPdfUpdate(std::string base) : out_(std::move(base)) {}
    // Appends "num gen obj\n<body>\nendobj\n" at once.
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

// One page of makeFeaturePdf. Every page draws the same things as a makeNumberedPdf page (its
// number in /F1 and a square whose place depends on the number), plus what its fields ask for.
struct FeaturePage {
    double width = 612;
    double height = 792;
    // The page's own /Rotate value as text ("90", "-90", "3 0 R"); empty: no /Rotate on the page.
    std::string rotate;
    // BaseFont of the page's /F1; a font other than Helvetica gets an object of its own, so
    // pages of different fonts use one name for different fonts.
    std::string font = "Helvetica";
    // Draws /Im1, an 8 x 8 grey image of its own whose pattern depends on the page number.
    bool image = false;
    enum class Contents { stream, array, none };
    // One content stream, an array of two (square, then text), or no /Contents at all.
    Contents contents = Contents::stream;
    // A Square annotation with an appearance stream (a grey bar whose place depends on the
    // number) and a Link annotation with a /Rect, listed in a direct /Annots array.
    bool annotations = false;
    // The page states its own /MediaBox and /Resources; false leaves both to be inherited.
    bool ownMediaBox = true;
    bool ownResources = true;
    // The page hangs below the intermediate page tree node instead of the root.
    bool inNode = false;
    // More keys of the page object, e.g. "/CropBox [10 10 602 782]".
    std::string extraKeys;
    // Drawn first, e.g. paint that runs beyond the page's box.
    std::string extraContent;
    // A dark Highlight annotation without an appearance stream: readers paint its /QuadPoints.
    bool highlight = false;
};

// A document of FeaturePage pages. Object 3 is always the Helvetica font, so the extra keys of
// the root and of the intermediate node can refer to it ("/Resources << /Font << /F1 3 0 R >> >>").
struct FeatureDoc {
    std::vector<FeaturePage> pages;
    std::string rootExtra;  // extra keys of the page tree root, e.g. "/MediaBox [0 0 612 792]"
    std::string nodeExtra;  // extra keys of the intermediate node (used when a page is inNode)
    // Stores the catalog, the page tree nodes and the page objects in an object stream and writes
    // a cross-reference stream.
    bool objectStream = false;
};
std::string makeFeaturePdf(const FeatureDoc& doc);

// numberedPages(n) gives n default FeaturePage entries (the makeNumberedPdf look).
std::vector<FeaturePage> numberedPages(int count);

// The drawing of a FeaturePage numbered number: parts 1 the square (and the image), 2 the text,
// 3 both; fontName and imageName are the resource names it uses.
std::string featurePageContent(const FeaturePage& page, int number,
                               const std::string& fontName = "F1",
                               const std::string& imageName = "Im1", int parts = 3);
// The 8 x 8 grey pixels of the image of page number.
std::string featureImagePixels(int number);
