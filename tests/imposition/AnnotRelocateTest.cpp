// Annotation relocation: each placed page's annotations move with it and the sheet lists them.
#include "ImpositionTestSupport.h"

namespace {

using Rect = std::vector<double>;
using Listed = std::vector<std::pair<int, Rect>>;

// Each listed annotation of a sheet: its number and its /Rect.
Listed listed(OutputPdf& pdf, int sheet) {
    Listed result;
    for (int num : pdf.refNumbers(pdf.pageValue(sheet, "Annots")))
        result.emplace_back(num, pdf.numbers(pdf.object(num).getDict()->lookup("Rect")));
    return result;
}

}  // namespace

TEST(AnnotRelocate, RectText) {
    const struct {
        Rect rect;
        double dx, dy;
        bool flipped;
        const char* expected;
    } cases[] = {
        {{10, 20, 110, 40}, 612, 792, false, "[ 622.00  812.00  722.00  832.00 ]"},
        {{10, 20, 110, 40}, 1224, 1584, true, "[ 1114.00  1544.00  1214.00  1564.00 ]"},
        {{110, 40, 10, 20}, 612, 792, true, "[ 502.00  752.00  602.00  772.00 ]"},
        {{0.125, 0, 1, 1}, 0, 0, false, "[ 0.12  0.00  1.00  1.00 ]"},
    };
    for (const auto& c : cases) {
        PagePlacement placement;
        placement.dx = c.dx;
        placement.dy = c.dy;
        if (c.flipped) placement.a = placement.d = -1;
        std::string text;
        ASSERT_TRUE(placeRect(c.rect, placement, text));
        EXPECT_EQ(text, c.expected);
    }
    PagePlacement any;
    std::string text = "unchanged";
    EXPECT_FALSE(placeRect({1, 2, 3}, any, text));
    EXPECT_FALSE(placeRect({1, 2, 3, 4, 5}, any, text));
    EXPECT_FALSE(placePoints({1, 2, 3}, any, text));
    EXPECT_EQ(text, "unchanged");
}

TEST(AnnotRelocate, EveryCoordinateMovesWithThePage) {
    DocPlan plan(2);
    plan.pages[1].extra = "/Rotate 180 /Annots [ 25 0 R 26 0 R ]";
    plan.objects[25] =
        "<< /Type /Annot /Subtype /Highlight /Rect [10 20 110 40] /QuadPoints [10 40 110 40 10 20 "
        "110 20] /Contents (/L [1 2]) >>";
    plan.objects[26] =
        "<< /Type /Annot /Subtype /Ink /Rect [0 0 50 50] /InkList [[0 0 10.5 10] [20 20 30 "
        "30.25]] /L [1 2 3 4] /Vertices 27 0 R /CL [5 6 7 8 9 10] >>";
    plan.objects[27] = "[1 1 2 2]";
    ImpositionSetup setup(buildDoc(plan));
    writeSheets(setup, "", {{1, 2}});
    OutputPdf pdf(setup.outputPath());
    // Page 2 is drawn turned in the second cell: (x, y) goes to (1224 - x, 792 - y); the corners
    // of a quadrilateral are listed from the opposite one, upper edge first again.
    EXPECT_TRUE(pdf.has(25,
                        "/QuadPoints [1114 772 1214 772 1114 752 1214 752] /Contents "
                        "(/L [1 2])"))
        << pdf.text(25);
    EXPECT_TRUE(pdf.has(26,
                        "/InkList [[1224 792 1213.5 782][1204 772 1194 761.75]] "
                        "/L [1223 790 1221 788] /Vertices [1223 791 1222 790] "
                        "/CL [1219 786 1217 784 1215 782]"))
        << pdf.text(26);
    EXPECT_EQ(pdf.text(27), "27 0 obj\n[1 1 2 2]\nendobj\n");
}

TEST(AnnotRelocate, OddAnnotationsAreStillListed) {
    DocPlan plan(2);
    plan.pages[1].extra =
        "/Annots [ 25 0 R 26 0 R << /Type /Annot /Subtype /Square /Rect [0 0 5 5] >> null 27 0 R ]";
    plan.objects[25] = "<< /Type /Annot /Subtype /Text /Contents (no rect) >>";
    plan.objects[26] =
        "<< /Type /Annot /Subtype /Widget /FT /Tx /T (name) /Rect 28 0 R /Parent 29 0 R >>";
    plan.objects[27] = "<< /Type /Annot /Subtype /Text /Rect [1 2 3] >>";
    plan.objects[28] = "[100 100 200 120]";
    plan.objects[29] = "<< /FT /Tx /T (field) /Kids [ 26 0 R ] >>";
    ImpositionSetup setup(buildDoc(plan));
    int sheet = writeSheets(setup, "", {{1, 2}})[0];
    OutputPdf pdf(setup.outputPath());
    Listed annots = listed(pdf, sheet);
    ASSERT_EQ(annots.size(), 4u);
    EXPECT_EQ(annots[0], std::make_pair(25, Rect{}));
    EXPECT_EQ(annots[1], std::make_pair(26, Rect{712, 100, 812, 120}));
    EXPECT_EQ(pdf.rawValue(26, "Parent").getRefNum(), 29);
    EXPECT_EQ(pdf.text(28), "28 0 obj\n[100 100 200 120]\nendobj\n");  // the shared array stays
    EXPECT_GT(annots[2].first, 29);  // the annotation written in the array became an object
    EXPECT_EQ(annots[2].second, (Rect{612, 0, 617, 5}));
    EXPECT_EQ(annots[3], std::make_pair(27, Rect{1, 2, 3}));
}
