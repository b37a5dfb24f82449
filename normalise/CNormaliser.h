// The append engine: writes one plain PDF holding a first document followed by a second one.
#pragma once

#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "normalise/ObjectEdit.h"
#include "pdf/FileHandle.h"
#include "writer/OffsetTable.h"

class CObjectReader;
class CObjectSharing;
class CNormaliseOutput;
class CPdfDocument;
class OutputFile;

// The result is self-contained and plain: every object is a plain indirect object (members of
// object streams are written out, the streams themselves dropped), the cross-reference is a
// classic table, and the second document's page tree hangs under the first one's root, so the
// file shows the first document's pages followed by the second's. Objects of the second
// document that are certainly identical to objects of the first are shared.
class CNormaliser {
  public:
    CNormaliser();
    ~CNormaliser();
    CNormaliser(const CNormaliser&) = delete;
    CNormaliser& operator=(const CNormaliser&) = delete;

    // Does the whole append into output, printing the console messages and, unless turned off,
    // the progress dots. Throws CPdfException on failure.
    void run(const std::string& first, const std::string& second, CNormaliseOutput& output);
    void showProgressDots(bool shown) { progressDots_ = shown; }
    // The password that opens an encrypted input (the empty one is tried first).
    void setPassword(const std::string& password) { password_ = password; }
    // Whether the second document's outline items follow the first's (the default); without,
    // the output has the first document's outline alone.
    void joinOutlines(bool joined) { joinOutlines_ = joined; }
    // True once "Processing" is printed: the console line is open from then on.
    bool isProcessing() const { return processing_; }

  private:
    // A text change planned for one object, applied when the object is written.
    struct PatchOp {
        enum Kind {
            setKey,       // the top-level key gets the value (replaced, or inserted after "<<")
            appendToKey,  // the item goes at the end of the key's direct array
            appendToBody  // the object is an array; the item goes at its end
        };
        Kind kind;
        std::string key;
        std::string text;
    };
    void planPageTrees();
    void planOutlines();
    void writeFirst();
    void writeSecond();
    void writeXRefAndTrailer();
    void writeObject(int64_t outNum, int gen, const std::string& text, char lineEnd);
    // Edits that carry out ops on obj.
    static void patchEdits(const RawObject& obj, const std::vector<PatchOp>& ops,
                           std::vector<TextEdit>& edits);
    // Maps a second-document reference; false when it stays as written.
    bool mapSecondRef(int num, int gen, int64_t* outNum, int* outGen) const;
    void tick();

    // Declared in the order of their lifetimes: later members use earlier ones.
    std::unique_ptr<CPdfDocument> doc1_;
    std::unique_ptr<CPdfDocument> doc2_;
    FileHandle raw1_;
    FileHandle raw2_;
    std::unique_ptr<CObjectReader> reader1_;
    std::unique_ptr<CObjectReader> reader2_;
    std::unique_ptr<CObjectSharing> sharing_;
    CNormaliseOutput* output_ = nullptr;
    std::string outputName_;
    bool progressDots_ = true;
    bool joinOutlines_ = true;
    bool processing_ = false;

    // Second-document object N is written as N + offset_: right behind the first's numbers.
    int64_t offset_ = 0;
    OffsetTable offsets_;
    int64_t dotsPrinted_ = 0;

    int root1_ = 0, info1_ = 0, root2_ = 0, info2_ = 0;
    int pagesRoot1_ = 0, pagesRoot2_ = 0;
    bool mergePages_ = false;
    // Outline chaining: the second document's first top-level item gets /Prev to the first's
    // last one.
    int outlineFirst2_ = 0, outlineLast1_ = 0;
    std::string password_;

    // Text changes of first-document objects, by object number.
    std::map<int, std::vector<PatchOp>> firstPatches_;
    // First-document objects written changed: nothing of the second may be shared with them.
    std::vector<bool> firstChanged_;
};

// Appends the document `first` and the document `second` into the file named `output` (one plain
// PDF, classic xref table, no object streams). Prints the console messages and progress dots. On
// failure prints "%s\r\n" with the message (or "Unexpected exception\r\n") and returns false;
// the file named `output` is then neither created nor changed.
bool normalise(const std::string& first, const std::string& second, const std::string& output);
// The same into a file the caller has open; progressDots false leaves the dots out, and
// joinOutlines false keeps the first document's outline alone (see CNormaliser::joinOutlines).
bool normalise(const std::string& first, const std::string& second, OutputFile& output,
               bool progressDots, const std::string& password = std::string(),
               bool joinOutlines = true);
