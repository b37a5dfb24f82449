// Hostile built files through the main layouts: one row per guard. (CorpusTest runs the damaged
// corpus files; the reader's guards and huge resources have unit tests.)
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "e2e/E2eSupport.h"
#include "support/TestPdf.h"

namespace {

const char* const kLayouts[] = {"-ab", "-12up3x4", "-split", "-2to1up"};

// pdf with the number after the first "key " replaced by value.
std::string withNumber(const std::string& pdf, const std::string& key, const std::string& value) {
    size_t at = pdf.find(key + " ") + key.size() + 1;
    return pdf.substr(0, at) + value + pdf.substr(pdf.find_first_not_of("0123456789", at));
}

const char kPage[] =
    "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] /Contents 4 0 R /Resources << >> >>";
const char kPages1[] = "<< /Type /Pages /Kids [3 0 R] /Count 1 >>";

std::string pdfWithPages(const std::string& pagesBody, const std::string& pageBody = kPage,
                         const std::string& extraObject = "", const std::string& trailer = "",
                         bool xrefStream = false) {
    TestPdf pdf;
    pdf.addObject(1, "<< /Type /Catalog /Pages 2 0 R >>");
    pdf.addObject(2, pagesBody);
    pdf.addObject(3, pageBody);
    pdf.addStream(4, "<< >>", "0 0 1 rg 10 10 50 50 re f\n");
    if (!extraObject.empty()) pdf.addObject(5, extraObject);
    pdf.setTrailerExtra("/Root 1 0 R" + trailer);
    return xrefStream ? pdf.buildWithXRefStream() : pdf.build();
}

std::string withPrev(const std::string& pdf, size_t trailer) {
    return pdf.substr(0, pdf.find("<<", trailer) + 2) + " /Prev " +
           std::to_string(lastStartXRef(pdf)) + pdf.substr(pdf.find("<<", trailer) + 2);
}

}  // namespace

// Each file through each layout converts, or is refused with its message and leaves nothing.
// "split-back: " before a message: only -2to1up refuses the file, which reads every object.
TEST(FaultSweep, BuiltHostileFiles) {
    const std::string one = pdfWithPages(kPages1), page = kPage;
    // Two sections whose /Prev entries lead to each other.
    TestPdfUpdate update(one);
    update.addObject(4, "<< /Length 0 >>\nstream\n\nendstream");
    update.setTrailerExtra("/Root 1 0 R");
    const std::string two = update.build(5);
    // Entries of no width, restated by thousands of /Index pairs: billions of steps unless refused.
    std::string index, xrefIndex = pdfWithPages(kPages1, kPage, "", "", true);
    for (int i = 0; i < 6000; i++) index += "0 800000 ";
    xrefIndex.replace(xrefIndex.find("/W [1 4 2]"), 10, "/W [0 0 0] /Index [" + index + "]");
    const std::string deepArray(1000000, '[');
    const std::string noXref = "Couldn't parse an xref";
    const std::string notPage =
        "Broken page tree: element 0 of the /Kids of object 2 is not a reference";
    const std::string deep5 = "split-back: object 5 0 cannot be read";
    const std::string resources5 = page.substr(0, page.find("/Resources")) + "/Resources 5 0 R >>";
    std::string deepDict;
    for (int i = 0; i < 200000; i++) deepDict += "<</A ";
    const std::tuple<const char*, std::string, std::string> rows[] = {
        {"kids-self", pdfWithPages("<< /Type /Pages /Kids [3 0 R 2 0 R] /Count 2 >>"), ""},
        {"parent-self",
         pdfWithPages(kPages1, "<< /Type /Page /Parent 3 0 R /MediaBox [0 0 200 200] >>"), ""},
        {"count-huge", pdfWithPages("<< /Type /Pages /Kids [3 0 R] /Count 2147483647 >>"), ""},
        {"prev-self", withPrev(one, one.rfind("trailer")), ""},
        {"prev-two-cycle", withPrev(two, two.find("trailer")), noXref},
        {"size-huge", withNumber(one, "/Size", "2147483647"), ""},
        {"xref-zero-width-index", xrefIndex, "W item of xref Stream gives entries no width"},
        // A stream /Length of twenty digits, beyond any 64-bit number.
        {"length-20-digits", withNumber(one, "/Length", "99999999999999999999"), noXref},
        {"deep-array-in-page",
         pdfWithPages(kPages1, page.substr(0, page.size() - 2) + "/Deep " + deepArray + " >>"),
         notPage},
        {"deep-array-object", pdfWithPages(kPages1, resources5, deepArray), deep5},
        {"deep-dict-resources", pdfWithPages(kPages1, resources5, deepDict), deep5},
        {"deep-array-mediabox",
         pdfWithPages(kPages1, "<< /Type /Page /Parent 2 0 R /MediaBox " + deepArray + " >>"),
         notPage},
        {"encrypted-standard",
         pdfWithPages(kPages1, kPage,
                      "<< /Filter /Standard /V 1 /R 2 /O <" + std::string(64, '1') + "> /U <" +
                          std::string(64, '2') + "> /P -4 >>",
                      " /Encrypt 5 0 R /ID [<0123456789abcdef0123456789abcdef>"
                      "<0123456789abcdef0123456789abcdef>]"),
         "\nPDF file is encrypted\nThe password is needed: give it with -password <text>\n"},
    };
    TempDir inputs;
    for (const auto& [name, bytes, refusal] : rows) {
        const std::string input = inputs.write(name + std::string(".pdf"), bytes);
        for (const std::string layout : kLayouts) {
            SCOPED_TRACE(name + (" " + layout));
            const bool splitBackOnly = refusal.rfind("split-back: ", 0) == 0;
            const bool refused = !refusal.empty() && (!splitBackOnly || layout == "-2to1up");
            TempDir work;
            std::string console;
            int status = runCommand("cd " + shellQuote(work.path()) + " && timeout -s KILL 20 " +
                                        shellQuote(tesselBinary()) + " " + shellQuote(input) +
                                        " out.pdf " + layout + " </dev/null",
                                    &console, true);
            EXPECT_EQ(status, refused ? 1 : 0) << console;
            EXPECT_NE(console.find(refused ? refusal.substr(splitBackOnly ? 12 : 0) : "\nDone.\n"),
                      std::string::npos)
                << console;
            EXPECT_EQ(console.find("runtime error"), std::string::npos) << console;
            EXPECT_EQ(folderEntries(work.path()), std::vector<std::string>(!refused, "out.pdf"));
            // An output is no less sound than its input.
            EXPECT_TRUE(refused || qpdfCheck(work.file("out.pdf")) == 0 || qpdfCheck(input) != 0);
        }
    }
}
