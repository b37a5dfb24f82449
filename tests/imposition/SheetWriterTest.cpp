// Sheet composition: where each slot's page lands, the wrapper streams, and the edits of the
// carrier's page object (contents in every stored kind, rotation, parent, its own number).
#include "ImpositionTestSupport.h"
#include "pdf/CPdfException.h"

namespace {

// Pages of 612 x 792 with the given rotations (missing ones 0).
PageRecords letterPages(const std::vector<int>& rotations, int count = 12) {
    PageRecords pages(static_cast<size_t>(count));
    for (int i = 0; i < count; i++) {
        pages[static_cast<size_t>(i)].objNum = 10 * (i + 1);
        if (i < static_cast<int>(rotations.size()))
            pages[static_cast<size_t>(i)].rotation = rotations[i];
    }
    return pages;
}

// Places pages 1..12 in slots 0..11 (or the given entry) and checks one slot's placement.
void expectPlacement(const std::string& words, const std::vector<int>& rotations, int slot,
                     double dx, double dy, bool flipped,
                     std::vector<int> slots = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}) {
    SCOPED_TRACE(words + formatText(" slot %d", slot));
    SheetGeometry geometry =
        geometryFor(settingsFor(words), letterPages(rotations), entryOf(slots));
    ASSERT_LT(static_cast<size_t>(slot), geometry.slots.size());
    const PagePlacement& placement = geometry.slots[static_cast<size_t>(slot)];
    EXPECT_DOUBLE_EQ(placement.dx, dx);
    EXPECT_DOUBLE_EQ(placement.dy, dy);
    EXPECT_EQ(placement.flipped(), flipped);
}

const std::string kLetterClip = "0.000000 0.000000 612.000000 792.000000 re W n\n";

}  // namespace

TEST(SheetWriter, PlacementOfUnturnedSheets) {
    expectPlacement("", {}, 0, 0, 0, false);
    expectPlacement("", {}, 1, 612, 0, false);
    expectPlacement("-down", {}, 0, 0, 792, false);
    expectPlacement("-down", {}, 1, 0, 0, false);
    expectPlacement("-4up", {}, 0, 0, 792, false);
    expectPlacement("-4up", {}, 1, 612, 792, false);
    expectPlacement("-4up", {}, 2, 0, 0, false);
    expectPlacement("-4up", {}, 3, 612, 0, false);
    expectPlacement("-4up", {0, 180}, 1, 1224, 1584, true);
    expectPlacement("-4up", {0, 270}, 1, 1224, 1584, true);
    expectPlacement("-4up", {0, 90}, 1, 612, 792, false);  // a quarter turn is placed plain
    expectPlacement("-12up4x3", {}, 0, 0, 1584, false);
    expectPlacement("-12up4x3", {}, 11, 1836, 0, false);
    expectPlacement("-6up3x2", {}, 4, 612, 0, false);
    expectPlacement("-2to1up", {}, 0, 0, 0, false, {1});
    expectPlacement("-2to1up -down", {}, 0, 0, 0, false, {1});
    expectPlacement("-2to1uph -down", {180}, 0, 612, 792, true, {1});
}

TEST(SheetWriter, PlacementOfTurnedSheetsUsesTheTransposedGrid) {
    std::vector<int> turned(12, 90);
    expectPlacement("", turned, 1, 0, 792, false);
    expectPlacement("-down", turned, 1, 612, 0, false);
    expectPlacement("-4up", turned, 0, 0, 0, false);
    expectPlacement("-4up", turned, 1, 0, 792, false);
    expectPlacement("-4up", turned, 2, 612, 0, false);
    expectPlacement("-4up", turned, 3, 612, 792, false);
    expectPlacement("-4up", {90, 270}, 1, 612, 1584, true);
    expectPlacement("-4up", {270, 90}, 0, 612, 792, true);
    // 6- to 12-up: every slot its own cell, no overlap.
    expectPlacement("-6up3x2", turned, 5, 612, 1584, false);
    expectPlacement("-6up3x2", turned, 3, 612, 0, false);
    expectPlacement("-12up2x6", turned, 11, 3060, 792, false);
    expectPlacement("-12up2x6", turned, 10, 3060, 0, false);
}

TEST(SheetWriter, PlacementWithMarginsAndMediaBox) {
    expectPlacement("rm=10", {}, 1, 622, 0, false);
    expectPlacement("rm=10 bm=20", {0, 180}, 1, 1244, 802,
                    true);  // 2-up across: the height takes rm
    expectPlacement("-down rm=10 bm=20", {}, 0, 0, 812, false);
    expectPlacement("-4up rm=10 bm=20", {}, 1, 622, 812, false);
    expectPlacement("-4up mb=612x1584", {}, 1, 306, 792, false);
    expectPlacement("-12up4x3 mb=612x1584", {}, 11, 918, 0, false);
}

TEST(SheetWriter, RotationsAreNormalised) {
    expectPlacement("-4up", {-90, 0}, 0, 612, 792, true);  // -90 is 270: turned, flipped
    expectPlacement("-4up", {450, 0}, 1, 0, 792, false);   // 450 is 90: turned
    expectPlacement("-4up", {45, 0}, 1, 612, 792, false);  // 45 is 0
    expectPlacement("-4up", {0, -180}, 1, 1224, 1584, true);
    EXPECT_EQ(normaliseRotation(-90), 270);
    EXPECT_EQ(normaliseRotation(-450), 270);
    EXPECT_EQ(normaliseRotation(539), 90);
    EXPECT_EQ(normaliseRotation(181), 180);
}

TEST(SheetWriter, EmptyFirstSlotTakesTheFirstPageAsCarrier) {
    SheetGeometry geometry = geometryFor(
        settingsFor("-4up"), letterPages({0, 0, 0, 0, 0, 0, 0, 0, 0, 90}), entryOf({0, 10, 0, 0}));
    EXPECT_EQ(geometry.carrierSlot, 1);
    EXPECT_TRUE(geometry.turned);  // the reference page is the carrier
    ASSERT_EQ(geometry.slots.size(), 4u);
    EXPECT_EQ(geometry.slots[0].pageIndex, -1);
    EXPECT_EQ(geometry.slots[1].pageIndex, 9);
    EXPECT_EQ(geometryFor(settingsFor("-4up"), letterPages({}), entryOf({0, 0, 0, 0})).carrierSlot,
              -1);
    EXPECT_EQ(geometryFor(settingsFor("-4up"), letterPages({}), entryOf({13, 0, 0, 0})).carrierSlot,
              -1);
}

TEST(SheetWriter, WrapperStreamsHaveTheExactText) {
    ImpositionSetup setup(buildDoc(plainDoc(4)));
    PagePlacement plain;
    plain.dx = 612;
    plain.dy = 792;
    PagePlacement flipped = plain;
    flipped.dx = 1224;
    flipped.dy = 1584;
    flipped.a = flipped.d = -1;
    int first = writePlacementStream(*setup.ctx, plain);
    int second = writePlacementStream(*setup.ctx, flipped);
    int restore = writeRestoreStream(*setup.ctx);
    EXPECT_EQ(second, first + 1);
    EXPECT_EQ(restore, first + 2);
    std::string bytes = readFileBytes(setup.finishPdf());
    EXPECT_NE(bytes.find(formatText(
                  "%d 0 obj\n<<\n/Length 50 >>\nstream\n"
                  "q\n1 0 0 1 612.000000 792.000000 cm\n1 0 0 1 0 0 cm\nendstream\nendobj\n",
                  first)),
              std::string::npos);
    EXPECT_NE(bytes.find(formatText(
                  "%d 0 obj\n<<\n/Length 54 >>\nstream\n"
                  "q\n1 0 0 1 1224.000000 1584.000000 cm\n-1 0 0 -1 0 0 cm\nendstream\nendobj\n",
                  second)),
              std::string::npos);
    EXPECT_NE(bytes.find(formatText("%d 0 obj\n<<\n/Length 2 >>\nstream\nQ\nendstream\nendobj\n",
                                    restore)),
              std::string::npos);
}

TEST(SheetWriter, FourUpSheetListsEveryPageBetweenItsWrappers) {
    DocPlan plan = plainDoc(4);
    plan.pages[1].extra = "/Rotate 180";
    ImpositionSetup setup(buildDoc(plan));
    std::vector<OutputPage> sheets =
        writeSheets(setup, settingsFor("-4up"), {entryOf({1, 2, 3, 4})});
    ASSERT_EQ(sheets.size(), 1u);
    EXPECT_EQ(sheets[0].num, pageObject(1));
    OutputPdf pdf(setup.outputPath());
    std::vector<std::string> data = contentsData(pdf, sheets[0].num);
    ASSERT_EQ(data.size(), 12u);
    // Each page is clipped to its own box, in its own coordinates.
    EXPECT_EQ(data[0], "q\n1 0 0 1 0.000000 792.000000 cm\n1 0 0 1 0 0 cm\n" + kLetterClip);
    EXPECT_NE(data[1].find("(1) Tj"), std::string::npos);
    EXPECT_EQ(data[2], "Q\n");
    EXPECT_EQ(data[3], "q\n1 0 0 1 1224.000000 1584.000000 cm\n-1 0 0 -1 0 0 cm\n" + kLetterClip);
    EXPECT_NE(data[4].find("(2) Tj"), std::string::npos);
    EXPECT_EQ(data[9], "q\n1 0 0 1 612.000000 0.000000 cm\n1 0 0 1 0 0 cm\n" + kLetterClip);
    EXPECT_NE(data[10].find("(4) Tj"), std::string::npos);
    EXPECT_EQ(pdf.numbers(pdf.pageValue(sheets[0].num, "MediaBox")),
              (std::vector<double>{0, 0, 1224, 1584}));
    EXPECT_QPDF_CLEAN(setup.outputPath());
}

TEST(SheetWriter, EmptySlotsStillGetTheirWrappers) {
    ImpositionSetup setup(buildDoc(plainDoc(3)));
    std::vector<OutputPage> sheets =
        writeSheets(setup, settingsFor("-4up"), {entryOf({0, 3, 0, 0})});
    EXPECT_EQ(sheets[0].num, pageObject(3));
    OutputPdf pdf(setup.outputPath());
    std::vector<std::string> data = contentsData(pdf, sheets[0].num);
    ASSERT_EQ(data.size(), 9u);  // four wrapper pairs and one page stream
    EXPECT_EQ(data[0], "q\n1 0 0 1 0.000000 792.000000 cm\n1 0 0 1 0 0 cm\n");
    EXPECT_EQ(data[1], "Q\n");
    EXPECT_NE(data[3].find("(3) Tj"), std::string::npos);
    EXPECT_QPDF_CLEAN(setup.outputPath());
}

// The carrier's /Contents in each stored kind ends up as the sheet's contents.
TEST(SheetWriter, ContentsInEveryStoredKind) {
    DocPlan plan = plainDoc(5);
    plan.pages[0].hasContents = false;
    plan.pages[0].extra = "/Contents [ 11 0 R ]";  // direct array
    plan.pages[1].hasContents = false;
    plan.pages[1].extra = "/Contents 22 0 R";  // reference to an array
    plan.objects[22] = "[ 21 0 R ]";
    plan.pages[3].hasContents = false;  // absent
    ImpositionSetup setup(buildDoc(plan));
    // Page 3 stores a reference to a stream.
    std::vector<OutputPage> sheets =
        writeSheets(setup, settingsFor(""),
                    {entryOf({1, 5}), entryOf({2, 5}), entryOf({3, 5}), entryOf({4, 5})});
    OutputPdf pdf(setup.outputPath());
    for (int i = 0; i < 4; i++) {
        SCOPED_TRACE(formatText("carrier page %d", i + 1));
        std::vector<std::string> data = contentsData(pdf, sheets[static_cast<size_t>(i)].num);
        size_t expected = i == 3 ? 5u : 6u;  // the page without contents lists nothing of its own
        ASSERT_EQ(data.size(), expected);
        EXPECT_EQ(data[0], "q\n1 0 0 1 0.000000 0.000000 cm\n1 0 0 1 0 0 cm\n" + kLetterClip);
        if (i != 3) {
            EXPECT_NE(data[1].find(formatText("(%d) Tj", i + 1)), std::string::npos);
        }
        EXPECT_NE(data[expected - 2].find("(5) Tj"), std::string::npos);
    }
    CPdfObject firstObject = pdf.object(sheets[0].num);
    CPdfDict* first = firstObject.getDict();
    EXPECT_TRUE(first->lookupRaw("Contents").isArray());
    // The referenced array gets a new array object; the input's one stays as it was.
    CPdfObject second = pdf.object(sheets[1].num).getDict()->lookupRaw("Contents");
    ASSERT_TRUE(second.isRef());
    EXPECT_NE(second.getRefNum(), 22);
    EXPECT_EQ(pdf.text(22), "22 0 obj\n[ 21 0 R ]\nendobj\n");
    EXPECT_TRUE(pdf.object(sheets[2].num).getDict()->lookupRaw("Contents").isArray());
    std::string absent = pdf.text(sheets[3].num);
    EXPECT_NE(absent.find("<</Contents [  "), std::string::npos) << absent;
    EXPECT_QPDF_CLEAN(setup.outputPath());
}

TEST(SheetWriter, SheetRotationFollowsTheCarrier) {
    DocPlan plan = plainDoc(4);
    plan.pages[0].extra = "/Rotate 270";
    plan.pages[1].extra = "/Rotate 270";
    plan.pages[2].extra = "/Rotate 180";
    ImpositionSetup setup(buildDoc(plan));
    std::vector<OutputPage> sheets =
        writeSheets(setup, settingsFor(""), {entryOf({1, 2}), entryOf({3, 4})});
    OutputPdf pdf(setup.outputPath());
    EXPECT_EQ(pdf.pageValue(sheets[0].num, "Rotate").getInt(), 90);
    EXPECT_EQ(pdf.numbers(pdf.pageValue(sheets[0].num, "MediaBox")),
              (std::vector<double>{0, 0, 612, 1584}));
    std::vector<std::string> turned = contentsData(pdf, sheets[0].num);
    EXPECT_EQ(turned[0], "q\n1 0 0 1 612.000000 792.000000 cm\n-1 0 0 -1 0 0 cm\n" + kLetterClip);
    EXPECT_EQ(pdf.pageValue(sheets[1].num, "Rotate").getInt(), 0);
    EXPECT_NE(pdf.text(sheets[1].num).find("/Rotate 0\n"), std::string::npos);
    EXPECT_QPDF_CLEAN(setup.outputPath());
}

TEST(SheetWriter, InheritedRotationAndCropBoxAreStated) {
    DocPlan plan = plainDoc(2);
    plan.rootExtra = "/MediaBox [0 0 612 792] /Rotate 90 /CropBox [10 10 600 780]";
    ImpositionSetup setup(buildDoc(plan));
    std::vector<OutputPage> sheets = writeSheets(setup, settingsFor(""), {entryOf({1, 2})});
    OutputPdf pdf(setup.outputPath());
    std::string text = pdf.text(sheets[0].num);
    EXPECT_NE(text.find("/Rotate 90\n"), std::string::npos) << text;
    // The crop box grows from the inherited one: two of its heights on the turned sheet.
    EXPECT_EQ(pdf.numbers(pdf.pageValue(sheets[0].num, "CropBox")),
              (std::vector<double>{10, 10, 600, 1550}));
    EXPECT_EQ(pdf.numbers(pdf.pageValue(sheets[0].num, "MediaBox")),
              (std::vector<double>{0, 0, 612, 1584}));
    EXPECT_QPDF_CLEAN(setup.outputPath());
}

TEST(SheetWriter, CarrierOfTwoSheetsGivesEachItsOwnObject) {
    ImpositionSetup setup(buildDoc(plainDoc(2)));
    std::vector<OutputPage> sheets = writeSheets(
        setup, settingsFor("-duplicate"), {entryOf({1, 1}), entryOf({1, 2}), entryOf({2, 2})});
    ASSERT_EQ(sheets.size(), 3u);
    EXPECT_EQ(sheets[0].num, pageObject(1));
    EXPECT_NE(sheets[1].num, pageObject(1));
    EXPECT_NE(sheets[1].num, sheets[2].num);
    EXPECT_EQ(sheets[2].num, pageObject(2));
    OutputPdf pdf(setup.outputPath());
    EXPECT_NE(contentsData(pdf, sheets[0].num)[4].find("(1) Tj"), std::string::npos);
    EXPECT_NE(contentsData(pdf, sheets[1].num)[4].find("(2) Tj"), std::string::npos);
    EXPECT_EQ(pdf.kids().size(), 3u);
    EXPECT_QPDF_CLEAN(setup.outputPath());
}

TEST(SheetWriter, ParentIsTheRootAndItsAbsenceIsAnError) {
    DocPlan plan = plainDoc(2);
    ImpositionSetup setup(buildDoc(plan));
    std::vector<OutputPage> sheets = writeSheets(setup, settingsFor(""), {entryOf({1, 2})});
    OutputPdf pdf(setup.outputPath());
    EXPECT_NE(pdf.text(sheets[0].num).find("/Parent 2 0 R"), std::string::npos);

    TestPdf broken;
    broken.addObject(1, "<< /Type /Catalog /Pages 2 0 R >>");
    broken.addObject(2, "<< /Type /Pages /Kids [ 3 0 R ] /Count 1 >>");
    broken.addObject(3, "<< /Type /Page /MediaBox [0 0 612 792] /Note (/Parent 2 0 R) >>");
    broken.setTrailerExtra("/Root 1 0 R");
    ImpositionSetup hostile(broken.build());
    SheetRunState state;
    state.pagesRootNumber = 2;
    try {
        writeSheet(settingsFor(""), layoutOf(LayoutId::TwoUp), *hostile.ctx, hostile.pages,
                   entryOf({1, 0}), state);
        FAIL() << "no exception";
    } catch (const CPdfException& e) {
        EXPECT_EQ(e.getMessage(), "File is broken. Can't find /Parent entry\n");
    }
}

TEST(SheetWriter, SplitBackSheetsShowAlternateHalves) {
    ImpositionSetup setup(buildDoc(plainDoc(2)));
    SheetRunState state;
    JobSettings settings = settingsFor("-2to1up");
    state.firstHalf = true;
    state.pagesRootNumber = setup.pagesRoot;
    OutputPage left =
        writeSheet(settings, layoutIn(settings), *setup.ctx, setup.pages, entryOf({1}), state);
    state.firstHalf = false;
    OutputPage right =
        writeSheet(settings, layoutIn(settings), *setup.ctx, setup.pages, entryOf({2}), state);
    setup.offsets.record(2, 0, setup.out.position());
    setup.out.write(
        formatText("2 0 obj\n<< /Type /Pages /Kids [%d 0 R %d 0 R] /Count 2 >>\nendobj\n", left.num,
                   right.num));
    setup.finishPdf();
    OutputPdf pdf(setup.outputPath());
    EXPECT_EQ(pdf.numbers(pdf.pageValue(left.num, "MediaBox")),
              (std::vector<double>{0, 0, 306, 792}));
    EXPECT_EQ(pdf.numbers(pdf.pageValue(right.num, "MediaBox")),
              (std::vector<double>{306, 0, 612, 792}));
    EXPECT_EQ(contentsData(pdf, left.num).size(), 5u);  // two wrapper pairs, slot 1 empty
    EXPECT_QPDF_CLEAN(setup.outputPath());
}
