// Outputs other than a plain new file: links, long paths, devices, standard output; and runs that
// are killed or hit a file size limit leave no partial output and no temporary file. (Refusals
// and failing runs leave the folder as it was: RefusalTest.)
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include "e2e/E2eSupport.h"
#include "support/TestPdf.h"

TEST(OutputSafety, LinksLongPathsDevicesAndStandardOutput) {
    TempDir dir;
    dir.write("in.pdf", makeNumberedPdf(4));
    dir.write("wide.pdf", makeNumberedPdf(2, 1224, 792));
    dir.write("broken.pdf", makePdfWithoutParent());
    dir.write("target.pdf", "old target");
    // The temporary file's name does not grow with the output's path.
    const std::string folder = std::string(200, 'a') + "/" + std::string(200, 'b');
    runCommand("cd " + shellQuote(dir.path()) + " && ln -s target.pdf link.pdf && mkdir -p " +
               folder);
    TesselRun run = runTessel({"in.pdf", "link.pdf", "-4up"}, dir.path());
    ASSERT_EQ(run.status, 0) << run.output;
    struct stat info;
    EXPECT_TRUE(lstat(dir.file("link.pdf").c_str(), &info) == 0 && S_ISLNK(info.st_mode));
    EXPECT_EQ(qpdfCheck(dir.file("target.pdf")), 0);
    EXPECT_EQ(qpdfPageCount(dir.file("target.pdf")), 1);
    EXPECT_EQ(runTessel({"wide.pdf", folder + "/out.pdf", "-2to1up"}, dir.path()).status, 0);
    EXPECT_EQ(qpdfPageCount(dir.file(folder + "/out.pdf")), 4);
    EXPECT_TRUE(temporaryFilesIn(dir.file(folder)).empty());
    EXPECT_EQ(runTessel({"in.pdf", "/dev/null", "-4up"}, dir.path()).status, 0);
    EXPECT_TRUE(stat("/dev/null", &info) == 0 && S_ISCHR(info.st_mode));
    // /dev/full: the write error is reported, and the device stays.
    for (const char* layout : {"-ab", "-4up"}) {
        run = runTessel({"in.pdf", "/dev/full", layout}, dir.path());
        EXPECT_EQ(run.status, 1) << run.output;
        EXPECT_NE(run.output.find("Output file write error: '/dev/full' (No space left on device)"),
                  std::string::npos)
            << run.output;
        EXPECT_EQ(run.output.find("Done."), std::string::npos) << run.output;
        ASSERT_TRUE(stat("/dev/full", &info) == 0 && S_ISCHR(info.st_mode)) << "/dev/full gone";
    }
    // The PDF goes to standard output, a file here; the console to standard error. /dev/fd/1
    // stands for /dev/stdout: should a faulty run remove it, the machine keeps its /dev/stdout.
    std::string command = "cd " + shellQuote(dir.path()) + " && " + shellQuote(tesselBinary());
    EXPECT_EQ(runCommand(command + " in.pdf /dev/fd/1 -4up >out.pdf 2>console.txt </dev/null"), 0);
    EXPECT_EQ(qpdfCheck(dir.file("out.pdf")), 0);
    EXPECT_NE(readFileBytes(dir.file("console.txt")).find("\nDone.\n"), std::string::npos);
    // A failing run leaves standard output's file where it is.
    EXPECT_EQ(runCommand(command + " broken.pdf /dev/fd/1 >out2.pdf 2>console.txt </dev/null"), 1);
    EXPECT_TRUE(fileExists(dir.file("out2.pdf")));
    EXPECT_NE(readFileBytes(dir.file("console.txt")).find("Can't find /Parent"), std::string::npos);
}

TEST(OutputSafety, TerminatedRunLeavesNoTemporaryFile) {
    TempDir dir;
    dir.write("in.pdf", makeNumberedPdf(12000, 100, 100));
    // Split back has its normalised copy and then the output's temporary file.
    for (const auto& [layout, tempFiles] : {std::pair{"-12up3x4", 1u}, {"-2to1up", 2u}}) {
        dir.write("out.pdf", "old output");
        pid_t pid = fork();
        if (pid == 0) {
            int devNull = open("/dev/null", O_WRONLY);
            dup2(devNull, STDOUT_FILENO);
            dup2(devNull, STDERR_FILENO);
            if (chdir(dir.path().c_str()) == 0)
                execl(tesselBinary().c_str(), "tessel", "in.pdf", "out.pdf", layout, nullptr);
            _exit(127);
        }
        ASSERT_GT(pid, 0);
        int status = 0;
        bool ended = false;
        while (temporaryFilesIn(dir.path()).size() < tempFiles && !ended) {
            ended = waitpid(pid, &status, WNOHANG) == pid;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        ASSERT_FALSE(ended) << layout << ": the run ended before its temporary files were seen";
        kill(pid, SIGTERM);
        waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFEXITED(status)) << layout;
        EXPECT_EQ(WEXITSTATUS(status), 128 + SIGTERM) << layout;
        EXPECT_EQ(readFileBytes(dir.file("out.pdf")), "old output") << layout;
        EXPECT_TRUE(temporaryFilesIn(dir.path()).empty()) << layout;
    }
}

// A file size limit (a full disk as the program sees it) ends the run, and a batch, with a
// message and no partial output. -2to1up fails writing its normalised copy, whose message names
// the temporary file without the reason.
TEST(OutputSafety, FileSizeLimitFailsCleanly) {
    TempDir dir;
    const std::string input = dir.write("in.pdf", makeNumberedPdf(120));
    ASSERT_GT(readFileBytes(input).size(), 3 * 8192u);  // the output cannot fit under the limit
    dir.write("list.txt", "in.pdf\n");
    for (const char* args : {"in.pdf out.pdf", "in.pdf out.pdf -4up", "in.pdf out.pdf -12up3x4",
                             "in.pdf out.pdf -2to1up", "list.txt -fbatch -4up"}) {
        std::string output;
        EXPECT_EQ(runCommand("cd " + shellQuote(dir.path()) + " && bash -c 'ulimit -f 8; exec " +
                                 tesselBinary() + " " + args + "' </dev/null",
                             &output, true),
                  1)
            << args << ": " << output;
        EXPECT_NE(output.find("Output file write error: '"), std::string::npos) << output;
        EXPECT_TRUE(std::string(args).find("2to1") != std::string::npos ||
                    output.find("(File too large)") != std::string::npos)
            << output;
        EXPECT_EQ(output.find("Done."), std::string::npos) << output;
        EXPECT_FALSE(fileExists(dir.file("out.pdf")) || fileExists(dir.file("batch/in.pdf")));
        EXPECT_EQ(temporaryFilesIn(dir.path()).size() + temporaryFilesIn(dir.file("batch")).size(),
                  0u)
            << args;
    }
}
