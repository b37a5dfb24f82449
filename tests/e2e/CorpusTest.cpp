// Every file of the real-world corpus through tessel, imposed 2-up and 12-up and the 2-up output
// split back: each output passes qpdf --check as well as its input and has the expected page
// count; the first sheets of every unencrypted file are rendered and compared with its pages.
// Damage the reader does not repair fails cleanly.
#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "e2e/E2eSupport.h"
#include "support/TestPdf.h"

namespace {

std::vector<std::string> corpusFiles() {
    std::vector<std::string> names;
    for (const std::string& name : corpusDir().empty() ? names : folderEntries(corpusDir()))
        if (name.size() > 4 && name.compare(name.size() - 4, 4, ".pdf") == 0) names.push_back(name);
    return names;
}

class Corpus : public testing::TestWithParam<std::string> {};

TEST_P(Corpus, ImposesAndSplitsBack) {
    const std::string& name = GetParam();
    const std::string input = corpusDir() + "/" + name, password = corpusPassword(name);
    const std::string given = password.empty() ? "" : " --password=" + shellQuote(password);
    TempDir dir;
    const std::string twoUp = dir.file("2up.pdf");
    auto impose = [&](const std::string& in, const std::string& out, const std::string& options) {
        const std::string more = password.empty() ? "" : " -password " + password;
        return runTessel(splitOptions(in + " " + out + " " + options + more));
    };
    std::string report;
    auto qpdf = [&](const std::string& what, const std::string& pdf) {
        return runCommand("qpdf " + what + given + " " + shellQuote(pdf), &report,
                          what == "--check");
    };
    auto pageCount = [&](const std::string& pdf) {
        return qpdf("--show-npages", pdf) ? -1 : std::atoi(report.c_str());
    };
    // Damaged files are refused with a message, leaving nothing; a page tree loop is left out.
    if (name.rfind("damaged-", 0) == 0 && name != "damaged-pages-tree-loop.pdf") {
        for (const char* options : {"", "-2to1up"}) {
            TesselRun run = impose(input, twoUp, options);
            EXPECT_EQ(run.status, 1) << options << ": " << run.output;
            EXPECT_EQ(run.output.find("Done."), std::string::npos) << run.output;
            EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>());
        }
        return;
    }
    if (!password.empty()) {
        TesselRun run = runTessel({input, twoUp});
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.output.find("\nPDF file is encrypted\nThe password is needed: give it with "
                                  "-password <text>\n"),
                  std::string::npos)
            << run.output;
    }
    const int inputQpdf = qpdf("--check", input);
    // qpdf repairs damage and may count pages differently then.
    const int pages = inputQpdf == 2 ? -1 : pageCount(input);
    auto expectAsClean = [&](const std::string& output) {
        int status = qpdf("--check", output);
        EXPECT_TRUE(status == 0 || (inputQpdf != 0 && status <= inputQpdf))
            << output << ": qpdf exit " << status << "\n"
            << report;
    };
    for (const char* options : {"", "-12up3x4"}) {
        SCOPED_TRACE(options);
        const std::string out = *options ? dir.file("12up.pdf") : twoUp;
        const int slots = *options ? 12 : 2;
        if (password.empty()) {
            ConversionCheck check;
            check.inputPath = input;
            check.options = options;
            check.grid = gridOf(options);
            std::string order;
            for (int page = 1; page <= pages; page++)
                order += std::to_string(page) + (page % slots ? "," : "|");
            check.pages = parseOrder(order);
            check.maxPagesChecked = *options ? 1 : 2;
            check.maxInputPages = check.maxPagesChecked * slots;
            // Real pages sit at fractions of a pixel; allow for the antialiasing that shifts.
            check.tolerance = RenderTolerance{10, 4, 90};
            check.qpdfAccepted = inputQpdf;
            expectConversion(check, out);
        } else {
            TesselRun run = impose(input, out, options);
            ASSERT_EQ(run.status, 0) << run.output;
            expectAsClean(out);
            EXPECT_TRUE(pages <= 0 || pageCount(out) == (pages + slots - 1) / slots) << pages;
        }
    }
    TesselRun run = impose(twoUp, dir.file("back.pdf"), "-2to1up");
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_TRUE(temporaryFilesIn(dir.path()).empty());
    expectAsClean(dir.file("back.pdf"));
    EXPECT_EQ(pageCount(dir.file("back.pdf")), 2 * pageCount(twoUp));
}

INSTANTIATE_TEST_SUITE_P(Files, Corpus, testing::ValuesIn(corpusFiles()),
                         [](const testing::TestParamInfo<std::string>& p) {
                             std::string name;
                             for (char c : p.param.substr(0, p.param.size() - 4))
                                 if (std::isalnum(static_cast<unsigned char>(c))) name += c;
                             return name;
                         });
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(Corpus);

TEST(Corpus, IsPresent) {
    if (corpusDir().empty())
        GTEST_SKIP() << "../shared/corpus not found (real-world corpus absent)";
    EXPECT_GT(corpusFiles().size(), 50u);
}

}  // namespace
