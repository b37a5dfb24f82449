// Imposition test helpers: settings from option text, documents of numbered pages, sheets written.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <map>
#include <sstream>

#include "imposition/ImpositionRun.h"
#include "imposition/PageTreeScanner.h"
#include "imposition/SheetWriter.h"
#include "pdf/CPdfException.h"
#include "pdf/ObjectText.h"
#include "writer/WriterTestSupport.h"

// The settings of options such as "-4up -split -s2 rm=10 bm=10 os=5 mb=612x792" (margins, split
// offset, media box); -split and -abN clear the 2-up A/B flag as the command line does.
inline JobSettings orderSettings(const std::string& options) {
    JobSettings s;
    LayoutFlags& f = s.flags;
    std::map<std::string, int*> ints = {{"-s", &s.startPage},    {"-e", &s.endPage},
                                        {"rm=", &s.rightMargin}, {"bm=", &s.bottomMargin},
                                        {"os=", &s.offsetSplit}, {"-ab", &f.abSize}};
    std::map<std::string, bool*> flags;
    std::istringstream names(
        "-ab -down -duplicate -duplex -duplex1423 -duplex1342 -duplex4123 -outer-in -stack -split");
    for (bool* flag : {&f.ab, &f.down, &f.duplicate, &f.duplex, &f.duplex1423, &f.duplex1342,
                       &f.duplex4123, &f.outerIn, &f.stack, &f.split}) {
        std::string name;
        names >> name;
        flags[name] = flag;
    }
    for (const Layout& layout : kLayoutTable)
        flags[layout.option] = &f.layouts[static_cast<size_t>(layout.id)];
    std::istringstream words(options);
    for (std::string word; words >> word;) {
        size_t at = word.find_first_of("-0123456789", 1);
        char* end = nullptr;
        long number = at == std::string::npos ? 0 : std::strtol(word.c_str() + at, &end, 10);
        double w = 0, h = 0;
        if (end && !*end && ints.count(word.substr(0, at))) {
            *ints[word.substr(0, at)] = static_cast<int>(number);
            f.ab = f.ab && word.compare(0, 3, "-ab") != 0;
        } else if (flags.count(word)) {
            *flags[word] = true;
            f.ab = f.ab && word != "-split";
        } else if (word == "-signature") {
            words >> s.signature;
        } else if (std::sscanf(word.c_str(), "mb=%lfx%lf", &w, &h) == 2) {
            s.mediaBox = UserBox{0, 0, w, h};
        } else {
            ADD_FAILURE() << "unknown option in test: " << word;
        }
    }
    return s;
}

// The one layout option of test settings, else 2-up; which of several wins is tested with parsing.
inline const Layout& layoutIn(const JobSettings& settings) {
    const Layout* found = &layoutOf(LayoutId::TwoUp);
    for (const Layout& layout : kLayoutTable)
        found = settings.flags.has(layout.id) ? &layout : found;
    return *found;
}

// The end page as the imposition run hands it to the builders: at or beyond N it means "last".
inline int runEndPage(int endPage, int pageCount) {
    return static_cast<unsigned>(endPage) >= static_cast<unsigned>(pageCount) ? kLastPage : endPage;
}

// "1,2|3,4|5": every entry, its trailing empty slots left out.
inline std::string orderText(const CPageOrder& order, int slotCount) {
    std::string text;
    for (const SheetEntry& entry : order) {
        if (!text.empty()) text += "|";
        int used = slotCount;
        while (used > 1 && entry.slots[used - 1] == 0) used--;
        for (int i = 0; i < used; i++) text += (i ? "," : "") + std::to_string(entry.slots[i]);
    }
    return text;
}

// A conversion up to the imposition run: header, page tree scan, input objects but the pages.
class ImpositionSetup : public WriterSetup {
  public:
    explicit ImpositionSetup(const std::string& pdf) : WriterSetup(pdf) {
        writeHeader(*ctx);
        pagesRoot = scanPageTree(doc, ctx->input, pages);
        std::vector<bool> isPage(static_cast<size_t>(offsets.size()), false);
        for (const PageRecord& page : pages) isPage[static_cast<size_t>(page.objNum)] = true;
        copyInputObjects(*ctx, isPage, [] {});
    }
    PageRecords pages;
    int pagesRoot = 0;
};

// The output reopened by the reader.
struct OutputPdf {
    explicit OutputPdf(const std::string& path) { doc.open(path); }
    CPdfDocument doc;
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
    CPdfObject value(int num, const char* key) { return object(num).getDict()->lookup(key); }
    CPdfObject rawValue(int num, const char* key) { return object(num).getDict()->lookupRaw(key); }
    static std::vector<int> refNumbers(const CPdfObject& array) {
        std::vector<int> result;
        for (int i = 0; array.isArray() && i < array.getArray()->getLength(); i++)
            result.push_back(array.getArray()->getRaw(i).getRefNum());
        return result;
    }
};

// qpdf --check passes (when qpdf is there).
inline void expectQpdfClean(const std::string& path) {
    if (runCommand("command -v qpdf >/dev/null") != 0) return;
    std::string output;
    EXPECT_EQ(runCommand("qpdf --check '" + path + "'", &output, true), 0) << output;
}

// Catalog 1, root 2, Helvetica 3, Courier 4; page k is object 10k, its content stream 10k + 1.
struct PagePlan {
    std::string extra;                                      // more entries of the page dictionary
    std::string resources = "<< /Font << /F1 3 0 R >> >>";  // empty: no /Resources key
    std::string content;                                    // empty: draws the page number
    bool hasContents = true;
};

struct DocPlan {
    explicit DocPlan(int pageCount) : pages(static_cast<size_t>(pageCount)) {}
    std::vector<PagePlan> pages;
    std::string rootExtra = "/MediaBox [0 0 612 792]";
    std::map<int, std::string> objects;  // extra objects by number
};

inline std::string buildDoc(const DocPlan& plan) {
    TestPdf pdf;
    pdf.addObject(1, "<< /Type /Catalog /Pages 2 0 R >>");
    std::string kids;
    int count = static_cast<int>(plan.pages.size());
    for (int page = 1; page <= count; page++) kids += formatText("%d 0 R ", 10 * page);
    pdf.addObject(2, "<< /Type /Pages " + plan.rootExtra + " /Kids [ " + kids +
                         formatText("] /Count %d >>", count));
    pdf.addObject(3, "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
    pdf.addObject(4, "<< /Type /Font /Subtype /Type1 /BaseFont /Courier >>");
    for (int page = 1; page <= count; page++) {
        const PagePlan& p = plan.pages[static_cast<size_t>(page - 1)];
        std::string dict = "<< /Type /Page /Parent 2 0 R ";
        if (!p.resources.empty()) dict += "/Resources " + p.resources + " ";
        if (p.hasContents) dict += formatText("/Contents %d 0 R ", 10 * page + 1);
        pdf.addObject(10 * page, dict + p.extra + " >>");
        pdf.addStream(10 * page + 1, "<< >>",
                      p.content.empty() ? formatText("BT /F1 300 Tf 150 250 Td (%d) Tj ET\n", page)
                                        : p.content);
    }
    for (const auto& [num, body] : plan.objects) pdf.addObject(num, body);
    pdf.setTrailerExtra("/Root 1 0 R");
    return pdf.build();
}

inline SheetEntry entryOf(const std::vector<int>& slots) {
    SheetEntry entry;
    for (size_t k = 0; k < slots.size(); k++) entry.slots[k] = slots[k];
    return entry;
}

// The sheet geometry of an entry in the layout of the options.
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
