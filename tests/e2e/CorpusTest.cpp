// Every file of the real-world corpus through tessel: imposed 2-up and 12-up, the 2-up output split
// back. Each output passes qpdf --check as well as its input does and has the expected page count;
// chosen files get their first sheets rendered and compared, split-back halves show the input
// pages, and destinations keep naming pages. Damage the reader does not repair fails cleanly.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>
// std::regex inlines code that GCC's sanitizer builds wrongly take for reading uninitialised
// memory.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <regex>
#pragma GCC diagnostic pop

#include "e2e/E2eSupport.h"
#include "support/TestPdf.h"

namespace {

// Damaged files are refused with a message (no output, no temporary file); a page tree loop is
// left out instead.
bool refused(const std::string& name) {
    return name.rfind("damaged-", 0) == 0 && name != "damaged-pages-tree-loop.pdf";
}

// Rotations, inherited boxes, contents arrays, font clashes, annotations, cross-reference kinds:
// their first sheets are rendered and compared with the pages.
const std::set<std::string> kRendered = {
    "rotate-90-180-270-crop-trim-bleed-8p.pdf",
    "rotate-on-intermediate-nodes-20p.pdf",
    "rotate-root-270-page-90-override.pdf",
    "rotate-mixed-trim-bleed-arabic-4p.pdf",
    "rotate-270-autocad-contents-array.pdf",
    "table-pdf13-scan-rotate90-mediabox-root.pdf",
    "inherit-mediabox-resources-intermediate.pdf",
    "inherit-mediabox-rotate-intermediate-5p.pdf",
    "contents-arrays-merged-7p.pdf",
    "contents-none-some-pages-6p.pdf",
    "font-name-collision-2p.pdf",
    "font-name-collision-merged-13p.pdf",
    "annots-indirect-array-text-popup.pdf",
    "annots-overlay-many-types-rotated-16p.pdf",
    "xrefstream-objstm-pdftex-outline-links-4p.pdf",
    "xrefstream-objstm-predictor12-form-2p.pdf",
    "xrefstream-objstm-boxes-20p.pdf",
    "incremental-table-delete-reuse-30p.pdf",
    "incremental-xrefstream-no-contents-gen1-3p.pdf",
    "hybrid-xref-outlines-30p.pdf",
    "hybrid-msword-export.pdf",
    "linearized-table-contents-arrays-17p.pdf",
    "table-pdf14-pdftex-tracemonkey-14p.pdf",
    "links-820-beamer-41p.pdf",
};

// Outlines, links and named destinations: each must still name a page of the output.
const std::set<std::string> kWithDestinations = {
    "outlines-pdftex-14.pdf",
    "links-820-beamer-41p.pdf",
    "hybrid-xref-outlines-30p.pdf",
    "xrefstream-objstm-pdftex-outline-links-4p.pdf",
    "deep-tree-39-levels-widgets-links.pdf",
    "linearized-table-pdftex-geotopo-117p.pdf",
};

struct Layout {
    const char* options;
    GridLayout grid;
    int sheetsRendered;
};
const Layout kLayouts[] = {{"", {2, 1, true}, 2}, {"-12up3x4", {3, 4, false}, 1}};

std::vector<std::string> corpusFiles() {
    std::vector<std::string> names;
    if (corpusDir().empty()) return names;
    for (const std::string& name : folderEntries(corpusDir()))
        if (name.size() > 4 && name.compare(name.size() - 4, 4, ".pdf") == 0) names.push_back(name);
    return names;
}

std::string withPassword(const std::string& tool, const std::string& password) {
    return password.empty() ? tool : tool + " --password=" + shellQuote(password);
}

TesselRun impose(const std::string& in, const std::string& out, const std::string& options,
                 const std::string& password) {
    std::vector<std::string> args = {in, out};
    for (const std::string& option : splitOptions(options)) args.push_back(option);
    if (!password.empty()) args.insert(args.end(), {"-password", password});
    return runTessel(args);
}

int pageCount(const std::string& pdf, const std::string& password) {
    std::string output;
    if (runCommand(withPassword("qpdf --show-npages", password) + " " + shellQuote(pdf), &output))
        return -1;
    return std::atoi(output.c_str());
}

// Destinations a reader reaches (qpdf's QDF keeps only reachable objects) and how many of those
// name no page of the document's page tree.
std::pair<int, int> danglingDestinations(const std::string& pdf, const TempDir& dir) {
    std::string qdf = dir.file("check.qdf"), pagesText;
    runCommand("qpdf --qdf --object-streams=disable " + shellQuote(pdf) + " " + shellQuote(qdf));
    runCommand("qpdf --show-pages " + shellQuote(qdf), &pagesText);
    std::string text = std::regex_replace(readFileBytes(qdf), std::regex(R"(\s+)"), " ");
    std::regex dest(R"(\[ (\d+ \d+) R /(XYZ|Fit|FitH|FitV|FitR|FitB|FitBH|FitBV) )");
    int total = 0, dangling = 0;
    for (std::sregex_iterator it(text.begin(), text.end(), dest), end; it != end; ++it) {
        total++;
        if (pagesText.find(": " + (*it)[1].str() + " R") == std::string::npos) dangling++;
    }
    return {total, dangling};
}

// Converts with the render check of the first sheets (the layout's grid, each sheet showing the
// grid of its largest page from where its first page's crop box starts).
void expectRendered(const std::string& input, const Layout& layout, int pages, int inputQpdf,
                    const std::string& output) {
    int slots = layout.grid.across * layout.grid.down;
    std::vector<PageBoxes> first;
    std::string error;
    ASSERT_TRUE(readPageBoxes(input, first, &error, 1, slots)) << error;
    PageGeometry page = geometryOf(first[0]);
    bool turned = page.rotation == 90 || page.rotation == 270;
    // A turned sheet is the transposed grid, shown with /Rotate 90.
    double across = layout.grid.twoUpFamily ? 2 : layout.grid.across;
    double down = layout.grid.twoUpFamily ? 1 : layout.grid.down;
    if (turned) std::swap(across, down);
    double width = 0, height = 0;
    for (const PageBoxes& boxes : first) {
        PageGeometry shown = geometryOf(boxes);
        width = std::max(width, shown.x2 - shown.x1);
        height = std::max(height, shown.y2 - shown.y1);
    }
    ConversionCheck check;
    check.inputPath = input;
    check.options = layout.options;
    check.grid = layout.grid;
    check.pages = rowOrder(pages, slots);
    check.cropBox = std::to_string(page.x1) + " " + std::to_string(page.y1) + " " +
                    std::to_string(page.x1 + across * width) + " " +
                    std::to_string(page.y1 + down * height);
    check.rotation = turned ? 90 : 0;
    check.maxPagesChecked = layout.sheetsRendered;
    check.maxInputPages = layout.sheetsRendered * slots;
    // Real pages sit at fractions of a pixel; allow for the antialiasing that shifts.
    check.tolerance.cellMean = 8;
    check.tolerance.blockMean = 90;
    check.tolerance.blankMean = 4;
    check.qpdfAccepted = inputQpdf;
    expectConversion(check, output);
}

class Corpus : public testing::TestWithParam<std::string> {};

TEST_P(Corpus, ImposesAndSplitsBack) {
    const std::string& name = GetParam();
    const std::string input = corpusDir() + "/" + name, password = corpusPassword(name);
    TempDir dir;
    const std::string twoUp = dir.file("2up.pdf");
    if (refused(name)) {
        for (const char* options : {"", "-2to1up"}) {
            TesselRun run = impose(input, twoUp, options, password);
            EXPECT_EQ(run.status, 1) << options << ": " << run.output;
            EXPECT_EQ(run.output.find("Done."), std::string::npos) << run.output;
            EXPECT_FALSE(fileExists(twoUp));
            EXPECT_TRUE(temporaryFilesIn(dir.path()).empty());
        }
        return;
    }
    if (!password.empty()) {
        TesselRun run = impose(input, twoUp, "", "");
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.output.find("\nPDF file is encrypted\nThe password is needed: give it with "
                                  "-password <text>\n"),
                  std::string::npos)
            << run.output;
        EXPECT_FALSE(fileExists(twoUp));
    }
    std::string report;
    const int inputQpdf =
        runCommand(withPassword("qpdf --check", password) + " " + shellQuote(input), &report, true);
    // qpdf repairs damage and may count pages differently then.
    const int pages = inputQpdf == 2 ? -1 : pageCount(input, password);
    auto expectAsClean = [&](const std::string& output) {
        int status = runCommand(withPassword("qpdf --check", password) + " " + shellQuote(output),
                                &report, true);
        EXPECT_TRUE(status == 0 || (inputQpdf != 0 && status <= inputQpdf))
            << output << ": qpdf exit " << status << "\n"
            << report;
    };
    std::pair<int, int> inputDestinations = {-1, -1};
    for (const Layout& layout : kLayouts) {
        SCOPED_TRACE(layout.options);
        const std::string out = layout.options[0] ? dir.file("12up.pdf") : twoUp;
        if (kRendered.count(name)) {
            expectRendered(input, layout, pages, inputQpdf, out);
        } else {
            TesselRun run = impose(input, out, layout.options, password);
            ASSERT_EQ(run.status, 0) << run.output;
            expectAsClean(out);
            int slots = layout.grid.across * layout.grid.down;
            if (pages > 0) {
                EXPECT_EQ(pageCount(out, password), (pages + slots - 1) / slots);
            }
        }
        if (kWithDestinations.count(name)) {
            if (inputDestinations.first < 0) inputDestinations = danglingDestinations(input, dir);
            auto [total, dangling] = danglingDestinations(out, dir);
            EXPECT_GE(total, inputDestinations.first);
            EXPECT_LE(dangling, inputDestinations.second) << total << " destinations";
        }
    }

    const std::string back = dir.file("back.pdf");
    TesselRun run = impose(twoUp, back, "-2to1up", password);
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_TRUE(temporaryFilesIn(dir.path()).empty());
    expectAsClean(back);
    const int halves = pageCount(back, password);
    EXPECT_EQ(halves, 2 * pageCount(twoUp, password));
    if (!password.empty() || pages <= 0) return;
    // Where a half is as large as its page, it shows that page.
    std::vector<GrayImage> inImages, outImages;
    std::string error, messages;
    int count = std::min(4, pages);
    ASSERT_TRUE(renderPages(input, 20, inImages, &error, 1, count, &messages)) << error;
    ASSERT_TRUE(renderPages(back, 20, outImages, &error, 1, count, &messages)) << error;
    int compared = 0;
    for (size_t i = 0; i < std::min(inImages.size(), outImages.size()); i++) {
        const GrayImage &page = inImages[i], &half = outImages[i];
        if (std::abs(page.width - half.width) > 1 || std::abs(page.height - half.height) > 1)
            continue;
        compared++;
        EXPECT_LE(meanDifference(half, page), 8) << "half " << i + 1;
        for (size_t other = 0; other < inImages.size(); other++) {
            if (other == i || meanDifference(page, inImages[other]) <= 1.5) continue;
            EXPECT_LT(meanDifference(half, page), meanDifference(half, inImages[other]))
                << "half " << i + 1 << " looks like page " << other + 1;
        }
    }
    // Pages of one size, unturned, uncropped: every half must be compared.
    if (name.find("pdftex") != std::string::npos) {
        EXPECT_EQ(compared, count);
    }
}

std::string caseName(const testing::TestParamInfo<std::string>& info) {
    std::string name;
    for (char c : info.param.substr(0, info.param.size() - 4))
        if (std::isalnum(static_cast<unsigned char>(c))) name += c;
    return name;
}

INSTANTIATE_TEST_SUITE_P(Files, Corpus, testing::ValuesIn(corpusFiles()), caseName);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(Corpus);

TEST(Corpus, IsPresent) {
    if (corpusDir().empty())
        GTEST_SKIP() << "../shared/corpus not found (real-world corpus absent)";
    EXPECT_GT(corpusFiles().size(), 50u);
}

}  // namespace
