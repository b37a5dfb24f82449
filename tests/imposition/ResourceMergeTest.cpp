// Resource merging: a clashing name is renamed only for the page that brings it.
#include "ImpositionTestSupport.h"
#include "imposition/ResourceMerge.h"
#include "pdf/CPdfException.h"

namespace {

using Refs = std::map<std::string, int>;

// Entry name -> referenced object number of one category of the sheet's resources.
Refs categoryRefs(OutputPdf& pdf, int sheet, const char* category) {
    Refs result;
    CPdfObject resources = pdf.pageValue(sheet, "Resources");
    if (!resources.isDict()) return result;
    CPdfObject dict = resources.getDict()->lookup(category);
    if (!dict.isDict()) return result;
    for (const auto& [name, value] : dict.getDict()->entries())
        result[name] = value.isRef() ? value.getRefNum() : -1;
    return result;
}

// The sheets of plan (by default pages 1 and 2, 2-up) written, and reopened as pdf.
struct TwoUp {
    explicit TwoUp(const DocPlan& plan, const std::string& options = "",
                   const std::vector<std::vector<int>>& entries = {{1, 2}})
        : setup(buildDoc(plan)),
          sheets(writeSheets(setup, options, entries)),
          pdf(setup.outputPath()) {}
    Refs fonts(size_t sheet = 0) { return categoryRefs(pdf, sheets[sheet], "Font"); }
    std::vector<int> contents() { return pdf.refNumbers(pdf.pageValue(sheets[0], "Contents")); }
    ImpositionSetup setup;
    std::vector<int> sheets;
    OutputPdf pdf;
};

}  // namespace

TEST(ResourceMerge, ClashingNameIsRenamedOnlyForThePageThatBringsIt) {
    DocPlan plan(4);
    plan.pages[1].resources = "<< /Font << /F1 4 0 R >> >>";  // F1 is Courier here
    plan.pages[1].content = "BT /F1 24 Tf (/F1 in a string) Tj /F1x 1 Tf ET\n";
    TwoUp s(plan, "-4up", {{1, 2, 3, 4}});
    EXPECT_EQ(s.fonts(), (Refs{{"F1", 3}, {"F1_1", 4}}));
    std::vector<int> contents = s.contents();
    ASSERT_EQ(contents.size(), 12u);
    EXPECT_EQ(contents[1], pageObject(1) + 1);
    EXPECT_NE(contents[4], pageObject(2) + 1);  // page 2's stream is a renamed copy
    EXPECT_EQ(s.pdf.data(contents[4]), "BT /F1_1 24 Tf (/F1 in a string) Tj /F1x 1 Tf ET\n");
    EXPECT_EQ(s.pdf.data(pageObject(2) + 1), plan.pages[1].content);  // the original stays
    EXPECT_EQ(contents[7], pageObject(3) + 1);  // pages 3 and 4 use the carrier's F1
    EXPECT_EQ(contents[10], pageObject(4) + 1);
}

TEST(ResourceMerge, NewNamesAvoidEveryNameInUse) {
    DocPlan plan(3);
    plan.pages[0].resources = "<< /Font << /F1 3 0 R /F1_1 5 0 R >> >>";
    plan.pages[1].resources = "<< /Font << /F1 4 0 R /F1_2 6 0 R >> >>";
    plan.pages[1].content = "BT /F1 24 Tf /F1_2 12 Tf ET\n";
    plan.objects[5] = "<< /Type /Font /Subtype /Type1 /BaseFont /Times-Roman >>";
    plan.objects[6] = "<< /Type /Font /Subtype /Type1 /BaseFont /Symbol >>";
    TwoUp s(plan);
    EXPECT_EQ(s.fonts(), (Refs{{"F1", 3}, {"F1_1", 5}, {"F1_2", 6}, {"F1_3", 4}}));
    EXPECT_EQ(s.pdf.data(s.contents()[4]), "BT /F1_3 24 Tf /F1_2 12 Tf ET\n");
}

// A page of several content streams, one of them in a filter no reader knows, cannot keep its own
// names in a form.
TEST(ResourceMerge, UndecodableStreamAmongSeveralFails) {
    DocPlan plan(2);
    plan.pages[1].resources = "<< /Font << /F1 4 0 R >> >>";
    plan.pages[1].hasContents = false;
    plan.pages[1].extra = "/Contents [25 0 R 26 0 R]";
    plan.streams[25] = {"<< >>", "BT /F1 99 Tf"};
    plan.streams[26] = {"<< /Filter /MadeUpDecode >>", "(2) Tj ET"};
    ImpositionSetup setup(buildDoc(plan));
    try {
        writeSheets(setup, "", {{1, 2}});
        ADD_FAILURE() << "no failure";
    } catch (const CPdfException& e) {
        EXPECT_EQ(e.getMessage(),
                  "Page 2 cannot be placed: its content stream 26 0 R cannot be decoded\n");
    }
}

TEST(ResourceMerge, SharedResourcesObjectIsNeverOverwritten) {
    DocPlan plan(4);
    plan.objects[5] = "<< /Font << /F1 3 0 R >> >>";
    plan.pages[0].resources = "5 0 R";
    plan.pages[2].resources = "5 0 R";
    plan.pages[1].resources = "<< /Font << /F1 4 0 R >> >>";
    plan.pages[3].resources = "<< /Font << /F2 4 0 R >> >>";
    TwoUp s(plan, "", {{1, 2}, {3, 4}});
    EXPECT_EQ(s.pdf.text(5), "5 0 obj\n<< /Font << /F1 3 0 R >> >>\nendobj\n");
    EXPECT_EQ(s.fonts(0), (Refs{{"F1", 3}, {"F1_1", 4}}));
    EXPECT_EQ(s.fonts(1), (Refs{{"F1", 3}, {"F2", 4}}));
    CPdfObject first = s.pdf.rawValue(s.sheets[0], "Resources");
    CPdfObject second = s.pdf.rawValue(s.sheets[1], "Resources");
    ASSERT_TRUE(first.isRef() && second.isRef());
    EXPECT_NE(first.getRefNum(), 5);
    EXPECT_NE(first.getRefNum(), second.getRefNum());
}

// An inherited dictionary is written once as an object that every sheet refers to: repeating it
// in each page would make the output grow with pages times entries.
TEST(ResourceMerge, InheritedResourcesAreWrittenOnceAndReferred) {
    DocPlan plan(4);
    plan.rootExtra = "/MediaBox [0 0 612 792] /Resources << /Font << /F1 3 0 R >> >>";
    for (auto& page : plan.pages) page.resources = "";
    TwoUp s(plan, "", {{1, 2}, {3, 4}});
    CPdfObject first = s.pdf.rawValue(s.sheets[0], "Resources");
    ASSERT_TRUE(first.isRef());
    EXPECT_EQ(s.pdf.rawValue(s.sheets[1], "Resources").getRefNum(), first.getRefNum());
    EXPECT_EQ(s.fonts(), (Refs{{"F1", 3}}));
}

// Resources of thousands of entries are not copied into the sheet: each page keeps its own
// through a form, so a dictionary shared by many pages costs nothing per sheet.
TEST(ResourceMerge, PagesWithHugeResourcesAreShownAsForms) {
    DocPlan plan(2);
    for (int p = 0; p < 2; p++) {
        std::string fonts;
        for (int i = 0; i < 2000; i++) fonts += formatText("/F%d %d 0 R ", i, 3 + p);
        plan.objects[5 + p] = "<< /Font << " + fonts + ">> >>";
        plan.pages[static_cast<size_t>(p)].resources = formatText("%d 0 R", 5 + p);
    }
    TwoUp s(plan);
    EXPECT_TRUE(s.fonts().empty());
    EXPECT_EQ(categoryRefs(s.pdf, s.sheets[0], "XObject").size(), 2u);
}

TEST(ResourceMerge, HostileResourcesDoNotCrash) {
    DocPlan plan(4);
    plan.objects[5] = "6 0 R";  // a reference loop instead of a dictionary
    plan.objects[6] = "5 0 R";
    plan.pages[0].resources = "5 0 R";
    // Objects the page tree scan never parses, so their text reaches the merge as it is.
    plan.objects[7] = "<< /Font << /F1 99 0 R /F2 >> /XObject 5 0 R /ColorSpace << /C [ >> >>";
    plan.objects[8] = "<< /Font (unterminated";
    plan.objects[9] = "<< /Font << /F1 4 0 R >> /ExtGState << /G << /A << /B << >> >>";
    plan.pages[1].resources = "7 0 R";
    plan.pages[2].resources = "8 0 R";
    plan.pages[3].resources = "9 0 R";
    ImpositionSetup setup(buildDoc(plan));
    std::vector<int> sheets = writeSheets(setup, "-4up", {{1, 2, 3, 4}, {2, 3, 4, 1}}, false);
    OutputPdf pdf(setup.outputPath());
    EXPECT_EQ(pdf.contentsData(sheets[1]).size(), 12u);
    EXPECT_NE(sheets[0], 0);
}
