// Bookmarks, links and named destinations after imposition: each must name the output page that
// shows its page, and its view must land on the text shown at its point, as poppler finds it.
#include <gtest/gtest.h>

#include <map>
// std::regex inlines code that GCC's sanitizer builds take for reading uninitialised memory.
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

// Page k writes "Qk" at (30 + 25k, 350 - 40k). Per page: an outline item with an /XYZ destination
// (100+k), a GoTo action with /FitR (200+k) on a link (300+k), a /Fit destination named in the
// name tree (400+k) and a /FitH one in the catalog's /Dests (500+k); the document opens at page 3
// with a null left.
std::string makeDestinationPdf(const char* rotate, bool evenOnly) {
    TestPdf pdf;
    std::string kids, names, dests;
    for (int k = 1, page = 11, x = 55, y = 310; k <= kPages; k++, page++, x += 25, y -= 40) {
        kids += formatText("%d 0 R ", page);
        pdf.addObject(page, formatText("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 300 400] "
                                       "/Resources << /Font << /F1 3 0 R >> >> /Contents %d 0 R "
                                       "/Annots [%d 0 R] %s >>",
                                       30 + k, 300 + k, evenOnly && k % 2 ? "" : rotate));
        pdf.addStream(30 + k, "<<>>", formatText("BT /F1 10 Tf %d %d Td (Q%d) Tj ET", x, y, k));
        std::string next = k < kPages ? formatText("/Next %d 0 R", 101 + k) : "";
        pdf.addObject(100 + k, formatText("<< /Title (P%d) /Parent 99 0 R %s /Dest [%d 0 R /XYZ "
                                          "%d %d null] >>",
                                          k, next.c_str(), page, x, y + 5));
        pdf.addObject(200 + k, formatText("<< /S /GoTo /D [%d 0 R /FitR %d %d %d %d] >>", page,
                                          x - 5, y - 5, x + 20, y + 15));
        pdf.addObject(300 + k, formatText("<< /Type /Annot /Subtype /Link /Rect [0 0 20 20] /P %d "
                                          "0 R /A %d 0 R >>",
                                          page, 200 + k));
        pdf.addObject(400 + k, formatText("[%d 0 R /Fit]", page));
        pdf.addObject(500 + k, formatText("<< /D [%d 0 R /FitH %d] >>", page, y + 5));
        names += formatText("(n%d) %d 0 R ", k, 400 + k);
        dests += formatText("/h%d %d 0 R ", k, 500 + k);
    }
    pdf.addObject(
        1, "<< /Type /Catalog /Pages 2 0 R /Outlines 99 0 R /Names << /Dests << /Names [" + names +
               "] >> >> /Dests << " + dests +
               ">> /OpenAction [13 0 R /XYZ null 235 null] /PageLabels << /Nums [0 << "
               "/S /r >> 2 << /S /D >>] >> >>");
    pdf.addObject(2, "<< /Type /Pages /Kids [" + kids + formatText("] /Count %d >>", kPages));
    pdf.addObject(3, "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
    pdf.addObject(99, "<< /Type /Outlines /First 101 0 R /Last 106 0 R /Count 6 >>");
    pdf.setTrailerExtra("/Root 1 0 R");
    return pdf.build();
}

// Every match of pattern in text, as its groups (0: the whole match).
std::vector<std::vector<std::string>> matches(const std::string& text, const char* pattern) {
    std::vector<std::vector<std::string>> found;
    std::regex re(pattern);
    for (std::sregex_iterator it(text.begin(), text.end(), re), end; it != end; ++it)
        found.emplace_back(it->begin(), it->end());
    return found;
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
    int page = 0;
    for (const auto& word : matches(html, R"re(<page |<word xMin="([\d.]+)" yMin="([\d.]+)" )re"
                                          R"re(xMax="([\d.]+)" yMax="([\d.]+)">Q(\d)<)re")) {
        if (word[1].empty() && ++page) continue;
        const PageBoxes& b = boxes[static_cast<size_t>(page - 1)];
        const double* m = b.media;
        double ux[2], uy[2];
        for (int i = 0; i < 2; i++) {
            double X = std::stod(word[1 + 2 * i]), Y = std::stod(word[2 + 2 * i]);
            int r = b.rotation;
            ux[i] = r == 0 ? m[0] + X : r == 90 ? m[0] + Y : r == 180 ? m[2] - X : m[2] - Y;
            uy[i] = r == 0 ? m[3] - Y : r == 90 ? m[1] + X : r == 180 ? m[1] + Y : m[3] - X;
        }
        markers.emplace(std::stoi(word[5]),
                        Marker{page, std::min(ux[0], ux[1]), std::min(uy[0], uy[1]),
                               std::max(ux[0], ux[1]), std::max(uy[0], uy[1])});
    }
    return markers;
}

// rotate: page keys ("/Rotate 90" turns every sheet, 180 flips the cells) of every page, or of the
// even ones; labels: the output pages' labels joined by "|" ("" not checked); runs: options of runs
// one after the other, split by ";", each converting the last output; encrypted: the input is
// encrypted (AES-256, empty user password) first, so every edit is made in plain text.
void expectDestinations(const char* rotate, bool evenOnly, const char* labels, std::string runs,
                        bool encrypted = false) {
    SCOPED_TRACE(runs);
    TempDir dir;
    std::string out = dir.write("in.pdf", makeDestinationPdf(rotate, evenOnly));
    if (encrypted) {
        ASSERT_EQ(runCommand("qpdf --encrypt '' owner 256 -- " + out + " " + dir.file("enc.pdf")),
                  0);
        out = dir.file("enc.pdf");
    }
    for (size_t from = 0, to = 0; from <= runs.size(); from = to + 1) {
        to = std::min(runs.find(';', from), runs.size());
        std::vector<std::string> args = splitOptions(runs.substr(from, to - from));
        args.insert(args.begin(), {out, dir.file(formatText("out%zu.pdf", from))});
        TesselRun run = runTessel(args);
        ASSERT_EQ(run.status, 0) << run.output;
        out = args[1];
    }
    ASSERT_EQ(qpdfCheck(out), 0);
    std::string json, shown, pagesText, qdf = dir.file("out.qdf");
    runCommand("qpdf --json=2 --json-key=outlines --json-key=pagelabels " + shellQuote(out), &json);
    // The outline appears once, whatever the layout.
    EXPECT_EQ(matches(json, R"("title": "P\d")").size(), size_t{kPages});
    for (const auto& label : matches(json, R"re("/P": "u:([^"]*)")re"))
        shown += (shown.empty() ? "" : "|") + label[1];
    EXPECT_TRUE(!*labels || shown == labels) << shown;
    if (encrypted) return;  // qpdf renumbered the objects the checks below look up
    // QDF numbers objects anew and names each one's input number in a comment above it.
    runCommand("qpdf --qdf --object-streams=disable " + shellQuote(out) + " " + shellQuote(qdf));
    runCommand("qpdf --show-pages " + shellQuote(qdf), &pagesText);
    std::map<std::string, int> outputPage;  // "N G" -> 1-based output page
    for (const auto& line : matches(pagesText, R"(page (\d+): (\d+ \d+) R)"))
        outputPage[line[2]] = std::stoi(line[1]);
    std::map<int, Marker> markers = findMarkers(out);
    ASSERT_EQ(markers.size(), size_t{kPages}) << "markers not found";
    // Every object of the QDF text, white space collapsed: "%% Original object ID: N 0" heads it.
    std::map<int, std::string> objects;
    for (const auto& object :
         matches(readFileBytes(qdf), R"(%% Original object ID: (\d+) 0\n[^\n]*\n([^%]*))"))
        objects[std::stoi(object[1])] = std::regex_replace(object[2], std::regex(R"(\s+)"), " ");
    std::regex dest(R"(\[ (\d+ \d+) R /(\w+)((?: [-\d.]+| null)*) \])");
    // A point (or a rectangle's side) lies on the page's marker, within a line's height.
    auto near = [](double value, double low, double high) {
        return value > low - 16 && value < high + 16;
    };
    for (int k = 1; k <= kPages; k++) {
        const Marker& mark = markers[k];
        for (int base : {100, 200, 400, 500}) {
            std::smatch m;
            const std::string& body = objects[base + k];
            ASSERT_TRUE(std::regex_search(body, m, dest)) << base + k << ": " << body;
            SCOPED_TRACE(formatText("page %d, object %d: ", k, base + k) + m.str());
            const std::string view = m[2];
            // Split back: a /FitH names no x, so nothing tells which half it meant.
            bool halfUnknown = view == "FitH" && runs.find("2to1") != std::string::npos;
            EXPECT_TRUE(halfUnknown || outputPage[m[1]] == mark.outputPage) << outputPage[m[1]];
            std::vector<double> v;
            std::istringstream values(m[3]);
            for (std::string item; values >> item;)
                v.push_back(item == "null" ? -1e9 : std::stod(item));
            EXPECT_TRUE(view != "XYZ" ||
                        (near(v[0], mark.x1, mark.x2) && near(v[1], mark.y1, mark.y2)));
            EXPECT_TRUE(view != "FitH" || near(v[0], mark.y1, mark.y2));
            if (view != "FitR") continue;
            // A whole page's rectangle holds its own marker and no other.
            for (const auto& [other, at] : markers) {
                double cx = (at.x1 + at.x2) / 2, cy = (at.y1 + at.y2) / 2;
                bool inside = v[0] < cx && cx < v[2] && v[1] < cy && cy < v[3];
                EXPECT_TRUE(at.outputPage != mark.outputPage || inside == (other == k)) << other;
            }
        }
        std::smatch p;
        ASSERT_TRUE(std::regex_search(objects[300 + k], p, std::regex(R"(/P (\d+ \d+) R)")));
        EXPECT_NE(outputPage[p[1]], 0) << "link " << k << " names no output page";
    }
    EXPECT_NE(objects[1].find("null"), std::string::npos) << "the open action's null left";
}

}  // namespace

TEST(Destinations, NameTheOutputPageAndLandOnTheirPoint) {
    expectDestinations("", false, "i\u2013ii|1\u20132|3\u20134", "");
    expectDestinations("", false, "i\u2013ii|1\u20132|3\u20134", "", true);
    expectDestinations("/Rotate 180", true, "i\u2013ii|2, 1|3\u20134", "-duplex");
    expectDestinations("/Rotate 90", false, "", "-4up");
    expectDestinations("", false, "", "-duplicate");
    // Pages outside the range go as they were.
    expectDestinations("", false, "i|ii|1\u20132|3|4", "-s3 -e4");
    expectDestinations("", false, "i\u2013ii|i\u2013ii|1\u20132|1\u20132|3\u20134|3\u20134",
                       ";-2to1up");
}
