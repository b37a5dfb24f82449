// OutputFile: checked writes, removal of an unfinished regular file, and devices left alone.
#include "writer/OutputFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "pdf/CPdfException.h"
#include "support/TestPdf.h"

TEST(OutputFile, FinishedFileIsKept) {
    TempDir dir;
    {
        OutputFile out;
        ASSERT_TRUE(out.create(dir.file("out.pdf")));
        out.write("%PDF-1.4\n");
        EXPECT_EQ(out.position(), 9);
        out.finish();
    }
    EXPECT_EQ(readFileBytes(dir.file("out.pdf")), "%PDF-1.4\n");
}

TEST(OutputFile, UnfinishedFileIsRemoved) {
    TempDir dir;
    {
        OutputFile out;
        ASSERT_TRUE(out.create(dir.file("out.pdf")));
        out.write("partial");
    }
    EXPECT_FALSE(fileExists(dir.file("out.pdf")));
}

TEST(OutputFile, FullDeviceFailsAndStaysInPlace) {
    struct stat before;
    if (stat("/dev/full", &before) != 0 || !S_ISCHR(before.st_mode))
        GTEST_SKIP() << "/dev/full not available";
    {
        OutputFile out;
        ASSERT_TRUE(out.create("/dev/full"));
        std::string bytes(100000, 'x');
        try {
            // The buffer may take the first writes; the flush at the latest must fail.
            out.write(bytes);
            out.finish();
            ADD_FAILURE() << "writing to /dev/full did not fail";
        } catch (const CPdfException& failure) {
            EXPECT_NE(failure.getMessage().find("Output file write error: '/dev/full'"),
                      std::string::npos)
                << failure.getMessage();
        }
    }
    struct stat after;
    ASSERT_EQ(stat("/dev/full", &after), 0) << "/dev/full was removed";
    EXPECT_TRUE(S_ISCHR(after.st_mode));
}
