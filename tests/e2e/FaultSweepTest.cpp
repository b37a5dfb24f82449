// Fault sweep: broken and hostile variants of real and built PDFs run through the main layouts;
// every run must end in time with status 0 or 1, leave no stray files, and write sound output.
// TESSEL_SWEEP=full widens the sweep; by default a fixed pseudo-random subset runs.
#include <dirent.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "e2e/E2eSupport.h"
#include "support/TestPdf.h"

namespace {

const char* const kLayouts[] = {"", "-4up", "-12up3x4", "-split", "-outer-in", "-2to1up"};
const int kLayoutCount = sizeof kLayouts / sizeof kLayouts[0];

bool fullSweep() {
    const char* mode = std::getenv("TESSEL_SWEEP");
    return mode && std::string(mode) == "full";
}

// A small fixed-seed generator, so the sweep picks the same cases on every run and machine.
class SweepRandom {
  public:
    explicit SweepRandom(uint64_t seed) : state_(seed * 2654435761u + 1) {}
    uint32_t next() {
        state_ = state_ * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<uint32_t>(state_ >> 33);
    }
    size_t below(size_t limit) { return limit ? next() % limit : 0; }

  private:
    uint64_t state_;
};

// The object number of the object whose text contains position pos ("N G obj" before it), or -1.
int enclosingObject(const std::string& pdf, size_t pos) {
    size_t obj = pdf.rfind(" obj", pos);
    if (obj == std::string::npos || obj < 4) return -1;
    size_t end = obj;
    while (end > 0 && pdf[end - 1] >= '0' && pdf[end - 1] <= '9') end--;  // generation
    if (end == obj || end == 0 || pdf[end - 1] != ' ') return -1;
    size_t numEnd = end - 1, start = numEnd;
    while (start > 0 && pdf[start - 1] >= '0' && pdf[start - 1] <= '9') start--;
    if (start == numEnd) return -1;
    return std::atoi(pdf.substr(start, numEnd - start).c_str());
}

// All positions of needle in pdf.
std::vector<size_t> findAll(const std::string& pdf, const std::string& needle) {
    std::vector<size_t> found;
    for (size_t at = pdf.find(needle); at != std::string::npos; at = pdf.find(needle, at + 1))
        found.push_back(at);
    return found;
}

// Replaces the number after key at the occurrence picked by pick with value; "" when the key
// is absent.
std::string replaceNumberAfter(const std::string& pdf, const std::string& key, size_t pick,
                               const std::string& value,
                               const std::function<std::string(long)>& fromOld = nullptr) {
    std::vector<size_t> hits = findAll(pdf, key);
    if (hits.empty()) return "";
    size_t at = hits[pick % hits.size()] + key.size();
    while (at < pdf.size() && (pdf[at] == ' ' || pdf[at] == '\n' || pdf[at] == '\r')) at++;
    size_t end = at;
    if (end < pdf.size() && pdf[end] == '-') end++;
    while (end < pdf.size() && pdf[end] >= '0' && pdf[end] <= '9') end++;
    if (end == at) return "";
    std::string replacement =
        fromOld ? fromOld(std::atol(pdf.substr(at, end - at).c_str())) : value;
    return pdf.substr(0, at) + replacement + pdf.substr(end);
}

// The kinds of damage done to a file; param selects the variant within a kind.
enum class Damage {
    truncate,
    flipBytes,
    flipTail,
    shiftXRefEntry,
    startXRefWrong,
    dropEndstream,
    wrongLength,
    prevLoop,
    kidsLoop,
    parentLoop,
    absurdCount,
    absurdSize,
};

struct VariantPlan {
    Damage damage;
    int param;
    std::string name() const {
        static const char* const names[] = {"truncate",         "flip-bytes",   "flip-tail",
                                            "shift-xref-entry", "startxref",    "no-endstream",
                                            "wrong-length",     "prev-loop",    "kids-loop",
                                            "parent-loop",      "absurd-count", "absurd-size"};
        return std::string(names[static_cast<int>(damage)]) + "#" + std::to_string(param);
    }
};

// Every variant plan a file gets: in the full sweep more cut points and more flips.
std::vector<VariantPlan> variantPlans(bool full) {
    std::vector<VariantPlan> plans;
    int cuts = full ? 16 : 8, flips = full ? 8 : 4;
    for (int i = 0; i < cuts; i++) plans.push_back({Damage::truncate, i});
    for (int i = 0; i < flips; i++) plans.push_back({Damage::flipBytes, i});
    for (int i = 0; i < flips; i++) plans.push_back({Damage::flipTail, i});
    for (int i = 0; i < 4; i++) plans.push_back({Damage::shiftXRefEntry, i});
    for (int i = 0; i < 5; i++) plans.push_back({Damage::startXRefWrong, i});
    for (int i = 0; i < 2; i++) plans.push_back({Damage::dropEndstream, i});
    for (int i = 0; i < 4; i++) plans.push_back({Damage::wrongLength, i});
    plans.push_back({Damage::prevLoop, 0});
    for (int i = 0; i < 2; i++) plans.push_back({Damage::kidsLoop, i});
    for (int i = 0; i < 2; i++) plans.push_back({Damage::parentLoop, i});
    for (int i = 0; i < 3; i++) plans.push_back({Damage::absurdCount, i});
    for (int i = 0; i < 3; i++) plans.push_back({Damage::absurdSize, i});
    return plans;
}

// The damaged file, or "" when the damage does not apply to this file.
std::string applyDamage(const std::string& pdf, const VariantPlan& plan, uint64_t seed) {
    SweepRandom random(seed * 131 + static_cast<uint64_t>(plan.damage) * 17 + plan.param);
    const size_t size = pdf.size();
    switch (plan.damage) {
        case Damage::truncate: {
            if (size < 2) return "";
            // Even cuts through the file, the odd ones close to the end where the xref lives.
            size_t cut = plan.param % 2 == 0
                             ? size * (plan.param + 1) / 18
                             : size - 1 - random.below(std::min<size_t>(size - 1, 300));
            return pdf.substr(0, std::max<size_t>(cut, 1));
        }
        case Damage::flipBytes:
        case Damage::flipTail: {
            if (size == 0) return "";
            std::string out = pdf;
            size_t from = plan.damage == Damage::flipTail && size > 2048 ? size - 2048 : 0;
            int count = 1 + static_cast<int>(random.below(8));
            for (int i = 0; i < count; i++) {
                size_t at = from + random.below(size - from);
                out[at] = static_cast<char>(out[at] ^ (1 << random.below(8)));
            }
            return out;
        }
        case Damage::shiftXRefEntry: {
            // Classic table entries "oooooooooo ggggg n": move one offset by a few bytes.
            std::vector<size_t> entries = findAll(pdf, " 00000 n");
            if (entries.empty() || entries[0] < 10) return "";
            size_t at = entries[random.below(entries.size())] - 10;
            long offset = std::atol(pdf.substr(at, 10).c_str());
            static const long shifts[] = {1, -1, 17, -40};
            char text[32];
            std::snprintf(text, sizeof text, "%010ld",
                          std::max(0L, offset + shifts[plan.param % 4]));
            return pdf.substr(0, at) + text + pdf.substr(at + 10);
        }
        case Damage::startXRefWrong: {
            static const char* const values[] = {"0", "999999999", "-5", "12345678901234567890",
                                                 ""};
            std::vector<size_t> hits = findAll(pdf, "startxref");
            if (hits.empty()) return "";
            if (plan.param == 4)
                return replaceNumberAfter(pdf, "startxref", hits.size() - 1, "",
                                          [](long old) { return std::to_string(old + 3); });
            return replaceNumberAfter(pdf, "startxref", hits.size() - 1, values[plan.param]);
        }
        case Damage::dropEndstream: {
            std::vector<size_t> hits = findAll(pdf, "endstream");
            if (hits.empty()) return "";
            size_t at = plan.param == 0 ? hits[0] : hits[random.below(hits.size())];
            return pdf.substr(0, at) + pdf.substr(at + 9);
        }
        case Damage::wrongLength: {
            std::vector<size_t> hits = findAll(pdf, "/Length ");
            if (hits.empty()) return "";
            size_t pick = random.below(hits.size());
            switch (plan.param) {
                case 0:
                    return replaceNumberAfter(pdf, "/Length ", pick, "",
                                              [](long old) { return std::to_string(old + 100); });
                case 1:
                    return replaceNumberAfter(pdf, "/Length ", pick, "",
                                              [](long old) { return std::to_string(old / 2); });
                case 2:
                    return replaceNumberAfter(pdf, "/Length ", pick, "2147483647");
                default:
                    return replaceNumberAfter(pdf, "/Length ", pick, "-1");
            }
        }
        case Damage::prevLoop: {
            // The last section names itself as the previous one.
            long start = lastStartXRef(pdf);
            if (start < 0) return "";
            std::string prev = " /Prev " + std::to_string(start) + " ";
            size_t trailer = pdf.rfind("trailer");
            if (trailer != std::string::npos) {
                size_t open = pdf.find("<<", trailer);
                if (open == std::string::npos) return "";
                return pdf.substr(0, open + 2) + prev + pdf.substr(open + 2);
            }
            size_t type = pdf.rfind("/XRef");
            if (type == std::string::npos) return "";
            return pdf.substr(0, type + 5) + prev + pdf.substr(type + 5);
        }
        case Damage::kidsLoop: {
            // A page tree node lists itself among its kids.
            std::vector<size_t> hits = findAll(pdf, "/Kids");
            if (hits.empty()) return "";
            size_t at = hits[plan.param == 0 ? 0 : random.below(hits.size())];
            int self = enclosingObject(pdf, at);
            size_t open = pdf.find('[', at);
            if (self < 0 || open == std::string::npos || open > at + 8) return "";
            return pdf.substr(0, open + 1) + std::to_string(self) + " 0 R " + pdf.substr(open + 1);
        }
        case Damage::parentLoop: {
            // A page or node names itself as its parent.
            std::vector<size_t> hits = findAll(pdf, "/Parent ");
            if (hits.empty()) return "";
            size_t pick = plan.param == 0 ? 0 : random.below(hits.size());
            int self = enclosingObject(pdf, hits[pick]);
            if (self < 0) return "";
            return replaceNumberAfter(pdf, "/Parent ", pick, std::to_string(self));
        }
        case Damage::absurdCount:
        case Damage::absurdSize: {
            static const char* const values[] = {"2147483647", "-1", "999999999999"};
            std::string key = plan.damage == Damage::absurdCount ? "/Count " : "/Size ";
            std::vector<size_t> hits = findAll(pdf, key);
            if (hits.empty()) return "";
            // Every occurrence, so no section keeps a sane value.
            std::string out = pdf;
            for (size_t i = 0; i < hits.size(); i++) {
                std::string next = replaceNumberAfter(out, key, i, values[plan.param % 3]);
                if (!next.empty()) out = next;
            }
            return out;
        }
    }
    return "";
}

// --- Hand-built hostile files ---

const char* const kPage =
    "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] /Contents 4 0 R "
    "/Resources << >> >>";

std::string pdfWithPages(const std::string& pagesBody, const std::string& pageBody = kPage,
                         const std::string& extraObject = "", const std::string& trailer = "") {
    TestPdf pdf;
    pdf.addObject(1, "<< /Type /Catalog /Pages 2 0 R >>");
    pdf.addObject(2, pagesBody);
    pdf.addObject(3, pageBody);
    pdf.addStream(4, "<< >>", "0 0 1 rg 10 10 50 50 re f\n");
    if (!extraObject.empty()) pdf.addObject(5, extraObject);
    pdf.setTrailerExtra("/Root 1 0 R" + trailer);
    return pdf.build();
}

// Inserts a /Prev that points to the section itself into the (only) trailer.
std::string withSelfPrev(const std::string& pdf) {
    std::string prev = " /Prev " + std::to_string(lastStartXRef(pdf)) + " ";
    size_t open = pdf.find("<<", pdf.rfind("trailer"));
    return pdf.substr(0, open + 2) + prev + pdf.substr(open + 2);
}

struct BuiltFile {
    std::string name;
    std::string bytes;
};

// Pages whose resources hold thousands of fonts: resourceObjects dictionaries of `fonts` entries
// each, taken in turn by the pages. Merging them sheet by sheet made the time grow with pages
// times entries.
std::string pdfWithLargeResources(int pageCount, int fonts, int resourceObjects) {
    TestPdf pdf;
    pdf.addObject(1, "<< /Type /Catalog /Pages 2 0 R >>");
    pdf.addObject(3, "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
    pdf.addStream(4, "<< >>", "BT /F1 24 Tf 72 700 Td (page) Tj ET");
    for (int r = 0; r < resourceObjects; r++) {
        std::string fontDict;
        for (int i = 0; i < fonts; i++) fontDict += "/F" + std::to_string(i) + " 3 0 R ";
        pdf.addObject(5 + r, "<< /Font << " + fontDict + ">> >>");
    }
    std::string kids;
    for (int p = 0; p < pageCount; p++) {
        int num = 10 + p;
        pdf.addObject(num, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources " +
                               std::to_string(5 + p % resourceObjects) + " 0 R /Contents 4 0 R >>");
        kids += std::to_string(num) + " 0 R ";
    }
    pdf.addObject(
        2, "<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pageCount) + " >>");
    pdf.setTrailerExtra("/Root 1 0 R");
    return pdf.build();
}

std::vector<BuiltFile> builtFiles() {
    std::vector<BuiltFile> files;
    files.push_back({"numbered-9p", makeNumberedPdf(9)});
    FeatureDoc features;
    features.pages = numberedPages(7);
    for (size_t i = 0; i < features.pages.size(); i++) {
        features.pages[i].annotations = i % 2 == 0;
        features.pages[i].inNode = i >= 4;
        features.pages[i].image = i % 3 == 0;
    }
    features.objectStream = true;
    files.push_back({"features-objstm-7p", makeFeaturePdf(features)});

    const std::string pages1 = "<< /Type /Pages /Kids [3 0 R] /Count 1 >>";
    files.push_back({"kids-self", pdfWithPages("<< /Type /Pages /Kids [3 0 R 2 0 R] /Count 2 >>")});
    files.push_back({"kids-cycle-through-page",
                     pdfWithPages(pages1,
                                  "<< /Type /Pages /Parent 2 0 R /Kids [2 0 R 3 0 R] "
                                  "/Count 5 >>")});
    files.push_back(
        {"parent-self",
         pdfWithPages(pages1, "<< /Type /Page /Parent 3 0 R /MediaBox [0 0 200 200] >>")});
    files.push_back({"parent-cycle",
                     pdfWithPages("<< /Type /Pages /Parent 5 0 R /Kids [3 0 R] /Count 1 >>", kPage,
                                  "<< /Type /Pages /Parent 2 0 R /Kids [2 0 R] /Count 1 >>")});
    files.push_back(
        {"count-huge", pdfWithPages("<< /Type /Pages /Kids [3 0 R] /Count 2147483647 >>")});
    files.push_back({"count-negative", pdfWithPages("<< /Type /Pages /Kids [3 0 R] /Count -7 >>")});
    files.push_back({"prev-self", withSelfPrev(pdfWithPages(pages1))});
    {
        std::string base = pdfWithPages(pages1);
        TestPdfUpdate update(base);
        update.addObject(4, "<< /Length 0 >>\nstream\n\nendstream");
        update.setTrailerExtra("/Root 1 0 R");
        std::string two = update.build(5);
        // The first section's trailer now points at the second: the chain loops between them.
        long second = lastStartXRef(two);
        size_t firstTrailer = two.find("trailer");
        size_t open = two.find("<<", firstTrailer);
        files.push_back({"prev-two-cycle", two.substr(0, open + 2) + " /Prev " +
                                               std::to_string(second) + " " +
                                               two.substr(open + 2)});
    }
    {
        std::string pdf = pdfWithPages(pages1);
        files.push_back({"size-huge", replaceNumberAfter(pdf, "/Size ", 0, "2147483647")});
        files.push_back({"size-negative", replaceNumberAfter(pdf, "/Size ", 0, "-3")});
    }
    {
        // Entries of no width, restated by thousands of /Index pairs: billions of steps unless
        // refused.
        TestPdf pdf;
        pdf.addObject(1, "<< /Type /Catalog /Pages 2 0 R >>");
        pdf.addObject(2, pages1);
        pdf.addObject(3, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] >>");
        pdf.setTrailerExtra("/Root 1 0 R");
        std::string index;
        for (int i = 0; i < 6000; i++) index += "0 800000 ";
        std::string bytes = pdf.buildWithXRefStream();
        size_t w = bytes.find("/W [1 4 2]");
        bytes.replace(w, 10, "/W [0 0 0] /Index [" + index + "]");
        files.push_back({"xref-zero-width-index", bytes});
        // A stream /Length of twenty digits, beyond any 64-bit number.
        files.push_back({"length-20-digits", replaceNumberAfter(pdfWithPages(pages1), "/Length ", 0,
                                                                "99999999999999999999")});
    }
    files.push_back({"resources-shared-30000", pdfWithLargeResources(300, 30000, 1)});
    files.push_back({"resources-alternating-30000", pdfWithLargeResources(300, 30000, 2)});
    const std::string deepArray(1000000, '[');
    files.push_back(
        {"deep-array-in-page",
         pdfWithPages(pages1, std::string(kPage).substr(0, std::string(kPage).size() - 2) +
                                  "/Deep " + deepArray + " >>")});
    files.push_back(
        {"deep-array-object", pdfWithPages(pages1,
                                           "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] "
                                           "/Contents 4 0 R /Resources 5 0 R >>",
                                           deepArray)});
    std::string deepDict;
    for (int i = 0; i < 200000; i++) deepDict += "<</A ";
    files.push_back(
        {"deep-dict-resources",
         pdfWithPages(pages1,
                      "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] /Contents 4 0 R "
                      "/Resources 5 0 R >>",
                      deepDict)});
    files.push_back(
        {"deep-array-mediabox",
         pdfWithPages(pages1, "<< /Type /Page /Parent 2 0 R /MediaBox " + deepArray + " >>")});
    files.push_back({"encrypted-standard",
                     pdfWithPages(pages1, kPage,
                                  "<< /Filter /Standard /V 1 /R 2 /O <" + std::string(64, '1') +
                                      "> /U <" + std::string(64, '2') + "> /P -4 >>",
                                  " /Encrypt 5 0 R /ID [<0123456789abcdef0123456789abcdef>"
                                  "<0123456789abcdef0123456789abcdef>]")});
    return files;
}

// --- Running and checking ---

std::vector<std::string> folderEntries(const std::string& folder) {
    std::vector<std::string> names;
    DIR* dir = opendir(folder.c_str());
    if (!dir) return names;
    while (dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

// The last non-empty line of the console text.
std::string lastLine(const std::string& text) {
    size_t end = text.find_last_not_of("\r\n");
    if (end == std::string::npos) return "";
    size_t start = text.find_last_of("\r\n", end);
    return text.substr(start == std::string::npos ? 0 : start + 1,
                       end - (start == std::string::npos ? 0 : start + 1) + 1);
}

struct SweepStats {
    int files = 0;
    int variants = 0;
    int runs = 0;
    int succeeded = 0;
    int failedCleanly = 0;
    std::vector<std::string> problems;
};

// Runs one input through one layout and notes every broken promise. inputQpdf is the input's
// own qpdf --check status (computed on first use).
void sweepRun(const std::string& inputPath, const std::string& label, const char* layout,
              int& inputQpdf, SweepStats& stats) {
    TempDir work;
    std::string command = "cd " + shellQuote(work.path()) + " && timeout -s KILL 20 " +
                          shellQuote(tesselBinary()) + " " + shellQuote(inputPath) + " out.pdf " +
                          layout + " </dev/null";
    std::string console;
    int status = runCommand(command, &console, true);
    stats.runs++;
    std::string where = label + " [" + (*layout ? layout : "-ab") + "]: ";
    std::vector<std::string> left = folderEntries(work.path());

    if (status != 0 && status != 1) {
        stats.problems.push_back(where + "exit status " + std::to_string(status) +
                                 (status == 137 ? " (killed after 20 s)" : "") + "\n" +
                                 console.substr(0, 2000));
        return;
    }
    if (console.find("Sanitizer") != std::string::npos ||
        console.find("runtime error") != std::string::npos) {
        stats.problems.push_back(where + "sanitizer report\n" + console.substr(0, 4000));
        return;
    }
    if (status == 1) {
        stats.failedCleanly++;
        std::string last = lastLine(console);
        // A message follows the progress line or the file names; a bare one means none came.
        std::string rest = last;
        if (rest.rfind("Processing", 0) == 0) {
            size_t text = rest.find_first_not_of(".", 10);
            rest = text == std::string::npos ? "" : rest.substr(text);
        }
        if (rest.rfind("Input file: '", 0) == 0) {
            size_t close = rest.find('\'', 13);
            rest = close == std::string::npos ? "" : rest.substr(close + 1);
            if (rest == ", output file: 'out.pdf'") rest.clear();
        }
        bool noMessage = rest.empty();
        if (noMessage) stats.problems.push_back(where + "failed without a message:\n" + console);
        if (console.find("\nDone.\n") != std::string::npos)
            stats.problems.push_back(where + "failed but printed Done.\n" + console);
        if (!left.empty())
            stats.problems.push_back(where + "failure left file " + left[0] + " behind");
        return;
    }
    stats.succeeded++;
    if (left != std::vector<std::string>{"out.pdf"}) {
        std::string names;
        for (const std::string& name : left) names += name + " ";
        stats.problems.push_back(where + "success left files: " + names);
        return;
    }
    std::string qpdfOutput;
    int outQpdf = qpdfCheck(work.file("out.pdf"), &qpdfOutput);
    if (outQpdf == 2) {
        if (inputQpdf < 0) inputQpdf = qpdfCheck(inputPath);
        if (inputQpdf != 2)
            stats.problems.push_back(where + "qpdf finds errors the input did not have:\n" +
                                     qpdfOutput.substr(0, 2000));
    } else if (outQpdf != 0 && outQpdf != 3) {
        stats.problems.push_back(where + "qpdf --check exit " + std::to_string(outQpdf));
    }
}

void reportStats(const char* what, const SweepStats& stats) {
    std::cout << "[ sweep    ] " << what << ": " << stats.files << " files, " << stats.variants
              << " variants, " << stats.runs << " runs over " << kLayoutCount << " layouts, "
              << stats.succeeded << " converted, " << stats.failedCleanly << " refused, "
              << stats.problems.size() << " problems" << std::endl;
    size_t shown = 0;
    for (const std::string& problem : stats.problems) {
        ADD_FAILURE() << problem;
        if (++shown == 30) break;
    }
}

}  // namespace

// Every hand-built hostile file through every layout.
TEST(FaultSweep, BuiltHostileFiles) {
    TempDir inputs;
    SweepStats stats;
    for (const BuiltFile& file : builtFiles()) {
        ASSERT_FALSE(file.bytes.empty()) << file.name;
        std::string path = inputs.write(file.name + ".pdf", file.bytes);
        stats.files++;
        stats.variants++;
        int inputQpdf = -1;
        for (const char* layout : kLayouts) sweepRun(path, file.name, layout, inputQpdf, stats);
    }
    reportStats("built hostile files", stats);
    EXPECT_GT(stats.failedCleanly, 0);
}

// Damaged variants of the corpus files and of two built files. The bounded sweep runs a fixed
// pseudo-random subset of the (variant, layout) pairs; TESSEL_SWEEP=full runs them all.
TEST(FaultSweep, DamagedVariants) {
    const bool full = fullSweep();
    std::vector<std::pair<std::string, std::string>> sources;  // name, path ("" when built)
    std::string corpus = corpusDir();
    if (!corpus.empty()) {
        for (const std::string& name : folderEntries(corpus)) {
            if (name.size() > 4 && name.substr(name.size() - 4) == ".pdf")
                sources.push_back({name, corpus + "/" + name});
        }
    }
    TempDir inputs;
    std::vector<BuiltFile> built = builtFiles();
    for (size_t i = 0; i < 2; i++)
        sources.push_back({built[i].name, inputs.write(built[i].name + ".pdf", built[i].bytes)});

    // The bounded sweep tries about this many runs in all, spread by a fixed seed.
    const size_t boundedRuns = 1200;
    std::vector<VariantPlan> plans = variantPlans(full);
    const size_t totalPairs = sources.size() * plans.size() * kLayoutCount;
    SweepRandom picker(20261206);

    SweepStats stats;
    for (size_t f = 0; f < sources.size(); f++) {
        std::string original = readFileBytes(sources[f].second);
        // Large files cost many seconds a run; the bounded sweep keeps to the smaller ones.
        if (!full && original.size() > 1200000) continue;
        stats.files++;
        for (const VariantPlan& plan : plans) {
            std::vector<const char*> layouts;
            for (const char* layout : kLayouts) {
                if (full || picker.below(totalPairs) < boundedRuns) layouts.push_back(layout);
            }
            if (layouts.empty()) continue;
            std::string damaged = applyDamage(original, plan, f + 1);
            if (damaged.empty() || damaged == original) continue;
            stats.variants++;
            std::string path = inputs.write("variant.pdf", damaged);
            int inputQpdf = -1;
            for (const char* layout : layouts)
                sweepRun(path, sources[f].first + " " + plan.name(), layout, inputQpdf, stats);
        }
        if (full) {
            std::cout << "[ sweep    ] " << sources[f].first << ": " << stats.runs << " runs, "
                      << stats.problems.size() << " problems so far" << std::endl;
        }
    }
    if (sources.size() == 2) std::cout << "[ sweep    ] corpus absent: built files only\n";
    reportStats(full ? "damaged variants (full)" : "damaged variants (bounded)", stats);
    EXPECT_GT(stats.runs, 0);
}
