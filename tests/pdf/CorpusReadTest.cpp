// Reads every file of the real-world corpus: opens or refuses it, counts pages, fetches objects.
#include <dirent.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "pdf/CPdfDocument.h"
#include "pdf/CPdfException.h"
#include "pdf/FormatText.h"
#include "pdf/ObjectText.h"
#include "support/TestPdf.h"

namespace {

std::vector<std::string> corpusFiles() {
    std::vector<std::string> names;
    DIR* dir = opendir(corpusDir().c_str());
    if (!dir) return names;
    while (dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name.size() > 4 && name.compare(name.size() - 4, 4, ".pdf") == 0) names.push_back(name);
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

bool startsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

// Leaves of the page tree under node; visited guards against loops.
int countPages(CPdfXRef& xref, const CPdfObject& ref, std::set<int>& visited, int depth) {
    if (!ref.isRef() || !visited.insert(ref.getRefNum()).second || depth > 100) return 0;
    CPdfObject node = xref.fetchObject(ref.getRefNum(), ref.getRefGen());
    if (!node.isDict()) return 0;
    CPdfObject kids = node.getDict()->lookup("Kids");
    if (!kids.isArray()) return 1;
    int count = 0;
    for (int i = 0; i < kids.getArray()->getLength(); i++) {
        count += countPages(xref, kids.getArray()->getRaw(i), visited, depth + 1);
    }
    return count;
}

int pageCount(CPdfDocument& doc) {
    CPdfXRef& xref = *doc.getXRef();
    CPdfObject root = xref.fetchObject(xref.getRootNum(), xref.getRootGen());
    if (!root.isDict()) return -1;
    std::set<int> visited;
    return countPages(xref, root.getDict()->lookupRaw("Pages"), visited, 0);
}

// Fetches every object in use and takes its raw text; returns the first failure, "" if none.
// A stream with a filter other than FlateDecode cannot be fetched (the reader refuses filters
// it cannot decode when it meets them); such streams are counted in unsupported.
std::string fetchEverything(CPdfDocument& doc, int* unsupported) {
    CPdfXRef& xref = *doc.getXRef();
    for (int num = 0; num < xref.getNumObjects(); num++) {
        const CPdfXRefEntry& entry = xref.getEntry(num);
        if (entry.type == xrefFree) continue;
        try {
            xref.fetchObject(num, entry.type == xrefCompressed ? 0 : entry.gen);
            std::string text;
            getObjectText(doc.getFile(), num, doc, text);
        } catch (const CPdfException& e) {
            if (e.getKind() == CPdfException::Kind::unsupportedFilter) {
                ++*unsupported;
                continue;
            }
            return formatText("object %d: %s", num, e.getMessage().c_str());
        }
    }
    return "";
}

}  // namespace

TEST(CorpusRead, EveryFileOpensOrIsRefusedClearly) {
    if (corpusDir().empty())
        GTEST_SKIP() << "../shared/corpus not found (real-world corpus absent)";
    bool haveQpdf = runCommand("qpdf --version > /dev/null 2>&1") == 0;
    std::vector<std::string> names = corpusFiles();
    ASSERT_FALSE(names.empty());
    int opened = 0;
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        std::string path = corpusDir() + "/" + name;
        bool damaged = startsWith(name, "damaged-");
        CPdfDocument doc;
        try {
            // Encrypted files open, with the user passwords the corpus notes give.
            doc.open(path, corpusPassword(name));
        } catch (const CPdfException& e) {
            EXPECT_TRUE(damaged) << "refused: " << e.getMessage();
            EXPECT_FALSE(e.getMessage().empty());
            std::printf("[ refused  ] %s: %s\n", name.c_str(), e.getMessage().c_str());
            continue;
        }
        opened++;
        int unsupported = 0;
        std::string failure = fetchEverything(doc, &unsupported);
        if (unsupported) {
            std::printf("[ filters  ] %s: %d streams with filters other than FlateDecode\n",
                        name.c_str(), unsupported);
        }
        if (damaged) {
            std::printf("[ damaged  ] %s opens; fetching: %s\n", name.c_str(),
                        failure.empty() ? "no failure" : failure.c_str());
            continue;
        }
        EXPECT_EQ("", failure);
        if (!haveQpdf) continue;
        std::string output;
        if (runCommand("qpdf --show-npages '" + path + "' 2>/dev/null", &output) != 0) continue;
        EXPECT_EQ(std::atoi(output.c_str()), pageCount(doc));
    }
    if (!haveQpdf) std::printf("qpdf not found: page counts were not compared\n");
    EXPECT_GT(opened, 0);
}
