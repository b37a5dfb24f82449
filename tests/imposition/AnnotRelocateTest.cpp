// Annotation relocation: every placed page's annotations move with that page, each showing has
// its own object, and the sheet lists them all.
#include "ImpositionTestSupport.h"

namespace {

void expectRect(std::vector<double> rect, double dx, double dy, bool flipped,
                const std::string& expected) {
    PagePlacement placement;
    placement.dx = dx;
    placement.dy = dy;
    if (flipped) placement.a = placement.d = -1;
    std::string text;
    ASSERT_TRUE(placeRect(rect, placement, text));
    EXPECT_EQ(text, expected);
}

// A document whose page k has one link annotation (object 10k + 5) at [10 20 110 40].
DocPlan annotatedDoc(int pageCount) {
    DocPlan plan = plainDoc(pageCount);
    for (int page = 1; page <= pageCount; page++) {
        int annot = pageObject(page) + 5;
        plan.pages[static_cast<size_t>(page - 1)].extra = formatText("/Annots [ %d 0 R ]", annot);
        plan.objects[annot] = formatText(
            "<< /Type /Annot /Subtype /Link /Rect [10 20 110 40] /P %d 0 R "
            "/Border [0 0 1] /A << /S /URI /URI (https://example.org/%d) >> >>",
            pageObject(page), page);
    }
    return plan;
}

// Each listed annotation of a sheet: its number and its /Rect.
std::vector<std::pair<int, std::vector<double>>> listed(OutputPdf& pdf, int sheet) {
    std::vector<std::pair<int, std::vector<double>>> result;
    for (int num : pdf.refNumbers(pdf.pageValue(sheet, "Annots"))) {
        result.emplace_back(num, pdf.numbers(pdf.object(num).getDict()->lookup("Rect")));
    }
    return result;
}

using Rect = std::vector<double>;

}  // namespace

TEST(AnnotRelocate, RectText) {
    expectRect({10, 20, 110, 40}, 612, 0, false, "[ 622.00  20.00  722.00  40.00 ]");
    expectRect({10, 20, 110, 40}, 612, 792, false, "[ 622.00  812.00  722.00  832.00 ]");
    expectRect({10, 20, 110, 40}, 1224, 1584, true, "[ 1114.00  1544.00  1214.00  1564.00 ]");
    expectRect({110, 40, 10, 20}, 612, 792, true, "[ 502.00  752.00  602.00  772.00 ]");
    expectRect({0.125, 0, 1, 1}, 0, 0, false, "[ 0.12  0.00  1.00  1.00 ]");
    PagePlacement any;
    std::string text = "unchanged";
    EXPECT_FALSE(placeRect({1, 2, 3}, any, text));
    EXPECT_FALSE(placeRect({1, 2, 3, 4, 5}, any, text));
    EXPECT_FALSE(placePoints({1, 2, 3}, any, text));
    EXPECT_EQ(text, "unchanged");
}

TEST(AnnotRelocate, EveryCoordinateMovesWithThePage) {
    DocPlan plan = plainDoc(2);
    plan.pages[1].extra = "/Rotate 180 /Annots [ 25 0 R 26 0 R ]";
    plan.objects[25] =
        "<< /Type /Annot /Subtype /Highlight /Rect [10 20 110 40] /QuadPoints [10 40 110 40 10 20 "
        "110 20] /Contents (/L [1 2]) >>";
    plan.objects[26] =
        "<< /Type /Annot /Subtype /Ink /Rect [0 0 50 50] /InkList [[0 0 10.5 10] [20 20 30 "
        "30.25]] /L [1 2 3 4] /Vertices 27 0 R /CL [5 6 7 8 9 10] >>";
    plan.objects[27] = "[1 1 2 2]";
    ImpositionSetup setup(buildDoc(plan));
    writeSheets(setup, settingsFor(""), {entryOf({1, 2})});
    OutputPdf pdf(setup.outputPath());
    // Page 2 is drawn turned in the second cell: (x, y) goes to (1224 - x, 792 - y); the corners
    // of a quadrilateral are listed from the opposite one, upper edge first again.
    EXPECT_NE(pdf.text(25).find("/QuadPoints [1114 772 1214 772 1114 752 1214 752] /Contents "
                                "(/L [1 2])"),
              std::string::npos)
        << pdf.text(25);
    EXPECT_NE(pdf.text(26).find("/InkList [[1224 792 1213.5 782][1204 772 1194 761.75]] "
                                "/L [1223 790 1221 788] /Vertices [1223 791 1222 790] "
                                "/CL [1219 786 1217 784 1215 782]"),
              std::string::npos)
        << pdf.text(26);
    EXPECT_EQ(pdf.text(27), "27 0 obj\n[1 1 2 2]\nendobj\n");
    EXPECT_QPDF_CLEAN(setup.outputPath());
}

TEST(AnnotRelocate, EveryPageMovesWithItsOwnPlacement) {
    DocPlan plan = annotatedDoc(4);
    plan.pages[1].extra += " /Rotate 180";
    ImpositionSetup setup(buildDoc(plan));
    std::vector<OutputPage> sheets =
        writeSheets(setup, settingsFor("-4up"), {entryOf({1, 2, 3, 4})});
    OutputPdf pdf(setup.outputPath());
    auto annots = listed(pdf, sheets[0].num);
    ASSERT_EQ(annots.size(), 4u);
    EXPECT_EQ(annots[0], std::make_pair(15, Rect{10, 812, 110, 832}));
    EXPECT_EQ(annots[1], std::make_pair(25, Rect{1114, 1544, 1214, 1564}));  // flipped page
    EXPECT_EQ(annots[2], std::make_pair(35, Rect{10, 20, 110, 40}));
    EXPECT_EQ(annots[3], std::make_pair(45, Rect{622, 20, 722, 40}));
    EXPECT_NE(pdf.text(45).find("/Rect [ 622.00  20.00  722.00  40.00 ]"), std::string::npos);
    EXPECT_QPDF_CLEAN(setup.outputPath());
}

TEST(AnnotRelocate, DownLayoutMovesAnnotationsToo) {
    ImpositionSetup setup(buildDoc(annotatedDoc(2)));
    std::vector<OutputPage> sheets = writeSheets(setup, settingsFor("-down"), {entryOf({1, 2})});
    OutputPdf pdf(setup.outputPath());
    auto annots = listed(pdf, sheets[0].num);
    ASSERT_EQ(annots.size(), 2u);
    EXPECT_EQ(annots[0].second, (Rect{10, 812, 110, 832}));
    EXPECT_EQ(annots[1].second, (Rect{10, 20, 110, 40}));
}

TEST(AnnotRelocate, TwelveUpSlotsTenAndElevenAreListedAndMoved) {
    ImpositionSetup setup(buildDoc(annotatedDoc(12)));
    std::vector<OutputPage> sheets = writeSheets(
        setup, settingsFor("-12up4x3"), {entryOf({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12})});
    OutputPdf pdf(setup.outputPath());
    auto annots = listed(pdf, sheets[0].num);
    ASSERT_EQ(annots.size(), 12u);
    EXPECT_EQ(annots[10], std::make_pair(115, Rect{1234, 20, 1334, 40}));
    EXPECT_EQ(annots[11], std::make_pair(125, Rect{1846, 20, 1946, 40}));
    EXPECT_EQ(annots[0].second, (Rect{10, 1604, 110, 1624}));
    EXPECT_QPDF_CLEAN(setup.outputPath());
}

TEST(AnnotRelocate, EachShowingGetsItsOwnObject) {
    ImpositionSetup setup(buildDoc(annotatedDoc(2)));
    std::vector<OutputPage> sheets =
        writeSheets(setup, settingsFor("-duplicate"), {entryOf({1, 1}), entryOf({2, 1})});
    OutputPdf pdf(setup.outputPath());
    auto first = listed(pdf, sheets[0].num);
    auto second = listed(pdf, sheets[1].num);
    ASSERT_EQ(first.size(), 2u);
    ASSERT_EQ(second.size(), 2u);
    EXPECT_EQ(first[0],
              std::make_pair(15, Rect{10, 20, 110, 40}));  // the first showing keeps its number
    EXPECT_NE(first[1].first, 15);
    EXPECT_EQ(first[1].second, (Rect{622, 20, 722, 40}));
    EXPECT_EQ(second[0], std::make_pair(25, Rect{10, 20, 110, 40}));
    EXPECT_NE(second[1].first, 15);
    EXPECT_NE(second[1].first, first[1].first);
    EXPECT_EQ(second[1].second, (Rect{622, 20, 722, 40}));
    // A copy keeps everything else, /P included.
    CPdfObject copyObject = pdf.object(second[1].first);
    CPdfDict* copy = copyObject.getDict();
    EXPECT_EQ(copy->lookupRaw("P").getRefNum(), pageObject(1));
    EXPECT_TRUE(copy->lookup("A").isDict());
    EXPECT_QPDF_CLEAN(setup.outputPath());
}

TEST(AnnotRelocate, CarrierListKinds) {
    DocPlan plan = annotatedDoc(4);
    plan.pages[0].extra = "/Annots 7 0 R";  // a referenced array, shared with nothing else
    plan.objects[7] = "[ 15 0 R ]";
    plan.pages[2].extra = "";  // no /Annots at all
    plan.pages[3].extra = "";
    ImpositionSetup setup(buildDoc(plan));
    std::vector<OutputPage> sheets =
        writeSheets(setup, settingsFor(""), {entryOf({1, 2}), entryOf({3, 2}), entryOf({4, 0})});
    OutputPdf pdf(setup.outputPath());
    CPdfObject stored = pdf.object(sheets[0].num).getDict()->lookupRaw("Annots");
    ASSERT_TRUE(stored.isRef());
    EXPECT_NE(stored.getRefNum(), 7);
    EXPECT_EQ(pdf.text(7), "7 0 obj\n[ 15 0 R ]\nendobj\n");
    EXPECT_EQ(listed(pdf, sheets[0].num).size(), 2u);
    // A carrier without /Annots gets the list inserted after its "<<".
    EXPECT_NE(pdf.text(sheets[1].num).find("<</Annots [ "), std::string::npos);
    EXPECT_EQ(listed(pdf, sheets[1].num).size(), 1u);
    EXPECT_NE(pdf.text(sheets[2].num).find("<</Annots []"), std::string::npos);
    EXPECT_QPDF_CLEAN(setup.outputPath());
}

TEST(AnnotRelocate, OddAnnotationsAreStillListed) {
    DocPlan plan = plainDoc(2);
    plan.pages[1].extra =
        "/Annots [ 25 0 R 26 0 R << /Type /Annot /Subtype /Square /Rect [0 0 5 5] >> null 27 0 R ]";
    plan.objects[25] = "<< /Type /Annot /Subtype /Text /Contents (no rect) >>";
    plan.objects[26] =
        "<< /Type /Annot /Subtype /Widget /FT /Tx /T (name) /Rect 28 0 R /Parent 29 0 R >>";
    plan.objects[27] = "<< /Type /Annot /Subtype /Text /Rect [1 2 3] >>";
    plan.objects[28] = "[100 100 200 120]";
    plan.objects[29] = "<< /FT /Tx /T (field) /Kids [ 26 0 R ] >>";
    ImpositionSetup setup(buildDoc(plan));
    std::vector<OutputPage> sheets = writeSheets(setup, settingsFor(""), {entryOf({1, 2})});
    OutputPdf pdf(setup.outputPath());
    auto annots = listed(pdf, sheets[0].num);
    ASSERT_EQ(annots.size(), 4u);
    EXPECT_EQ(annots[0], std::make_pair(25, Rect{}));
    EXPECT_EQ(annots[1], std::make_pair(26, Rect{712, 100, 812, 120}));
    EXPECT_EQ(pdf.object(26).getDict()->lookupRaw("Parent").getRefNum(), 29);
    EXPECT_EQ(pdf.text(28), "28 0 obj\n[100 100 200 120]\nendobj\n");  // the shared array stays
    EXPECT_GT(annots[2].first, 29);  // the annotation written in the array became an object
    EXPECT_EQ(annots[2].second, (Rect{612, 0, 617, 5}));
    EXPECT_EQ(annots[3], std::make_pair(27, Rect{1, 2, 3}));
    EXPECT_QPDF_CLEAN(setup.outputPath());
}
