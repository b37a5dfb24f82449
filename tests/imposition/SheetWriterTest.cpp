// Sheet composition and the run: where pages land, the carrier's /Contents, single pages.
#include "ImpositionTestSupport.h"

namespace {

// Twelve pages of 612 x 792 numbered 10, 20, ... with the given rotations (missing ones 0).
PageRecords letterPages(const std::vector<int>& rotations) {
    PageRecords pages(12);
    for (size_t i = 0; i < pages.size(); i++) {
        pages[i].objNum = 10 * static_cast<int>(i + 1);
        if (i < rotations.size()) pages[i].rotation = rotations[i];
    }
    return pages;
}

}  // namespace

TEST(SheetWriter, Placement) {
    const std::vector<int> t(12, 90);  // turned sheets use the transposed grid
    const struct {
        const char* options;
        std::vector<int> rotations;
        int slot;
        double dx, dy;
        bool flipped;
    } cases[] = {
        // Only what the end-to-end layout cases do not show.
        {"-4up", {0, 270}, 1, 1224, 1584, true},
        {"-4up", {0, 90}, 1, 612, 792, false},  // a quarter turn is placed plain
        {"-2to1uph -down", {180}, 0, 612, 792, true},
        {"-6up3x2", t, 5, 612, 1584, false},
        {"-12up2x6", t, 11, 3060, 792, false},
        {"-12up2x6", t, 10, 3060, 0, false},
        // Margins (2-up across gives the height rm) and a media box of the user's.
        {"rm=10 bm=20", {0, 180}, 1, 1244, 802, true},
        {"-4up mb=612x1584", {}, 1, 306, 792, false},
        {"-12up4x3 mb=612x1584", {}, 11, 918, 0, false},
        // Rotations are taken modulo a full turn, to the quarter below.
        {"-4up", {45, 0}, 1, 612, 792, false},
        {"-4up", {0, -180}, 1, 1224, 1584, true},
    };
    for (const auto& c : cases) {
        SheetGeometry geometry = geometryFor(c.options, letterPages(c.rotations),
                                             {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12});
        ASSERT_LT(static_cast<size_t>(c.slot), geometry.slots.size());
        const PagePlacement& p = geometry.slots[static_cast<size_t>(c.slot)];
        EXPECT_EQ(formatText("%.4f %.4f %d", p.dx, p.dy, p.flipped()),
                  formatText("%.4f %.4f %d", c.dx, c.dy, c.flipped))
            << "'" << c.options << "' slot " << c.slot;
    }
}

TEST(SheetWriter, EmptyFirstSlotTakesTheFirstPageAsCarrier) {
    PageRecords pages = letterPages({0, 0, 0, 0, 0, 0, 0, 0, 0, 90});
    SheetGeometry geometry = geometryFor("-4up", pages, {0, 10, 0, 0});
    EXPECT_EQ(geometry.carrierSlot, 1);
    EXPECT_TRUE(geometry.turned);  // the reference page is the carrier
    ASSERT_EQ(geometry.slots.size(), 4u);
    EXPECT_EQ(geometry.slots[0].pageIndex, -1);
    EXPECT_EQ(geometry.slots[1].pageIndex, 9);
    EXPECT_EQ(geometryFor("-4up", pages, {0, 0, 0, 0}).carrierSlot, -1);
    EXPECT_EQ(geometryFor("-4up", pages, {13, 0, 0, 0}).carrierSlot, -1);
}

// The carrier's /Contents in each stored kind ends up as the sheet's contents, drawn after the
// placement stream; a referenced array is copied, the input's one stays as it was.
TEST(SheetWriter, ContentsInEveryStoredKind) {
    DocPlan plan(5);
    plan.pages[0] = {"/Contents [ 11 0 R ]", plan.pages[0].resources, "", false};
    plan.pages[1] = {"/Contents 22 0 R", plan.pages[1].resources, "", false};
    plan.objects[22] = "[ 21 0 R ]";
    plan.pages[3].hasContents = false;
    ImpositionSetup setup(buildDoc(plan));
    std::vector<int> sheets = writeSheets(setup, "", {{1, 5}, {2, 5}, {3, 5}, {4, 5}});
    OutputPdf pdf(setup.outputPath());
    std::string shown;
    for (int sheet : sheets) {
        for (int num : pdf.refNumbers(pdf.value(sheet, "Contents"))) {
            std::string data = pdf.data(num);
            shown += data.find(") Tj") != std::string::npos ? data.substr(data.find('(') + 1, 1)
                                                            : data.substr(0, 1);
        }
        shown += " ";
    }
    EXPECT_EQ(shown, "q1Qq5Q q2Qq5Q q3Qq5Q qQq5Q ");
    EXPECT_EQ(pdf.data(pdf.refNumbers(pdf.value(sheets[0], "Contents"))[0]),
              "q\n1 0 0 1 0.000000 0.000000 cm\n1 0 0 1 0 0 cm\n0.000000 0.000000 612.000000 "
              "792.000000 re W n\n");
    CPdfObject second = pdf.rawValue(sheets[1], "Contents");
    EXPECT_TRUE(second.isRef() && second.getRefNum() != 22);
    EXPECT_EQ(pdf.text(22), "22 0 obj\n[ 21 0 R ]\nendobj\n");
    EXPECT_TRUE(pdf.rawValue(sheets[2], "Contents").isArray());
    EXPECT_NE(pdf.text(sheets[3]).find("<</Contents [  "), std::string::npos);
}

// The flat output tree loses the root: a single page states what it inherited.
TEST(ImpositionRun, SinglePagesStateWhatTheyInherited) {
    DocPlan plan(2);
    plan.rootExtra = "/MediaBox [0 0 500 700] /Rotate 90 /CropBox [5 5 495 695] /Resources 5 0 R";
    plan.objects[5] = "<< /Font << /F1 3 0 R >> >>";
    plan.pages[0].resources = "";
    ImpositionSetup setup(buildDoc(plan));
    JobSettings settings = orderSettings("-s4");
    runImposition(settings, layoutIn(settings), *setup.ctx, setup.pages, setup.pagesRoot,
                  planPageOrder(settings, layoutIn(settings), 2));
    setup.finishPdf();
    expectQpdfClean(setup.outputPath());
    std::string page = OutputPdf(setup.outputPath()).text(10);
    for (const char* part : {"/MediaBox [ 0.000000 0.000000 500.000000 700.000000 ]\n",
                             "/CropBox [ 5.000000 5.000000 495.000000 695.000000 ]\n",
                             "/Rotate 90\n", "/Resources 5 0 R\n"})
        EXPECT_NE(page.find(part), std::string::npos) << part;
}
