// The conversion job: options, the split-back normalisation, and the one forward pass that
// writes header, copied objects, sheets, cross-reference table and trailer.
#include "app/CImpositionJob.h"

#include <cstdio>
#include <vector>

#include "app/InputFiles.h"
#include "app/JobOptions.h"
#include "app/OptionChecks.h"
#include "imposition/CPageOrder.h"
#include "imposition/CPageRemap.h"
#include "imposition/ImpositionRun.h"
#include "imposition/PageTreeScanner.h"
#include "normalise/CNormaliser.h"
#include "pdf/CPdfDocument.h"
#include "pdf/CPdfException.h"
#include "pdf/FormatText.h"
#include "writer/ObjectCopy.h"
#include "writer/OutputFile.h"
#include "writer/WriteContext.h"
#include "writer/XRefWriter.h"

void CImpositionJob::run(int argc, char** argv) {
    settings_ = JobSettings();
    report_.pending.clear();
    report_.lineOpen = false;
    parseOptions(argc, argv, settings_);
    // The layout is chosen here, once, and handed to every step.
    const Layout& layout = chooseLayout(settings_.flags);
    refuseIneffectiveOptions(settings_, layout);
    refuseOutputOverRead(settings_.outputFile, settings_.inputFile, "input");
    if (!settings_.sequenceFile.empty())
        refuseOutputOverRead(settings_.outputFile, settings_.sequenceFile, "sequence");

    OutputFile normalised;
    if (layout.order == OrderFamily::SplitBack) {
        checkSplitBackInput(layout);
        if (!normalised.createTemporary(settings_.outputFile)) {
            throw CPdfException(formatText("\nTemporary file create error for output '%s'\n%s\n",
                                           settings_.outputFile.c_str(),
                                           normalised.failureReason().c_str()));
        }
        // The normaliser has printed its own message; the empty exception only ends the run.
        // The second copy only shows the second halves: its outline would repeat the first's,
        // whose destinations go to the half that shows their point.
        if (!normalise(settings_.inputFile, settings_.inputFile, normalised, !settings_.quiet,
                       settings_.password, false))
            throw CPdfException("");
        // The normaliser leaves its "Processing" line open.
        std::printf("\n");
        settings_.inputFile = normalised.path();
    }
    convert(layout);
}

void CImpositionJob::checkSplitBackInput(const Layout& layout) {
    // Only an input that opens as a PDF, with a page in the range, is worth the normalised copy.
    // Its failures read as those of any other conversion: after the "Input file" line, which is
    // printed only then.
    report_.pending = formatText("Input file: '%s'", settings_.inputFile.c_str());
    openInputFile(settings_.inputFile);
    report_.lineOpen = true;
    CPdfDocument doc;
    openInputDocument(doc, settings_.inputFile, settings_.password);
    PageRecords pages;
    scanPageTree(doc, nullptr, pages);
    refuseEmptyRange(settings_, layout, static_cast<int>(pages.size()));
    inputPageCount_ = pages.size();
    report_.pending.clear();
    report_.lineOpen = false;
}

void CImpositionJob::convert(const Layout& layout) {
    const bool splitBack = layout.order == OrderFamily::SplitBack;
    std::printf("Input file: '%s'", settings_.inputFile.c_str());
    // The open error follows on this line, as it always has; anything later gets its own.
    FileHandle input = openInputFile(settings_.inputFile);
    report_.lineOpen = true;

    CPdfDocument doc;
    openInputDocument(doc, settings_.inputFile, settings_.password);
    CPdfXRef* xref = doc.getXRef();

    OffsetTable offsets;
    offsets.reset(xref->getNumObjects());

    // The pages and their order, the sequence file included, are read before the output is
    // opened: a range without a page or a bad sequence file is refused with nothing written.
    PageRecords pages;
    int pagesRootNumber = scanPageTree(doc, input.get(), pages);
    const int pageCount = static_cast<int>(pages.size());
    if (!splitBack) refuseEmptyRange(settings_, layout, pageCount);
    // Split back shows the first half of page p from the first copy of the document and the
    // second half from the copy half the pages later: with anything but twice the input's
    // pages, halves of different pages would be put together.
    if (splitBack && pages.size() != 2 * inputPageCount_) {
        throw CPdfException(formatText(
            "\nSplit-back stopped: the input appended to itself has a page count of %zu, not "
            "twice %zu\n",
            pages.size(), inputPageCount_));
    }
    CPageOrder order = planPageOrder(settings_, layout, pageCount);

    OutputFile out;
    if (!out.create(settings_.outputFile)) {
        throw CPdfException(formatText("\nOutput file create error: '%s'\n%s\n",
                                       settings_.outputFile.c_str(), out.failureReason().c_str()));
    }
    std::printf(", output file: '%s'\n", settings_.outputFile.c_str());
    std::printf("Processing");
    std::fflush(stdout);

    WriteContext ctx(doc, input.get(), out, offsets);
    // Where every page goes is known from the order before anything is written, so that the
    // objects naming pages (bookmarks, links, named destinations) are copied naming the output
    // pages in the same forward pass.
    CPageRemap remap;
    remap.plan(settings_, layout, ctx, pages, order);
    ctx.editInputText = [&remap](int num, std::string& text) { remap.rewrite(num, text); };
    writeHeader(ctx);

    std::vector<bool> isPageObject(static_cast<size_t>(xref->getNumObjects()), false);
    for (const PageRecord& page : pages) {
        if (page.objNum >= 0 && page.objNum < xref->getNumObjects())
            isPageObject[static_cast<size_t>(page.objNum)] = true;
    }
    // A dot at the 6th, 12th, 18th ... page object met in the copy pass.
    int dotCounter = 0;
    const bool dots = !settings_.quiet;
    copyInputObjects(ctx, isPageObject, [&dotCounter, dots]() {
        dotCounter++;
        if (dotCounter > 10) {
            if (dots) {
                std::printf(".");
                std::fflush(stdout);
            }
            dotCounter = 0;
        }
        dotCounter++;
    });

    runImposition(settings_, layout, ctx, pages, pagesRootNumber, order);

    int64_t xrefStart = writeXRefTable(ctx);
    writeTrailer(ctx, xrefStart, xref->getRootNum(), xref->getInfoNum());
    out.finish();
}
