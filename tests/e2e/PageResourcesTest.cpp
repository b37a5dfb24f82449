// Pages that a plain merge of resources would show wrongly: content through each filter, patterns,
// forms without resources. Every sheet shows each page as the input does.
#include <gtest/gtest.h>

#include <string>

#include "e2e/E2eSupport.h"
#include "pdf/FormatText.h"
#include "support/FilterEncode.h"
#include "support/TestPdf.h"

namespace {

// What the pages hold; odd and even pages differ under the same names. fonts: /F1 is Helvetica on
// odd pages, Courier-Bold on even ones; patterns: /P1 fills with a gradient across on odd pages,
// upwards on even ones; form: even pages paint /Fm1, a form without resources that draws with
// their /F1.
enum class Kind { fonts, patterns, form };

struct ResourceCase {
    Kind kind;
    const char* filter;   // /Filter of page 2's content stream; "" for none
    const char* options;  // "" or "-4up", which takes four pages
    const char* rotate;   // page keys added, e.g. "/Rotate 180"
};

std::string makeCaseDoc(const ResourceCase& c) {
    TestPdf pdf;
    std::string kids;
    pdf.addObject(1, "<< /Type /Catalog /Pages 2 0 R >>");
    pdf.addObject(3, "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
    pdf.addObject(4, "<< /Type /Font /Subtype /Type1 /BaseFont /Courier-Bold >>");
    const int pages = *c.options ? 4 : 2;
    for (int k = 1; k <= pages; k++) {
        const int own = 10 * k + 2;  // the page's own resource object
        const bool even = k % 2 == 0;
        const std::string gradient = formatText(
            "<< /ShadingType 2 /ColorSpace /DeviceGray /Coords [%s] /Extend [true true] "
            "/Function << /FunctionType 2 /Domain [0 1] /C0 [0.1] /C1 [1] /N 1 >> >>",
            even ? "0 420 0 720" : "60 0 540 0");
        // Taller than Letter, so that a box taken for the default Letter one shows: a bar near
        // the top edge would be cut off.
        FeaturePage look;
        look.height = 864;
        std::string content = featurePageContent(look, k) + "0.5 g 40 800 300 30 re f\n";
        std::string resources =
            even && c.kind == Kind::fonts ? "/Font << /F1 4 0 R >>" : "/Font << /F1 3 0 R >>";
        if (c.kind == Kind::patterns) {
            pdf.addObject(own, "<< /Type /Pattern /PatternType 2 /Shading " + gradient + " >>");
            resources += formatText(" /Pattern << /P1 %d 0 R >>", own);
            content = "/Pattern cs /P1 scn 60 420 480 300 re f\n" + content;
        } else if (c.kind == Kind::form && even) {
            pdf.addStream(own, "<< /Type /XObject /Subtype /Form /BBox [0 0 612 864] >>",
                          "BT /F1 90 Tf 60 600 Td (Form) Tj ET\n");
            resources = formatText("/Font << /F1 4 0 R >> /XObject << /Fm1 %d 0 R >>", own);
            content += "/Fm1 Do\n";
        }
        const bool filtered = k == 2 && *c.filter;
        pdf.addStream(10 * k + 1,
                      filtered ? std::string("<< /Filter ") + c.filter + " >>" : "<< >>",
                      filtered ? encodeWithFilters(content, c.filter) : content);
        pdf.addObject(10 * k, formatText("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 864] "
                                         "/Resources << %s >> /Contents %d 0 R %s >>",
                                         resources.c_str(), 10 * k + 1, c.rotate));
        kids += formatText("%d 0 R ", 10 * k);
    }
    pdf.addObject(2, formatText("<< /Type /Pages /Kids [%s] /Count %d >>", kids.c_str(), pages));
    pdf.setTrailerExtra("/Root 1 0 R");
    return pdf.build();
}

}  // namespace

TEST(PageResources, SheetsShowEveryPageAsTheInputDoes) {
    const ResourceCase cases[] = {
        // Content whose names change is decoded through its filters and renamed.
        {Kind::fonts, "/RL", "", ""},
        {Kind::fonts, "[/A85 /Fl]", "", ""},
        {Kind::fonts, "[/AHx /LZW]", "-4up", ""},
        // Pages that renaming cannot show are painted from forms that keep their own resources.
        {Kind::patterns, "", "", ""},
        {Kind::patterns, "/A85", "-4up", ""},
        {Kind::patterns, "", "", "/Rotate 180"},
        {Kind::form, "", "", ""},
    };
    for (const ResourceCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "kind " << static_cast<int>(c.kind) << " " << c.filter
                                        << " " << c.options << " " << c.rotate);
        TempDir dir;
        ConversionCheck check;
        check.inputPath = dir.write("in.pdf", makeCaseDoc(c));
        check.options = c.options;
        const bool fourUp = *c.options;
        check.grid = GridLayout{2, fourUp ? 2 : 1, !fourUp};
        check.pages = parseOrder(fourUp ? "1,2,3,4" : "1,2");
        expectConversion(check, dir.file("out.pdf"));
    }
}
