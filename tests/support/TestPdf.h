// Builds small PDF files in memory for tests, computing every offset, and temporary files for them.
#pragma once

#include <map>
#include <string>
#include <vector>

class TestPdf {
  public:
    void addObject(int num, const std::string& body, int gen = 0);
    void addStream(int num, const std::string& dictBody, const std::string& data, int gen = 0);
    // A member of the object stream, and an xref stream entry for num: buildWithXRefStream only.
    void addCompressed(int num, const std::string& body) { compressed_[num] = body; }
    void addMember(int num, int stream, int index) { members_[num] = {stream, index}; }
    void setTrailerExtra(const std::string& extra) { trailerExtra_ = extra; }  // beyond /Size
    std::string build() const;                                 // a classic cross-reference table
    std::string buildWithXRefStream(int objStmNum = 0) const;  // W [1 4 2]
    long offsetOf(int num) const { return offsets_.count(num) ? offsets_.at(num) : -1; }

  private:
    std::string objectsText() const;  // the header and objects, noting their offsets
    std::map<int, std::pair<int, std::string>> objects_;  // gen and text
    std::map<int, std::string> compressed_;
    std::map<int, std::pair<int, int>> members_;
    std::string trailerExtra_;
    mutable std::map<int, long> offsets_;  // relative to the header, from the last build
};

// Pages each drawing their number in Helvetica and a square placed by it.
std::string makeNumberedPdf(int pageCount, double width = 612, double height = 792);

class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    std::string write(const std::string& name, const std::string& bytes) const;  // the full path

  private:
    std::string path_;
};

std::string readFileBytes(const std::string& path);
bool fileExists(const std::string& path);
// The exit status; stdout (and stderr when mergeStderr) in output.
int runCommand(const std::string& command, std::string* output = nullptr, bool mergeStderr = false);
std::string corpusDir();  // "" when the corpus is absent (tests then skip)
std::string corpusPassword(const std::string& name);              // "" for most
std::string bigEndianBytes(unsigned long long value, int width);  // most significant first
std::string deflateBytes(const std::string& data);
long lastStartXRef(const std::string& pdf);  // -1 when there is none

// An incremental update: a new table section whose /Prev is the base's last startxref.
class TestPdfUpdate {
  public:
    explicit TestPdfUpdate(std::string base) : out_(std::move(base)) {}
    void addObject(int num, const std::string& body, int gen = 0);
    void freeObject(int num, int gen = 1) { entries_[num] = {-1, gen}; }
    void setTrailerExtra(const std::string& extra) { trailerExtra_ = extra; }
    std::string build(int size) const;

  private:
    std::string out_;
    std::map<int, std::pair<long, int>> entries_;  // offset (-1: free) and generation
    std::string trailerExtra_;
};

// One page of makeFeaturePdf: its number and square as makeNumberedPdf draws, and what it asks for.
struct FeaturePage {
    double width = 612, height = 792;
    std::string rotate;              // /Rotate as text; empty: none
    std::string font = "Helvetica";  // BaseFont of /F1
    bool image = false;              // /Im1, an 8 x 8 grey image placed by the number
    enum class Contents { stream, array, none };
    Contents contents = Contents::stream;  // array: square, then text
    bool annotations = false;              // a Square annotation with an appearance, and a Link
    bool ownMediaBox = true, ownResources = true;  // false: inherited
    bool inNode = false;                  // below the intermediate node 4 instead of the root
    std::string extraKeys, extraContent;  // more keys of the page; drawn first
    bool highlight = false;               // a dark Highlight annotation without appearance
};

// A document of FeaturePage pages (object 3 is Helvetica); objectStream puts plain objects in an
// object stream, with an xref stream.
struct FeatureDoc {
    std::vector<FeaturePage> pages;
    std::string rootExtra, nodeExtra;  // extra keys of the page tree root and intermediate node
    bool objectStream = false;
};
std::string makeFeaturePdf(const FeatureDoc& doc);

inline std::vector<FeaturePage> numberedPages(int count) {
    return std::vector<FeaturePage>(static_cast<size_t>(count > 0 ? count : 0));
}
// The drawing of FeaturePage number: parts 1 the square (and image), 2 the text, 3 both.
std::string featurePageContent(const FeaturePage& page, int number,
                               const std::string& fontName = "F1",
                               const std::string& imageName = "Im1", int parts = 3);
std::string featureImagePixels(int number);  // the 8 x 8 grey pixels of page number's image
