// Tests of the append engine's own edge cases and guards: page trees and outlines joined,
// renumbering, what is shared, console text and failures. Ordinary output is checked end to end.
#include "normalise/CNormaliser.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <map>

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

// Catalog 1, pages 2, page 3 with its extra keys, content 4, and the given objects (last).
std::string onePage(const std::string& pageKeys, const std::map<int, std::string>& objects) {
    TestPdf pdf;
    pdf.addObject(1, "<< /Type /Catalog /Pages 2 0 R >>");
    pdf.addObject(2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
    pdf.addObject(3, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] /Contents 4 0 R " +
                         pageKeys + " >>");
    pdf.addStream(4, "<< >>", "BT /F1 24 Tf 20 100 Td (Hello) Tj ET");
    for (const auto& object : objects) pdf.addObject(object.first, object.second);
    pdf.setTrailerExtra("/Root 1 0 R");
    return pdf.build();
}

// A page with font 5 and, with flags, its descriptor 6; without, outline 6 of items 7 and 8.
std::string fontDocument(const std::string& flags = "") {
    std::string font = "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica ";
    if (!flags.empty()) {
        return onePage(
            "/Resources << /Font << /F1 5 0 R >> >>",
            {{5, font + "/FontDescriptor 6 0 R >>"},
             {6, "<< /Type /FontDescriptor /FontName /Helvetica /Flags " + flags + " >>"}});
    }
    return onePage("/Resources << /Font << /F1 5 0 R >> >>",
                   {{5, font + ">>"},
                    {6, "<< /Type /Outlines /First 7 0 R /Last 8 0 R /Count 2 >>"},
                    {7, "<< /Title (One) /Parent 6 0 R /Next 8 0 R /Dest [3 0 R /Fit] >>"},
                    {8, "<< /Title (Two) /Parent 6 0 R /Prev 7 0 R /Dest [3 0 R /Fit] >>"},
                    {1, "<< /Type /Catalog /Pages 2 0 R /Outlines 6 0 R >>"}});
}

// Appends second to first, twice to show the output is the same run to run, and checks each
// "num:text" (object num holds text; "num:" absent; 0 the whole file) and qpdf's exit status.
void expectAppend(const std::string& first, const std::string& second,
                  const std::vector<std::string>& checks, int qpdfStatus = 0) {
    TempDir dir;
    std::string a = dir.write("a.pdf", first), b = dir.write("b.pdf", second), console;
    ASSERT_TRUE(runNormalise(a, b, dir.file("out.pdf"), &console)) << console;
    ASSERT_TRUE(runNormalise(a, b, dir.file("again.pdf")));
    std::string bytes = readFileBytes(dir.file("out.pdf"));
    EXPECT_EQ(bytes, readFileBytes(dir.file("again.pdf")));
    OpenedPdf pdf(bytes);
    for (const std::string& check : checks) {
        int num = std::atoi(check.c_str());
        std::string expected = check.substr(check.find(':') + 1), text = num ? "" : bytes;
        if (num > 0 && num < pdf.xref().getNumObjects())
            getObjectText(pdf.file(), num, pdf.doc, text);
        EXPECT_TRUE(expected.empty() ? text.empty() : text.find(expected) != std::string::npos)
            << check << " in " << text;
    }
    std::string report;
    if (runCommand("qpdf --version > /dev/null 2>&1") != 0) return;
    EXPECT_EQ(runCommand("qpdf --check " + dir.file("out.pdf"), &report, true), qpdfStatus)
        << report;
}

}  // namespace

TEST(CNormaliser, PageTreesAndOutlinesJoined) {
    // Indirect /Kids is extended in place and /Count made direct; the second root keeps a count
    // object of its own.
    std::string indirect =
        onePage("", {{2, "<< /Type /Pages /Kids 7 0 R /Count 8 0 R >>"}, {7, "[3 0 R]"}, {8, "1"}});
    expectAppend(indirect, indirect,
                 {"7:[3 0 R 10 0 R ]", "2:/Count 2", "10:/Count 16 0 R", "16:16 0 obj"});
    // Offset 8: the second copy's items are 15 and 16; its outline root 14 is dropped.
    expectAppend(fontDocument(), fontDocument(),
                 {"8:/Next 15 0 R", "15:/Prev 8 0 R", "15:/Parent 6 0 R", "6:/Last 16 0 R",
                  "6:/Count 4", "14:"});
    // Only the second has one: the first catalog takes over its root (6 + offset 6).
    expectAppend(fontDocument("32"), fontDocument(), {"1:/Outlines 12 0 R"});
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

TEST(CNormaliser, ConsoleTextAndFailures) {
    TempDir dir;
    std::string in = dir.write("in.pdf", makeNumberedPdf(1)), out = dir.file("out.pdf"), console;
    char previous[4096];
    ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(chdir(dir.path().c_str()), 0);
    std::string plain, temp;
    // A "temp_" output name is not shown: the first name stands in its place.
    bool done = runNormalise("in.pdf", "in.pdf", "t.tmp", &plain) &&
                runNormalise("in.pdf", "in.pdf", "temp_x.tmp", &temp);
    ASSERT_EQ(chdir(previous), 0);
    EXPECT_TRUE(done);
    EXPECT_EQ(
        plain,
        "\r\nAppending file: in.pdf and file: 'in.pdf' to output file: 't.tmp'\r\nProcessing");
    EXPECT_EQ(temp, "\r\nAppending file: 'in.pdf' to output file: 'in.pdf'\r\nProcessing");
    // Failures print why and leave no output; writing over an input is refused before reading.
    std::string nowhere = dir.file("no/such/folder/out.pdf"), before = readFileBytes(in);
    std::string encrypted = before;
    encrypted.insert(encrypted.rfind("/Root"), "/Encrypt 3 0 R ");
    std::string locked = dir.write("locked.pdf", encrypted);
    const std::vector<std::string> cases[] = {
        {dir.file("missing.pdf"), in, out, "Can't open file\r\n"},
        {in, in, nowhere, "File output error: '" + nowhere + "'\r\n"},
        {in, in, in, "File output error: '" + in + "'\r\n"},
        {locked, locked, out, "PDF file is encrypted\r\nDamaged encryption dictionary: "}};
    for (const auto& c : cases) {
        EXPECT_FALSE(runNormalise(c[0], c[1], c[2], &console));
        EXPECT_NE(console.find(c[3]), std::string::npos) << console;
        EXPECT_FALSE(fileExists(out));
    }
    EXPECT_EQ(readFileBytes(in), before);
}
