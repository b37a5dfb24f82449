// Console output of the tessel binary: usage, help, version, quiet runs, progress dots, batch
// lists, and byte-identical output from run to run.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "e2e/E2eSupport.h"
#include "support/TestPdf.h"

TEST(CommandLine, UsageBannerHelpAndVersion) {
    const std::string usage = readFileBytes(TESSEL_SOURCE_DIR "/tests/e2e/golden/usage.txt");
    ASSERT_FALSE(usage.empty());
    TesselRun run = runTessel({});
    EXPECT_EQ(run.status, 0);
    ASSERT_GT(run.output.size(), usage.size());
    const std::string banner = run.output.substr(0, run.output.size() - usage.size());
    EXPECT_EQ(run.output.substr(banner.size()), usage);
    // "\r\n<name and version ...>\r\n ... \r\n\r\n" before the usage.
    EXPECT_EQ(banner.find("\r\n"), 0u) << banner;
    EXPECT_NE(banner.substr(0, banner.find("\r\n", 2)).find("Tessel v1.12"), std::string::npos)
        << banner;
    EXPECT_EQ(banner.rfind("\r\n\r\n"), banner.size() - 4) << banner;
    for (const char* help : {"-h", "-help", "--help"}) {
        run = runTessel({help});
        EXPECT_EQ(run.status, 0) << help;
        EXPECT_NE(run.output.find(usage), std::string::npos) << help;
    }
    TempDir dir;
    run = runTessel({dir.write("in.pdf", makeNumberedPdf(2))});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.output.find(usage), std::string::npos) << run.output;
    EXPECT_EQ(run.output.find("Input file"), std::string::npos) << run.output;
    run = runTessel({"--version"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, "Tessel v1.12\n");
}

TEST(CommandLine, QuietRunsPrintNoBannerAndNoDots) {
    TempDir dir;
    dir.write("in.pdf", makeNumberedPdf(13));
    TesselRun run = runTessel({"in.pdf", "out.pdf", "-q"}, dir.path());
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, "Input file: 'in.pdf', output file: 'out.pdf'\nProcessing\nDone.\n");
    // Split back: no dots either, and the normaliser's line is ended before the next one.
    run = runTessel({"in.pdf", "out.pdf", "-q", "-2to1up"}, dir.path());
    EXPECT_EQ(run.output.find("Processing."), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("Processing\nInput file: '"), std::string::npos) << run.output;
    run = runTessel({"missing.pdf", "out.pdf", "-q"}, dir.path());
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.output,
              "Input file: 'missing.pdf'Input file open error\nNo such file or directory\n");
}

TEST(CommandLine, ProgressDotsFollowPageObjects) {
    // A dot at the 6th, 12th, 18th ... page object of the copy pass.
    const std::pair<int, const char*> cases[] = {
        {5, "Processing\nDone.\n"},    {6, "Processing.\nDone.\n"},    {11, "Processing.\nDone.\n"},
        {13, "Processing..\nDone.\n"}, {18, "Processing...\nDone.\n"},
    };
    for (const auto& [pages, tail] : cases) {
        TempDir dir;
        dir.write("in.pdf", makeNumberedPdf(pages));
        TesselRun run = runTessel({"in.pdf", "out.pdf", "-ab"}, dir.path());
        EXPECT_EQ(run.status, 0) << run.output;
        std::string expected = std::string("Input file: 'in.pdf', output file: 'out.pdf'\n") + tail;
        ASSERT_GE(run.output.size(), expected.size());
        EXPECT_EQ(run.output.substr(run.output.size() - expected.size()), expected) << pages;
    }
}

TEST(CommandLine, BatchConvertsListedFilesUntilOneFails) {
    TempDir dir;
    runCommand("mkdir " + shellQuote(dir.file("sub")));
    dir.write("sub/a.pdf", makeNumberedPdf(4));
    dir.write("b.pdf", makeNumberedPdf(5));
    // Blanks around names, empty lines and line ends of both kinds; a name ending in .txx is a
    // list too.
    dir.write("list.txx", "  sub/a.pdf \r\n\r\n\n./sub/../b.pdf\r\n");
    TesselRun run = runTessel({"list.txx", "-fout/x", "-4up"}, dir.path());
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("Input file: 'sub/a.pdf', output file: 'out/x/sub/a.pdf'\n"),
              std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("\nDone.\nBatch done: 2 files converted\n"), std::string::npos)
        << run.output;
    EXPECT_EQ(qpdfCheck(dir.file("out/x/sub/a.pdf")), 0);
    EXPECT_EQ(qpdfPageCount(dir.file("out/x/sub/a.pdf")), 1);
    EXPECT_EQ(qpdfPageCount(dir.file("out/x/b.pdf")), 2);

    dir.write("list2.txt", "b.pdf\nnew/missing.pdf\nsub/a.pdf\n");
    run = runTessel({"list2.txt", "-fout2", "-q"}, dir.path());
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.output.find("Input file: 'new/missing.pdf'Input file open error\n"),
              std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("Batch stopped: 1 of 3 files converted, 'new/missing.pdf' failed\n"),
              std::string::npos)
        << run.output;
    EXPECT_TRUE(fileExists(dir.file("out2/b.pdf")));
    EXPECT_FALSE(fileExists(dir.file("out2/sub/a.pdf")));
    // The failed file leaves no folder made for it.
    EXPECT_FALSE(fileExists(dir.file("out2/new")));

    dir.write("empty.txt", "");
    run = runTessel({"empty.txt", "-fout3"}, dir.path());
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(run.output.find("Done."), std::string::npos) << run.output;
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
    for (const char* options : {"", "-4up", "-12up3x4", "-2to1up"}) {
        std::vector<std::string> extra = splitOptions(options);
        auto run = [&](std::vector<std::string> args) {
            args.insert(args.end(), extra.begin(), extra.end());
            ASSERT_EQ(runTessel(args, dir.path()).status, 0) << options;
        };
        run({"in.pdf", "one.pdf"});
        // A second the clock moves on must not change the output.
        sleep(1);
        run({"in.pdf", "two.pdf"});
        run({"list.txt", "-fbatch"});
        std::string bytes = readFileBytes(dir.file("one.pdf"));
        EXPECT_FALSE(bytes.empty());
        EXPECT_EQ(bytes, readFileBytes(dir.file("two.pdf"))) << options;
        EXPECT_EQ(bytes, readFileBytes(dir.file("batch/in.pdf"))) << options;
    }
}
