// Sheet composition: where each slot's page lands, and the carrier's /Contents in every kind.
#include "ImpositionTestSupport.h"

namespace {

// Pages of 612 x 792 numbered 10, 20, ... with the given rotations (missing ones 0).
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
    const std::vector<int> turned(12, 90);
    const struct {
        const char* options;
        std::vector<int> rotations;
        int slot;
        double dx, dy;
        bool flipped;
    } cases[] = {
        {"", {}, 1, 612, 0, false},
        {"-down", {}, 0, 0, 792, false},
        {"-down", {}, 1, 0, 0, false},
        {"-4up", {}, 0, 0, 792, false},
        {"-4up", {}, 3, 612, 0, false},
        {"-4up", {0, 180}, 1, 1224, 1584, true},
        {"-4up", {0, 270}, 1, 1224, 1584, true},
        {"-4up", {0, 90}, 1, 612, 792, false},  // a quarter turn is placed plain
        {"-12up4x3", {}, 0, 0, 1584, false},
        {"-12up4x3", {}, 11, 1836, 0, false},
        {"-6up3x2", {}, 4, 612, 0, false},
        {"-2to1uph -down", {180}, 0, 612, 792, true},
        // Turned sheets use the transposed grid.
        {"", turned, 1, 0, 792, false},
        {"-down", turned, 1, 612, 0, false},
        {"-4up", turned, 1, 0, 792, false},
        {"-4up", turned, 2, 612, 0, false},
        {"-4up", {90, 270}, 1, 612, 1584, true},
        {"-4up", {270, 90}, 0, 612, 792, true},
        {"-6up3x2", turned, 5, 612, 1584, false},
        {"-12up2x6", turned, 11, 3060, 792, false},
        {"-12up2x6", turned, 10, 3060, 0, false},
        // Margins and a media box of the user's.
        {"rm=10", {}, 1, 622, 0, false},
        {"rm=10 bm=20", {0, 180}, 1, 1244, 802, true},  // 2-up across: the height takes rm
        {"-down rm=10 bm=20", {}, 0, 0, 812, false},
        {"-4up rm=10 bm=20", {}, 1, 622, 812, false},
        {"-4up mb=612x1584", {}, 1, 306, 792, false},
        {"-12up4x3 mb=612x1584", {}, 11, 918, 0, false},
        // Rotations are taken modulo a full turn, to the quarter below.
        {"-4up", {-90, 0}, 0, 612, 792, true},
        {"-4up", {450, 0}, 1, 0, 792, false},
        {"-4up", {45, 0}, 1, 612, 792, false},
        {"-4up", {0, -180}, 1, 1224, 1584, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(formatText("'%s' slot %d", c.options, c.slot));
        SheetGeometry geometry = geometryFor(c.options, letterPages(c.rotations),
                                             {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12});
        ASSERT_LT(static_cast<size_t>(c.slot), geometry.slots.size());
        const PagePlacement& placement = geometry.slots[static_cast<size_t>(c.slot)];
        EXPECT_DOUBLE_EQ(placement.dx, c.dx);
        EXPECT_DOUBLE_EQ(placement.dy, c.dy);
        EXPECT_EQ(placement.flipped(), c.flipped);
    }
    EXPECT_EQ(normaliseRotation(-450), 270);
    EXPECT_EQ(normaliseRotation(539), 90);
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

// The carrier's /Contents in each stored kind ends up as the sheet's contents.
TEST(SheetWriter, ContentsInEveryStoredKind) {
    DocPlan plan(5);
    plan.pages[0].hasContents = false;
    plan.pages[0].extra = "/Contents [ 11 0 R ]";  // direct array
    plan.pages[1].hasContents = false;
    plan.pages[1].extra = "/Contents 22 0 R";  // reference to an array
    plan.objects[22] = "[ 21 0 R ]";
    plan.pages[3].hasContents = false;  // absent; page 3 refers to a stream
    ImpositionSetup setup(buildDoc(plan));
    std::vector<int> sheets = writeSheets(setup, "", {{1, 5}, {2, 5}, {3, 5}, {4, 5}});
    OutputPdf pdf(setup.outputPath());
    for (int i = 0; i < 4; i++) {
        SCOPED_TRACE(formatText("carrier page %d", i + 1));
        std::vector<std::string> data = pdf.contentsData(sheets[static_cast<size_t>(i)]);
        size_t expected = i == 3 ? 5u : 6u;  // the page without contents lists nothing of its own
        ASSERT_EQ(data.size(), expected);
        EXPECT_EQ(data[0],
                  "q\n1 0 0 1 0.000000 0.000000 cm\n1 0 0 1 0 0 cm\n0.000000 0.000000 612.000000 "
                  "792.000000 re W n\n");
        if (i != 3) {
            EXPECT_NE(data[1].find(formatText("(%d) Tj", i + 1)), std::string::npos);
        }
        EXPECT_NE(data[expected - 2].find("(5) Tj"), std::string::npos);
    }
    // The referenced array gets a new array object; the input's one stays as it was.
    CPdfObject second = pdf.rawValue(sheets[1], "Contents");
    ASSERT_TRUE(second.isRef());
    EXPECT_NE(second.getRefNum(), 22);
    EXPECT_EQ(pdf.text(22), "22 0 obj\n[ 21 0 R ]\nendobj\n");
    EXPECT_TRUE(pdf.rawValue(sheets[2], "Contents").isArray());
    EXPECT_TRUE(pdf.has(sheets[3], "<</Contents [  "));
}
