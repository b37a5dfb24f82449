// Tests of the append engine: page trees, outlines, renumbering, sharing, console and failures.
#include "normalise/CNormaliser.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <string>
#include <vector>

#include "pdf/CPdfDocument.h"
#include "pdf/CPdfException.h"
#include "pdf/FormatText.h"
#include "pdf/ObjectText.h"
#include "support/TestPdf.h"

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

// Appends a file to itself into out.pdf of the folder; the output path.
std::string appendToItself(const TempDir& dir, const std::string& bytes) {
    std::string in = dir.write("in.pdf", bytes);
    std::string out = dir.file("out.pdf");
    std::string console;
    EXPECT_TRUE(runNormalise(in, in, out, &console)) << console;
    return out;
}

// The stored text of object num of a file ("" when there is none).
std::string objectText(const std::string& path, int num) {
    CPdfDocument doc;
    doc.open(path);
    std::string text;
    if (num >= doc.getXRef()->getNumObjects() || !getObjectText(doc.getFile(), num, doc, text)) {
        return "";
    }
    return text;
}

// Page count from the document's own page tree root, read with Tessel's reader.
int readerPageCount(const std::string& path) {
    CPdfDocument doc;
    doc.open(path);
    CPdfXRef* xref = doc.getXRef();
    CPdfObject catalog = xref->fetchObject(xref->getRootNum(), xref->getRootGen());
    CPdfObject pages = catalog.getDict()->lookup("Pages");
    return pages.getDict()->lookup("Count").getInt();
}

bool haveQpdf() {
    return runCommand("qpdf --version > /dev/null 2>&1") == 0;
}

int qpdfPages(const std::string& path) {
    std::string out;
    if (runCommand("qpdf --show-npages '" + path + "'", &out) != 0) return -1;
    return std::atoi(out.c_str());
}

// qpdf --check exit status: 0 clean, 3 warnings only, 2 errors.
int qpdfCheck(const std::string& path, std::string* report = nullptr) {
    return runCommand("qpdf --check '" + path + "'", report, true);
}

std::string trailerOf(const std::string& bytes) {
    return bytes.substr(bytes.rfind("trailer"));
}

// Two small documents: catalog 1, pages 2, page 3, content 4, font 5, descriptor 6.
std::string fontDocument(const std::string& descriptorFlags) {
    TestPdf pdf;
    pdf.addObject(1, "<< /Type /Catalog /Pages 2 0 R >>");
    pdf.addObject(2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
    pdf.addObject(3,
                  "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] /Contents 4 0 R "
                  "/Resources << /Font << /F1 5 0 R >> >> >>");
    pdf.addStream(4, "<< >>", "BT /F1 24 Tf 20 100 Td (Hello) Tj ET");
    pdf.addObject(5,
                  "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /FirstChar 32 /LastChar 32 "
                  "/Widths [278] /FontDescriptor 6 0 R >>");
    pdf.addObject(6, "<< /Type /FontDescriptor /FontName /Helvetica /Flags " + descriptorFlags +
                         " /FontBBox [0 0 1000 1000] /ItalicAngle 0 /Ascent 700 /Descent -200 "
                         "/CapHeight 700 /StemV 80 >>");
    pdf.setTrailerExtra("/Root 1 0 R");
    return pdf.build();
}

// Catalog 1 with outline 6 (items 7 and 8), pages 2, page 3, content 4, font 5.
std::string outlineDocument() {
    TestPdf pdf;
    pdf.addObject(1, "<< /Type /Catalog /Pages 2 0 R /Outlines 6 0 R >>");
    pdf.addObject(2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
    pdf.addObject(3,
                  "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] /Contents 4 0 R "
                  "/Resources << /Font << /F1 5 0 R >> >> >>");
    pdf.addStream(4, "<< >>", "BT /F1 24 Tf 20 100 Td (Hello) Tj ET");
    pdf.addObject(5, "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
    pdf.addObject(6, "<< /Type /Outlines /First 7 0 R /Last 8 0 R /Count 2 >>");
    pdf.addObject(7, "<< /Title (One) /Parent 6 0 R /Next 8 0 R /Dest [3 0 R /Fit] >>");
    pdf.addObject(8, "<< /Title (Two) /Parent 6 0 R /Prev 7 0 R /Dest [3 0 R /Fit] >>");
    pdf.setTrailerExtra("/Root 1 0 R");
    return pdf.build();
}

}  // namespace

TEST(CNormaliser, PageCountDoubledAndTreeJoined) {
    TempDir dir;
    // 3 pages and 10 object numbers: 19 output numbers and 6 pages.
    std::string out = appendToItself(dir, makeNumberedPdf(3));
    EXPECT_EQ(readerPageCount(out), 6);
    std::string bytes = readFileBytes(out);
    EXPECT_NE(trailerOf(bytes).find("/Size 19\n"), std::string::npos);
    // The first root lists the second root (2 + 9) last; the second root hangs under it.
    EXPECT_NE(objectText(out, 2).find("8 0 R 11 0 R ]"), std::string::npos) << objectText(out, 2);
    EXPECT_NE(objectText(out, 2).find("/Count 6"), std::string::npos);
    EXPECT_NE(objectText(out, 11).find("/Parent 2 0 R"), std::string::npos) << objectText(out, 11);
    EXPECT_NE(objectText(out, 11).find("/Count 3"), std::string::npos);
    if (!haveQpdf()) GTEST_SKIP() << "qpdf not installed";
    EXPECT_EQ(qpdfPages(out), 6);
    std::string report;
    EXPECT_EQ(qpdfCheck(out, &report), 0) << report;
}

TEST(CNormaliser, IndirectKidsAndCount) {
    TempDir dir;
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
    std::string out = appendToItself(dir, pdf.build());
    EXPECT_EQ(readerPageCount(out), 4);
    // The array object is extended in place; the count becomes direct.
    EXPECT_NE(objectText(out, 7).find("[3 0 R 4 0 R 10 0 R ]"), std::string::npos)
        << objectText(out, 7);
    EXPECT_NE(objectText(out, 2).find("/Count 4"), std::string::npos) << objectText(out, 2);
    // The second root keeps a count object of its own.
    EXPECT_NE(objectText(out, 10).find("/Count 16 0 R"), std::string::npos) << objectText(out, 10);
    EXPECT_EQ(objectText(out, 16).find("16 0 obj"), 0u);
    if (!haveQpdf()) GTEST_SKIP() << "qpdf not installed";
    EXPECT_EQ(qpdfPages(out), 4);
    std::string report;
    EXPECT_EQ(qpdfCheck(out, &report), 0) << report;
}

TEST(CNormaliser, OutlinesChained) {
    TempDir dir;
    std::string out = appendToItself(dir, outlineDocument());
    // Offset 8: the second copy's items are 15 and 16; its outline root 14 is dropped.
    EXPECT_NE(objectText(out, 8).find("/Next 15 0 R"), std::string::npos) << objectText(out, 8);
    EXPECT_NE(objectText(out, 15).find("/Prev 8 0 R"), std::string::npos) << objectText(out, 15);
    EXPECT_NE(objectText(out, 15).find("/Parent 6 0 R"), std::string::npos);
    EXPECT_NE(objectText(out, 6).find("/Last 16 0 R"), std::string::npos) << objectText(out, 6);
    EXPECT_NE(objectText(out, 6).find("/Count 4"), std::string::npos);
    EXPECT_EQ(objectText(out, 14), "");

    // Walking the outline from the catalog gives both copies' items in order.
    CPdfDocument doc;
    doc.open(out);
    CPdfXRef* xref = doc.getXRef();
    CPdfObject outline = xref->fetchObject(1, 0).getDict()->lookup("Outlines");
    std::string titles;
    CPdfObject item = outline.getDict()->lookup("First");
    for (int guard = 0; item.isDict() && guard < 10; guard++) {
        titles += item.getDict()->lookup("Title").getString() + ",";
        item = item.getDict()->lookup("Next");
    }
    EXPECT_EQ(titles, "One,Two,One,Two,");
    if (!haveQpdf()) GTEST_SKIP() << "qpdf not installed";
    std::string report;
    EXPECT_EQ(qpdfCheck(out, &report), 0) << report;
}

TEST(CNormaliser, OutlineOnlyInSecondDocument) {
    TempDir dir;
    std::string first = dir.write("a.pdf", fontDocument("32"));
    std::string second = dir.write("b.pdf", outlineDocument());
    std::string out = dir.file("out.pdf");
    ASSERT_TRUE(runNormalise(first, second, out));
    // The first catalog takes over the second outline root (6 + offset 6).
    EXPECT_NE(objectText(out, 1).find("/Outlines 12 0 R"), std::string::npos) << objectText(out, 1);
    EXPECT_EQ(readerPageCount(out), 2);
}

TEST(CNormaliser, ObjectStreamsWrittenPlain) {
    TempDir dir;
    TestPdf pdf;
    pdf.addCompressed(1, "<< /Type /Catalog /Pages 2 0 R >>");
    pdf.addCompressed(2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
    pdf.addCompressed(3,
                      "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] /Contents 4 0 R "
                      "/Resources << /Font << /F1 5 0 R >> >> >>");
    pdf.addStream(4, "<< >>", "BT /F1 24 Tf 20 100 Td (Hi) Tj ET");
    pdf.addCompressed(5, "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
    pdf.addObject(8, "<< /Linearized 1 /L 1000 >>");
    pdf.setTrailerExtra("/Root 1 0 R");
    std::string out = appendToItself(dir, pdf.buildWithXRefStream(6));
    std::string bytes = readFileBytes(out);
    EXPECT_EQ(bytes.find("/ObjStm"), std::string::npos);
    // Nor the cross-reference stream (9) and the linearization dictionary.
    EXPECT_EQ(bytes.find("/XRef"), std::string::npos);
    EXPECT_EQ(bytes.find("/Linearized"), std::string::npos);
    EXPECT_NE(bytes.find("xref\n0 19\r0000000000 65535 f \r"), std::string::npos);
    EXPECT_NE(bytes.find("3 0 obj\r<< /Type /Page"), std::string::npos);
    EXPECT_EQ(readerPageCount(out), 2);
    if (!haveQpdf()) GTEST_SKIP() << "qpdf not installed";
    EXPECT_EQ(qpdfPages(out), 2);
    std::string report;
    EXPECT_EQ(qpdfCheck(out, &report), 0) << report;
}

TEST(CNormaliser, ReferencesRenumberedWithTheirGeneration) {
    TempDir dir;
    TestPdf pdf;
    pdf.addObject(1, "<< /Type /Catalog /Pages 2 0 R >>");
    pdf.addObject(2, "<< /Type /Pages /Kids [3 1 R] /Count 1 >>");
    pdf.addObject(3, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 100 100] /Contents 4 2 R >>", 1);
    pdf.addStream(4, "<< >>", "0 0 10 10 re f", 2);
    pdf.setTrailerExtra("/Root 1 0 R");
    std::string out = appendToItself(dir, pdf.build());
    std::string bytes = readFileBytes(out);
    // Offset 4: the second root 6 lists page 7 under generation 1; the content is shared.
    EXPECT_NE(objectText(out, 6).find("/Kids [7 1 R]"), std::string::npos) << objectText(out, 6);
    EXPECT_EQ(objectText(out, 7).find("7 1 obj"), 0u) << objectText(out, 7);
    EXPECT_NE(objectText(out, 7).find("/Contents 4 2 R"), std::string::npos);
    // The table agrees with the header lines.
    size_t xref = bytes.rfind("\nxref\n");
    EXPECT_NE(bytes.find(" 00001 n \r", xref), std::string::npos);
    EXPECT_NE(bytes.find(" 00002 n \r", xref), std::string::npos);
    CPdfDocument doc;
    doc.open(out);
    EXPECT_TRUE(doc.getXRef()->fetchObject(7, 1).isDict());
    EXPECT_EQ(readerPageCount(out), 2);
    if (!haveQpdf()) GTEST_SKIP() << "qpdf not installed";
    EXPECT_EQ(qpdfPages(out), 2);
    std::string report;
    EXPECT_EQ(qpdfCheck(out, &report), 0) << report;
}

TEST(CNormaliser, IdenticalObjectsSharedPagesNot) {
    TempDir dir;
    // makeNumberedPdf(2): catalog 1, pages 2, font 3, pages 4 and 6, contents 5 and 7.
    std::string out = appendToItself(dir, makeNumberedPdf(2));
    std::string page = objectText(out, 4 + 7);
    EXPECT_EQ(page.find("11 0 obj"), 0u) << page;
    EXPECT_NE(page.find("/Parent 9 0 R"), std::string::npos) << page;
    EXPECT_NE(page.find("/F1 3 0 R"), std::string::npos) << page;
    EXPECT_NE(page.find("/Contents 5 0 R"), std::string::npos) << page;
    // Shared objects and the second catalog leave their numbers free.
    for (int num : {8, 10, 12, 14}) EXPECT_EQ(objectText(out, num), "") << num;
    EXPECT_NE(objectText(out, 13), "");
}

TEST(CNormaliser, ObjectWithDifferentReferencedObjectNotShared) {
    TempDir dir;
    std::string first = dir.write("a.pdf", fontDocument("32"));
    std::string second = dir.write("b.pdf", fontDocument("4"));
    std::string out = dir.file("out.pdf");
    ASSERT_TRUE(runNormalise(first, second, out));
    // Offset 6. The font's text is the same in both, but its descriptor differs: neither is
    // shared, while the identical content stream is.
    std::string page = objectText(out, 3 + 6);
    EXPECT_NE(page.find("/F1 11 0 R"), std::string::npos) << page;
    EXPECT_NE(page.find("/Contents 4 0 R"), std::string::npos) << page;
    EXPECT_NE(objectText(out, 11).find("/FontDescriptor 12 0 R"), std::string::npos);
    EXPECT_NE(objectText(out, 12).find("/Flags 4"), std::string::npos);
    EXPECT_EQ(objectText(out, 10), "");
}

TEST(CNormaliser, CyclesAndAnnotations) {
    TempDir dir;
    TestPdf pdf;
    pdf.addObject(1, "<< /Type /Catalog /Pages 2 0 R >>");
    pdf.addObject(2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
    pdf.addObject(3,
                  "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 100 100] /Contents 4 0 R "
                  "/Annots [7 0 R] /Resources << /Properties << /P1 5 0 R >> >> >>");
    pdf.addStream(4, "<< >>", "0 0 10 10 re f");
    // Two objects referring to each other: consistent as a pair, so shared.
    pdf.addObject(5, "<< /Other 6 0 R >>");
    pdf.addObject(6, "<< /Other 5 0 R >>");
    // An annotation is moved per placed page, so each copy keeps its own.
    pdf.addObject(7, "<< /Type /Annot /Subtype /Link /Rect [0 0 10 10] /Border [0 0 0] >>");
    pdf.setTrailerExtra("/Root 1 0 R");
    std::string out = appendToItself(dir, pdf.build());
    std::string page = objectText(out, 3 + 7);
    EXPECT_NE(page.find("/P1 5 0 R"), std::string::npos) << page;
    EXPECT_NE(page.find("/Annots [14 0 R]"), std::string::npos) << page;
    EXPECT_EQ(objectText(out, 12), "");
    EXPECT_EQ(objectText(out, 13), "");
    EXPECT_NE(objectText(out, 14), "");
    if (!haveQpdf()) GTEST_SKIP() << "qpdf not installed";
    std::string report;
    EXPECT_EQ(qpdfCheck(out, &report), 0) << report;
}

TEST(CNormaliser, JunkBeforeHeader) {
    TempDir dir;
    TestPdf pdf;
    pdf.setPrefix("some junk\nbefore the header\n");
    pdf.addObject(1, "<< /Type /Catalog /Pages 2 0 R >>");
    pdf.addObject(2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
    pdf.addObject(3, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 100 100] /Contents 4 0 R >>");
    pdf.addStream(4, "<< >>", "0 0 10 10 re f");
    pdf.setTrailerExtra("/Root 1 0 R");
    std::string out = appendToItself(dir, pdf.build());
    std::string bytes = readFileBytes(out);
    EXPECT_EQ(bytes.compare(0, 22, "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n1 0 obj"), 0)
        << bytes.substr(0, 40);
    EXPECT_EQ(readerPageCount(out), 2);
    if (!haveQpdf()) GTEST_SKIP() << "qpdf not installed";
    EXPECT_EQ(qpdfPages(out), 2);
    std::string report;
    EXPECT_EQ(qpdfCheck(out, &report), 0) << report;
}

TEST(CNormaliser, SameInputSameOutput) {
    TempDir dir;
    std::string in = dir.write("in.pdf", outlineDocument());
    ASSERT_TRUE(runNormalise(in, in, dir.file("one.pdf")));
    ASSERT_TRUE(runNormalise(in, in, dir.file("two.pdf")));
    EXPECT_EQ(readFileBytes(dir.file("one.pdf")), readFileBytes(dir.file("two.pdf")));
}

TEST(CNormaliser, ConsoleText) {
    TempDir dir;
    dir.write("in.pdf", makeNumberedPdf(1));
    char previous[4096];
    ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(chdir(dir.path().c_str()), 0);
    std::string console, tempConsole;
    bool done = runNormalise("in.pdf", "in.pdf", "t.tmp", &console);
    bool tempDone = runNormalise("in.pdf", "in.pdf", "temp_x.tmp", &tempConsole);
    ASSERT_EQ(chdir(previous), 0);
    EXPECT_TRUE(done);
    EXPECT_TRUE(tempDone);
    EXPECT_EQ(console,
              "\r\nAppending file: in.pdf and file: 'in.pdf' to output file: 't.tmp'\r\n"
              "Processing");
    // A "temp_" output name is not shown: the first name stands in its place.
    EXPECT_EQ(tempConsole, "\r\nAppending file: 'in.pdf' to output file: 'in.pdf'\r\nProcessing");
}

TEST(CNormaliser, ProgressDots) {
    TempDir dir;
    // 1300 pages: about 2600 objects read four times and more, so at least one dot.
    std::string in = dir.write("in.pdf", makeNumberedPdf(1300, 100, 100));
    std::string console;
    ASSERT_TRUE(runNormalise(in, in, dir.file("out.pdf"), &console));
    size_t processing = console.find("Processing");
    ASSERT_NE(processing, std::string::npos);
    std::string dots = console.substr(processing + 10);
    EXPECT_FALSE(dots.empty());
    EXPECT_EQ(dots.find_first_not_of('.'), std::string::npos) << dots;
}

TEST(CNormaliser, FailuresPrintAndRemoveOutput) {
    TempDir dir;
    std::string in = dir.write("in.pdf", makeNumberedPdf(1));
    std::string console;
    EXPECT_FALSE(runNormalise(dir.file("missing.pdf"), in, dir.file("out.pdf"), &console));
    EXPECT_EQ(console, "Can't open file\r\n");
    EXPECT_FALSE(fileExists(dir.file("out.pdf")));

    EXPECT_FALSE(runNormalise(in, in, dir.file("no/such/folder/out.pdf"), &console));
    EXPECT_NE(console.find("File output error: '" + dir.file("no/such/folder/out.pdf") + "'\r\n"),
              std::string::npos)
        << console;

    // Writing over an input is refused before the input is touched.
    std::string before = readFileBytes(in);
    EXPECT_FALSE(runNormalise(in, in, in, &console));
    EXPECT_NE(console.find("File output error: '" + in + "'\r\n"), std::string::npos) << console;
    EXPECT_EQ(readFileBytes(in), before);

    std::string encrypted = makeNumberedPdf(1);
    encrypted.insert(encrypted.rfind("/Root"), "/Encrypt 3 0 R ");
    std::string locked = dir.write("locked.pdf", encrypted);
    EXPECT_FALSE(runNormalise(locked, locked, dir.file("out.pdf"), &console));
    EXPECT_EQ(console.rfind("PDF file is encrypted\r\nDamaged encryption dictionary: ", 0), 0u)
        << console;
    EXPECT_FALSE(fileExists(dir.file("out.pdf")));
}

// Run in a child process: normalises under a 2000-byte file size limit; 0 when the failure was
// reported and the output removed.
int normaliseWithSizeLimit(const std::string& in, const std::string& out) {
    std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit = {2000, 2000};
    setrlimit(RLIMIT_FSIZE, &limit);
    std::string console;
    bool done = runNormalise(in, in, out, &console);
    bool reported = console.find("Output file write error: '" + out + "'") != std::string::npos;
    return !done && reported && !fileExists(out) ? 0 : 1;
}

TEST(CNormaliser, FailedWriteRemovesOutput) {
    TempDir dir;
    std::string in = dir.write("in.pdf", makeNumberedPdf(200));
    std::string out = dir.file("out.pdf");
    // A file size limit makes the writes fail part way; the child reports what it saw.
    EXPECT_EXIT(std::exit(normaliseWithSizeLimit(in, out)), testing::ExitedWithCode(0), "");
}

TEST(CNormaliser, HostileReferencesDoNotBreakTheRun) {
    TempDir dir;
    TestPdf pdf;
    pdf.addObject(1, "<< /Type /Catalog /Pages 2 0 R >>");
    pdf.addObject(2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
    pdf.addObject(3,
                  "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 100 100] /Contents 4 0 R "
                  "/X [7 0 R 8 0 R 99999999999 0 R 0 0 R 9 70000 R] >>");
    // A /Length far beyond the data: the end is found by "endstream" instead.
    pdf.addObject(4, "<< /Length 999999999 >>\nstream\n0 0 10 10 re f\nendstream");
    pdf.addObject(7, "[ 7 0 R 9 0 R ]");
    pdf.addObject(9, "<< /A 1 >>");
    pdf.setTrailerExtra("/Root 1 0 R");
    std::string out = appendToItself(dir, pdf.build());
    EXPECT_EQ(readerPageCount(out), 2);
    std::string page = objectText(out, 3 + 9);
    // 7 is shared with the first copy; the absent 8 is renumbered like any other.
    EXPECT_NE(page.find("/X [7 0 R 17 0 R 99999999999 0 R 0 0 R 9 70000 R]"), std::string::npos)
        << page;
    if (!haveQpdf()) GTEST_SKIP() << "qpdf not installed";
    EXPECT_EQ(qpdfPages(out), 2);
}

namespace {

std::vector<std::string> corpusFiles() {
    std::vector<std::string> files;
    std::string folder = corpusDir();
    if (folder.empty()) return files;
    DIR* dir = opendir(folder.c_str());
    if (!dir) return files;
    while (dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name.size() > 4 && name.compare(name.size() - 4, 4, ".pdf") == 0) {
            files.push_back(folder + "/" + name);
        }
    }
    closedir(dir);
    std::sort(files.begin(), files.end());
    return files;
}

bool readerOpens(const std::string& path) {
    try {
        CPdfDocument doc;
        doc.open(path);
        return true;
    } catch (const CPdfException&) {
        return false;
    }
}

}  // namespace

TEST(CNormaliser, CorpusAppendsCheckClean) {
    if (corpusDir().empty())
        GTEST_SKIP() << "../shared/corpus not found (real-world corpus absent)";
    if (!haveQpdf()) GTEST_SKIP() << "qpdf not installed";
    TempDir dir;
    int tried = 0;
    for (const std::string& path : corpusFiles()) {
        if (!readerOpens(path)) continue;
        SCOPED_TRACE(path);
        tried++;
        std::string out = dir.file("out.pdf");
        std::string console;
        // Damaged objects are refused, never dropped: only the files made damaged may fail.
        if (!runNormalise(path, path, out, &console)) {
            EXPECT_NE(path.find("/damaged-"), std::string::npos) << console;
            continue;
        }
        // A file qpdf finds broken itself (a page tree loop, say) stays broken.
        std::string report;
        if (qpdfCheck(path) != 2) {
            int status = qpdfCheck(out, &report);
            EXPECT_TRUE(status == 0 || status == 3) << report;
            EXPECT_EQ(report.find("ERROR"), std::string::npos) << report;
        }
        int pages = qpdfPages(path);
        if (pages > 0) {
            EXPECT_EQ(qpdfPages(out), 2 * pages);
        }
        std::remove(out.c_str());
    }
    EXPECT_GT(tried, 0);
}

TEST(CNormaliser, CorpusCopiesRenderAlike) {
    if (corpusDir().empty())
        GTEST_SKIP() << "../shared/corpus not found (real-world corpus absent)";
    if (runCommand("pdftoppm -v > /dev/null 2>&1") != 0) GTEST_SKIP() << "pdftoppm not installed";
    TempDir dir;
    struct Case {
        const char* name;
        int pages;
        std::vector<int> check;
    };
    for (const Case& c : {Case{"xrefstream-objstm-pdftex-outline-links-4p.pdf", 4, {1, 3}},
                          Case{"rotate-on-intermediate-nodes-20p.pdf", 20, {2, 12, 17}}}) {
        std::string path = corpusDir() + "/" + c.name;
        if (!fileExists(path)) continue;
        SCOPED_TRACE(c.name);
        std::string out = dir.file("out.pdf");
        ASSERT_TRUE(runNormalise(path, path, out));
        for (int page : c.check) {
            auto render = [&](int p, const std::string& prefix) {
                std::string command = formatText("pdftoppm -r 20 -f %d -l %d -singlefile '%s' '%s'",
                                                 p, p, out.c_str(), dir.file(prefix).c_str());
                EXPECT_EQ(runCommand(command), 0) << command;
                return readFileBytes(dir.file(prefix) + ".ppm");
            };
            std::string original = render(page, "a");
            std::string copy = render(page + c.pages, "b");
            EXPECT_FALSE(original.empty());
            EXPECT_TRUE(original == copy) << "page " << page;
        }
    }
}
