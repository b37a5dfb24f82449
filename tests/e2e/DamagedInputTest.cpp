// Inputs that stretch or break the reader: unusual page counts before split-back, objects that
// cannot be read, and offsets beyond 4 GiB. Each converts exactly like its sound counterpart,
// or fails with a message and leaves nothing behind.
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "e2e/E2eSupport.h"
#include "pdf/FormatText.h"
#include "support/TestPdf.h"

namespace {

const char* const kLayouts[] = {"", "-2to1up"};

// Converts in folder dir; the output's path, or "" (with a test failure) when the run failed.
std::string convert(const TempDir& dir, const std::string& input, const std::string& output,
                    const char* options) {
    std::vector<std::string> args = {input, output};
    for (const std::string& option : splitOptions(options)) args.push_back(option);
    TesselRun run = runTessel(args, dir.path());
    EXPECT_EQ(run.status, 0) << options << ": " << run.output;
    return run.status == 0 ? dir.file(output) : "";
}

// The output must pass qpdf and show the same pages as the expected one.
void expectSamePages(const std::string& got, const std::string& want, const std::string& label) {
    if (got.empty() || want.empty()) return;
    EXPECT_EQ(qpdfCheck(got), 0) << label;
    std::vector<GrayImage> gotPages, wantPages;
    std::string error;
    ASSERT_TRUE(renderPages(got, 20, gotPages, &error)) << label << ": " << error;
    ASSERT_TRUE(renderPages(want, 20, wantPages, &error)) << label << ": " << error;
    ASSERT_EQ(gotPages.size(), wantPages.size()) << label;
    for (size_t i = 0; i < gotPages.size(); i++)
        EXPECT_LE(meanDifference(gotPages[i], wantPages[i]), 0.5) << label << " page " << i + 1;
}

bool anyTempFile(const std::string& folder) {
    bool found = false;
    if (DIR* dir = opendir(folder.c_str())) {
        while (dirent* entry = readdir(dir))
            found |= std::strstr(entry->d_name, "_temp_") != nullptr;
        closedir(dir);
    }
    return found;
}

std::string replaced(std::string bytes, const std::string& from, const std::string& to) {
    size_t at = bytes.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) bytes.replace(at, from.size(), to);
    return bytes;
}

// Three 2-up sheets whose page tree root is replaced by an update with the given /Count entry
// (object 20 holds 3.0 for an indirect count).
std::string sheetsCounted(const std::string& count) {
    TestPdfUpdate update(makeNumberedPdf(3, 1224, 792));
    update.addObject(2, "<< /Type /Pages /Kids [4 0 R 6 0 R 8 0 R] " + count + " >>");
    update.addObject(20, "3.0");
    update.setTrailerExtra("/Root 1 0 R");
    return update.build(21);
}

}  // namespace

// Split-back appends the document to itself whatever its root /Count says, and objects that a
// reader may find nothing at are no damage.
TEST(DamagedInput, UnusualFilesConvertLikeTheirSoundForm) {
    const std::string sound = makeNumberedPdf(3, 1224, 792);
    const std::pair<const char*, std::string> cases[] = {
        {"real count", sheetsCounted("/Count 3.0")},
        {"no count", sheetsCounted("")},
        {"indirect real count", sheetsCounted("/Count 20 0 R")},
        // An in-use entry at offset 0: some writers list unused numbers so.
        {"entry at offset 0", replaced(replaced(replaced(sound, "xref\n0 10\n", "xref\n0 11\n"),
                                                "trailer", "0000000000 00000 n \ntrailer"),
                                       "/Size 10 ", "/Size 11 ")},
    };
    TempDir dir;
    dir.write("sound.pdf", sound);
    for (const char* layout : kLayouts) {
        std::string want = convert(dir, "sound.pdf", "want.pdf", layout);
        for (const auto& [name, bytes] : cases) {
            dir.write("in.pdf", bytes);
            std::string got = convert(dir, "in.pdf", "out.pdf", layout);
            expectSamePages(got, want, std::string(name) + " [" + layout + "]");
        }
    }
}

// Damage is refused with a message, by a plain run and by split-back alike, never dropped.
TEST(DamagedInput, UnreadableObjectsAreRefused) {
    struct Case {
        const char* name;
        std::string bytes;
        std::string message;
        bool plainToo;
    };
    std::vector<Case> cases;

    std::string pages = makeNumberedPdf(2);
    long content = static_cast<long>(pages.find("\n5 0 obj")) + 1;
    cases.push_back({"offset a few bytes off",
                     replaced(pages, formatText("%010ld 00000 n", content),
                              formatText("%010ld 00000 n", content + 3)),
                     formatText("object 5 0 cannot be read: its offset %ld does not point at "
                                "\"5 0 obj\"",
                                content + 3),
                     true});
    std::string unended = pages;
    unended.replace(unended.rfind("endobj\nxref"), 6, "endobx");
    cases.push_back(
        {"no endobj", unended, "object 7 0 cannot be read: no \"endobj\" follows it", true});

    FeatureDoc packed;
    packed.pages = numberedPages(1);
    packed.objectStream = true;
    std::string member = makeFeaturePdf(packed);
    // The entry of page object 10 names index 9 of object stream 20, which holds four members.
    size_t rows = member.find("stream\n", member.find("/Type /XRef")) + 7;
    member[rows + 10 * 7 + 6] = 9;
    cases.push_back({"member missing from its object stream", member,
                     "object 10 0 cannot be read: object stream 20 does not hold it", true});

    // A root whose /Kids is a page: the appended copy cannot be hung under it.
    TestPdfUpdate kidless(makeNumberedPdf(1, 1224, 792));
    kidless.addObject(2, "<< /Type /Pages /Kids 4 0 R /Count 1 >>");
    kidless.setTrailerExtra("/Root 1 0 R");
    cases.push_back({"second copy not appended", kidless.build(6),
                     "\nSplit-back stopped: the input appended to itself has a page count of 1, "
                     "not twice 1\n",
                     false});

    std::string corpus = corpusDir();
    if (!corpus.empty()) {
        cases.push_back({"missing endstream (corpus)",
                         readFileBytes(corpus + "/damaged-missing-endstream.pdf"),
                         "Missing 'endstream'", true});
    } else {
        std::printf("SKIP part: ../shared/corpus not found (real-world corpus absent)\n");
    }

    for (const Case& c : cases) {
        TempDir dir;
        dir.write("in.pdf", c.bytes);
        for (const char* layout : kLayouts) {
            if (!c.plainToo && !*layout) continue;
            std::vector<std::string> args = {"in.pdf", "out.pdf"};
            if (*layout) args.push_back(layout);
            TesselRun run = runTessel(args, dir.path());
            std::string label = std::string(c.name) + " [" + layout + "]: " + run.output;
            EXPECT_EQ(run.status, 1) << label;
            EXPECT_NE(run.output.find(c.message), std::string::npos) << label;
            EXPECT_EQ(run.output.find("Done."), std::string::npos) << label;
            EXPECT_FALSE(fileExists(dir.file("out.pdf"))) << label;
            EXPECT_FALSE(anyTempFile(dir.path())) << label;
        }
    }
}

namespace {

// Writes pieces of a file at chosen positions; what lies between them is a hole that takes
// no disk space, so a test can place objects beyond 4 GiB.
class SparseFile {
  public:
    // Appends text at the end, or first moves the end to at; returns where the text went.
    int64_t add(const std::string& text, int64_t at = -1) {
        if (at >= 0) end_ = at;
        pieces_.emplace_back(end_, text);
        end_ += static_cast<int64_t>(text.size());
        return end_ - static_cast<int64_t>(text.size());
    }
    int64_t end() const { return end_; }
    // Writes the file; false when it took real disk space (no sparse files here).
    bool write(const std::string& path) const {
        FILE* file = std::fopen(path.c_str(), "wb");
        if (!file) return false;
        for (const auto& [at, text] : pieces_) {
            fseeko(file, static_cast<off_t>(at), SEEK_SET);
            std::fwrite(text.data(), 1, text.size(), file);
        }
        std::fclose(file);
        struct stat info;
        return stat(path.c_str(), &info) == 0 && info.st_blocks < 2048;
    }

  private:
    std::vector<std::pair<int64_t, std::string>> pieces_;
    int64_t end_ = 0;
};

// Beyond 2 GiB and beyond 32 bits.
constexpr int64_t kFar = (int64_t{1} << 32) + 4096;

// Objects 1 to 7 of a two-page document: catalog, page tree root, font, and per page the page
// object and its content.
std::string farBody(int num) {
    auto page = [](int contents) {
        return formatText(
            "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources << "
            "/Font << /F1 3 0 R >> >> /Contents %d 0 R >>",
            contents);
    };
    auto content = [](const char* drawing) {
        return formatText("<< /Length %zu >>\nstream\n%s\nendstream", std::strlen(drawing),
                          drawing);
    };
    switch (num) {
        case 1:
            return "<< /Type /Catalog /Pages 2 0 R >>";
        case 2:
            return "<< /Type /Pages /Kids [4 0 R 6 0 R] /Count 2 >>";
        case 3:
            return "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>";
        case 4:
        case 6:
            return page(num + 1);
        case 5:
            return content("0 0 1 rg 50 50 200 200 re f BT /F1 99 Tf 300 500 Td (1) Tj ET");
        default:
            return content("0 0 1 rg 300 50 200 90 re f BT /F1 99 Tf 100 500 Td (2) Tj ET");
    }
}

std::string farObject(int num) {
    return formatText("%d 0 obj\n%s\nendobj\n", num, farBody(num).c_str());
}

std::string tableLine(int64_t offset, char kind) {
    return formatText("%010lld %05d %c \n", static_cast<long long>(offset), kind == 'n' ? 0 : 65535,
                      kind);
}

// An xref stream row: kind, 5-byte offset, generation 0.
std::string streamRow(int kind, int64_t offset) {
    return bigEndianBytes(static_cast<unsigned long long>(kind), 1) +
           bigEndianBytes(static_cast<unsigned long long>(offset), 5) + bigEndianBytes(0, 1);
}

std::string xrefStream(int num, const std::string& dict, const std::string& rows) {
    return formatText("%d 0 obj\n<< /Type /XRef /W [1 5 1] %s /Length %zu >>\nstream\n", num,
                      dict.c_str(), rows.size()) +
           rows + "\nendstream\nendobj\n";
}

// The two-page document with catalog 1 near the start and objects 2 to 7 beyond kFar, then
// the cross-reference sections of the kind asked for.
SparseFile farDocument(const std::string& kind) {
    SparseFile file;
    std::vector<int64_t> offsets(8, 0);
    file.add("%PDF-1.5\n%\xE2\xE3\xCF\xD3\n");
    offsets[1] = file.add(farObject(1));
    // Unused object 8 spans the hole, so that nothing read near the start runs into it.
    file.add(formatText("8 0 obj\n<< /Length %lld >>\nstream\n",
                        static_cast<long long>(kFar - file.end() - 64)));
    file.add("\nendstream\nendobj\n", kFar - 32);
    for (int num = 2; num <= 7; num++)
        offsets[num] = file.add(farObject(num), num == 2 ? kFar : -1);

    if (kind == "tables") {
        // The full table lies far; an update rewrites the font and points back to it. The
        // catalog stays near the start: the bytes before the first object are copied.
        std::string table = "xref\n0 9\n" + tableLine(0, 'f');
        for (int num = 1; num <= 7; num++) table += tableLine(offsets[num], 'n');
        int64_t first =
            file.add(table + tableLine(0, 'f') + "trailer\n<< /Size 9 /Root 1 0 R >>\n");
        int64_t font = file.add(farObject(3));
        int64_t update = file.add(
            "xref\n3 1\n" + tableLine(font, 'n') +
            formatText("trailer\n<< /Size 9 /Root 1 0 R /Prev %lld >>\n", (long long)first));
        file.add(formatText("startxref\n%lld\n%%%%EOF\n", (long long)update));
    } else if (kind == "hybrid") {
        // The table lists only the catalog; its /XRefStm stream lists the far objects.
        std::string rows;
        for (int num = 2; num <= 7; num++) rows += streamRow(1, offsets[num]);
        int64_t stream = file.add(xrefStream(9, "/Size 10 /Index [2 6]", rows));
        int64_t table = file.add(
            "xref\n0 2\n" + tableLine(0, 'f') + tableLine(offsets[1], 'n') +
            formatText("trailer\n<< /Size 10 /Root 1 0 R /XRefStm %lld >>\n", (long long)stream));
        file.add(formatText("startxref\n%lld\n%%%%EOF\n", (long long)table));
    } else {
        // Two xref streams, the newer one's /Prev far away.
        std::string rows = streamRow(0, 0);
        for (int num = 1; num <= 7; num++) rows += streamRow(1, offsets[num]);
        int64_t first = file.end();
        file.add(
            xrefStream(9, "/Size 10 /Root 1 0 R", rows + streamRow(0, 0) + streamRow(1, first)));
        int64_t font = file.add(farObject(3));
        int64_t update = file.end();
        file.add(xrefStream(
            10, formatText("/Size 11 /Root 1 0 R /Index [3 1 10 1] /Prev %lld", (long long)first),
            streamRow(1, font) + streamRow(1, update)));
        file.add(formatText("startxref\n%lld\n%%%%EOF\n", (long long)update));
    }
    return file;
}

}  // namespace

// Offsets beyond 4 GiB in tables, /Prev, /XRefStm and xref streams are read in full.
TEST(DamagedInput, OffsetsBeyondFourGigabytes) {
    TempDir dir;
    TestPdf compact;
    for (int num = 1; num <= 7; num++) compact.addObject(num, farBody(num));
    compact.setTrailerExtra("/Root 1 0 R");
    dir.write("compact.pdf", compact.build());
    for (const char* kind : {"tables", "hybrid", "xref streams"}) {
        if (!farDocument(kind).write(dir.file("far.pdf")))
            GTEST_SKIP() << "the file system here does not keep sparse files";
        for (const char* layout : kLayouts) {
            std::string label = std::string(kind) + " [" + layout + "]";
            std::string want = convert(dir, "compact.pdf", "want.pdf", layout);
            std::string got = convert(dir, "far.pdf", "out.pdf", layout);
            expectSamePages(got, want, label);
            // Only what the document holds is copied, not the hole.
            EXPECT_LT(readFileBytes(got).size(), 16384u) << label;
        }
    }
}
