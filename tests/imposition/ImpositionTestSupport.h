// Imposition test helpers: input copied as the driver does, sheets written, output reopened.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "imposition/ImpositionRun.h"
#include "imposition/OrderText.h"
#include "imposition/PageBoxes.h"
#include "imposition/PageTreeScanner.h"
#include "imposition/SheetWriter.h"
#include "pdf/CPdfDocument.h"
#include "pdf/FormatText.h"
#include "pdf/ObjectText.h"
#include "writer/WriterTestSupport.h"

// A conversion up to the imposition run: header, page tree scan, input objects but the pages.
class ImpositionSetup : public WriterSetup {
  public:
    explicit ImpositionSetup(const std::string& pdf) : WriterSetup(pdf) {
        writeHeader(*ctx);
        pagesRoot = scanPageTree(doc, ctx->input, pages);
        std::vector<bool> isPage(static_cast<size_t>(offsets.size()), false);
        for (const PageRecord& page : pages) {
            if (page.objNum >= 0 && page.objNum < offsets.size())
                isPage[static_cast<size_t>(page.objNum)] = true;
        }
        copyInputObjects(*ctx, isPage, [] {});
    }
    void run(const JobSettings& settings, int root) {
        const Layout& layout = layoutIn(settings);
        CPageOrder order = planPageOrder(settings, layout, static_cast<int>(pages.size()));
        runImposition(settings, layout, *ctx, pages, root, order);
    }
    std::string impose(const JobSettings& settings) {
        run(settings, pagesRoot);
        finishPdf();
        return outputPath();
    }

    PageRecords pages;
    int pagesRoot = 0;
};

// The output reopened by the reader.
class OutputPdf {
  public:
    explicit OutputPdf(const std::string& path) { doc.open(path); }

    std::string text(int num) {
        std::string result;
        getObjectText(doc.getFile(), num, doc, result);
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
    CPdfObject pageValue(int pageNum, const char* key) {
        return object(pageNum).getDict()->lookup(key);
    }
    CPdfObject rawValue(int num, const char* key) { return object(num).getDict()->lookupRaw(key); }
    std::vector<int> kids() {
        CPdfObject catalog = object(doc.getXRef()->getRootNum());
        return refNumbers(catalog.getDict()->lookup("Pages").getDict()->lookup("Kids"));
    }
    static std::vector<int> refNumbers(const CPdfObject& array) {
        std::vector<int> result;
        for (int i = 0; array.isArray() && i < array.getArray()->getLength(); i++)
            result.push_back(array.getArray()->getRaw(i).getRefNum());
        return result;
    }
    static std::vector<double> numbers(const CPdfObject& array) {
        std::vector<double> result;
        for (int i = 0; array.isArray() && i < array.getArray()->getLength(); i++)
            result.push_back(array.getArray()->get(i).getNum());
        return result;
    }
    std::vector<std::string> contentsData(int sheet) {
        std::vector<std::string> result;
        for (int num : refNumbers(pageValue(sheet, "Contents"))) result.push_back(data(num));
        return result;
    }
    bool has(int num, const std::string& part) { return text(num).find(part) != std::string::npos; }

    CPdfDocument doc;
};

// qpdf --check must pass (skipped when qpdf is absent).
inline void expectQpdfClean(const std::string& path) {
    if (runCommand("command -v qpdf >/dev/null") != 0) return;
    std::string output;
    EXPECT_EQ(runCommand("qpdf --check '" + path + "'", &output, true), 0) << output;
}

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
    explicit DocPlan(int pageCount) : pages(static_cast<size_t>(pageCount)) {}
    std::vector<PagePlan> pages;
    std::string rootExtra = "/MediaBox [0 0 612 792]";
    std::map<int, std::string> objects;                          // extra objects by number
    std::map<int, std::pair<std::string, std::string>> streams;  // extra streams: dict, data
};

inline int pageObject(int page) {
    return 10 * page;
}

inline std::string buildDoc(const DocPlan& plan) {
    TestPdf pdf;
    pdf.addObject(1, "<< /Type /Catalog /Pages 2 0 R >>");
    std::string kids;
    int count = static_cast<int>(plan.pages.size());
    for (int page = 1; page <= count; page++) kids += formatText("%d 0 R ", pageObject(page));
    pdf.addObject(2, "<< /Type /Pages " + plan.rootExtra + " /Kids [ " + kids +
                         formatText("] /Count %d >>", count));
    pdf.addObject(3, "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
    pdf.addObject(4, "<< /Type /Font /Subtype /Type1 /BaseFont /Courier >>");
    for (int page = 1; page <= count; page++) {
        const PagePlan& p = plan.pages[static_cast<size_t>(page - 1)];
        std::string dict = "<< /Type /Page /Parent 2 0 R ";
        if (!p.resources.empty()) dict += "/Resources " + p.resources + " ";
        if (p.hasContents) dict += formatText("/Contents %d 0 R ", pageObject(page) + 1);
        pdf.addObject(pageObject(page), dict + p.extra + " >>");
        pdf.addStream(pageObject(page) + 1, "<< >>",
                      p.content.empty() ? formatText("BT /F1 300 Tf 150 250 Td (%d) Tj ET\n", page)
                                        : p.content);
    }
    for (const auto& [num, body] : plan.objects) pdf.addObject(num, body);
    for (const auto& [num, stream] : plan.streams) pdf.addStream(num, stream.first, stream.second);
    pdf.setTrailerExtra("/Root 1 0 R");
    return pdf.build();
}

// An entry from its first slots.
inline SheetEntry entryOf(const std::vector<int>& slots) {
    SheetEntry entry;
    for (size_t k = 0; k < slots.size() && k < SheetEntry::kMaxSlots; k++)
        entry.slots[k] = slots[k];
    return entry;
}

// The sheet geometry of entry in the layout of the options.
inline SheetGeometry geometryFor(const std::string& options, const PageRecords& pages,
                                 const std::vector<int>& slots, bool firstHalf = true) {
    JobSettings settings = orderSettings(options);
    return computeSheetGeometry(settings, layoutIn(settings), pages, entryOf(slots), firstHalf);
}

// Writes the sheets of the entries, then a page tree root listing them, and ends the file.
inline std::vector<int> writeSheets(ImpositionSetup& setup, const std::string& options,
                                    const std::vector<std::vector<int>>& entries,
                                    bool qpdfCheck = true) {
    JobSettings settings = orderSettings(options);
    SheetRunState state;
    state.pagesRootNumber = setup.pagesRoot;
    std::vector<int> sheets;
    std::string kids;
    for (const std::vector<int>& entry : entries) {
        sheets.push_back(
            writeSheet(settings, layoutIn(settings), *setup.ctx, setup.pages, entryOf(entry), state)
                .num);
        kids += formatText(" %d 0 R ", sheets.back());
    }
    setup.offsets.record(setup.pagesRoot, 0, setup.out.position());
    setup.out.write(formatText("%d 0 obj\n<< /Type /Pages /Kids [%s] /Count %d >>\nendobj\n",
                               setup.pagesRoot, kids.c_str(), static_cast<int>(sheets.size())));
    setup.finishPdf();
    if (qpdfCheck) expectQpdfClean(setup.outputPath());
    return sheets;
}
