// The imposition run: single pages around the range and one sheet per entry.
#include "ImpositionTestSupport.h"
#include "pdf/CPdfException.h"

namespace {

using Shown = std::vector<std::vector<int>>;

// Which input pages each output page shows: the "(k) Tj" of every content stream, in order.
Shown pagesShown(OutputPdf& pdf) {
    Shown result;
    for (int kid : pdf.kids()) {
        CPdfObject contents = pdf.rawValue(kid, "Contents");
        std::vector<int> streams =
            contents.isRef() ? std::vector<int>{contents.getRefNum()} : pdf.refNumbers(contents);
        std::vector<int> shown;
        for (int num : streams) {
            std::string data = pdf.data(num);
            size_t end = data.find(") Tj");
            if (end != std::string::npos)
                shown.push_back(std::atoi(data.c_str() + data.rfind('(', end) + 1));
        }
        result.push_back(shown);
    }
    return result;
}

Shown impose(const DocPlan& plan, const std::string& options) {
    ImpositionSetup setup(buildDoc(plan));
    std::string path = setup.impose(orderSettings(options));
    expectQpdfClean(path);
    OutputPdf pdf(path);
    return pagesShown(pdf);
}

}  // namespace

TEST(ImpositionRun, SheetsAndSinglePages) {
    const struct {
        int pageCount;
        const char* options;
        Shown shown;
    } cases[] = {
        {4, "", {{1, 2}, {3, 4}}},
        {10, "-e20", {{1, 2}, {3, 4}, {5, 6}, {7, 8}, {9, 10}}},
        {5, "-s9", {{1}, {2}, {3}, {4}, {5}}},
        {5, "-s4 -e2", {{1}, {2}, {3}, {4}, {5}}},
        // -ab4 rounds the end page 14 down to 12: pages 13 and 14 follow as single pages.
        {16,
         "-4up -ab4 -e14",
         {{1, 3, 5, 7}, {4, 2, 8, 6}, {9, 11}, {12, 10}, {13}, {14}, {15}, {16}}},
        // The back 0,10,0,0 has page 10 as its carrier.
        {10, "-4up -ab4", {{1, 3, 5, 7}, {4, 2, 8, 6}, {9}, {10}}},
        {4, "-duplicate -s3", {{1}, {2}, {3, 3}, {4, 4}}},
        // The normalised input of a split-back conversion holds the document twice.
        {4, "-2to1up", {{1}, {3}, {2}, {4}}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(impose(DocPlan(c.pageCount), c.options), c.shown) << c.options;
    }
}

TEST(ImpositionRun, SinglePagesStateWhatTheyInherited) {
    DocPlan plan(3);
    plan.rootExtra = "/MediaBox [0 0 500 700] /Rotate 90 /CropBox [5 5 495 695] /Resources 5 0 R";
    plan.objects[5] = "<< /Font << /F1 3 0 R >> >>";
    plan.pages[0].resources = plan.pages[1].resources = "";
    plan.pages[2].extra = "/MediaBox [0 0 400 400] /CropBox [0 0 400 400] /Rotate 0";
    std::string input = buildDoc(plan);
    ImpositionSetup setup(input);
    std::string path = setup.impose(orderSettings("-s4"));
    expectQpdfClean(path);
    OutputPdf pdf(path);
    std::string first = pdf.text(pageObject(1));
    std::string start = "10 0 obj\n<<\n/MediaBox [ 0.000000 0.000000 500.000000 700.000000 ]\n";
    EXPECT_EQ(first.compare(0, start.size(), start), 0) << first;
    for (const char* part : {"/CropBox [ 5.000000 5.000000 495.000000 695.000000 ]\n",
                             "/Rotate 90\n", "/Resources 5 0 R\n"})
        EXPECT_NE(first.find(part), std::string::npos) << part;
    // A page stating everything itself stays as it was, but for its parent.
    ImpositionSetup original(input);
    std::string own;
    getObjectText(original.ctx->input, pageObject(3), original.doc, own);
    EXPECT_EQ(pdf.text(pageObject(3)), own);
    EXPECT_TRUE(pdf.has(2, "/Resources 5 0 R\n"));
}

TEST(ImpositionRun, BrokenInputs) {
    TestPdf broken;
    broken.addObject(1, "<< /Type /Catalog /Pages 2 0 R >>");
    broken.addObject(2, "<< /Type /Pages /Kids [ 3 0 R 4 0 R ] /Count 2 >>");
    broken.addObject(3, "<< /Type /Page /Parent 2 0 R >>");
    broken.addObject(4, "<< /Type /Page /Note (/Parent 2 0 R) >>");  // no /Parent of its own
    broken.setTrailerExtra("/Root 1 0 R");
    for (int root : {2, 0, 1000}) {
        ImpositionSetup setup(broken.build());
        EXPECT_THROW(setup.run(orderSettings("-s2"), root), CPdfException) << root;
    }
}
