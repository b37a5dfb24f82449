// The writer alone on real files: every object copied, a new table and trailer, and the result
// must pass qpdf's check as well as the input does.
#include <dirent.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "pdf/CPdfException.h"
#include "writer/ObjectCopy.h"
#include "writer/WriterTestSupport.h"

namespace {

std::vector<std::string> corpusFiles(const std::string& dir) {
    std::vector<std::string> names;
    DIR* folder = opendir(dir.c_str());
    if (!folder) return names;
    while (dirent* entry = readdir(folder)) {
        std::string name = entry->d_name;
        if (name.size() > 4 && name.compare(name.size() - 4, 4, ".pdf") == 0) names.push_back(name);
    }
    closedir(folder);
    std::sort(names.begin(), names.end());
    return names;
}

// qpdf --check's exit status: 0 clean, 2 errors, 3 warnings only.
int qpdfCheck(const std::string& path, std::string* report) {
    return runCommand("qpdf --check '" + path + "'", report, true);
}

}  // namespace

TEST(CopyCorpus, CopiesAreAsCleanAsTheirInput) {
    std::string dir = corpusDir();
    if (dir.empty()) GTEST_SKIP() << "../shared/corpus not found (real-world corpus absent)";
    if (runCommand("qpdf --version >/dev/null 2>&1") != 0) GTEST_SKIP() << "qpdf not installed";
    int copied = 0;
    for (const std::string& name : corpusFiles(dir)) {
        std::string path = dir + "/" + name;
        std::string report;
        int inputStatus = qpdfCheck(path, &report);
        // Only files qpdf reads without errors are a fair comparison.
        if (inputStatus != 0 && inputStatus != 3) continue;
        SCOPED_TRACE(name);
        std::unique_ptr<WriterSetup> s;
        try {
            s = std::make_unique<WriterSetup>(readFileBytes(path));
        } catch (const CPdfException& e) {
            // Encrypted files are refused by design (qpdf opens those with an empty password),
            // and damaged cross-reference data is not repaired: qpdf warns when it repairs.
            if (e.getKind() == CPdfException::Kind::encrypted || inputStatus == 3) continue;
            ADD_FAILURE() << "open failed: " << e.getMessage();
            continue;
        }
        try {
            writeHeader(*s->ctx);
            copyInputObjects(*s->ctx, {}, nullptr);
            s->finishPdf();
        } catch (const CPdfException& e) {
            ADD_FAILURE() << "copy failed: " << e.getMessage();
            continue;
        }
        int outputStatus = qpdfCheck(s->outputPath(), &report);
        if (inputStatus == 0) {
            EXPECT_EQ(outputStatus, 0) << report;
        } else {
            EXPECT_TRUE(outputStatus == 0 || outputStatus == 3) << report;
        }
        copied++;
    }
    std::printf("copied and checked %d corpus files\n", copied);
    EXPECT_GT(copied, 0);
}
