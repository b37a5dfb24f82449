// Bookmarks, links and named destinations after imposition: each must name an output page, and
// its view must land on the text its page shows at the destination's point, as poppler finds it.
#include <gtest/gtest.h>

#include <map>
// std::regex inlines code that GCC's sanitizer builds wrongly take for reading uninitialised
// memory.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <regex>
#pragma GCC diagnostic pop
#include <sstream>
#include <string>
#include <vector>

#include "e2e/E2eSupport.h"
#include "pdf/FormatText.h"
#include "support/TestPdf.h"

namespace {

constexpr int kPages = 6;
double markX(int k) {
    return 30 + 25 * k;
}
double markY(int k) {
    return 350 - 40 * k;
}

// Page k writes "Qk" at (markX, markY). Per page: an outline item with an /XYZ destination (100+k),
// a GoTo action with /FitR (200+k) on a link (300+k), a /Fit destination named in the name tree
// (400+k) and a /FitH one in the catalog's /Dests (500+k); the document opens at page 3 with a
// null left.
std::string makeDestinationPdf(const char* rotate, bool evenOnly) {
    TestPdf pdf;
    std::string kids, names, dests,
        labels = "/PageLabels << /Nums [0 << /S /r >> 2 << /S /D >>] >>";
    for (int k = 1; k <= kPages; k++) {
        int page = 10 + k;
        double x = markX(k), y = markY(k);
        kids += formatText("%d 0 R ", page);
        pdf.addObject(page, formatText("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 300 400] "
                                       "/Resources << /Font << /F1 3 0 R >> >> /Contents %d 0 R "
                                       "/Annots [%d 0 R] %s >>",
                                       30 + k, 300 + k, evenOnly && k % 2 ? "" : rotate));
        pdf.addStream(30 + k, "<<>>", formatText("BT /F1 10 Tf %g %g Td (Q%d) Tj ET", x, y, k));
        pdf.addObject(100 + k,
                      formatText("<< /Title (P%d) /Parent 99 0 R %s /Dest [%d 0 R /XYZ "
                                 "%g %g null] >>",
                                 k, k < kPages ? formatText("/Next %d 0 R", 101 + k).c_str() : "",
                                 page, x, y + 5));
        pdf.addObject(200 + k, formatText("<< /S /GoTo /D [%d 0 R /FitR %g %g %g %g] >>", page,
                                          x - 5, y - 5, x + 20, y + 15));
        pdf.addObject(300 + k, formatText("<< /Type /Annot /Subtype /Link /Rect [0 0 20 20] "
                                          "/P %d 0 R /A %d 0 R >>",
                                          page, 200 + k));
        pdf.addObject(400 + k, formatText("[%d 0 R /Fit]", page));
        pdf.addObject(500 + k, formatText("<< /D [%d 0 R /FitH %g] >>", page, y + 5));
        names += formatText("(n%d) %d 0 R ", k, 400 + k);
        dests += formatText("/h%d %d 0 R ", k, 500 + k);
    }
    pdf.addObject(
        1, "<< /Type /Catalog /Pages 2 0 R /Outlines 99 0 R /Names << /Dests << /Names [" + names +
               "] >> >> /Dests << " + dests + ">> /OpenAction [13 0 R /XYZ null " +
               formatText("%g", markY(3) + 5) + " null] " + labels + " >>");
    pdf.addObject(2, "<< /Type /Pages /Kids [" + kids + formatText("] /Count %d >>", kPages));
    pdf.addObject(3, "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
    pdf.addObject(99, formatText("<< /Type /Outlines /First 101 0 R /Last %d 0 R /Count %d >>",
                                 100 + kPages, kPages));
    pdf.setTrailerExtra("/Root 1 0 R");
    return pdf.build();
}

struct Marker {
    int outputPage = 0;
    double x1, y1, x2, y2;  // in the output page's user space
};

// Where poppler finds each "Qk" on the output pages, turned back into user space.
std::map<int, Marker> findMarkers(const std::string& pdf) {
    std::vector<PageBoxes> boxes;
    std::string error, html;
    std::map<int, Marker> markers;
    if (!readPageBoxes(pdf, boxes, &error)) return markers;
    runCommand("pdftotext -bbox " + shellQuote(pdf) + " -", &html);
    std::regex word(
        R"re(<page |<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">Q(\d)<)re");
    int page = 0;
    for (std::sregex_iterator it(html.begin(), html.end(), word), end; it != end; ++it) {
        if ((*it)[1].length() == 0) {
            page++;
            continue;
        }
        const PageBoxes& b = boxes[static_cast<size_t>(page - 1)];
        const double* m = b.media;
        double X[2] = {std::stod((*it)[1]), std::stod((*it)[3])};
        double Y[2] = {std::stod((*it)[2]), std::stod((*it)[4])};
        double ux[2], uy[2];
        for (int i = 0; i < 2; i++) {
            int r = b.rotation;
            ux[i] = r == 0     ? m[0] + X[i]
                    : r == 90  ? m[0] + Y[i]
                    : r == 180 ? m[2] - X[i]
                               : m[2] - Y[i];
            uy[i] = r == 0     ? m[3] - Y[i]
                    : r == 90  ? m[1] + X[i]
                    : r == 180 ? m[1] + Y[i]
                               : m[3] - X[i];
        }
        markers.emplace(std::stoi((*it)[5]),
                        Marker{page, std::min(ux[0], ux[1]), std::min(uy[0], uy[1]),
                               std::max(ux[0], ux[1]), std::max(uy[0], uy[1])});
    }
    return markers;
}

struct DestCase {
    const char* name;
    const char* rotate;  // page keys: "/Rotate 90" turns every sheet, 180 flips the cells
    bool evenOnly;       // only the even pages get them
    const char* labels;  // the output pages' labels joined by "|"; "" not checked
    const char* options;
};

class Destinations : public testing::TestWithParam<DestCase> {};

void PrintTo(const DestCase& c, std::ostream* out) {
    *out << c.name;
}

TEST_P(Destinations, NameTheOutputPageAndLandOnTheirPoint) {
    const DestCase& c = GetParam();
    TempDir dir;
    std::string in = dir.write("in.pdf", makeDestinationPdf(c.rotate, c.evenOnly));
    // Options of runs one after the other, split by ";": each converts the previous output.
    std::string out = in, runs = c.options;
    for (size_t from = 0, to = 0; from <= runs.size(); from = to + 1) {
        to = std::min(runs.find(';', from), runs.size());
        std::vector<std::string> args = {out, dir.file(formatText("out%zu.pdf", from))};
        for (const std::string& option : splitOptions(runs.substr(from, to - from)))
            args.push_back(option);
        TesselRun run = runTessel(args);
        ASSERT_EQ(run.status, 0) << run.output;
        out = args[1];
    }
    ASSERT_EQ(qpdfCheck(out), 0);
    std::string outline;
    runCommand("qpdf --json=2 --json-key=outlines " + shellQuote(out), &outline);
    // The outline appears once, whatever the layout.
    std::regex title(R"("title": "P\d")");
    EXPECT_EQ(std::distance(std::sregex_iterator(outline.begin(), outline.end(), title),
                            std::sregex_iterator()),
              kPages);

    // QDF numbers objects anew and names each one's input number in a comment above it.
    std::string qdf = dir.file("out.qdf"), pagesText;
    runCommand("qpdf --qdf --object-streams=disable " + shellQuote(out) + " " + shellQuote(qdf));
    runCommand("qpdf --show-pages " + shellQuote(qdf), &pagesText);
    std::string text = readFileBytes(qdf);
    std::map<std::string, int> outputPage;  // "N G" -> 1-based output page
    std::regex pageLine(R"(page (\d+): (\d+ \d+) R)");
    for (std::sregex_iterator it(pagesText.begin(), pagesText.end(), pageLine), end; it != end;
         ++it)
        outputPage[(*it)[2]] = std::stoi((*it)[1]);
    std::map<int, Marker> markers = findMarkers(out);
    ASSERT_EQ(markers.size(), static_cast<size_t>(kPages)) << "markers not found";

    // Every object of the QDF text, white space collapsed: "%% Original object ID: N 0" heads it.
    std::map<int, std::string> objects;
    std::regex object(R"(%% Original object ID: (\d+) 0\n[^\n]*\n([^%]*))");
    for (std::sregex_iterator it(text.begin(), text.end(), object), end; it != end; ++it)
        objects[std::stoi((*it)[1])] =
            std::regex_replace((*it)[2].str(), std::regex(R"(\s+)"), " ");
    std::regex dest(R"(\[ (\d+ \d+) R /(\w+)((?: [-\d.]+| null)*) \])");
    for (int k = 1; k <= kPages; k++) {
        const Marker& mark = markers[k];
        for (int base : {100, 200, 400, 500}) {
            std::smatch m;
            const std::string& body = objects[base + k];
            ASSERT_TRUE(std::regex_search(body, m, dest)) << base + k << ": " << body;
            SCOPED_TRACE(formatText("page %d, object %d: ", k, base + k) + m.str());
            std::string view = m[2];
            // Split back: a /FitH names no x, so nothing tells which half it meant.
            bool halfUnknown = view == "FitH" && runs.find("2to1") != std::string::npos;
            EXPECT_TRUE(halfUnknown || outputPage[m[1]] == mark.outputPage) << outputPage[m[1]];
            std::vector<double> v;
            std::istringstream values(m[3]);
            for (std::string item; values >> item;)
                v.push_back(item == "null" ? -1e9 : std::stod(item));
            // The point (or the rectangle) lies on the page's marker, within a line's height.
            auto near = [](double value, double low, double high) {
                return value > low - 16 && value < high + 16;
            };
            if (view == "XYZ") {
                EXPECT_TRUE(near(v[0], mark.x1, mark.x2) && near(v[1], mark.y1, mark.y2));
            }
            if (view == "FitH") {
                EXPECT_TRUE(near(v[0], mark.y1, mark.y2));
            }
            if (view == "FitR") {
                double cx = (mark.x1 + mark.x2) / 2, cy = (mark.y1 + mark.y2) / 2;
                EXPECT_TRUE(v[0] < cx && cx < v[2] && v[1] < cy && cy < v[3]);
                // A whole page's rectangle holds its own marker and no other.
                for (const auto& [other, at] : markers) {
                    double ox = (at.x1 + at.x2) / 2, oy = (at.y1 + at.y2) / 2;
                    bool inside = v[0] < ox && ox < v[2] && v[1] < oy && oy < v[3];
                    EXPECT_FALSE(other != k && at.outputPage == mark.outputPage && inside) << other;
                }
            }
        }
        std::smatch p;
        ASSERT_TRUE(std::regex_search(objects[300 + k], p, std::regex(R"(/P (\d+ \d+) R)")));
        EXPECT_NE(outputPage[p[1]], 0) << "link " << k << " names no output page";
    }
    EXPECT_NE(objects[1].find("null"), std::string::npos) << "the open action's null left";
    if (*c.labels) {
        std::string json, labels;
        runCommand("qpdf --json=2 --json-key=pagelabels " + shellQuote(out), &json);
        std::regex label(R"re("/P": "u:([^"]*)")re");
        for (std::sregex_iterator it(json.begin(), json.end(), label), end; it != end; ++it)
            labels += (labels.empty() ? "" : "|") + (*it)[1].str();
        EXPECT_EQ(labels, c.labels);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, Destinations,
    testing::Values(DestCase{"TwoUp", "", false, "i\u2013ii|1\u20132|3\u20134", ""},
                    DestCase{"Flipped", "/Rotate 180", true, "i\u2013ii|2, 1|3\u20134", "-duplex"},
                    DestCase{"Turned", "/Rotate 90", false, "", "-4up"},
                    DestCase{"Duplicate", "", false, "", "-duplicate"},
                    DestCase{"RangeSingles", "", false, "i|ii|1\u20132|3|4", "-s3 -e4"},
                    DestCase{"SplitBack", "", false,
                             "i\u2013ii|i\u2013ii|1\u20132|1\u20132|3\u20134|3\u20134",
                             ";-2to1up"}));

}  // namespace
