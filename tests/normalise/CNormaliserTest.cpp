// Tests of the append engine's own edge cases and guards: page trees and outlines joined,
// renumbering, what is shared, console text and failures. Ordinary output is checked end to end.
#include "normalise/CNormaliser.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "pdf/ObjectText.h"
#include "pdf/PdfTestSupport.h"

namespace {

// Runs normalise with the console captured.
bool runNormalise(const std::string& first, const std::string& second, const std::string& output,
                  std::string* console = nullptr) {
    testing::internal::CaptureStdout();
    bool done = normalise(first, second, output);
    std::string text = testing::internal::GetCapturedStdout();
    if (console) *console = text;
    return done;
}

// Catalog 1, pages 2, page 3 with its extra keys, content 4, and the given objects.
std::string onePage(const std::string& pageKeys, const std::map<int, std::string>& objects,
                    const std::string& catalogKeys = "") {
    TestPdf pdf;
    pdf.addObject(1, "<< /Type /Catalog /Pages 2 0 R " + catalogKeys + ">>");
    pdf.addObject(2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
    pdf.addObject(3, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] /Contents 4 0 R " +
                         pageKeys + " >>");
    pdf.addStream(4, "<< >>", "BT /F1 24 Tf 20 100 Td (Hello) Tj ET");
    for (const auto& object : objects) pdf.addObject(object.first, object.second);
    pdf.setTrailerExtra("/Root 1 0 R");
    return pdf.build();
}

// A page with font 5 whose descriptor 6 has the given flags.
std::string fontDocument(const std::string& flags) {
    return onePage(
        "/Resources << /Font << /F1 5 0 R >> >>",
        {{5, "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /FontDescriptor 6 0 R >>"},
         {6, "<< /Type /FontDescriptor /FontName /Helvetica /Flags " + flags + " >>"}});
}

// A page with font 5 and outline 6 of items 7 and 8.
std::string outlineDocument() {
    return onePage("/Resources << /Font << /F1 5 0 R >> >>",
                   {{5, "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>"},
                    {6, "<< /Type /Outlines /First 7 0 R /Last 8 0 R /Count 2 >>"},
                    {7, "<< /Title (One) /Parent 6 0 R /Next 8 0 R /Dest [3 0 R /Fit] >>"},
                    {8, "<< /Title (Two) /Parent 6 0 R /Prev 7 0 R /Dest [3 0 R /Fit] >>"}},
                   "/Outlines 6 0 R ");
}

int pageCount(const std::string& bytes) {
    OpenedPdf pdf(bytes);
    CPdfObject catalog = pdf.xref().fetchObject(pdf.xref().getRootNum(), pdf.xref().getRootGen());
    return catalog.getDict()->lookup("Pages").getDict()->lookup("Count").getInt();
}

// Appends second to first, twice to show the output is the same run to run, and checks the
// pages, each object text and, when qpdf is installed, its check's exit status (3: warnings).
void expectAppend(const std::string& first, const std::string& second,
                  const std::vector<std::string>& checks, int qpdfStatus = 0) {
    TempDir dir;
    std::string a = dir.write("a.pdf", first), b = dir.write("b.pdf", second);
    std::string out = dir.file("out.pdf"), again = dir.file("again.pdf"), console;
    ASSERT_TRUE(runNormalise(a, b, out, &console)) << console;
    ASSERT_TRUE(runNormalise(a, b, again));
    std::string bytes = readFileBytes(out);
    EXPECT_EQ(bytes, readFileBytes(again));
    EXPECT_EQ(pageCount(bytes), pageCount(first) + pageCount(second));
    OpenedPdf pdf(bytes);
    // Each check is "num:text": object num holds text ("num:" when the object is absent); object
    // 0 stands for the whole file.
    for (const std::string& check : checks) {
        int num = std::atoi(check.c_str());
        std::string expected = check.substr(check.find(':') + 1), text;
        if (num == 0) text = bytes;
        if (num > 0 && num < pdf.xref().getNumObjects())
            getObjectText(pdf.file(), num, pdf.doc, text);
        if (expected.empty()) {
            EXPECT_EQ(text, "") << check;
        } else {
            EXPECT_NE(text.find(expected), std::string::npos) << check << " in " << text;
        }
    }
    std::string report;
    if (runCommand("qpdf --version > /dev/null 2>&1") != 0) return;
    EXPECT_EQ(runCommand("qpdf --check '" + out + "'", &report, true), qpdfStatus) << report;
}

}  // namespace

TEST(CNormaliser, PageTreesJoined) {
    // Indirect /Kids is extended in place and /Count made direct; the second root keeps a count
    // object of its own.
    TestPdf pdf;
    pdf.addObject(1, "<< /Type /Catalog /Pages 2 0 R >>");
    pdf.addObject(2, "<< /Type /Pages /Kids 7 0 R /Count 8 0 R >>");
    pdf.addObject(3, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 100 100] /Contents 5 0 R >>");
    pdf.addObject(4, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 100 100] /Contents 6 0 R >>");
    pdf.addStream(5, "<< >>", "0 0 10 10 re f");
    pdf.addStream(6, "<< >>", "0 0 20 20 re f");
    pdf.addObject(7, "[3 0 R 4 0 R]");
    pdf.addObject(8, "2");
    pdf.setTrailerExtra("/Root 1 0 R");
    std::string indirect = pdf.build();
    expectAppend(indirect, indirect,
                 {"7:[3 0 R 4 0 R 10 0 R ]", "2:/Count 4", "10:/Count 16 0 R", "16:16 0 obj"});
}

TEST(CNormaliser, OutlinesChained) {
    // Offset 8: the second copy's items are 15 and 16; its outline root 14 is dropped.
    expectAppend(outlineDocument(), outlineDocument(),
                 {"8:/Next 15 0 R", "15:/Prev 8 0 R", "15:/Parent 6 0 R", "6:/Last 16 0 R",
                  "6:/Count 4", "14:"});
    // Only the second has one: the first catalog takes over its root (6 + offset 6).
    expectAppend(fontDocument("32"), outlineDocument(), {"1:/Outlines 12 0 R"});
}

TEST(CNormaliser, ReferencesKeepTheirGeneration) {
    TestPdf gens;
    gens.addObject(1, "<< /Type /Catalog /Pages 2 0 R >>");
    gens.addObject(2, "<< /Type /Pages /Kids [3 1 R] /Count 1 >>");
    gens.addObject(3, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 100 100] /Contents 4 2 R >>", 1);
    gens.addStream(4, "<< >>", "0 0 10 10 re f", 2);
    gens.setTrailerExtra("/Root 1 0 R");
    // Offset 4: the second root 6 lists page 7 under generation 1; the content is shared.
    expectAppend(
        gens.build(), gens.build(),
        {"6:/Kids [7 1 R]", "7:7 1 obj", "7:/Contents 4 2 R", "0: 00001 n \r", "0: 00002 n \r"});
}

TEST(CNormaliser, SharedOnlyWhenCertainlyIdentical) {
    // The font's text is the same in both, but its descriptor differs: neither is shared, while
    // the identical content stream is (offset 6).
    expectAppend(
        fontDocument("32"), fontDocument("4"),
        {"9:/F1 11 0 R", "9:/Contents 4 0 R", "11:/FontDescriptor 12 0 R", "12:/Flags 4", "10:"});
    // Two objects referring to each other are shared as a pair; an annotation is moved per placed
    // page, so each copy keeps its own (offset 7).
    std::string cycle = onePage("/Annots [7 0 R] /Resources << /Properties << /P1 5 0 R >> >>",
                                {{5, "<< /Other 6 0 R >>"},
                                 {6, "<< /Other 5 0 R >>"},
                                 {7, "<< /Type /Annot /Subtype /Link /Rect [0 0 10 10] >>"}});
    expectAppend(cycle, cycle,
                 {"10:/P1 5 0 R", "10:/Annots [14 0 R]", "12:", "13:", "14:14 0 obj"});
    // Hostile references: 7 is shared with the first copy, the absent 8 renumbered like any
    // other, numbers out of range kept; a /Length far beyond the data ends at "endstream".
    std::string hostile =
        onePage("/X [7 0 R 8 0 R 99999999999 0 R 0 0 R 9 70000 R] /Y 5 0 R",
                {{5, "<< /Length 999999999 >>\nstream\n0 0 10 10 re f\nendstream"},
                 {7, "[ 7 0 R 9 0 R ]"},
                 {9, "<< /A 1 >>"}});
    expectAppend(hostile, hostile,
                 {"12:/X [7 0 R 17 0 R 99999999999 0 R 0 0 R 9 70000 R] /Y 5 0 R",
                  "5:0 0 10 10 re f\nendstream"},
                 3);  // qpdf warns of what it reads in the input too
}

TEST(CNormaliser, ConsoleText) {
    TempDir dir;
    dir.write("in.pdf", makeNumberedPdf(1));
    dir.write("big.pdf", makeNumberedPdf(1300, 100, 100));
    char previous[4096];
    ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(chdir(dir.path().c_str()), 0);
    std::string console, tempConsole, dots;
    bool done = runNormalise("in.pdf", "in.pdf", "t.tmp", &console) &&
                runNormalise("in.pdf", "in.pdf", "temp_x.tmp", &tempConsole) &&
                runNormalise("big.pdf", "big.pdf", "big.tmp", &dots);
    ASSERT_EQ(chdir(previous), 0);
    EXPECT_TRUE(done);
    EXPECT_EQ(
        console,
        "\r\nAppending file: in.pdf and file: 'in.pdf' to output file: 't.tmp'\r\nProcessing");
    // A "temp_" output name is not shown: the first name stands in its place.
    EXPECT_EQ(tempConsole, "\r\nAppending file: 'in.pdf' to output file: 'in.pdf'\r\nProcessing");
    // 1300 pages: about 2600 objects read four times and more, so at least one dot.
    size_t processing = dots.find("Processing");
    ASSERT_NE(processing, std::string::npos);
    EXPECT_GT(dots.size(), processing + 10);
    EXPECT_EQ(dots.find_first_not_of('.', processing + 10), std::string::npos) << dots;
}

TEST(CNormaliser, FailuresPrintAndRemoveOutput) {
    TempDir dir;
    std::string in = dir.write("in.pdf", makeNumberedPdf(1)), out = dir.file("out.pdf");
    std::string console;
    EXPECT_FALSE(runNormalise(dir.file("missing.pdf"), in, out, &console));
    EXPECT_EQ(console, "Can't open file\r\n");
    EXPECT_FALSE(fileExists(out));
    std::string nowhere = dir.file("no/such/folder/out.pdf");
    EXPECT_FALSE(runNormalise(in, in, nowhere, &console));
    EXPECT_NE(console.find("File output error: '" + nowhere + "'\r\n"), std::string::npos)
        << console;
    // Writing over an input is refused before the input is touched.
    std::string before = readFileBytes(in);
    EXPECT_FALSE(runNormalise(in, in, in, &console));
    EXPECT_NE(console.find("File output error: '" + in + "'\r\n"), std::string::npos) << console;
    EXPECT_EQ(readFileBytes(in), before);
    std::string encrypted = before;
    encrypted.insert(encrypted.rfind("/Root"), "/Encrypt 3 0 R ");
    std::string locked = dir.write("locked.pdf", encrypted);
    EXPECT_FALSE(runNormalise(locked, locked, out, &console));
    EXPECT_EQ(console.rfind("PDF file is encrypted\r\nDamaged encryption dictionary: ", 0), 0u)
        << console;
    EXPECT_FALSE(fileExists(out));
}
