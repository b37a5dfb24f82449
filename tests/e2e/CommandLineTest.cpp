// Console output and exit status of the tessel binary: usage, refusals, batch lists, failures,
// progress dots, and byte-identical output from run to run.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "e2e/E2eSupport.h"
#include "support/TestPdf.h"

namespace {

// The usage text, literal by literal.
const char* const kUsage[] = {
    "Parameters:\n",
    "<input file> input file\n",
    "<output file> output file\n",
    "-s  start page e.g. -s1\n",
    "-e  end page e.g. -e10\n",
    "-ab  2up A/B type\n",
    "-ab4  4up A/B type\n",
    "-ab6  6up A/B type\n",
    "-split  2up split type\n",
    "-down  2up down the page\n",
    "-4up  4up split type (default is 2up)\n",
    "-6up3x2  6up ab type 3 across, 2 down\n",
    "-6up2x3  6up ab type 2 across, 3 down\n",
    "-8up2x4  8up ab type 2 across, 4 down\n",
    "-8up4x2  8up ab type 4 across, 2 down\n",
    "-10up2x5  10up ab type 2 across, 5 down\n",
    "-10up5x2  10up ab type 5 across, 2 down\n",
    "-12up2x6  12up ab type 2 across, 6 down\n",
    "-12up6x2  12up ab type 6 across, 2 down\n",
    "-12up3x4  12up ab type 3 across, 4 down\n",
    "-12up4x3  12up ab type 4 across, 3 down\n",
    "-10up2x5spec1  10up ab type 2 across, 5 down, duplex, special order 20,1,17,4,16,5,13,8,12,9  "
    " 11,10,14,7,15,6,18,3,19,2\n",
    "-duplex  2up duplex (e.g. 1,2,4,3)\n",
    "-duplex1423  2up duplex (e.g. 1,4,2,3)\n",
    "-duplex4123  2up duplex (e.g. 4,1,2,3)\n",
    "-duplex1342  2up duplex (e.g. 1,3,4,2)\n",
    "-outer-in  2up duplex outer-in (e.g. 4,1,2,3)\n",
    "-signature <n>  2up outer-in booklet made of signatures of n pages (n a multiple of 4), "
    "e.g. -signature 16\n",
    "-stack  cut and stack for any layout: cut the printed stack into one pile per slot, "
    "piles in slot order give the pages in order; with -duplex print both sides, flip on "
    "the vertical edge\n",
    "-duplicate  duplicates pages left, right output so you get page 1,1 then page 2,2 in 2up "
    "mode\n",
    "-seq <sequence file>  custom page sequencing, see examples folder\n",
    "-up2to1  converts a 2up document back to 1 up, split on vertical center\n",
    "-up2to1h  converts a 2up document back to 1 up, split on horizontal center\n",
    "-offset_split  offset the split page position for up2to1 & up2to1h option, e.g. "
    "-offset_split-50  or e.g. -offset_split76\n",
    "-rightmargin    offset for margin for right side of new page (for space between the pages) "
    "e.g. -rightmargin 10   on a A4 page pdf will be A4 + 10 to the right on new A3 page.\n",
    "-bottommargin   offset for margin for bottom of new top page (for space between the pages) "
    "e.g. -bottommargin 10\n",
    "-cropbox  distination cropbox size can be set manually (optional), e.g. -cropbox 5,5,612,1584 "
    "\n",
    "-mediabox distination mediabox (page) size can be set manually (optional), e..g. -mediabox "
    "0,0,612,1584\n",
    "-password <text>  the user or owner password of an encrypted input\n",
    "-paper <size>  every sheet is this paper (a5, a4, a3, letter, legal, tabloid, or WxH in "
    "points, e.g. 842x595): the grid is scaled to fit and centred, each page upright in its "
    "cell\n",
    "-marks  cut marks at the corners of the cells, outside the pages (needs -paper or "
    "margins)\n",
    "-q  quiet: no banner and no progress dots (failures are still printed)\n",
    "-h, -help, --help  this text;  --version  the version\n",
    "\n",
    "\r\nExample usage:-\r\n",
    "\n",
    "Simple 2up the pdf file a/b\n",
    "e.g. \ttessel example.pdf out-example-ab.pdf -ab\n",
    "Simple 4up the pdf file a/b\n",
    "e.g. \ttessel example.pdf out-example-ab-4up.pdf -ab -4up\n",
    "Simple duplicate the pdf file a/b\n",
    "e.g. \ttessel example.pdf out-example-ab-4up.pdf -ab -duplicate\n",
    "Simple 2up the pdf file split method\n",
    "e.g. \ttessel example.pdf out-example-split.pdf -split\n",
    "Simple 2up the pdf file a/b downwards\n",
    "e.g. \ttessel example.pdf out-example-ab.pdf -ab -down\n",
    "Page range a/b 2up\n",
    "e.g. \ttessel example.pdf out-example-split.pdf -s1 -e10 -ab\n",
    "2up the pdf file a/b and set new page size and offset right margin\n",
    "e.g. \ttessel example.pdf out-example-ab.pdf -ab -mediabox 0,0,612,1584 -cropbox 5,5,612,1584 "
    "-rightmargin 120\n",
    "NOTE: first 2 parameters have to be input file / output file or 2nd parameter -f\r\n",
    "If your filename has spaces in it then use double quotes around the filename, e.g. \"c:\\my "
    "test\\test file.pdf\"\n",
    "\nWildcards * are not permitted, if you want to process many files then do: dir /B *.pdf > "
    "list.txt, then tessel list.txt -fout\n",
    "\r\n",
    "\r\n",
};

const char kWildcardMessage[] =
    "\nError! Wildcards * are not permitted, if you want to process many files then do: dir /B "
    "*.pdf > list.txt, then tessel list.txt -fc:\\test\n\n";

std::string usageText() {
    std::string text;
    for (const char* line : kUsage) text += line;
    return text;
}

size_t countOf(const std::string& text, const std::string& what) {
    size_t count = 0;
    for (size_t pos = text.find(what); pos != std::string::npos; pos = text.find(what, pos + 1)) {
        count++;
    }
    return count;
}

bool isDirectory(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

TEST(CommandLine, NoArgumentsPrintsBannerAndUsage) {
    TesselRun run = runTessel({});
    EXPECT_EQ(run.status, 0);
    std::string usage = usageText();
    ASSERT_GE(run.output.size(), usage.size());
    EXPECT_EQ(run.output.substr(run.output.size() - usage.size()), usage);
    std::string banner = run.output.substr(0, run.output.size() - usage.size());
    EXPECT_EQ(banner.compare(0, 2, "\r\n"), 0);
    size_t firstLineEnd = banner.find("\r\n", 2);
    ASSERT_NE(firstLineEnd, std::string::npos);
    std::string firstLine = banner.substr(2, firstLineEnd - 2);
    EXPECT_NE(firstLine.find("Tessel"), std::string::npos) << firstLine;
    EXPECT_NE(firstLine.find("v1.12"), std::string::npos) << firstLine;
    ASSERT_GE(banner.size(), 4u);
    EXPECT_EQ(banner.substr(banner.size() - 4), "\r\n\r\n");
}

TEST(CommandLine, OneArgumentPrintsUsageAndFails) {
    TempDir dir;
    std::string input = dir.write("in.pdf", makeNumberedPdf(2));
    TesselRun run = runTessel({input});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.output.find(usageText()), std::string::npos);
    EXPECT_EQ(run.output.find("Input file"), std::string::npos) << run.output;
}

TEST(CommandLine, WildcardInFirstTwoArgumentsIsRefused) {
    struct Case {
        std::vector<std::string> args;
    };
    const Case cases[] = {
        {{"a*.pdf", "out.pdf"}},
        {{"in.pdf", "o*t.pdf"}},
        {{"*", "-fout", "-4up"}},
    };
    for (const Case& c : cases) {
        TempDir dir;
        TesselRun run = runTessel(c.args, dir.path());
        EXPECT_EQ(run.status, 1) << c.args[0] << " " << c.args[1];
        EXPECT_EQ(run.output, kWildcardMessage) << c.args[0] << " " << c.args[1];
    }
}

TEST(CommandLine, WildcardFurtherOnIsNotRefused) {
    TempDir dir;
    dir.write("in.pdf", makeNumberedPdf(2));
    TesselRun run = runTessel({"in.pdf", "out.pdf", "-seq", "a*.txt"}, dir.path());
    EXPECT_EQ(run.output.find("Wildcards"), std::string::npos) << run.output;
    // The sequence file does not exist, so this conversion fails on it instead.
    EXPECT_NE(run.output.find("wrong path to the sequence file\n"), std::string::npos)
        << run.output;
    EXPECT_EQ(run.status, 1);
    EXPECT_FALSE(fileExists(dir.file("out.pdf")));
}

TEST(CommandLine, ListWithoutFolderIsRefused) {
    TempDir dir;
    dir.write("in.pdf", makeNumberedPdf(2));
    dir.write("list.txt", "in.pdf\n");
    TesselRun run = runTessel({"list.txt", "out.pdf"}, dir.path());
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.output.find("please specify -f for output folder, e.g. -fc:\\test\n"),
              std::string::npos)
        << run.output;
    EXPECT_EQ(run.output.find("Input file"), std::string::npos) << run.output;
    EXPECT_FALSE(fileExists(dir.file("out.pdf")));
}

TEST(CommandLine, ListThatCannotBeOpenedIsRefused) {
    TempDir dir;
    TesselRun run = runTessel({"missing.txt", "-fout"}, dir.path());
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.output.find("Unable to open file list: 'missing.txt'\r\n"), std::string::npos)
        << run.output;
}

TEST(CommandLine, BatchConvertsEveryListedFile) {
    TempDir dir;
    dir.write("a.pdf", makeNumberedPdf(3));
    dir.write("b.pdf", makeNumberedPdf(4));
    dir.write("c.pdf", makeNumberedPdf(5));
    // Line ends of both kinds name the same files.
    dir.write("list.txt", "a.pdf\nb.pdf\r\nc.pdf\n");
    TesselRun run = runTessel({"list.txt", "-fout", "-4up"}, dir.path());
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_TRUE(isDirectory(dir.file("out")));
    EXPECT_EQ(countOf(run.output, "\nDone.\n"), 3u) << run.output;
    EXPECT_NE(run.output.find("Input file: 'a.pdf', output file: 'out/a.pdf'\n"), std::string::npos)
        << run.output;
    const char* names[] = {"a.pdf", "b.pdf", "c.pdf"};
    for (const char* name : names) {
        std::string out = dir.file(std::string("out/") + name);
        ASSERT_TRUE(fileExists(out)) << name;
        EXPECT_EQ(qpdfCheck(out), 0) << name;
        EXPECT_EQ(qpdfPageCount(out), 1 + (name[0] == 'c' ? 1 : 0)) << name;
        // The batch gives the same bytes as a single conversion with the same options.
        TesselRun single = runTessel({name, std::string("single-") + name, "-4up"}, dir.path());
        EXPECT_EQ(single.status, 0) << single.output;
        EXPECT_EQ(readFileBytes(out), readFileBytes(dir.file(std::string("single-") + name)))
            << name;
    }
}

TEST(CommandLine, EmptyListConvertsNothing) {
    TempDir dir;
    dir.write("list.txt", "");
    TesselRun run = runTessel({"list.txt", "-fout"}, dir.path());
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(run.output.find("Done."), std::string::npos) << run.output;
}

TEST(CommandLine, NameEndingInTxxIsAList) {
    TempDir dir;
    dir.write("a.pdf", makeNumberedPdf(2));
    dir.write("notes.txx", "a.pdf\n");
    TesselRun run = runTessel({"notes.txx", "-fout"}, dir.path());
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_TRUE(fileExists(dir.file("out/a.pdf")));
}

TEST(CommandLine, BatchStopsAtFirstFailure) {
    TempDir dir;
    dir.write("a.pdf", makeNumberedPdf(3));
    dir.write("c.pdf", makeNumberedPdf(3));
    dir.write("list.txt", "a.pdf\nmissing.pdf\nc.pdf\n");
    TesselRun run = runTessel({"list.txt", "-fout"}, dir.path());
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(fileExists(dir.file("out/a.pdf")));
    EXPECT_FALSE(fileExists(dir.file("out/missing.pdf")));
    EXPECT_FALSE(fileExists(dir.file("out/c.pdf")));
    EXPECT_NE(run.output.find("Input file: 'missing.pdf'Input file open error\n"),
              std::string::npos)
        << run.output;
    EXPECT_EQ(countOf(run.output, "\nDone.\n"), 1u) << run.output;
}

TEST(CommandLine, MissingInputIsReported) {
    TempDir dir;
    TesselRun run = runTessel({"x.pdf", "out.pdf"}, dir.path());
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.output.find("Input file: 'x.pdf'Input file open error\n"), std::string::npos)
        << run.output;
    EXPECT_EQ(run.output.find("Done."), std::string::npos) << run.output;
    EXPECT_FALSE(fileExists(dir.file("out.pdf")));
}

TEST(CommandLine, OutputInMissingFolderIsReported) {
    TempDir dir;
    dir.write("in.pdf", makeNumberedPdf(2));
    TesselRun run = runTessel({"in.pdf", "nofolder/out.pdf"}, dir.path());
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(
        run.output.find("Input file: 'in.pdf'\nOutput file create error: 'nofolder/out.pdf'\n"),
        std::string::npos)
        << run.output;
    EXPECT_FALSE(isDirectory(dir.file("nofolder")));
}

TEST(CommandLine, OutputOverInputIsRefused) {
    TempDir dir;
    std::string original = makeNumberedPdf(4);
    dir.write("in.pdf", original);
    symlink("in.pdf", dir.file("link.pdf").c_str());
    const char* outputs[] = {"in.pdf", "./in.pdf", "link.pdf"};
    for (const char* output : outputs) {
        TesselRun run = runTessel({"in.pdf", output}, dir.path());
        EXPECT_EQ(run.status, 1) << output << ": " << run.output;
        EXPECT_EQ(run.output.find("Done."), std::string::npos) << run.output;
        EXPECT_EQ(readFileBytes(dir.file("in.pdf")), original) << output;
    }
}

TEST(CommandLine, FailedConversionLeavesNoFiles) {
    TempDir dir;
    dir.write("broken.pdf", makePdfWithoutParent());
    const char* optionSets[] = {"", "-4up", "-2to1up"};
    for (const char* options : optionSets) {
        std::vector<std::string> args = {"broken.pdf", "out.pdf"};
        for (const std::string& option : splitOptions(options)) args.push_back(option);
        TesselRun run = runTessel(args, dir.path());
        EXPECT_EQ(run.status, 1) << options << ": " << run.output;
        EXPECT_NE(run.output.find("File is broken. Can't find /Parent entry\n"), std::string::npos)
            << options << ": " << run.output;
        EXPECT_FALSE(fileExists(dir.file("out.pdf"))) << options;
        EXPECT_TRUE(temporaryFilesIn(dir.path()).empty())
            << options << ": " << temporaryFilesIn(dir.path())[0];
    }
}

TEST(CommandLine, DamagedInputsFailCleanly) {
    std::string corpus = corpusDir();
    if (corpus.empty()) GTEST_SKIP() << "../shared/corpus not found (real-world corpus absent)";
    const char* names[] = {"encrypted-aes128-r4-user-password.pdf",
                           "damaged-xref-keyword-missing.pdf",
                           "damaged-truncated-no-xref-garbage-tail.pdf"};
    for (const char* name : names) {
        TempDir dir;
        TesselRun run = runTessel({corpus + "/" + name, "out.pdf", "-4up"}, dir.path());
        EXPECT_EQ(run.status, 1) << name << ": " << run.output;
        EXPECT_EQ(run.output.find("Done."), std::string::npos) << name << ": " << run.output;
        EXPECT_FALSE(fileExists(dir.file("out.pdf"))) << name;
        EXPECT_TRUE(temporaryFilesIn(dir.path()).empty()) << name;
    }
}

TEST(CommandLine, PageTreeLoopEndsCleanly) {
    std::string corpus = corpusDir();
    if (corpus.empty()) GTEST_SKIP() << "../shared/corpus not found (real-world corpus absent)";
    // The loop is either refused or left out; either way the run ends and nothing broken stays.
    TempDir dir;
    TesselRun run =
        runTessel({corpus + "/damaged-pages-tree-loop.pdf", "out.pdf", "-4up"}, dir.path());
    if (run.status == 0) {
        EXPECT_EQ(qpdfCheck(dir.file("out.pdf")), 0);
        EXPECT_EQ(qpdfPageCount(dir.file("out.pdf")), 1);
    } else {
        EXPECT_EQ(run.status, 1) << run.output;
        EXPECT_FALSE(fileExists(dir.file("out.pdf")));
    }
}

TEST(CommandLine, SplitBackRemovesItsTemporaryFile) {
    TempDir dir;
    dir.write("in.pdf", makeNumberedPdf(4, 1224, 792));
    TesselRun run = runTessel({"in.pdf", "out.pdf", "-2to1up"}, dir.path());
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_TRUE(fileExists(dir.file("out.pdf")));
    EXPECT_TRUE(temporaryFilesIn(dir.path()).empty());
}

TEST(CommandLine, ProgressDotsFollowPageObjects) {
    struct Case {
        int pages;
        const char* tail;
    };
    // A dot at the 6th, 12th, 18th ... page object of the copy pass.
    const Case cases[] = {
        {5, "Processing\nDone.\n"},    {6, "Processing.\nDone.\n"},    {11, "Processing.\nDone.\n"},
        {13, "Processing..\nDone.\n"}, {18, "Processing...\nDone.\n"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        dir.write("in.pdf", makeNumberedPdf(c.pages));
        TesselRun run = runTessel({"in.pdf", "out.pdf", "-ab"}, dir.path());
        EXPECT_EQ(run.status, 0) << run.output;
        std::string expected =
            std::string("Input file: 'in.pdf', output file: 'out.pdf'\n") + c.tail;
        ASSERT_GE(run.output.size(), expected.size());
        EXPECT_EQ(run.output.substr(run.output.size() - expected.size()), expected) << c.pages;
        EXPECT_EQ(countOf(run.output, "\nDone.\n"), 1u);
    }
}

TEST(CommandLine, SameInputGivesIdenticalBytes) {
    // Pages that clash in font and image names make the resource merge rename names.
    FeatureDoc doc;
    doc.pages = numberedPages(8);
    for (size_t i = 0; i < doc.pages.size(); i += 2) doc.pages[i].font = "Courier-Bold";
    for (FeaturePage& page : doc.pages) page.image = true;
    TempDir dir;
    dir.write("in.pdf", makeFeaturePdf(doc));
    dir.write("list.txt", "in.pdf\n");
    const char* optionSets[] = {"", "-4up", "-12up3x4", "-2to1up"};
    for (const char* options : optionSets) {
        std::vector<std::string> first = {"in.pdf", "one.pdf"}, second = {"in.pdf", "two.pdf"};
        for (const std::string& option : splitOptions(options)) {
            first.push_back(option);
            second.push_back(option);
        }
        ASSERT_EQ(runTessel(first, dir.path()).status, 0);
        // A second the clock moves on must not change the output.
        sleep(1);
        ASSERT_EQ(runTessel(second, dir.path()).status, 0);
        std::string bytes = readFileBytes(dir.file("one.pdf"));
        EXPECT_FALSE(bytes.empty());
        EXPECT_EQ(bytes, readFileBytes(dir.file("two.pdf"))) << options;

        std::vector<std::string> batch = {"list.txt", "-fbatch"};
        for (const std::string& option : splitOptions(options)) batch.push_back(option);
        ASSERT_EQ(runTessel(batch, dir.path()).status, 0);
        EXPECT_EQ(bytes, readFileBytes(dir.file("batch/in.pdf"))) << options;
    }
}
