// Pages that a plain merge of resources would show wrongly: content stored through every filter,
// optional content, patterns, forms without resources. Every sheet must show each page as the
// input does.
#include <gtest/gtest.h>

#include <string>

#include "e2e/E2eSupport.h"
#include "pdf/FormatText.h"
#include "support/FilterEncode.h"
#include "support/TestPdf.h"

namespace {

// What the pages of a made-up document hold; odd and even pages differ under the same names.
enum class Kind {
    fonts,     // /F1 is Helvetica on odd pages, Courier-Bold on even ones
    marked,    // /MC0 marks a square: a visible group on odd pages, a hidden one on even pages
    patterns,  // /P1 fills with a gradient: across on odd pages, upwards on even ones
    shadings,  // /Sh1 painted with sh: the same two gradients
    form       // even pages paint /Fm1, a form without resources that draws with their /F1
};

struct ResourceCase {
    const char* name;
    Kind kind;
    const char* filter;  // /Filter of page 2's content stream; "" for none
    const char* options;
    int pages;
    const char* rotate;  // /Rotate of every page; "" for none
};

std::string gradient(int page) {
    const char* coords = page % 2 ? "60 0 540 0" : "0 420 0 720";
    return formatText(
        "<< /ShadingType 2 /ColorSpace /DeviceGray /Coords [%s] /Extend [true true] "
        "/Function << /FunctionType 2 /Domain [0 1] /C0 [0.1] /C1 [1] /N 1 >> >>",
        coords);
}

std::string makeCaseDoc(const ResourceCase& c) {
    TestPdf pdf;
    std::string kids;
    for (int k = 1; k <= c.pages; k++) kids += formatText("%d 0 R ", 10 * k);
    pdf.addObject(1,
                  "<< /Type /Catalog /Pages 2 0 R /OCProperties << /OCGs [5 0 R 6 0 R] "
                  "/D << /OFF [6 0 R] >> >> >>");
    pdf.addObject(2, formatText("<< /Type /Pages /Kids [%s] /Count %d >>", kids.c_str(), c.pages));
    pdf.addObject(3, "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
    pdf.addObject(4, "<< /Type /Font /Subtype /Type1 /BaseFont /Courier-Bold >>");
    pdf.addObject(5, "<< /Type /OCG /Name (shown) >>");
    pdf.addObject(6, "<< /Type /OCG /Name (hidden) >>");
    for (int k = 1; k <= c.pages; k++) {
        int own = 10 * k + 2;  // the page's own resource object
        bool even = k % 2 == 0;
        // Taller than Letter, so that a box taken for the default Letter one shows: a bar near the
        // top edge would be cut off.
        FeaturePage look;
        look.height = 864;
        std::string content = featurePageContent(look, k) + "0.5 g 40 800 300 30 re f\n";
        std::string resources = "/Font << /F1 3 0 R >>";
        switch (c.kind) {
            case Kind::fonts:
                if (even) resources = "/Font << /F1 4 0 R >>";
                break;
            case Kind::marked:
                resources += formatText(" /Properties << /MC0 %d 0 R >>", even ? 6 : 5);
                content += "/OC /MC0 BDC 0.3 g 300 480 200 200 re f EMC\n";
                break;
            case Kind::patterns:
                pdf.addObject(own,
                              "<< /Type /Pattern /PatternType 2 /Shading " + gradient(k) + " >>");
                resources += formatText(" /Pattern << /P1 %d 0 R >>", own);
                content = "/Pattern cs /P1 scn 60 420 480 300 re f\n" + content;
                break;
            case Kind::shadings:
                pdf.addObject(own, gradient(k));
                resources += formatText(" /Shading << /Sh1 %d 0 R >>", own);
                content = "q 60 420 480 300 re W n /Sh1 sh Q\n" + content;
                break;
            case Kind::form:
                if (!even) break;
                pdf.addStream(own, "<< /Type /XObject /Subtype /Form /BBox [0 0 612 864] >>",
                              "BT /F1 90 Tf 60 600 Td (Form) Tj ET\n");
                resources = formatText("/Font << /F1 4 0 R >> /XObject << /Fm1 %d 0 R >>", own);
                content += "/Fm1 Do\n";
                break;
        }
        if (k == 2 && *c.filter) {
            pdf.addStream(10 * k + 1, std::string("<< /Filter ") + c.filter + " >>",
                          encodeWithFilters(content, c.filter));
        } else {
            pdf.addStream(10 * k + 1, "<< >>", content);
        }
        std::string rotate = *c.rotate ? std::string(" /Rotate ") + c.rotate : "";
        pdf.addObject(10 * k, formatText("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 864] "
                                         "/Resources << %s >> /Contents %d 0 R%s >>",
                                         resources.c_str(), 10 * k + 1, rotate.c_str()));
    }
    pdf.setTrailerExtra("/Root 1 0 R");
    return pdf.build();
}

void PrintTo(const ResourceCase& c, std::ostream* out) {
    *out << c.name << " (" << c.options << ")";
}

class PageResources : public testing::TestWithParam<ResourceCase> {};

TEST_P(PageResources, SheetsShowEveryPageAsTheInputDoes) {
    const ResourceCase& c = GetParam();
    TempDir dir;
    ConversionCheck check;
    check.inputPath = dir.write("in.pdf", makeCaseDoc(c));
    check.options = c.options;
    bool fourUp = std::string(c.options) == "-4up";
    check.grid = GridLayout{2, fourUp ? 2 : 1, !fourUp};
    check.pages = parseOrder(fourUp ? "1,2,3,4" : "1,2");
    expectConversion(check, dir.file("out.pdf"));
}

const ResourceCase kCases[] = {
    // Content whose names change is decoded through its filters (chains cover each) and renamed.
    {"RunLength", Kind::fonts, "/RL", "", 2, ""},
    {"Ascii85Flate", Kind::fonts, "[/A85 /Fl]", "", 2, ""},
    {"HexLzwFourUp", Kind::fonts, "[/AHx /LZW]", "-4up", 4, ""},
    {"MarkedContentSlot1", Kind::marked, "", "", 2, ""},
    {"ShadingsClash", Kind::shadings, "/AHx", "-4up", 4, ""},
    // Pages that renaming cannot show are painted from forms that keep their own resources.
    {"PatternsSlot1", Kind::patterns, "", "", 2, ""},
    {"PatternsFourUp", Kind::patterns, "/A85", "-4up", 4, ""},
    {"PatternsFlipped", Kind::patterns, "", "", 2, "180"},
    {"FormWithoutResources", Kind::form, "", "", 2, ""},
};

std::string caseName(const testing::TestParamInfo<ResourceCase>& info) {
    return info.param.name;
}

INSTANTIATE_TEST_SUITE_P(Cases, PageResources, testing::ValuesIn(kCases), caseName);

}  // namespace
