// Fault sweep: hostile built files, and damaged variants of corpus and built files, through the
// main layouts. Every run must end in time with status 0 or 1 and leave no stray file; a failure
// says why, and an output is no less sound than its input.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "e2e/E2eSupport.h"
#include "pdf/FormatText.h"
#include "support/TestPdf.h"

namespace {

const char* const kLayouts[] = {"", "-12up3x4", "-split", "-2to1up"};

std::vector<size_t> findAll(const std::string& pdf, const std::string& needle) {
    std::vector<size_t> found;
    for (size_t at = pdf.find(needle); at != std::string::npos; at = pdf.find(needle, at + 1))
        found.push_back(at);
    return found;
}

// The object number of the "N G obj" before pos, or -1.
int enclosingObject(const std::string& pdf, size_t pos) {
    size_t obj = pdf.rfind(" obj", pos);
    if (obj == std::string::npos) return -1;
    size_t gen = pdf.find_last_not_of("0123456789", obj - 1);
    if (gen == std::string::npos || gen == obj - 1 || pdf[gen] != ' ') return -1;
    size_t start = pdf.find_last_not_of("0123456789", gen - 1);
    start = start == std::string::npos ? 0 : start + 1;
    return start == gen ? -1 : std::atoi(pdf.c_str() + start);
}

// Replaces the number after occurrence pick (modulo their count) of key by value(old number);
// "" when there is none.
std::string replaceNumber(const std::string& pdf, const std::string& key, size_t pick,
                          const std::function<std::string(long)>& value) {
    std::vector<size_t> hits = findAll(pdf, key);
    if (hits.empty()) return "";
    size_t at = pdf.find_first_not_of(" \r\n", hits[pick % hits.size()] + key.size());
    if (at == std::string::npos) return "";
    size_t end = pdf.find_first_not_of("0123456789", at + (pdf[at] == '-'));
    if (end == at || end == std::string::npos) return "";
    return pdf.substr(0, at) + value(std::atol(pdf.c_str() + at)) + pdf.substr(end);
}
std::function<std::string(long)> fixed(const std::string& text) {
    return [text](long) { return text; };
}

std::string insertAfter(const std::string& pdf, size_t at, const std::string& text) {
    return at == std::string::npos ? "" : pdf.substr(0, at) + text + pdf.substr(at);
}

// A damage: a name and the damaged file for variant v of n, with r a fixed pseudo-random number.
struct Damage {
    const char* name;
    int variants;
    std::function<std::string(const std::string&, int, uint32_t)> apply;
};

const Damage kDamages[] = {
    // Even cuts through the file, odd ones close to the end where the xref lives.
    {"truncate", 8,
     [](const std::string& pdf, int v, uint32_t r) {
         size_t cut = v % 2 == 0 ? pdf.size() * (v + 1) / 18 : pdf.size() - 1 - r % 300;
         return pdf.substr(0, std::max<size_t>(std::min(cut, pdf.size() - 1), 1));
     }},
    // A few bits flipped anywhere (even v) or in the last 2 KiB (odd v).
    {"flip", 8,
     [](std::string pdf, int v, uint32_t r) {
         size_t from = v % 2 && pdf.size() > 2048 ? pdf.size() - 2048 : 0;
         for (uint32_t i = 0, n = 1 + r % 8; i < n; i++, r = r * 1103515245u + 12345u)
             pdf[from + (r >> 8) % (pdf.size() - from)] ^= static_cast<char>(1 << (r >> 4) % 8);
         return pdf;
     }},
    // A classic table entry's offset moved by a few bytes.
    {"shift-xref-entry", 4,
     [](const std::string& pdf, int v, uint32_t r) {
         std::vector<size_t> entries = findAll(pdf, " 00000 n");
         if (entries.empty() || entries[0] < 10) return std::string();
         size_t at = entries[r % entries.size()] - 10;
         static const long shifts[] = {1, -1, 17, -40};
         std::string text =
             formatText("%010ld", std::max(0L, std::atol(pdf.substr(at, 10).c_str()) + shifts[v]));
         return pdf.substr(0, at) + text + pdf.substr(at + 10);
     }},
    {"startxref", 5,
     [](const std::string& pdf, int v, uint32_t) {
         static const char* const values[] = {"0", "999999999", "-5", "12345678901234567890"};
         return replaceNumber(
             pdf, "startxref", findAll(pdf, "startxref").size() - 1,
             v < 4 ? fixed(values[v]) : [](long old) { return std::to_string(old + 3); });
     }},
    {"no-endstream", 2,
     [](const std::string& pdf, int v, uint32_t r) {
         std::vector<size_t> hits = findAll(pdf, "endstream");
         if (hits.empty()) return std::string();
         size_t at = hits[v == 0 ? 0 : r % hits.size()];
         return pdf.substr(0, at) + pdf.substr(at + 9);
     }},
    {"wrong-length", 4,
     [](const std::string& pdf, int v, uint32_t r) {
         static const std::function<std::string(long)> values[] = {
             [](long old) { return std::to_string(old + 100); },
             [](long old) { return std::to_string(old / 2); }, fixed("2147483647"), fixed("-1")};
         return replaceNumber(pdf, "/Length ", r, values[v]);
     }},
    // The last section names itself as the previous one.
    {"prev-loop", 1,
     [](const std::string& pdf, int, uint32_t) {
         std::string prev = " /Prev " + std::to_string(lastStartXRef(pdf)) + " ";
         size_t trailer = pdf.rfind("trailer");
         if (trailer != std::string::npos)
             return insertAfter(pdf, pdf.find("<<", trailer) + 2, prev);
         size_t type = pdf.rfind("/XRef");
         return insertAfter(pdf, type == std::string::npos ? type : type + 5, prev);
     }},
    // A page tree node lists itself among its kids.
    {"kids-loop", 2,
     [](const std::string& pdf, int v, uint32_t r) {
         std::vector<size_t> hits = findAll(pdf, "/Kids");
         if (hits.empty()) return std::string();
         size_t at = hits[v == 0 ? 0 : r % hits.size()], open = pdf.find('[', at);
         int self = enclosingObject(pdf, at);
         if (self < 0 || open > at + 8) return std::string();
         return insertAfter(pdf, open + 1, std::to_string(self) + " 0 R ");
     }},
    // A page or node names itself as its parent.
    {"parent-loop", 2,
     [](const std::string& pdf, int v, uint32_t r) {
         std::vector<size_t> hits = findAll(pdf, "/Parent ");
         if (hits.empty()) return std::string();
         size_t pick = v == 0 ? 0 : r % hits.size();
         int self = enclosingObject(pdf, hits[pick]);
         return self < 0 ? "" : replaceNumber(pdf, "/Parent ", pick, fixed(std::to_string(self)));
     }},
    // Every /Count (even v) or /Size (odd v) absurd, so no section keeps a sane value.
    {"absurd-count-size", 6,
     [](std::string pdf, int v, uint32_t) {
         static const char* const values[] = {"2147483647", "-1", "999999999999"};
         const std::string key = v % 2 ? "/Size " : "/Count ";
         size_t hits = findAll(pdf, key).size();
         for (size_t i = 0; i < hits; i++) {
             std::string next = replaceNumber(pdf, key, i, fixed(values[v / 2]));
             if (!next.empty()) pdf = next;
         }
         return hits ? pdf : "";
     }},
};

// --- Hand-built hostile files ---

const char kPage[] =
    "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] /Contents 4 0 R /Resources << >> >>";
const char kPageWithResources5[] =
    "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] /Contents 4 0 R /Resources 5 0 R >>";
const char kPages1[] = "<< /Type /Pages /Kids [3 0 R] /Count 1 >>";

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

// pageCount pages whose resources hold thousands of fonts, in resourceObjects dictionaries taken
// in turn. Merging them sheet by sheet made the time grow with pages times entries.
std::string pdfWithLargeResources(int pageCount, int fonts, int resourceObjects) {
    TestPdf pdf;
    pdf.addObject(1, "<< /Type /Catalog /Pages 2 0 R >>");
    pdf.addObject(3, "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
    pdf.addStream(4, "<< >>", "BT /F1 24 Tf 72 700 Td (page) Tj ET");
    std::string fontDict, kids;
    for (int i = 0; i < fonts; i++) fontDict += "/F" + std::to_string(i) + " 3 0 R ";
    for (int r = 0; r < resourceObjects; r++)
        pdf.addObject(5 + r, "<< /Font << " + fontDict + ">> >>");
    for (int p = 0; p < pageCount; p++) {
        pdf.addObject(10 + p, formatText("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] "
                                         "/Resources %d 0 R /Contents 4 0 R >>",
                                         5 + p % resourceObjects));
        kids += std::to_string(10 + p) + " 0 R ";
    }
    pdf.addObject(2,
                  formatText("<< /Type /Pages /Kids [%s] /Count %d >>", kids.c_str(), pageCount));
    pdf.setTrailerExtra("/Root 1 0 R");
    return pdf.build();
}

std::string withPrev(const std::string& pdf, size_t trailer, long prev) {
    return insertAfter(pdf, pdf.find("<<", trailer) + 2, " /Prev " + std::to_string(prev) + " ");
}

std::vector<std::pair<std::string, std::string>> builtFiles() {
    FeatureDoc features;
    features.pages = numberedPages(7);
    for (size_t i = 0; i < features.pages.size(); i++) {
        features.pages[i].annotations = i % 2 == 0;
        features.pages[i].inNode = i >= 4;
        features.pages[i].image = i % 3 == 0;
    }
    features.objectStream = true;
    const std::string one = pdfWithPages(kPages1);
    // Two sections whose /Prev entries lead to each other.
    TestPdfUpdate update(one);
    update.addObject(4, "<< /Length 0 >>\nstream\n\nendstream");
    update.setTrailerExtra("/Root 1 0 R");
    const std::string two = update.build(5);
    // Entries of no width, restated by thousands of /Index pairs: billions of steps unless refused.
    TestPdf zeroWidth;
    zeroWidth.addObject(1, "<< /Type /Catalog /Pages 2 0 R >>");
    zeroWidth.addObject(2, kPages1);
    zeroWidth.addObject(3, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] >>");
    zeroWidth.setTrailerExtra("/Root 1 0 R");
    std::string index, xrefIndex = zeroWidth.buildWithXRefStream();
    for (int i = 0; i < 6000; i++) index += "0 800000 ";
    xrefIndex.replace(xrefIndex.find("/W [1 4 2]"), 10, "/W [0 0 0] /Index [" + index + "]");
    const std::string deepArray(1000000, '[');
    std::string deepDict;
    for (int i = 0; i < 200000; i++) deepDict += "<</A ";
    const std::string page = kPage;
    return {
        {"numbered-9p", makeNumberedPdf(9)},
        {"features-objstm-7p", makeFeaturePdf(features)},
        {"kids-self", pdfWithPages("<< /Type /Pages /Kids [3 0 R 2 0 R] /Count 2 >>")},
        {"kids-cycle-through-page",
         pdfWithPages(kPages1, "<< /Type /Pages /Parent 2 0 R /Kids [2 0 R 3 0 R] /Count 5 >>")},
        {"parent-self",
         pdfWithPages(kPages1, "<< /Type /Page /Parent 3 0 R /MediaBox [0 0 200 200] >>")},
        {"parent-cycle",
         pdfWithPages("<< /Type /Pages /Parent 5 0 R /Kids [3 0 R] /Count 1 >>", kPage,
                      "<< /Type /Pages /Parent 2 0 R /Kids [2 0 R] /Count 1 >>")},
        {"count-huge", pdfWithPages("<< /Type /Pages /Kids [3 0 R] /Count 2147483647 >>")},
        {"count-negative", pdfWithPages("<< /Type /Pages /Kids [3 0 R] /Count -7 >>")},
        {"prev-self", withPrev(one, one.rfind("trailer"), lastStartXRef(one))},
        {"prev-two-cycle", withPrev(two, two.find("trailer"), lastStartXRef(two))},
        {"size-huge", replaceNumber(one, "/Size ", 0, fixed("2147483647"))},
        {"size-negative", replaceNumber(one, "/Size ", 0, fixed("-3"))},
        {"xref-zero-width-index", xrefIndex},
        // A stream /Length of twenty digits, beyond any 64-bit number.
        {"length-20-digits", replaceNumber(one, "/Length ", 0, fixed("99999999999999999999"))},
        {"resources-shared-30000", pdfWithLargeResources(300, 30000, 1)},
        {"resources-alternating-30000", pdfWithLargeResources(300, 30000, 2)},
        {"deep-array-in-page",
         pdfWithPages(kPages1, page.substr(0, page.size() - 2) + "/Deep " + deepArray + " >>")},
        {"deep-array-object", pdfWithPages(kPages1, kPageWithResources5, deepArray)},
        {"deep-dict-resources", pdfWithPages(kPages1, kPageWithResources5, deepDict)},
        {"deep-array-mediabox",
         pdfWithPages(kPages1, "<< /Type /Page /Parent 2 0 R /MediaBox " + deepArray + " >>")},
        {"encrypted-standard",
         pdfWithPages(kPages1, kPage,
                      "<< /Filter /Standard /V 1 /R 2 /O <" + std::string(64, '1') + "> /U <" +
                          std::string(64, '2') + "> /P -4 >>",
                      " /Encrypt 5 0 R /ID [<0123456789abcdef0123456789abcdef>"
                      "<0123456789abcdef0123456789abcdef>]")},
    };
}

// --- Running and checking ---

struct Sweep {
    int runs = 0, refused = 0;
    std::vector<std::string> problems;

    // Runs one input through one layout and notes every broken promise. inputQpdf is the input's
    // own qpdf --check status (computed on first use).
    void run(const std::string& input, const std::string& label, const char* layout,
             int& inputQpdf) {
        TempDir work;
        std::string console;
        int status = runCommand("cd " + shellQuote(work.path()) + " && timeout -s KILL 20 " +
                                    shellQuote(tesselBinary()) + " " + shellQuote(input) +
                                    " out.pdf " + layout + " </dev/null",
                                &console, true);
        runs++;
        const std::string where = label + " [" + (*layout ? layout : "-ab") + "]: ";
        const std::vector<std::string> left = folderEntries(work.path());
        if ((status != 0 && status != 1) || console.find("Sanitizer") != std::string::npos ||
            console.find("runtime error") != std::string::npos) {
            problems.push_back(where + "exit status " + std::to_string(status) + "\n" +
                               console.substr(0, 3000));
        } else if (status == 1) {
            refused++;
            // The last line is more than the progress line or the file names.
            std::string last = console.substr(0, console.find_last_not_of("\r\n") + 1);
            last = last.substr(last.find_last_of('\n') + 1);
            if (last.rfind("Processing", 0) == 0)
                last.erase(0, std::min(last.size(), last.find_first_not_of('.', 10)));
            if (last.empty() || last == "Input file: '" + input + "', output file: 'out.pdf'")
                problems.push_back(where + "failed without a message:\n" + console);
            if (console.find("\nDone.\n") != std::string::npos)
                problems.push_back(where + "failed but printed Done.\n" + console);
            if (!left.empty()) problems.push_back(where + "failure left file " + left[0]);
        } else if (left != std::vector<std::string>{"out.pdf"}) {
            problems.push_back(where + "success left " + std::to_string(left.size()) + " files");
        } else {
            std::string report;
            int outQpdf = qpdfCheck(work.file("out.pdf"), &report);
            if (outQpdf == 2 && inputQpdf < 0) inputQpdf = qpdfCheck(input);
            if ((outQpdf == 2 && inputQpdf != 2) || (outQpdf != 0 && outQpdf != 2 && outQpdf != 3))
                problems.push_back(where + "qpdf exit " + std::to_string(outQpdf) + ":\n" +
                                   report.substr(0, 2000));
        }
    }
    void report() const {
        std::printf("[ sweep    ] %d runs, %d refused, %zu problems\n", runs, refused,
                    problems.size());
        for (size_t i = 0; i < problems.size() && i < 30; i++) ADD_FAILURE() << problems[i];
    }
};

}  // namespace

TEST(FaultSweep, BuiltHostileFiles) {
    TempDir inputs;
    Sweep sweep;
    for (const auto& [name, bytes] : builtFiles()) {
        ASSERT_FALSE(bytes.empty()) << name;
        std::string path = inputs.write(name + ".pdf", bytes);
        int inputQpdf = -1;
        for (const char* layout : kLayouts) sweep.run(path, name, layout, inputQpdf);
    }
    sweep.report();
    EXPECT_GT(sweep.refused, 0);
}

// Damaged variants of the corpus files (below 1.2 MB) and of two built files, a fixed
// pseudo-random subset of the (variant, layout) pairs.
TEST(FaultSweep, DamagedVariants) {
    TempDir inputs;
    std::vector<std::string> sources;
    std::string corpus = corpusDir();
    for (const std::string& name :
         corpus.empty() ? std::vector<std::string>() : folderEntries(corpus))
        if (name.size() > 4 && name.substr(name.size() - 4) == ".pdf")
            sources.push_back(corpus + "/" + name);
    std::vector<std::pair<std::string, std::string>> built = builtFiles();
    for (size_t i = 0; i < 2; i++)
        sources.push_back(inputs.write(built[i].first + ".pdf", built[i].second));
    uint64_t state = 20261206;
    auto random = [&state] {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<uint32_t>(state >> 33);
    };
    Sweep sweep;
    for (const std::string& source : sources) {
        const std::string original = readFileBytes(source);
        if (original.size() > 1200000) continue;
        for (const Damage& damage : kDamages) {
            for (int v = 0; v < damage.variants; v++) {
                // About one (variant, layout) pair in five.
                const char* layout = kLayouts[random() % std::size(kLayouts)];
                if (random() % 5 != 0) continue;
                std::string damaged = damage.apply(original, v, random());
                if (damaged.empty() || damaged == original) continue;
                std::string path = inputs.write("variant.pdf", damaged);
                int inputQpdf = -1;
                sweep.run(path,
                          source.substr(source.rfind('/') + 1) + " " + damage.name + "#" +
                              std::to_string(v),
                          layout, inputQpdf);
            }
        }
    }
    sweep.report();
    EXPECT_GT(sweep.runs, 0);
}
