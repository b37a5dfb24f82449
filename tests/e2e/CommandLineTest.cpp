// Console output of the tessel binary: usage, help, version, quiet runs, progress dots, batch
// lists, and byte-identical output from a batch and a single run.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "e2e/E2eSupport.h"
#include "support/TestPdf.h"

TEST(CommandLine, UsageBannerHelpAndVersion) {
    const std::string usage = readFileBytes(TESSEL_SOURCE_DIR "/tests/e2e/golden/usage.txt");
    ASSERT_FALSE(usage.empty());
    TesselRun run = runTessel({});
    EXPECT_EQ(run.status, 0);
    ASSERT_GT(run.output.size(), usage.size());
    // "\r\n<name and version ...>\r\n ... \r\n\r\n" before the usage.
    const std::string banner = run.output.substr(0, run.output.size() - usage.size());
    EXPECT_EQ(run.output.substr(banner.size()), usage);
    EXPECT_EQ(banner.find("\r\nTessel v1.12"), 0u) << banner;
    EXPECT_EQ(banner.rfind("\r\n\r\n"), banner.size() - 4) << banner;
    TempDir dir;
    // Help in each spelling; an input without an output is refused with the usage alone.
    for (std::string arg : {"-h", "-help", "--help", "in.pdf"}) {
        run = runTessel({arg == "in.pdf" ? dir.write(arg, makeNumberedPdf(2)) : arg});
        EXPECT_EQ(run.status, arg == "in.pdf") << arg;
        EXPECT_NE(run.output.find(usage), std::string::npos) << arg;
        EXPECT_EQ(run.output.find("Input file"), std::string::npos) << run.output;
    }
    run = runTessel({"--version"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, "Tessel v1.12\n");
}

// A dot at the 6th, 12th, 18th ... page object of the copy pass; quiet runs print no banner and
// no dots. Pages 0: the input is missing.
TEST(CommandLine, QuietRunsAndProgressDots) {
    const std::string head = "Input file: 'in.pdf', output file: 'out.pdf'\n";
    const std::tuple<int, const char*, std::string> cases[] = {
        {5, "-ab", head + "Processing\nDone.\n"},
        {6, "-ab", head + "Processing.\nDone.\n"},
        {11, "-ab", head + "Processing.\nDone.\n"},
        {13, "-ab", head + "Processing..\nDone.\n"},
        {18, "-ab", head + "Processing...\nDone.\n"},
        {13, "-q", head + "Processing\nDone.\n"},
        {13, "-q -2to1up",
         "\r\nAppending file: in.pdf and file: 'in.pdf' to output file: '.tessel--0.tmp'\r\n"
         "Processing\nInput file: '.tessel--0.tmp', output file: 'out.pdf'\nProcessing\nDone.\n"},
        {0, "-q", "Input file: 'in.pdf'Input file open error\nNo such file or directory\n"},
    };
    for (const auto& [pages, options, expected] : cases) {
        TempDir dir;
        if (pages) dir.write("in.pdf", makeNumberedPdf(pages));
        TesselRun run =
            runTessel(splitOptions(std::string("in.pdf out.pdf ") + options), dir.path());
        EXPECT_EQ(run.status, pages ? 0 : 1) << run.output;
        // Quiet runs print exactly the lines expected (less the process id); others end with them.
        for (size_t at = run.output.find(".tessel-"); at != std::string::npos;
             at = run.output.find(".tessel-", at + 1))
            run.output.erase(at + 8, run.output.find('-', at + 8) - at - 8);
        const size_t from = run.output.size() - std::min(run.output.size(), expected.size());
        EXPECT_EQ(options[1] == 'q' ? run.output : run.output.substr(from), expected) << pages;
    }
}

// A batch converts each listed file as a single run does, to the same bytes (no clock in them),
// and stops at the first that fails.
TEST(CommandLine, BatchConvertsListedFilesUntilOneFails) {
    TempDir dir;
    runCommand("mkdir " + shellQuote(dir.file("sub")));
    // Pages that clash in font and image names make the resource merge rename names.
    FeatureDoc doc;
    doc.pages = numberedPages(5);
    for (size_t i = 0; i < doc.pages.size(); i++) {
        doc.pages[i].font = i % 2 ? "Helvetica" : "Courier-Bold";
        doc.pages[i].image = true;
    }
    dir.write("sub/a.pdf", makeNumberedPdf(4));
    dir.write("b.pdf", makeFeaturePdf(doc));
    ASSERT_EQ(runTessel({"b.pdf", "single.pdf", "-4up"}, dir.path()).status, 0);
    sleep(1);
    // Blanks around names, empty lines and line ends of both kinds; a name ending in .txx is a
    // list too.
    dir.write("list.txx", "  sub/a.pdf \r\n\r\n\n./sub/../b.pdf\r\n");
    TesselRun run = runTessel({"list.txx", "-fout/x", "-4up"}, dir.path());
    EXPECT_EQ(run.status, 0) << run.output;
    for (const char* part : {"Input file: 'sub/a.pdf', output file: 'out/x/sub/a.pdf'\n",
                             "\nDone.\nBatch done: 2 files converted\n"})
        EXPECT_NE(run.output.find(part), std::string::npos) << run.output;
    EXPECT_EQ(qpdfCheck(dir.file("out/x/sub/a.pdf")), 0);
    EXPECT_EQ(qpdfPageCount(dir.file("out/x/sub/a.pdf")), 1);
    EXPECT_EQ(qpdfPageCount(dir.file("out/x/b.pdf")), 2);
    EXPECT_EQ(readFileBytes(dir.file("out/x/b.pdf")), readFileBytes(dir.file("single.pdf")));
    dir.write("list2.txt", "b.pdf\nnew/missing.pdf\nsub/a.pdf\n");
    run = runTessel({"list2.txt", "-fout2", "-q"}, dir.path());
    EXPECT_EQ(run.status, 1);
    for (const char* part : {"Input file: 'new/missing.pdf'Input file open error\n",
                             "Batch stopped: 1 of 3 files converted, 'new/missing.pdf' failed\n"})
        EXPECT_NE(run.output.find(part), std::string::npos) << run.output;
    // The failed file leaves no folder made for it.
    std::string left;
    runCommand("cd " + shellQuote(dir.path()) + " && find out2", &left);
    EXPECT_EQ(left, "out2\nout2/b.pdf\n");
    dir.write("empty.txt", "");
    run = runTessel({"empty.txt", "-fout3"}, dir.path());
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(run.output.find("Done."), std::string::npos) << run.output;
}
