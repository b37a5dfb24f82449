// Test helpers for the imposition: an input opened and copied as the driver does, the run into a
// complete output file, and the output reopened for checks.
#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/JobSettings.h"
#include "imposition/ImpositionRun.h"
#include "imposition/OrderText.h"
#include "imposition/PageBoxes.h"
#include "imposition/PageTreeScanner.h"
#include "imposition/SheetWriter.h"
#include "pdf/CPdfDocument.h"
#include "pdf/FormatText.h"
#include "pdf/ObjectText.h"
#include "support/TestPdf.h"
#include "writer/ObjectCopy.h"
#include "writer/OffsetTable.h"
#include "writer/OutputFile.h"
#include "writer/WriteContext.h"
#include "writer/XRefWriter.h"

// One conversion up to the imposition run: input opened twice, header written, page tree
// scanned and the input objects copied.
class ImpositionSetup {
  public:
    explicit ImpositionSetup(const std::string& pdf, const std::string& name = "out.pdf")
        : name_(name) {
        inputPath_ = dir_.write("in.pdf", pdf);
        doc.open(inputPath_);
        input_ = std::fopen(inputPath_.c_str(), "rb");
        out.create(outputPath());
        offsets.reset(doc.getXRef()->getNumObjects());
        ctx = std::make_unique<WriteContext>(WriteContext(doc, input_, out, offsets));
        writeHeader(*ctx);
        pagesRoot = scanPageTree(doc, input_, pages);
        std::vector<bool> isPage(static_cast<size_t>(offsets.size()), false);
        for (const PageRecord& page : pages) {
            if (page.objNum >= 0 && page.objNum < offsets.size())
                isPage[static_cast<size_t>(page.objNum)] = true;
        }
        copyInputObjects(*ctx, isPage, [] {});
    }
    ~ImpositionSetup() {
        if (input_) std::fclose(input_);
    }
    ImpositionSetup(const ImpositionSetup&) = delete;
    ImpositionSetup& operator=(const ImpositionSetup&) = delete;

    // Ends the output with the table and trailer; returns its path.
    std::string finishPdf() {
        int64_t start = writeXRefTable(*ctx);
        writeTrailer(*ctx, start, doc.getXRef()->getRootNum(), doc.getXRef()->getInfoNum());
        out.finish();
        return outputPath();
    }
    // The run with the page tree root given, as the driver makes it.
    void run(const JobSettings& settings, int root) {
        const Layout& layout = layoutIn(settings);
        CPageOrder order = planPageOrder(settings, layout, static_cast<int>(pages.size()));
        runImposition(settings, layout, *ctx, pages, root, order);
    }
    // The whole run and the file's end.
    std::string impose(const JobSettings& settings) {
        run(settings, pagesRoot);
        return finishPdf();
    }
    std::string outputPath() const { return dir_.file(name_); }
    const TempDir& dir() const { return dir_; }

  private:
    TempDir dir_;
    std::string name_;
    std::string inputPath_;
    FILE* input_ = nullptr;

  public:
    CPdfDocument doc;
    OutputFile out;
    OffsetTable offsets;
    PageRecords pages;
    int pagesRoot = 0;
    std::unique_ptr<WriteContext> ctx;
};

// The output reopened by the reader.
class OutputPdf {
  public:
    explicit OutputPdf(const std::string& path) {
        doc.open(path);
        file_ = std::fopen(path.c_str(), "rb");
    }
    ~OutputPdf() {
        if (file_) std::fclose(file_);
    }
    OutputPdf(const OutputPdf&) = delete;
    OutputPdf& operator=(const OutputPdf&) = delete;

    std::string text(int num) {
        std::string result;
        getObjectText(file_, num, doc, result);
        return result;
    }
    CPdfObject object(int num) {
        return doc.getXRef()->fetchObject(num, doc.getXRef()->getOutputGen(num));
    }
    std::string data(int num) {
        std::string result;
        readStreamData(doc.getXRef(), object(num), result);
        return result;
    }
    // The page tree root's kids, as object numbers.
    std::vector<int> kids() {
        std::vector<int> result;
        CPdfObject catalog = object(doc.getXRef()->getRootNum());
        CPdfObject root = catalog.getDict()->lookup("Pages");
        CPdfObject array = root.getDict()->lookup("Kids");
        for (int i = 0; i < array.getArray()->getLength(); i++)
            result.push_back(array.getArray()->getRaw(i).getRefNum());
        return result;
    }
    // A page's dictionary entry, resolved.
    CPdfObject pageValue(int pageNum, const char* key) {
        return object(pageNum).getDict()->lookup(key);
    }
    // The numbers of an array of references (resolved from a page's key).
    std::vector<int> refNumbers(const CPdfObject& array) {
        std::vector<int> result;
        if (!array.isArray()) return result;
        for (int i = 0; i < array.getArray()->getLength(); i++)
            result.push_back(array.getArray()->getRaw(i).getRefNum());
        return result;
    }
    std::vector<double> numbers(const CPdfObject& array) {
        std::vector<double> result;
        if (!array.isArray()) return result;
        for (int i = 0; i < array.getArray()->getLength(); i++)
            result.push_back(array.getArray()->get(i).getNum());
        return result;
    }

    CPdfDocument doc;

  private:
    FILE* file_ = nullptr;
};

// qpdf --check on a file: empty when it passes; "skip" when qpdf is absent.
inline std::string qpdfProblems(const std::string& path) {
    if (runCommand("command -v qpdf >/dev/null") != 0) return "skip";
    std::string output;
    int status = runCommand("qpdf --check '" + path + "'", &output, true);
    return status == 0 ? std::string() : output;
}

#define EXPECT_QPDF_CLEAN(path)                                 \
    do {                                                        \
        std::string problems = qpdfProblems(path);              \
        if (problems != "skip") {                               \
            EXPECT_EQ(problems, "") << "qpdf --check " << path; \
        }                                                       \
    } while (0)

// A document of simple pages: catalog 1, page tree root 2, Helvetica 3, Courier 4, objects 5 to
// 9 free for a test; page k (1-based) is object 10k, its content stream 10k + 1, and 10k + 2 to
// 10k + 9 are free for the page's own extra objects.
struct PagePlan {
    std::string extra;                                      // more entries of the page dictionary
    std::string resources = "<< /Font << /F1 3 0 R >> >>";  // empty: no /Resources key
    std::string content;  // empty: a default drawing the page number
    bool hasContents = true;
};

struct DocPlan {
    std::vector<PagePlan> pages;
    std::string rootExtra = "/MediaBox [0 0 612 792]";
    std::map<int, std::string> objects;  // extra objects by number (body text)
    std::map<int, std::pair<std::string, std::string>> streams;  // extra streams: dict, data
};

inline int pageObject(int page) {
    return 10 * page;
}

inline std::string buildDoc(const DocPlan& plan) {
    TestPdf pdf;
    pdf.addObject(1, "<< /Type /Catalog /Pages 2 0 R >>");
    std::string kids;
    for (size_t i = 0; i < plan.pages.size(); i++)
        kids += formatText("%d 0 R ", pageObject(static_cast<int>(i) + 1));
    pdf.addObject(2, "<< /Type /Pages " + plan.rootExtra + " /Kids [ " + kids +
                         formatText("] /Count %d >>", static_cast<int>(plan.pages.size())));
    pdf.addObject(3, "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
    pdf.addObject(4, "<< /Type /Font /Subtype /Type1 /BaseFont /Courier >>");
    for (size_t i = 0; i < plan.pages.size(); i++) {
        int page = static_cast<int>(i) + 1;
        const PagePlan& p = plan.pages[i];
        std::string dict = "<< /Type /Page /Parent 2 0 R ";
        if (!p.resources.empty()) dict += "/Resources " + p.resources + " ";
        if (p.hasContents) dict += formatText("/Contents %d 0 R ", pageObject(page) + 1);
        dict += p.extra + " >>";
        pdf.addObject(pageObject(page), dict);
        std::string content = p.content.empty()
                                  ? formatText("BT /F1 300 Tf 150 250 Td (%d) Tj ET\n", page)
                                  : p.content;
        pdf.addStream(pageObject(page) + 1, "<< >>", content);
    }
    for (const auto& [num, body] : plan.objects) pdf.addObject(num, body);
    for (const auto& [num, stream] : plan.streams) pdf.addStream(num, stream.first, stream.second);
    pdf.setTrailerExtra("/Root 1 0 R");
    return pdf.build();
}

inline DocPlan plainDoc(int pageCount) {
    DocPlan plan;
    plan.pages.resize(static_cast<size_t>(pageCount));
    return plan;
}

// Settings from a few command-line words: -4up, -down, -6up3x2, -12up4x3 ..., -sN, -eN, -ab4,
// -duplicate, -2to1up, and rm=N, bm=N, mb=WxH (a media box from 0,0).
inline JobSettings settingsFor(const std::string& words) {
    JobSettings s;
    size_t pos = 0;
    while (pos < words.size()) {
        size_t end = words.find(' ', pos);
        if (end == std::string::npos) end = words.size();
        std::string w = words.substr(pos, end - pos);
        pos = end + 1;
        LayoutFlags& f = s.flags;
        for (const Layout& layout : kLayoutTable) {
            if (*layout.option && w == layout.option)
                f.layouts[static_cast<size_t>(layout.id)] = true;
        }
        if (w == "-down") f.down = true;
        if (w == "-duplicate") f.duplicate = true;
        if (w == "-ab4") f.abSize = 4, f.ab = false;
        if (w.compare(0, 2, "-s") == 0 && w.size() > 2 &&
            std::isdigit(static_cast<unsigned char>(w[2]))) {
            s.startPage = std::atoi(w.c_str() + 2);
        }
        if (w.compare(0, 2, "-e") == 0 && w.size() > 2 &&
            std::isdigit(static_cast<unsigned char>(w[2]))) {
            s.endPage = std::atoi(w.c_str() + 2);
        }
        if (w.compare(0, 3, "rm=") == 0) s.rightMargin = std::atoi(w.c_str() + 3);
        if (w.compare(0, 3, "os=") == 0) s.offsetSplit = std::atoi(w.c_str() + 3);
        if (w.compare(0, 3, "bm=") == 0) s.bottomMargin = std::atoi(w.c_str() + 3);
        if (w.compare(0, 3, "mb=") == 0) {
            s.mediaBox.x1 = 0;
            s.mediaBox.y1 = 0;
            s.mediaBox.x2 = std::atof(w.c_str() + 3);
            s.mediaBox.y2 = std::atof(w.c_str() + w.find('x') + 1);
        }
    }
    return s;
}

// The sheet geometry in the layout of test settings.
inline SheetGeometry geometryFor(const JobSettings& settings, const PageRecords& pages,
                                 const SheetEntry& entry, bool firstHalf = true) {
    return computeSheetGeometry(settings, layoutIn(settings), pages, entry, firstHalf);
}

// An entry from its first slots.
inline SheetEntry entryOf(const std::vector<int>& slots) {
    SheetEntry entry;
    for (size_t k = 0; k < slots.size() && k < SheetEntry::kMaxSlots; k++)
        entry.slots[k] = slots[k];
    return entry;
}

// Writes the sheets of the entries, then a page tree root listing them, and ends the file.
inline std::vector<OutputPage> writeSheets(ImpositionSetup& setup, const JobSettings& settings,
                                           const std::vector<SheetEntry>& entries,
                                           SheetRunState* runState = nullptr) {
    SheetRunState local;
    SheetRunState& state = runState ? *runState : local;
    state.pagesRootNumber = setup.pagesRoot;
    std::vector<OutputPage> sheets;
    std::string kids;
    for (const SheetEntry& entry : entries) {
        sheets.push_back(
            writeSheet(settings, layoutIn(settings), *setup.ctx, setup.pages, entry, state));
        kids += formatText(" %d 0 R ", sheets.back().num);
    }
    setup.offsets.record(setup.pagesRoot, 0, setup.out.position());
    setup.out.write(formatText("%d 0 obj\n<< /Type /Pages /Kids [%s] /Count %d >>\nendobj\n",
                               setup.pagesRoot, kids.c_str(), static_cast<int>(sheets.size())));
    setup.finishPdf();
    return sheets;
}

// The object numbers of a sheet's /Contents array and the decoded data of each.
inline std::vector<std::string> contentsData(OutputPdf& pdf, int sheet) {
    std::vector<std::string> result;
    for (int num : pdf.refNumbers(pdf.pageValue(sheet, "Contents")))
        result.push_back(pdf.data(num));
    return result;
}
