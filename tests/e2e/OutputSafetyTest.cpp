// What a run does to the files around it: a failing, interrupted or out-of-space run leaves no
// partial output and no temporary file and keeps an existing output; links, devices and standard
// output as outputs; the input messages.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "e2e/E2eSupport.h"
#include "support/TestPdf.h"

namespace {

int tempFileCount(const std::string& folder) {
    return static_cast<int>(temporaryFilesIn(folder).size());
}

bool isSymlink(const std::string& path) {
    struct stat info;
    return lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
}

}  // namespace

TEST(OutputSafety, ExistingOutputSurvivesAFailingRun) {
    for (const char* options : {"", "-4up", "-2to1up"}) {
        TempDir dir;
        dir.write("broken.pdf", makePdfWithoutParent());
        dir.write("out.pdf", "old output");
        dir.write("target.pdf", "old target");
        runCommand("ln -s target.pdf " + shellQuote(dir.file("link.pdf")));
        for (const char* output : {"new.pdf", "out.pdf", "link.pdf"}) {
            std::vector<std::string> args = {"broken.pdf", output};
            for (const std::string& option : splitOptions(options)) args.push_back(option);
            TesselRun run = runTessel(args, dir.path());
            EXPECT_EQ(run.status, 1) << options << " " << output << ": " << run.output;
            EXPECT_NE(run.output.find("File is broken. Can't find /Parent entry\n"),
                      std::string::npos)
                << options << ": " << run.output;
        }
        EXPECT_FALSE(fileExists(dir.file("new.pdf"))) << options;
        EXPECT_EQ(readFileBytes(dir.file("out.pdf")), "old output") << options;
        EXPECT_EQ(readFileBytes(dir.file("target.pdf")), "old target") << options;
        EXPECT_TRUE(isSymlink(dir.file("link.pdf"))) << options;
        EXPECT_EQ(tempFileCount(dir.path()), 0) << options;
    }
}

TEST(OutputSafety, LinkTargetIsReplacedAndLinkStays) {
    TempDir dir;
    dir.write("in.pdf", makeNumberedPdf(4));
    dir.write("target.pdf", "old target");
    runCommand("ln -s target.pdf " + shellQuote(dir.file("link.pdf")));
    TesselRun run = runTessel({"in.pdf", "link.pdf", "-4up"}, dir.path());
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_TRUE(isSymlink(dir.file("link.pdf")));
    EXPECT_EQ(qpdfCheck(dir.file("target.pdf")), 0);
    EXPECT_EQ(qpdfPageCount(dir.file("target.pdf")), 1);
}

TEST(OutputSafety, SplitBackIntoALongPath) {
    // The temporary file's name does not grow with the output's path.
    TempDir dir;
    dir.write("in.pdf", makeNumberedPdf(2, 1224, 792));
    std::string folder = std::string(200, 'a') + "/" + std::string(200, 'b');
    runCommand("mkdir -p " + shellQuote(dir.file(folder)));
    TesselRun run = runTessel({"in.pdf", folder + "/out.pdf", "-2to1up"}, dir.path());
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(qpdfPageCount(dir.file(folder + "/out.pdf")), 4);
    EXPECT_EQ(tempFileCount(dir.file(folder)), 0);
}

TEST(OutputSafety, DevicesAndStandardOutput) {
    TempDir dir;
    dir.write("in.pdf", makeNumberedPdf(4));
    dir.write("broken.pdf", makePdfWithoutParent());
    TesselRun run = runTessel({"in.pdf", "/dev/null", "-4up"}, dir.path());
    EXPECT_EQ(run.status, 0) << run.output;
    struct stat info;
    ASSERT_EQ(stat("/dev/null", &info), 0);
    EXPECT_TRUE(S_ISCHR(info.st_mode));
    // /dev/full: the write error is reported, and the device stays.
    for (const char* options : {"", "-4up"}) {
        std::vector<std::string> args = {"in.pdf", "/dev/full"};
        for (const std::string& option : splitOptions(options)) args.push_back(option);
        run = runTessel(args, dir.path());
        EXPECT_EQ(run.status, 1) << run.output;
        EXPECT_NE(run.output.find("Output file write error: '/dev/full' (No space left on device)"),
                  std::string::npos)
            << run.output;
        EXPECT_EQ(run.output.find("Done."), std::string::npos) << run.output;
        ASSERT_EQ(stat("/dev/full", &info), 0) << "/dev/full was removed";
        EXPECT_TRUE(S_ISCHR(info.st_mode));
    }

    // The PDF goes to standard output, a file here; the console to standard error. /dev/fd/1
    // stands for /dev/stdout: should a faulty run remove it, the machine keeps its /dev/stdout.
    std::string command = "cd " + shellQuote(dir.path()) + " && " + shellQuote(tesselBinary());
    int status = runCommand(command + " in.pdf /dev/fd/1 -4up >out.pdf 2>console.txt </dev/null");
    EXPECT_EQ(status, 0);
    EXPECT_EQ(qpdfCheck(dir.file("out.pdf")), 0);
    EXPECT_NE(readFileBytes(dir.file("console.txt")).find("\nDone.\n"), std::string::npos);
    // A failing run leaves standard output's file where it is.
    status = runCommand(command + " broken.pdf /dev/fd/1 >out2.pdf 2>console.txt </dev/null");
    EXPECT_EQ(status, 1);
    EXPECT_TRUE(fileExists(dir.file("out2.pdf")));
    EXPECT_NE(readFileBytes(dir.file("console.txt")).find("Can't find /Parent"), std::string::npos);
}

TEST(OutputSafety, TerminatedRunLeavesNoTemporaryFile) {
    TempDir dir;
    dir.write("in.pdf", makeNumberedPdf(12000, 100, 100));
    // Split back has its normalised copy and then the output's temporary file.
    const std::pair<const char*, int> cases[] = {{"-12up3x4", 1}, {"-2to1up", 2}};
    for (const auto& [layout, tempFiles] : cases) {
        dir.write("out.pdf", "old output");
        pid_t pid = fork();
        if (pid == 0) {
            int devNull = open("/dev/null", O_WRONLY);
            dup2(devNull, STDOUT_FILENO);
            dup2(devNull, STDERR_FILENO);
            if (chdir(dir.path().c_str()) == 0) {
                execl(tesselBinary().c_str(), "tessel", "in.pdf", "out.pdf", layout, nullptr);
            }
            _exit(127);
        }
        ASSERT_GT(pid, 0);
        int status = 0;
        bool ended = false;
        while (tempFileCount(dir.path()) < tempFiles && !ended) {
            ended = waitpid(pid, &status, WNOHANG) == pid;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        ASSERT_FALSE(ended) << layout << ": the run ended before its temporary files were seen";
        kill(pid, SIGTERM);
        waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFEXITED(status)) << layout;
        EXPECT_EQ(WEXITSTATUS(status), 128 + SIGTERM) << layout;
        EXPECT_EQ(readFileBytes(dir.file("out.pdf")), "old output") << layout;
        EXPECT_EQ(tempFileCount(dir.path()), 0) << layout;
    }
}

TEST(OutputSafety, InputMessagesSayWhy) {
    std::string encrypted = makeNumberedPdf(1);
    encrypted.insert(encrypted.rfind("/Root"), "/Encrypt 3 0 R ");
    const std::pair<const char*, const char*> cases[] = {
        {"missing.pdf", "Input file open error\nNo such file or directory\n"},
        {"folder.pdf", "Input file open error\nIs a directory\n"},
        {"text.pdf", "\nNot a PDF file: there is no \"%PDF-\" header in its first 1024 bytes\n"},
        {"locked.pdf", "\nPDF file is encrypted\nDamaged encryption dictionary: /Filter"},
    };
    for (const char* options : {"", "-2to1up"}) {
        TempDir dir;
        runCommand("mkdir " + shellQuote(dir.file("folder.pdf")));
        dir.write("text.pdf", std::string(2000, 'x') + "%PDF-1.4");
        dir.write("locked.pdf", encrypted);
        for (const auto& [input, message] : cases) {
            std::vector<std::string> args = {input, "out.pdf"};
            for (const std::string& option : splitOptions(options)) args.push_back(option);
            TesselRun run = runTessel(args, dir.path());
            EXPECT_EQ(run.status, 1) << input;
            EXPECT_NE(run.output.find(std::string("Input file: '") + input + "'" + message),
                      std::string::npos)
                << input << " " << options << ": " << run.output;
            EXPECT_FALSE(fileExists(dir.file("out.pdf")));
            EXPECT_EQ(tempFileCount(dir.path()), 0) << input;
        }
    }
}

// A file size limit (a full disk as the program sees it) ends the run, and a batch, with a
// message and no partial output.
TEST(OutputSafety, FileSizeLimitFailsCleanly) {
    TempDir dir;
    std::string input = makeNumberedPdf(120);
    ASSERT_GT(input.size(), 3 * 8192u);  // the output cannot fit under the limit
    dir.write("in.pdf", input);
    // -2to1up fails while writing its temporary normalised copy; the list stops its batch.
    for (const char* args : {"in.pdf out.pdf", "in.pdf out.pdf -4up", "in.pdf out.pdf -12up3x4",
                             "in.pdf out.pdf -2to1up", "list.txt -fbatch -4up"}) {
        if (args[0] == 'l') dir.write("list.txt", "in.pdf\n");
        TesselRun run;
        run.status = runCommand("cd " + shellQuote(dir.path()) + " && bash -c 'ulimit -f 8; exec " +
                                    tesselBinary() + " " + args + "' </dev/null",
                                &run.output, true);
        EXPECT_EQ(run.status, 1) << args << ": " << run.output;
        EXPECT_NE(run.output.find("Output file write error: '"), std::string::npos) << run.output;
        // The normaliser's message names the temporary file without the reason.
        if (std::string(args).find("2to1") == std::string::npos) {
            EXPECT_NE(run.output.find("(File too large)"), std::string::npos) << run.output;
        }
        EXPECT_EQ(run.output.find("Done."), std::string::npos) << run.output;
        EXPECT_FALSE(fileExists(dir.file("out.pdf")) || fileExists(dir.file("batch/in.pdf")))
            << args;
        EXPECT_EQ(tempFileCount(dir.path()) + tempFileCount(dir.file("batch")), 0) << args;
    }
}
