// Resource merging: the carrier's resources gather every placed page's entries; a clashing name
// is renamed for the page that brings it, and only that page's content streams change.
#include "ImpositionTestSupport.h"
#include "imposition/ResourceMerge.h"
#include "pdf/CPdfException.h"

namespace {

// The sheet's resources dictionary, resolved.
CPdfDict* sheetResources(OutputPdf& pdf, int sheet, CPdfObject& holder) {
    holder = pdf.pageValue(sheet, "Resources");
    return holder.getDict();
}

// Entry name -> referenced object number of one category of the sheet's resources.
std::map<std::string, int> categoryRefs(OutputPdf& pdf, int sheet, const char* category) {
    CPdfObject holder;
    CPdfDict* resources = sheetResources(pdf, sheet, holder);
    std::map<std::string, int> result;
    if (!resources) return result;
    CPdfObject dict = resources->lookup(category);
    if (!dict.isDict()) return result;
    for (const auto& [name, value] : dict.getDict()->entries())
        result[name] = value.isRef() ? value.getRefNum() : -1;
    return result;
}

}  // namespace

TEST(ResourceMerge, SameFontUnderTheSameNameNeedsNoRename) {
    ImpositionSetup setup(buildDoc(plainDoc(2)));
    std::vector<OutputPage> sheets = writeSheets(setup, settingsFor(""), {entryOf({1, 2})});
    OutputPdf pdf(setup.outputPath());
    EXPECT_EQ(categoryRefs(pdf, sheets[0].num, "Font"), (std::map<std::string, int>{{"F1", 3}}));
    std::vector<int> contents = pdf.refNumbers(pdf.pageValue(sheets[0].num, "Contents"));
    ASSERT_EQ(contents.size(), 6u);
    EXPECT_EQ(contents[4], pageObject(2) + 1);  // page 2's own stream, not a rewritten copy
    // Nothing changed: the carrier's resources are left as they were.
    EXPECT_NE(pdf.text(sheets[0].num).find("/Resources << /Font << /F1 3 0 R >> >>"),
              std::string::npos);
}

TEST(ResourceMerge, ClashingNameIsRenamedOnlyForThePageThatBringsIt) {
    DocPlan plan = plainDoc(4);
    plan.pages[1].resources = "<< /Font << /F1 4 0 R >> >>";  // F1 is Courier here
    plan.pages[1].content = "BT /F1 24 Tf (/F1 in a string) Tj /F1x 1 Tf ET\n";
    ImpositionSetup setup(buildDoc(plan));
    std::vector<OutputPage> sheets =
        writeSheets(setup, settingsFor("-4up"), {entryOf({1, 2, 3, 4})});
    OutputPdf pdf(setup.outputPath());
    EXPECT_EQ(categoryRefs(pdf, sheets[0].num, "Font"),
              (std::map<std::string, int>{{"F1", 3}, {"F1_1", 4}}));
    std::vector<int> contents = pdf.refNumbers(pdf.pageValue(sheets[0].num, "Contents"));
    ASSERT_EQ(contents.size(), 12u);
    EXPECT_EQ(contents[1], pageObject(1) + 1);
    EXPECT_NE(contents[4], pageObject(2) + 1);  // page 2's stream is a renamed copy
    EXPECT_EQ(pdf.data(contents[4]), "BT /F1_1 24 Tf (/F1 in a string) Tj /F1x 1 Tf ET\n");
    EXPECT_EQ(pdf.data(pageObject(2) + 1), plan.pages[1].content);  // the original stays
    EXPECT_EQ(contents[7], pageObject(3) + 1);  // pages 3 and 4 use the carrier's F1
    EXPECT_EQ(contents[10], pageObject(4) + 1);
    EXPECT_QPDF_CLEAN(setup.outputPath());
}

TEST(ResourceMerge, NewNamesAvoidEveryNameInUse) {
    DocPlan plan = plainDoc(3);
    plan.pages[0].resources = "<< /Font << /F1 3 0 R /F1_1 5 0 R >> >>";
    plan.pages[1].resources = "<< /Font << /F1 4 0 R /F1_2 6 0 R >> >>";
    plan.pages[1].content = "BT /F1 24 Tf /F1_2 12 Tf ET\n";
    plan.objects[5] = "<< /Type /Font /Subtype /Type1 /BaseFont /Times-Roman >>";
    plan.objects[6] = "<< /Type /Font /Subtype /Type1 /BaseFont /Symbol >>";
    ImpositionSetup setup(buildDoc(plan));
    std::vector<OutputPage> sheets = writeSheets(setup, settingsFor(""), {entryOf({1, 2})});
    OutputPdf pdf(setup.outputPath());
    EXPECT_EQ(categoryRefs(pdf, sheets[0].num, "Font"),
              (std::map<std::string, int>{{"F1", 3}, {"F1_1", 5}, {"F1_2", 6}, {"F1_3", 4}}));
    std::vector<int> contents = pdf.refNumbers(pdf.pageValue(sheets[0].num, "Contents"));
    EXPECT_EQ(pdf.data(contents[4]), "BT /F1_3 24 Tf /F1_2 12 Tf ET\n");
}

TEST(ResourceMerge, NameRenamedInEveryCategoryOfThePage) {
    DocPlan plan = plainDoc(2);
    plan.pages[0].resources = "<< /Font << /R1 3 0 R >> >>";
    plan.pages[1].resources = "<< /Font << /R1 4 0 R >> /XObject << /R1 25 0 R >> >>";
    plan.pages[1].content = "BT /R1 24 Tf ET /R1 Do\n";
    plan.streams[25] = {"<< /Type /XObject /Subtype /Form /BBox [0 0 10 10] /Resources << >> >>",
                        "0 0 10 10 re f\n"};
    ImpositionSetup setup(buildDoc(plan));
    std::vector<OutputPage> sheets = writeSheets(setup, settingsFor(""), {entryOf({1, 2})});
    OutputPdf pdf(setup.outputPath());
    EXPECT_EQ(categoryRefs(pdf, sheets[0].num, "Font"),
              (std::map<std::string, int>{{"R1", 3}, {"R1_1", 4}}));
    EXPECT_EQ(categoryRefs(pdf, sheets[0].num, "XObject"),
              (std::map<std::string, int>{{"R1_1", 25}}));
    EXPECT_QPDF_CLEAN(setup.outputPath());
}

// Page 2 next to page 1 (Helvetica as /F1, /Sh1 and /MC0 objects of its own): renamed, or painted
// from a form that keeps its resources.
TEST(ResourceMerge, EachPageIsRenamedOrPaintedFromAForm) {
    struct WayCase {
        const char* name;
        const char* resources;     // page 2's
        const char* contentsDict;  // its content stream's dictionary
        const char* content;
        const char* renamed;  // its content as the sheet lists it; nullptr: shown as a form
    };
    const WayCase cases[] = {
        {"ShadingClash", "<< /Shading << /Sh1 7 0 R >> >>", "<< >>", "/Sh1 sh\n", "/Sh1_1 sh\n"},
        {"PropertiesClash", "<< /Properties << /MC0 8 0 R >> >>", "<< >>", "/OC /MC0 BDC EMC\n",
         "/OC /MC0_1 BDC EMC\n"},
        {"Patterns", "<< /Pattern << /P1 9 0 R >> >>", "<< >>", "/P1 scn\n", nullptr},
        {"FormWithoutResources", "<< /Font << /F1 4 0 R >> /XObject << /X 26 0 R >> >>", "<< >>",
         "/X Do\n", nullptr},
        {"FormWithoutResourcesNoClash", "<< /Font << /F1 3 0 R >> /XObject << /X 26 0 R >> >>",
         "<< >>", "/X Do\n", "/X Do\n"},
        {"Type3FontWithoutResources", "<< /Font << /F1 27 0 R >> >>", "<< >>", "/F1 9 Tf\n",
         nullptr},
        {"Undecodable", "<< /Font << /F1 4 0 R >> >>", "<< /Filter /MadeUpDecode >>", "/F1 9 Tf\n",
         nullptr},
        {"UndecodableNoClash", "<< /Font << /F1 3 0 R >> >>", "<< /Filter /MadeUpDecode >>",
         "/F1 9 Tf\n", "/F1 9 Tf\n"},
    };
    for (const WayCase& c : cases) {
        SCOPED_TRACE(c.name);
        DocPlan plan = plainDoc(2);
        plan.pages[0].resources =
            "<< /Font << /F1 3 0 R >> /Shading << /Sh1 5 0 R >> /Properties << /MC0 6 0 R >> >>";
        plan.pages[1].resources = c.resources;
        plan.pages[1].hasContents = false;
        plan.pages[1].extra = "/Contents 25 0 R /CropBox [10 20 700 700]";
        for (int num = 5; num <= 9; num++) plan.objects[num] = "<< >>";  // never drawn here
        plan.objects[27] = "<< /Type /Font /Subtype /Type3 >>";
        plan.streams[25] = {c.contentsDict, c.content};
        plan.streams[26] = {"<< /Type /XObject /Subtype /Form /BBox [0 0 9 9] >>", "/F1 9 Tf\n"};
        ImpositionSetup setup(buildDoc(plan));
        std::vector<OutputPage> sheets = writeSheets(setup, settingsFor(""), {entryOf({1, 2})});
        OutputPdf pdf(setup.outputPath());
        std::vector<int> contents = pdf.refNumbers(pdf.pageValue(sheets[0].num, "Contents"));
        ASSERT_EQ(contents.size(), 6u);
        int form = categoryRefs(pdf, sheets[0].num, "XObject")["Page2"];
        if (c.renamed) {
            EXPECT_EQ(form, 0);
            if (c.contentsDict == std::string("<< >>")) {
                EXPECT_EQ(pdf.data(contents[4]), c.renamed);
            }
            if (c.renamed == std::string(c.content)) {
                EXPECT_EQ(contents[4], 25);
            }
            continue;
        }
        // The form keeps the page's resources and visible box; the sheet paints it.
        ASSERT_NE(form, 0);
        EXPECT_EQ(pdf.data(contents[4]), "/Page2 Do\n");
        std::string text = pdf.text(form);
        EXPECT_NE(text.find(std::string("/Resources ") + c.resources), std::string::npos) << text;
        EXPECT_NE(text.find("/BBox [ 10.000000 20.000000 612.000000 700.000000]"),
                  std::string::npos);
        if (c.contentsDict == std::string("<< >>")) {
            EXPECT_EQ(pdf.data(form), c.content);
        } else {  // copied as stored, with its filter
            EXPECT_NE(text.find("/Filter /MadeUpDecode /Length 9 >>\nstream\n/F1 9 Tf\n"),
                      std::string::npos);
        }
        EXPECT_EQ(pdf.data(contents[1]), "BT /F1 300 Tf 150 250 Td (1) Tj ET\n");
    }
}

// A page of several content streams, one of them in a filter no reader knows, cannot keep its own
// names in a form.
TEST(ResourceMerge, UndecodableStreamAmongSeveralFails) {
    DocPlan plan = plainDoc(2);
    plan.pages[1].resources = "<< /Font << /F1 4 0 R >> >>";
    plan.pages[1].hasContents = false;
    plan.pages[1].extra = "/Contents [25 0 R 26 0 R]";
    plan.streams[25] = {"<< >>", "BT /F1 99 Tf"};
    plan.streams[26] = {"<< /Filter /MadeUpDecode >>", "(2) Tj ET"};
    ImpositionSetup setup(buildDoc(plan));
    try {
        writeSheets(setup, settingsFor(""), {entryOf({1, 2})});
        ADD_FAILURE() << "no failure";
    } catch (const CPdfException& e) {
        EXPECT_EQ(e.getMessage(),
                  "Page 2 cannot be placed: its content stream 26 0 R cannot be decoded\n");
    }
}

TEST(ResourceMerge, MissingCategoryIsAddedAndDirectValuesAreKept) {
    DocPlan plan = plainDoc(2);
    plan.pages[0].resources = "<< /ProcSet [/PDF /Text] >>";
    plan.pages[1].resources =
        "<< /Font << /F1 3 0 R >> /ExtGState << /GS1 << /Type /ExtGState /CA 0.5 >> >> "
        "/ColorSpace << /CS1 /DeviceRGB /CS2 [/CalRGB << /WhitePoint [1 1 1] >>] >> >>";
    ImpositionSetup setup(buildDoc(plan));
    std::vector<OutputPage> sheets = writeSheets(setup, settingsFor(""), {entryOf({1, 2})});
    OutputPdf pdf(setup.outputPath());
    std::string text = pdf.text(sheets[0].num);
    EXPECT_NE(text.find("/Resources <</ColorSpace << /CS1 /DeviceRGB /CS2 [/CalRGB << /WhitePoint "
                        "[1 1 1] >>] >>"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("/Font << /F1 3 0 R >>"), std::string::npos);
    EXPECT_NE(text.find("/ProcSet [/PDF /Text]"), std::string::npos);
    // A graphics state written in place becomes an object of its own.
    std::map<std::string, int> states = categoryRefs(pdf, sheets[0].num, "ExtGState");
    ASSERT_EQ(states.size(), 1u);
    EXPECT_GT(states["GS1"], pageObject(2) + 1);  // not an input object
    EXPECT_DOUBLE_EQ(pdf.object(states["GS1"]).getDict()->lookup("CA").getNum(), 0.5);
    EXPECT_QPDF_CLEAN(setup.outputPath());
}

TEST(ResourceMerge, SharedResourcesObjectIsNeverOverwritten) {
    DocPlan plan = plainDoc(4);
    plan.objects[5] = "<< /Font << /F1 3 0 R >> >>";
    plan.pages[0].resources = "5 0 R";
    plan.pages[2].resources = "5 0 R";
    plan.pages[1].resources = "<< /Font << /F1 4 0 R >> >>";
    plan.pages[3].resources = "<< /Font << /F2 4 0 R >> >>";
    std::string input = buildDoc(plan);
    ImpositionSetup setup(input);
    std::vector<OutputPage> sheets =
        writeSheets(setup, settingsFor(""), {entryOf({1, 2}), entryOf({3, 4})});
    OutputPdf pdf(setup.outputPath());
    EXPECT_EQ(pdf.text(5), "5 0 obj\n<< /Font << /F1 3 0 R >> >>\nendobj\n");
    EXPECT_EQ(categoryRefs(pdf, sheets[0].num, "Font"),
              (std::map<std::string, int>{{"F1", 3}, {"F1_1", 4}}));
    EXPECT_EQ(categoryRefs(pdf, sheets[1].num, "Font"),
              (std::map<std::string, int>{{"F1", 3}, {"F2", 4}}));
    CPdfObject first = pdf.object(sheets[0].num).getDict()->lookupRaw("Resources");
    CPdfObject second = pdf.object(sheets[1].num).getDict()->lookupRaw("Resources");
    ASSERT_TRUE(first.isRef());
    ASSERT_TRUE(second.isRef());
    EXPECT_NE(first.getRefNum(), 5);
    EXPECT_NE(first.getRefNum(), second.getRefNum());
    EXPECT_QPDF_CLEAN(setup.outputPath());
}

// An inherited dictionary is written once as an object that every sheet refers to: repeating it
// in each page would make the output grow with pages times entries.
TEST(ResourceMerge, InheritedResourcesAreWrittenOnceAndReferred) {
    DocPlan plan = plainDoc(4);
    plan.rootExtra = "/MediaBox [0 0 612 792] /Resources << /Font << /F1 3 0 R >> >>";
    for (auto& page : plan.pages) page.resources = "";
    ImpositionSetup setup(buildDoc(plan));
    std::vector<OutputPage> sheets =
        writeSheets(setup, settingsFor(""), {entryOf({1, 2}), entryOf({3, 4})});
    OutputPdf pdf(setup.outputPath());
    CPdfObject first = pdf.object(sheets[0].num).getDict()->lookupRaw("Resources");
    CPdfObject second = pdf.object(sheets[1].num).getDict()->lookupRaw("Resources");
    ASSERT_TRUE(first.isRef());
    EXPECT_EQ(second.getRefNum(), first.getRefNum());
    EXPECT_EQ(categoryRefs(pdf, sheets[0].num, "Font"), (std::map<std::string, int>{{"F1", 3}}));
    EXPECT_QPDF_CLEAN(setup.outputPath());
}

// Resources of thousands of entries are not copied into the sheet: each page keeps its own
// through a form, so a dictionary shared by many pages costs nothing per sheet.
TEST(ResourceMerge, PagesWithHugeResourcesAreShownAsForms) {
    DocPlan plan = plainDoc(2);
    plan.objects[4] = "<< /Type /Font /Subtype /Type1 /BaseFont /Courier >>";
    for (int p = 0; p < 2; p++) {
        std::string fonts;
        for (int i = 0; i < 2000; i++) fonts += formatText("/F%d %d 0 R ", i, 3 + p);
        plan.objects[5 + p] = "<< /Font << " + fonts + ">> >>";
        plan.pages[static_cast<size_t>(p)].resources = formatText("%d 0 R", 5 + p);
    }
    ImpositionSetup setup(buildDoc(plan));
    std::vector<OutputPage> sheets = writeSheets(setup, settingsFor(""), {entryOf({1, 2})});
    OutputPdf pdf(setup.outputPath());
    EXPECT_TRUE(categoryRefs(pdf, sheets[0].num, "Font").empty());
    EXPECT_EQ(categoryRefs(pdf, sheets[0].num, "XObject").size(), 2u);
    EXPECT_QPDF_CLEAN(setup.outputPath());
}

TEST(ResourceMerge, EveryPlacedSlotIsMerged) {
    DocPlan plan = plainDoc(12);
    plan.pages[11].resources = "<< /Font << /F9 4 0 R >> >>";
    plan.pages[11].content = "BT /F9 300 Tf 150 250 Td (12) Tj ET\n";
    ImpositionSetup setup(buildDoc(plan));
    std::vector<OutputPage> sheets = writeSheets(
        setup, settingsFor("-12up4x3"), {entryOf({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12})});
    OutputPdf pdf(setup.outputPath());
    EXPECT_EQ(categoryRefs(pdf, sheets[0].num, "Font"),
              (std::map<std::string, int>{{"F1", 3}, {"F9", 4}}));
}

TEST(ResourceMerge, SameInputGivesTheSameBytes) {
    DocPlan plan = plainDoc(4);
    plan.pages[1].resources = "<< /Font << /F1 4 0 R >> /ExtGState << /G << /CA 1 >> >> >>";
    std::string input = buildDoc(plan);
    std::string outputs[2];
    for (std::string& output : outputs) {
        ImpositionSetup setup(input);
        writeSheets(setup, settingsFor("-4up"), {entryOf({1, 2, 3, 4})});
        output = readFileBytes(setup.outputPath());
    }
    EXPECT_FALSE(outputs[0].empty());
    EXPECT_EQ(outputs[0], outputs[1]);
}

TEST(ResourceMerge, HostileResourcesDoNotCrash) {
    DocPlan plan = plainDoc(4);
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
    std::vector<OutputPage> sheets;
    try {
        ImpositionSetup setup(buildDoc(plan));
        sheets =
            writeSheets(setup, settingsFor("-4up"), {entryOf({1, 2, 3, 4}), entryOf({2, 3, 4, 1})});
        OutputPdf pdf(setup.outputPath());
        EXPECT_EQ(contentsData(pdf, sheets[1].num).size(), 12u);
    } catch (const CPdfException& e) {
        FAIL() << e.getMessage();
    }
    EXPECT_EQ(sheets.size(), 2u);
    EXPECT_NE(sheets[0].num, 0);
}
