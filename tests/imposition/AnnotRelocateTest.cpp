// What follows a placed page: its annotations, listed by the sheet, and its label.
#include "ImpositionTestSupport.h"
#include "imposition/PageLabels.h"

// The /Rect text, or "refused" and the text left as it was.
std::string placed(const std::vector<double>& rect, double dx, double dy, bool flipped = false) {
    PagePlacement placement;
    placement.dx = dx;
    placement.dy = dy;
    if (flipped) placement.a = placement.d = -1;
    std::string text = "unchanged";
    return placeRect(rect, placement, text) ? text : "refused " + text;
}

TEST(AnnotRelocate, RectText) {
    EXPECT_EQ(placed({10, 20, 110, 40}, 612, 792), "[ 622.00  812.00  722.00  832.00 ]");
    EXPECT_EQ(placed({10, 20, 110, 40}, 1224, 1584, true),
              "[ 1114.00  1544.00  1214.00  1564.00 ]");
    EXPECT_EQ(placed({110, 40, 10, 20}, 612, 792, true), "[ 502.00  752.00  602.00  772.00 ]");
    EXPECT_EQ(placed({0.125, 0, 1, 1}, 0, 0), "[ 0.12  0.00  1.00  1.00 ]");
    EXPECT_EQ(placed({1, 2, 3}, 0, 0) + placed({1, 2, 3, 4, 5}, 0, 0),
              "refused unchangedrefused unchanged");
    std::string text = "unchanged";
    EXPECT_FALSE(placePoints({1, 2, 3}, PagePlacement(), text));
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
    EXPECT_NE(pdf.text(25).find("/QuadPoints [1114 772 1214 772 1114 752 1214 752] /Contents "
                                "(/L [1 2])"),
              std::string::npos);
    EXPECT_NE(pdf.text(26).find("/InkList [[1224 792 1213.5 782][1204 772 1194 761.75]] "
                                "/L [1223 790 1221 788] /Vertices [1223 791 1222 790] "
                                "/CL [1219 786 1217 784 1215 782]"),
              std::string::npos);
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
    // Each listed annotation and its /Rect (one written in the array becomes a new object).
    std::string listed;
    for (int num : pdf.refNumbers(pdf.value(sheet, "Annots"))) {
        CPdfObject rect = pdf.object(num).getDict()->lookup("Rect");
        listed += num > 29 ? "| new" : formatText("| %d", num);
        for (int i = 0; rect.isArray() && i < rect.getArray()->getLength(); i++)
            listed += formatText(" %g", rect.getArray()->get(i).getNum());
    }
    EXPECT_EQ(listed, "| 25| 26 712 100 812 120| new 612 0 617 5| 27 1 2 3");
    EXPECT_EQ(pdf.rawValue(26, "Parent").getRefNum(), 29);
    EXPECT_EQ(pdf.text(28), "28 0 obj\n[100 100 200 120]\nendobj\n");
}

TEST(PageLabels, OutputPageLabelJoinsThePagesItShows) {
    const std::vector<std::u16string> labels = {u"i", u"ii", u"", u"1", u"2"};
    const std::pair<std::vector<int>, std::u16string> cases[] = {
        {{0}, u"i"},
        {{0, 1}, u"i\u2013ii"},
        {{1, 0}, u"ii, i"},
        {{0, 0}, u"i"},  // a page shown twice counts once
        {{2}, u""},
        {{1, 2}, u"ii"},               // an unlabelled page adds nothing
        {{3, 4, -1, 9}, u"1\u20132"},  // empty slots and pages beyond the list are left out
    };
    for (const auto& [shown, label] : cases)
        EXPECT_TRUE(outputPageLabel(labels, shown) == label) << shown.size();
}
