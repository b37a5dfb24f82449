// The conversion driver: options, the split-back normalisation, and the one forward pass that
// writes header, copied objects, sheets, cross-reference table and trailer.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <memory>
#include <vector>

#include "app/CImpositionJob.h"
#include "app/JobOptions.h"
#include "imposition/CPageOrder.h"
#include "imposition/ImpositionRun.h"
#include "imposition/PageBoxes.h"
#include "normalise/CNormaliser.h"
#include "pdf/CPdfDocument.h"
#include "pdf/CPdfException.h"
#include "pdf/FormatText.h"
#include "writer/ObjectCopy.h"
#include "writer/WriteContext.h"
#include "writer/XRefWriter.h"

namespace {

// Removes the temporary normalised input when the conversion ends, however it ends.
struct TempFileGuard {
    std::string name;
    ~TempFileGuard() {
        if (!name.empty()) std::remove(name.c_str());
    }
};

// Closes the raw input file when the conversion ends.
struct FileCloser {
    void operator()(FILE* file) const {
        if (file) std::fclose(file);
    }
};

// The temporary file's name keeps the shape "<output>_temp_<unique>tmp" with every slash removed,
// so it lies in the current folder; it is created exclusively so that nothing is overwritten.
std::string createTempFile(const std::string& outputFile) {
    for (int attempt = 0; attempt < 1000; attempt++) {
        std::string name = formatText("%s_temp_%ld_%dtmp", outputFile.c_str(),
                                      static_cast<long>(getpid()), attempt);
        std::string cleaned;
        for (char c : name) {
            if (c != '/' && c != '\\') cleaned += c;
        }
        int fd = open(cleaned.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
        if (fd >= 0) {
            close(fd);
            return cleaned;
        }
        if (errno != EEXIST) break;
    }
    throw CPdfException(
        formatText("\nTemporary file create error for output '%s'\n", outputFile.c_str()));
}

// True when both names lead to one existing file (also through links or other spellings).
bool sameFile(const std::string& a, const std::string& b) {
    struct stat first, second;
    if (stat(a.c_str(), &first) != 0 || stat(b.c_str(), &second) != 0) return false;
    return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

// Split-back shows the first half of page p from the first copy of the document and the
// second half from the copy half the pages later: with anything but twice the input's pages,
// halves of different pages would be put together.
void checkDoubledPages(const std::string& originalInput, size_t doubledPages) {
    CPdfDocument original;
    original.open(originalInput);
    PageRecords pages;
    scanPageTree(original.getXRef(), pages);
    if (doubledPages != 2 * pages.size()) {
        throw CPdfException(formatText(
            "\nSplit-back stopped: the input appended to itself has a page count of %zu, not "
            "twice %zu\n",
            doubledPages, pages.size()));
    }
}

}  // namespace

void CImpositionJob::run(int argc, char** argv) {
    settings_ = JobSettings();
    parseOptions(argc, argv, settings_);
    std::string originalInput = settings_.inputFile;

    TempFileGuard temp;
    // Only when split-back is the layout chosen: a larger layout given as well wins over it.
    if (chooseLayout(settings_.flags) == Layout::SplitBack) {
        temp.name = createTempFile(settings_.outputFile);
        // The normaliser has printed its own message; the empty exception only ends the run.
        if (!normalise(settings_.inputFile, settings_.inputFile, temp.name))
            throw CPdfException("");
        settings_.inputFile = temp.name;
    }
    convert(originalInput);
}

void CImpositionJob::convert(const std::string& originalInput) {
    std::unique_ptr<FILE, FileCloser> input(std::fopen(settings_.inputFile.c_str(), "rb"));
    std::printf("Input file: '%s'", settings_.inputFile.c_str());
    if (!input) throw CPdfException("Input file open error\n");

    CPdfDocument doc;
    doc.open(settings_.inputFile);
    CPdfXRef* xref = doc.getXRef();

    OffsetTable offsets;
    offsets.reset(xref->getNumObjects());

    // Writing over the input would destroy it while it is still being read.
    if (sameFile(originalInput, settings_.outputFile) ||
        sameFile(settings_.inputFile, settings_.outputFile)) {
        throw CPdfException(
            formatText("\nOutput file is the input file: '%s'\n", settings_.outputFile.c_str()));
    }
    OutputFile out;
    if (!out.create(settings_.outputFile)) {
        throw CPdfException(
            formatText("\nOutput file create error: '%s'\n", settings_.outputFile.c_str()));
    }
    std::printf(", output file: '%s'\n", settings_.outputFile.c_str());
    std::printf("Processing");
    std::fflush(stdout);

    WriteContext ctx{doc, input.get(), out, offsets};
    writeHeader(ctx);
    offsets.reset(xref->getNumObjects());

    PageRecords pages;
    int pagesRootNumber = scanPageTree(doc, input.get(), pages);
    if (chooseLayout(settings_.flags) == Layout::SplitBack)
        checkDoubledPages(originalInput, pages.size());

    std::vector<bool> isPageObject(static_cast<size_t>(xref->getNumObjects()), false);
    for (const PageRecord& page : pages) {
        if (page.objNum >= 0 && page.objNum < xref->getNumObjects())
            isPageObject[static_cast<size_t>(page.objNum)] = true;
    }
    // A dot at the 6th, 12th, 18th ... page object met in the copy pass.
    int dotCounter = 0;
    copyInputObjects(ctx, isPageObject, [&dotCounter]() {
        dotCounter++;
        if (dotCounter > 10) {
            std::printf(".");
            std::fflush(stdout);
            dotCounter = 0;
        }
        dotCounter++;
    });

    runImposition(settings_, ctx, pages, pagesRootNumber);

    int64_t xrefStart = writeXRefTable(ctx);
    writeTrailer(ctx, xrefStart, xref->getRootNum(), xref->getInfoNum());
    out.finish();
}
