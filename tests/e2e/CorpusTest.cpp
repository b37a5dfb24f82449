// Real-world files of the corpus through 2-up, 4-up and 12-up: qpdf --check, sheet count, the
// first sheet's crop box and rotation, and a render check of the first sheets.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "e2e/E2eSupport.h"
#include "support/TestPdf.h"

namespace {

struct CorpusLayout {
    const char* name;
    const char* options;
    int across, down;
    bool twoUpFamily;
    int sheetsChecked;  // sheets rendered and compared
};

const CorpusLayout kLayouts[] = {
    {"TwoUp", "", 2, 1, true, 2},
    {"FourUp", "-4up", 2, 2, false, 2},
    {"TwelveUp3x4", "-12up3x4", 3, 4, false, 1},
};

const char* const kFiles[] = {
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

struct CorpusCase {
    const char* file;
    CorpusLayout layout;
};

std::vector<CorpusCase> allCases() {
    std::vector<CorpusCase> cases;
    for (const char* file : kFiles) {
        for (const CorpusLayout& layout : kLayouts) cases.push_back({file, layout});
    }
    return cases;
}

void PrintTo(const CorpusCase& c, std::ostream* out) {
    *out << c.file << " " << c.layout.options;
}

class Corpus : public testing::TestWithParam<CorpusCase> {};

TEST_P(Corpus, SheetsShowTheRightPages) {
    const CorpusCase& c = GetParam();
    std::string corpus = corpusDir();
    if (corpus.empty()) GTEST_SKIP() << "../shared/corpus not found (real-world corpus absent)";
    std::string input = corpus + "/" + c.file;
    if (!fileExists(input)) GTEST_SKIP() << input << " not found";

    int pageCount = qpdfPageCount(input);
    ASSERT_GT(pageCount, 0) << input;
    int slots = c.layout.across * c.layout.down;
    std::vector<PageBoxes> first;
    std::string error;
    ASSERT_TRUE(readPageBoxes(input, first, &error, 1, slots)) << error;
    PageGeometry page = geometryOf(first[0]);
    bool turned = page.rotation == 90 || page.rotation == 270;
    // A turned sheet is the transposed grid, shown with /Rotate 90.
    double across = turned ? c.layout.down : c.layout.across;
    double down = turned ? c.layout.across : c.layout.down;
    if (c.layout.twoUpFamily) {
        across = turned ? 1 : 2;
        down = turned ? 2 : 1;
    }
    // The first sheet shows the grid of its largest page, from where the first page's shows.
    double width = 0, height = 0;
    for (const PageBoxes& boxes : first) {
        PageGeometry shown = geometryOf(boxes);
        width = std::max(width, shown.x2 - shown.x1);
        height = std::max(height, shown.y2 - shown.y1);
    }

    TempDir dir;
    ConversionCheck check;
    check.inputPath = input;
    check.options = c.layout.options;
    check.grid = GridLayout{c.layout.across, c.layout.down, c.layout.twoUpFamily};
    check.pages = rowOrder(pageCount, slots);
    check.cropBox = std::to_string(page.x1) + " " + std::to_string(page.y1) + " " +
                    std::to_string(page.x1 + across * width) + " " +
                    std::to_string(page.y1 + down * height);
    check.rotation = turned ? 90 : 0;
    check.maxPagesChecked = c.layout.sheetsChecked;
    check.maxInputPages = c.layout.sheetsChecked * slots;
    // Real pages sit at fractions of a pixel; allow for the antialiasing that shifts.
    check.tolerance.cellMean = 8;
    check.tolerance.blockMean = 90;
    check.tolerance.blankMean = 4;
    // Linearized inputs draw warnings about their hint tables from qpdf; so may the output.
    if (qpdfCheck(input) == 3) check.qpdfAccepted = 3;
    expectConversion(check, dir.file("out.pdf"));
}

std::string caseName(const testing::TestParamInfo<CorpusCase>& info) {
    std::string name;
    for (const char* p = info.param.file; *p && std::string(p) != ".pdf"; p++) {
        if (std::isalnum(static_cast<unsigned char>(*p))) name += *p;
    }
    return name + "_" + info.param.layout.name;
}

}  // namespace

INSTANTIATE_TEST_SUITE_P(Files, Corpus, testing::ValuesIn(allCases()), caseName);
