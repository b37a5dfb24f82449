// The imposition run: single pages around the range, one sheet per entry, no page lost, and the
// flat page tree root.
#include <limits>
#include <set>
#include "ImpositionTestSupport.h"

#include "pdf/CPdfException.h"

namespace {

// Which input pages each output page shows: the "(k) Tj" of every content stream, in order.
std::vector<std::vector<int>> pagesShown(OutputPdf& pdf) {
    std::vector<std::vector<int>> result;
    for (int kid : pdf.kids()) {
        std::vector<int> shown;
        CPdfObject contents = pdf.pageValue(kid, "Contents");
        std::vector<int> streams =
            contents.isArray() ? pdf.refNumbers(contents) : std::vector<int>{};
        if (contents.isStream())
            streams.push_back(pdf.object(kid).getDict()->lookupRaw("Contents").getRefNum());
        for (int num : streams) {
            std::string data = pdf.data(num);
            size_t open = data.find(") Tj");
            if (open == std::string::npos) continue;
            size_t start = data.rfind('(', open);
            shown.push_back(std::atoi(data.c_str() + start + 1));
        }
        result.push_back(shown);
    }
    return result;
}

using Shown = std::vector<std::vector<int>>;

Shown impose(const DocPlan& plan, const std::string& words, std::string* rootText = nullptr) {
    ImpositionSetup setup(buildDoc(plan));
    std::string path = setup.impose(settingsFor(words));
    EXPECT_QPDF_CLEAN(path);
    OutputPdf pdf(path);
    if (rootText) *rootText = pdf.text(2);
    return pagesShown(pdf);
}

}  // namespace

TEST(ImpositionRun, PageTreeRootText) {
    std::string root;
    Shown shown = impose(plainDoc(4), "", &root);
    EXPECT_EQ(shown, (Shown{{1, 2}, {3, 4}}));
    EXPECT_EQ(root, "2 0 obj\n<<\n/Type /Pages\n/Kids [ 10 0 R  30 0 R  ]\n/Count 2\n>>\nendobj\n");
}

TEST(ImpositionRun, SinglePagesBeforeAndAfterTheRange) {
    EXPECT_EQ(impose(plainDoc(10), "-s3"), (Shown{{1}, {2}, {3, 4}, {5, 6}, {7, 8}, {9, 10}}));
    EXPECT_EQ(impose(plainDoc(10), "-e6"), (Shown{{1, 2}, {3, 4}, {5, 6}, {7}, {8}, {9}, {10}}));
    EXPECT_EQ(impose(plainDoc(10), "-e10"), (Shown{{1, 2}, {3, 4}, {5, 6}, {7, 8}, {9, 10}}));
    EXPECT_EQ(impose(plainDoc(10), "-e20"), (Shown{{1, 2}, {3, 4}, {5, 6}, {7, 8}, {9, 10}}));
    EXPECT_EQ(impose(plainDoc(5), "-s9"), (Shown{{1}, {2}, {3}, {4}, {5}}));
    EXPECT_EQ(impose(plainDoc(5), "-s4 -e2"), (Shown{{1}, {2}, {3}, {4}, {5}}));
}

TEST(ImpositionRun, NoPageIsLostAfterARoundedEndPage) {
    // -ab4 rounds the end page 14 down to 12: pages 13 and 14 follow as single pages.
    Shown shown = impose(plainDoc(20), "-4up -ab4 -e14");
    ASSERT_EQ(shown.size(), 12u);
    EXPECT_EQ(shown[0], (std::vector<int>{1, 3, 5, 7}));
    EXPECT_EQ(shown[1], (std::vector<int>{4, 2, 8, 6}));
    EXPECT_EQ(shown[2], (std::vector<int>{9, 11}));
    EXPECT_EQ(shown[3], (std::vector<int>{12, 10}));
    for (int page = 13; page <= 20; page++)
        EXPECT_EQ(shown[static_cast<size_t>(page - 9)], std::vector<int>{page});
}

TEST(ImpositionRun, EmptyFirstSlotOfAFourUpBack) {
    // 4-up A/B on 10 pages ends with the back 0,10,0,0: page 10 carries it.
    Shown shown = impose(plainDoc(10), "-4up -ab4");
    EXPECT_EQ(shown, (Shown{{1, 3, 5, 7}, {4, 2, 8, 6}, {9}, {10}}));
}

TEST(ImpositionRun, SinglePagesStateWhatTheyInherited) {
    DocPlan plan = plainDoc(3);
    plan.rootExtra = "/MediaBox [0 0 500 700] /Rotate 90 /CropBox [5 5 495 695] /Resources 5 0 R";
    plan.objects[5] = "<< /Font << /F1 3 0 R >> >>";
    plan.pages[0].resources = "";
    plan.pages[1].resources = "";
    plan.pages[2].extra = "/MediaBox [0 0 400 400] /CropBox [0 0 400 400] /Rotate 0";
    std::string input = buildDoc(plan);
    ImpositionSetup setup(input);
    std::string path = setup.impose(settingsFor("-s4"));
    EXPECT_QPDF_CLEAN(path);
    OutputPdf pdf(path);
    std::string first = pdf.text(pageObject(1));
    std::string start = "10 0 obj\n<<\n/MediaBox [ 0.000000 0.000000 500.000000 700.000000 ]\n";
    EXPECT_EQ(first.compare(0, start.size(), start), 0) << first;
    EXPECT_NE(first.find("/CropBox [ 5.000000 5.000000 495.000000 695.000000 ]\n"),
              std::string::npos);
    EXPECT_NE(first.find("/Rotate 90\n"), std::string::npos);
    EXPECT_NE(first.find("/Resources 5 0 R\n"), std::string::npos);
    // A page stating everything itself stays as it was, but for its parent.
    ImpositionSetup original(input);
    std::string own;
    getObjectText(original.ctx->input, pageObject(3), original.doc, own);
    EXPECT_EQ(pdf.text(pageObject(3)), own);
    EXPECT_NE(pdf.text(2).find("/Resources 5 0 R\n"), std::string::npos);
}

TEST(ImpositionRun, DirectRootResourcesAreDropped) {
    DocPlan plan = plainDoc(2);
    plan.rootExtra = "/MediaBox [0 0 612 792] /Resources << /Font << /F1 3 0 R >> >>";
    plan.pages[0].resources = "";
    plan.pages[1].resources = "";
    std::string root;
    impose(plan, "-s2", &root);
    EXPECT_EQ(root, "2 0 obj\n<<\n/Type /Pages\n/Kids [ 10 0 R  20 0 R  ]\n/Count 2\n>>\nendobj\n");
}

TEST(ImpositionRun, EveryOutputPageIsItsOwnObject) {
    // With -s3 and -duplicate page 3 carries sheets and earlier pages stay single.
    ImpositionSetup setup(buildDoc(plainDoc(4)));
    std::string path = setup.impose(settingsFor("-duplicate -s3"));
    EXPECT_QPDF_CLEAN(path);
    OutputPdf pdf(path);
    std::vector<int> kids = pdf.kids();
    EXPECT_EQ(pagesShown(pdf), (Shown{{1}, {2}, {3, 3}, {4, 4}}));
    std::set<int> distinct(kids.begin(), kids.end());
    EXPECT_EQ(distinct.size(), kids.size());
}

TEST(ImpositionRun, SplitBackAlternatesHalves) {
    // The normalised input of a split-back conversion holds the document twice.
    ImpositionSetup setup(buildDoc(plainDoc(4)));
    std::string path = setup.impose(settingsFor("-2to1up"));
    EXPECT_QPDF_CLEAN(path);
    OutputPdf pdf(path);
    std::vector<int> kids = pdf.kids();
    ASSERT_EQ(kids.size(), 4u);
    EXPECT_EQ(pdf.numbers(pdf.pageValue(kids[0], "MediaBox")),
              (std::vector<double>{0, 0, 306, 792}));
    EXPECT_EQ(pdf.numbers(pdf.pageValue(kids[1], "MediaBox")),
              (std::vector<double>{306, 0, 612, 792}));
    EXPECT_EQ(pdf.numbers(pdf.pageValue(kids[2], "MediaBox")),
              (std::vector<double>{0, 0, 306, 792}));
    EXPECT_EQ(pagesShown(pdf), (Shown{{1}, {3}, {2}, {4}}));
}

TEST(ImpositionRun, BrokenInputs) {
    TestPdf broken;
    broken.addObject(1, "<< /Type /Catalog /Pages 2 0 R >>");
    broken.addObject(2, "<< /Type /Pages /Kids [ 3 0 R 4 0 R ] /Count 2 >>");
    broken.addObject(3, "<< /Type /Page /Parent 2 0 R >>");
    broken.addObject(4, "<< /Type /Page >>");
    broken.setTrailerExtra("/Root 1 0 R");
    ImpositionSetup setup(broken.build());
    try {
        setup.run(settingsFor("-s2"), setup.pagesRoot);
        FAIL() << "no exception";
    } catch (const CPdfException& e) {
        EXPECT_EQ(e.getMessage(), "File is broken. Can't find /Parent entry\n");
    }
    ImpositionSetup other(broken.build());
    EXPECT_THROW(other.run(settingsFor(""), 0), CPdfException);
    EXPECT_THROW(other.run(settingsFor(""), 1000), CPdfException);
}

TEST(ImpositionRun, SameInputAndOptionsGiveTheSameBytes) {
    DocPlan plan = plainDoc(7);
    plan.pages[2].resources = "<< /Font << /F1 4 0 R >> >>";
    plan.pages[4].extra = "/Annots [ 5 0 R ]";
    plan.objects[5] = "<< /Type /Annot /Subtype /Text /Rect [1 1 20 20] >>";
    std::string input = buildDoc(plan);
    std::string outputs[2];
    for (std::string& output : outputs) {
        ImpositionSetup setup(input);
        output = readFileBytes(setup.impose(settingsFor("-4up -duplicate -e5")));
    }
    EXPECT_FALSE(outputs[0].empty());
    EXPECT_EQ(outputs[0], outputs[1]);
}

TEST(ImpositionRun, RenderedSheetsPutPagesInTheirCells) {
    if (runCommand("command -v pdftoppm >/dev/null") != 0) GTEST_SKIP() << "pdftoppm absent";
    ImpositionSetup setup(makeNumberedPdf(8, 612, 792, {0, 180, 0, 0, 90, 90, 270, 90}));
    std::string path = setup.impose(settingsFor("-4up"));
    std::string errors;
    EXPECT_EQ(runCommand("pdftoppm -r 20 -png '" + path + "' '" + setup.dir().file("sheet") + "'",
                         &errors, true),
              0);
    EXPECT_EQ(errors, "");
    EXPECT_TRUE(fileExists(setup.dir().file("sheet-1.png")));
    EXPECT_TRUE(fileExists(setup.dir().file("sheet-2.png")));
    // Each sheet's text shows its four pages; pdftotext reads the upright ones.
    if (runCommand("command -v pdftotext >/dev/null") == 0) {
        std::string text;
        runCommand("pdftotext -f 1 -l 1 '" + path + "' -", &text);
        for (const char* digit : {"1", "3", "4"})
            EXPECT_NE(text.find(digit), std::string::npos) << text;
    }
}

TEST(ImpositionRun, ExtremePageRangesDoNotBreakTheRun) {
    const int big = std::numeric_limits<int>::max();
    const int small = std::numeric_limits<int>::min();
    for (auto [start, end] :
         std::vector<std::pair<int, int>>{{small, small}, {big, big}, {0, -1}, {-5, 3}, {2, big}}) {
        SCOPED_TRACE(formatText("-s%d -e%d", start, end));
        ImpositionSetup setup(buildDoc(plainDoc(5)));
        JobSettings settings = settingsFor("-4up");
        settings.startPage = start;
        settings.endPage = end;
        std::string path = setup.impose(settings);
        EXPECT_QPDF_CLEAN(path);
        OutputPdf pdf(path);
        std::set<int> shown;
        for (const auto& pages : pagesShown(pdf)) shown.insert(pages.begin(), pages.end());
        EXPECT_EQ(shown.size(), 5u);  // every page is on a sheet or a page of its own
    }
}
