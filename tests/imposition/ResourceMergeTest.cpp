// Resource merging: a clashing name is renamed only for the page that brings it.
#include "imposition/ResourceMerge.h"

#include "ImpositionTestSupport.h"

namespace {

using Refs = std::map<std::string, int>;

// The sheets of plan (by default pages 1 and 2, 2-up) written, and reopened as pdf.
struct Sheets {
    explicit Sheets(const DocPlan& plan, const std::string& options = "",
                    const std::vector<std::vector<int>>& entries = {{1, 2}}, bool check = true)
        : setup(buildDoc(plan)),
          sheets(writeSheets(setup, options, entries, check)),
          pdf(setup.outputPath()) {}
    // Font name -> referenced object number, of the first sheet's resources.
    Refs refs() {
        Refs result;
        CPdfObject fonts = pdf.value(sheets[0], "Resources").getDict()->lookup("Font");
        if (fonts.isDict()) {
            for (const auto& [name, value] : fonts.getDict()->entries())
                result[name] = value.getRefNum();
        }
        return result;
    }
    std::vector<int> contents() { return pdf.refNumbers(pdf.value(sheets[0], "Contents")); }
    ImpositionSetup setup;
    std::vector<int> sheets;
    OutputPdf pdf;
};

}  // namespace

TEST(ResourceMerge, ClashingNameIsRenamedOnlyForThePageThatBringsIt) {
    DocPlan plan(4);
    plan.pages[1].resources = "<< /Font << /F1 4 0 R >> >>";  // F1 is Courier here
    plan.pages[1].content = "BT /F1 24 Tf (/F1 in a string) Tj /F1x 1 Tf ET\n";
    Sheets s(plan, "-4up", {{1, 2, 3, 4}});
    EXPECT_EQ(s.refs(), (Refs{{"F1", 3}, {"F1_1", 4}}));
    std::vector<int> contents = s.contents();
    ASSERT_EQ(contents.size(), 12u);
    // Page 2's stream is a renamed copy; the original stays, pages 3 and 4 use the carrier's F1.
    EXPECT_EQ((std::vector<int>{contents[1], contents[7], contents[10]}),
              (std::vector<int>{11, 31, 41}));
    EXPECT_EQ(s.pdf.data(contents[4]), "BT /F1_1 24 Tf (/F1 in a string) Tj /F1x 1 Tf ET\n");
    EXPECT_EQ(s.pdf.data(21), plan.pages[1].content);
}

TEST(ResourceMerge, NewNamesAvoidEveryNameInUse) {
    DocPlan plan(3);
    plan.pages[0].resources = "<< /Font << /F1 3 0 R /F1_1 5 0 R >> >>";
    plan.pages[1].resources = "<< /Font << /F1 4 0 R /F1_2 6 0 R >> >>";
    plan.pages[1].content = "BT /F1 24 Tf /F1_2 12 Tf ET\n";
    plan.objects[5] = "<< /Type /Font /Subtype /Type1 /BaseFont /Times-Roman >>";
    plan.objects[6] = "<< /Type /Font /Subtype /Type1 /BaseFont /Symbol >>";
    Sheets s(plan);
    EXPECT_EQ(s.refs(), (Refs{{"F1", 3}, {"F1_1", 5}, {"F1_2", 6}, {"F1_3", 4}}));
    EXPECT_EQ(s.pdf.data(s.contents()[4]), "BT /F1_3 24 Tf /F1_2 12 Tf ET\n");
}

// A page of several content streams, one in a filter no reader knows, cannot keep its own names.
TEST(ResourceMerge, UndecodableStreamAmongSeveralFails) {
    DocPlan plan(2);
    plan.pages[1] = {"/Contents [25 0 R 26 0 R]", "<< /Font << /F1 4 0 R >> >>", "", false};
    plan.objects[25] = "<< /Length 12 >>\nstream\nBT /F1 99 Tf\nendstream";
    plan.objects[26] = "<< /Filter /MadeUpDecode /Length 9 >>\nstream\n(2) Tj ET\nendstream";
    try {
        Sheets s(plan);
        ADD_FAILURE() << "no failure";
    } catch (const CPdfException& e) {
        EXPECT_EQ(e.getMessage(),
                  "Page 2 cannot be placed: its content stream 26 0 R cannot be decoded\n");
    }
}

// A reference loop and an unterminated dictionary, which the page tree scan never parses.
TEST(ResourceMerge, HostileResourcesDoNotCrash) {
    DocPlan plan(2);
    plan.objects[5] = "6 0 R";
    plan.objects[6] = "5 0 R";
    plan.objects[7] = "<< /Font << /F1 99 0 R /F2 >> /XObject 5 0 R /ColorSpace << /C [ >> >>";
    plan.pages[0].resources = "5 0 R";
    plan.pages[1].resources = "7 0 R";
    Sheets s(plan, "", {{1, 2}, {2, 1}}, false);
    EXPECT_EQ(s.pdf.refNumbers(s.pdf.value(s.sheets[1], "Contents")).size(), 6u);
}
