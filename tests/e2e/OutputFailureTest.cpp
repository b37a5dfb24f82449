// Output that cannot be written: a file size limit (a full disk as the program sees it) and
// /dev/full end the run with status 1 and a message, and leave no partial output or temp file.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "e2e/E2eSupport.h"
#include "support/TestPdf.h"

namespace {

// Runs tessel in folder with the given file size limit in KiB (bash's ulimit -f unit).
TesselRun runLimited(const std::string& folder, int limitKiB, const std::string& args) {
    TesselRun run;
    run.status = runCommand("cd " + shellQuote(folder) + " && bash -c 'ulimit -f " +
                                std::to_string(limitKiB) + "; exec " + tesselBinary() + " " + args +
                                "' </dev/null",
                            &run.output, true);
    return run;
}

}  // namespace

TEST(OutputFailure, FileSizeLimitFailsCleanly) {
    TempDir dir;
    std::string input = makeNumberedPdf(120);
    ASSERT_GT(input.size(), 3 * 8192u);  // the output cannot fit under the limit
    dir.write("in.pdf", input);
    // -2to1up fails while writing its temporary normalised copy.
    const char* optionSets[] = {"", "-4up", "-12up3x4", "-2to1up"};
    for (const char* options : optionSets) {
        TesselRun run = runLimited(dir.path(), 8, std::string("in.pdf out.pdf ") + options);
        EXPECT_EQ(run.status, 1) << options << ": " << run.output;
        EXPECT_NE(run.output.find("Output file write error: '"), std::string::npos)
            << options << ": " << run.output;
        // The normaliser's message names the temporary file without the reason.
        if (std::string(options) != "-2to1up") {
            EXPECT_NE(run.output.find("(File too large)"), std::string::npos) << run.output;
        }
        EXPECT_EQ(run.output.find("Done."), std::string::npos) << run.output;
        EXPECT_FALSE(fileExists(dir.file("out.pdf"))) << options;
        std::string listing;
        runCommand("ls -A " + shellQuote(dir.path()), &listing);
        EXPECT_EQ(listing, "in.pdf\n") << options;
    }
}

TEST(OutputFailure, FileSizeLimitStopsABatch) {
    TempDir dir;
    dir.write("in.pdf", makeNumberedPdf(120));
    dir.write("list.txt", "in.pdf\n");
    TesselRun run = runLimited(dir.path(), 8, "list.txt -fbatch -4up");
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_NE(run.output.find("Output file write error: '"), std::string::npos) << run.output;
    EXPECT_FALSE(fileExists(dir.file("batch/in.pdf")));
}

TEST(OutputFailure, FullDeviceIsReportedAndKept) {
    struct stat before;
    if (stat("/dev/full", &before) != 0 || !S_ISCHR(before.st_mode))
        GTEST_SKIP() << "/dev/full not available";
    TempDir dir;
    dir.write("in.pdf", makeNumberedPdf(8));
    const char* optionSets[] = {"", "-4up"};
    for (const char* options : optionSets) {
        std::vector<std::string> args = {"in.pdf", "/dev/full"};
        for (const std::string& option : splitOptions(options)) args.push_back(option);
        TesselRun run = runTessel(args, dir.path());
        EXPECT_EQ(run.status, 1) << run.output;
        EXPECT_NE(run.output.find("Output file write error: '/dev/full' (No space left on device)"),
                  std::string::npos)
            << run.output;
        EXPECT_EQ(run.output.find("Done."), std::string::npos) << run.output;
        struct stat after;
        ASSERT_EQ(stat("/dev/full", &after), 0) << "/dev/full was removed";
        EXPECT_TRUE(S_ISCHR(after.st_mode));
    }
}
