// Inputs that stretch or break the reader: unusual page counts before split-back, objects that
// cannot be read, offsets beyond 4 GiB. Each converts like its sound form, or fails with a
// message and leaves nothing behind.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cinttypes>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "e2e/E2eSupport.h"
#include "pdf/FormatText.h"
#include "support/TestPdf.h"

namespace {

const char* const kLayouts[] = {"", "-2to1up"};

// Converts input into output in dir with the layout; the run.
TesselRun convert(const TempDir& dir, const std::string& input, const std::string& output,
                  const char* layout) {
    std::vector<std::string> args = {input, output};
    if (*layout) args.push_back(layout);
    return runTessel(args, dir.path());
}

// Converts input and the sound form of it alike; the outputs must show the same pages.
void expectSamePages(const TempDir& dir, const std::string& input, const std::string& sound,
                     const char* layout, const std::string& label) {
    TesselRun got = convert(dir, input, "out.pdf", layout);
    TesselRun want = convert(dir, sound, "want.pdf", layout);
    ASSERT_EQ(got.status, 0) << label << got.output;
    ASSERT_EQ(want.status, 0) << label << want.output;
    EXPECT_EQ(qpdfCheck(dir.file("out.pdf")), 0) << label;
    std::vector<GrayImage> gotPages, wantPages;
    std::string error;
    ASSERT_TRUE(renderPages(dir.file("out.pdf"), 20, gotPages, &error)) << label << error;
    ASSERT_TRUE(renderPages(dir.file("want.pdf"), 20, wantPages, &error)) << label << error;
    ASSERT_EQ(gotPages.size(), wantPages.size()) << label;
    for (size_t i = 0; i < gotPages.size(); i++)
        EXPECT_LE(meanDifference(gotPages[i], wantPages[i]), 0.5) << label << " page " << i + 1;
}

std::string replaced(std::string bytes, const std::string& from, const std::string& to) {
    size_t at = bytes.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? bytes : bytes.replace(at, from.size(), to);
}

// Three 2-up sheets whose page tree root an update replaces, with the given /Count entry
// (object 20 holds 3.0 for an indirect count).
std::string sheetsCounted(const std::string& count) {
    TestPdfUpdate update(makeNumberedPdf(3, 1224, 792));
    update.addObject(2, "<< /Type /Pages /Kids [4 0 R 6 0 R 8 0 R] " + count + " >>");
    update.addObject(20, "3.0");
    update.setTrailerExtra("/Root 1 0 R");
    return update.build(21);
}

}  // namespace

// Split-back appends the document to itself whatever its /Count says; an in-use entry at offset
// 0 (some writers list unused numbers so) is no damage.
TEST(DamagedInput, UnusualFilesConvertLikeTheirSoundForm) {
    const std::string sound = makeNumberedPdf(3, 1224, 792);
    const std::pair<const char*, std::string> cases[] = {
        {"real count", sheetsCounted("/Count 3.0")},
        {"no count", sheetsCounted("")},
        {"indirect real count", sheetsCounted("/Count 20 0 R")},
        {"entry at offset 0", replaced(replaced(replaced(sound, "xref\n0 10\n", "xref\n0 11\n"),
                                                "trailer", "0000000000 00000 n \ntrailer"),
                                       "/Size 10 ", "/Size 11 ")},
    };
    TempDir dir;
    dir.write("sound.pdf", sound);
    for (const auto& [name, bytes] : cases) {
        dir.write("in.pdf", bytes);
        for (const char* layout : kLayouts)
            expectSamePages(dir, "in.pdf", "sound.pdf", layout, name + std::string(layout));
    }
}

// Damage is refused with a message, by a plain run and split-back alike, never dropped.
TEST(DamagedInput, UnreadableObjectsAreRefused) {
    struct Case {
        const char* name;
        std::string bytes;
        std::string message;
        bool plainToo;  // false: only split-back reads the input so
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
    cases.push_back({"endstream without stream",
                     replaced(pages, "<< /Type /Font /Subtype", "<<   endstream /Subtype"),
                     "object 3 0 cannot be read: its bytes up to the next object are not one "
                     "complete object",
                     false});

    FeatureDoc packed;
    packed.pages = numberedPages(1);
    packed.objectStream = true;
    std::string member = makeFeaturePdf(packed);
    // The entry of page object 10 names index 9 of object stream 20, which holds four members.
    member[member.find("stream\n", member.find("/Type /XRef")) + 7 + 10 * 7 + 6] = 9;
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

    for (const Case& c : cases) {
        for (const char* layout : kLayouts) {
            if (!c.plainToo && !*layout) continue;
            TempDir dir;
            dir.write("in.pdf", c.bytes);
            TesselRun run = convert(dir, "in.pdf", "out.pdf", layout);
            std::string label = std::string(c.name) + " [" + layout + "]: " + run.output;
            EXPECT_EQ(run.status, 1) << label;
            EXPECT_NE(run.output.find(c.message), std::string::npos) << label;
            EXPECT_EQ(run.output.find("Done."), std::string::npos) << label;
            // Neither an output nor a temporary file is left.
            std::string listing;
            runCommand("ls -A " + shellQuote(dir.path()), &listing);
            EXPECT_EQ(listing, "in.pdf\n") << label;
        }
    }
}

namespace {

// Beyond 2 GiB and beyond 32 bits.
constexpr int64_t kFar = (int64_t{1} << 32) + 4096;

// Object num of a makeNumberedPdf document, from its number through "endobj".
std::string objectOf(const std::string& pdf, int num) {
    size_t start = pdf.find(formatText("\n%d 0 obj\n", num)) + 1;
    return pdf.substr(start, pdf.find("endobj\n", start) + 7 - start);
}

// An xref stream row: kind, 5-byte offset, generation 0.
std::string row(int kind, int64_t offset) {
    return bigEndianBytes(static_cast<unsigned long long>(kind), 1) +
           bigEndianBytes(static_cast<unsigned long long>(offset), 5) + bigEndianBytes(0, 1);
}

std::string xrefStream(int num, const std::string& dict, const std::string& rows) {
    return formatText("%d 0 obj\n<< /Type /XRef /W [1 5 1] %s /Length %zu >>\nstream\n", num,
                      dict.c_str(), rows.size()) +
           rows + "\nendstream\nendobj\n";
}

// Writes the two-page document pdf (makeNumberedPdf) with the catalog near the start and all
// else beyond kFar, in a sparse file: the hole between takes no disk space. The newest section
// is a classic table whose /XRefStm names a stream listing a new copy of the font, and whose
// /Prev leads to an xref stream listing every object. False when the hole takes disk space.
bool writeFarDocument(const std::string& path, const std::string& pdf) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    int64_t end = 0;
    auto add = [file, &end](const std::string& text, int64_t at = -1) {
        if (at >= 0) end = at;
        fseeko(file, static_cast<off_t>(end), SEEK_SET);
        std::fwrite(text.data(), 1, text.size(), file);
        end += static_cast<int64_t>(text.size());
        return end - static_cast<int64_t>(text.size());
    };
    std::vector<int64_t> offsets(8, 0);
    add("%PDF-1.5\n%\xE2\xE3\xCF\xD3\n");
    offsets[1] = add(objectOf(pdf, 1));
    // Unused object 8 spans the hole, so that nothing read near the start runs into it.
    add(formatText("8 0 obj\n<< /Length %" PRId64 " >>\nstream\n", kFar - end - 64));
    add("\nendstream\nendobj\n", kFar - 32);
    for (int num = 2; num <= 7; num++) offsets[num] = add(objectOf(pdf, num), num == 2 ? kFar : -1);
    std::string rows = row(0, 0);
    for (int num = 1; num <= 7; num++) rows += row(1, offsets[num]);
    int64_t first = end;
    add(xrefStream(9, "/Size 10 /Root 1 0 R", rows + row(0, 0) + row(1, first)));
    int64_t font = add(objectOf(pdf, 3));
    int64_t stream = add(xrefStream(10, "/Size 11 /Index [3 1]", row(1, font)));
    int64_t table = add(formatText(
        "xref\n0 3\n0000000000 65535 f \n%010" PRId64 " 00000 n \n%010" PRId64
        " 00000 n \ntrailer\n<< /Size 11 /Root 1 0 R /Prev %" PRId64 " /XRefStm %" PRId64 " >>\n",
        offsets[1], offsets[2], first, stream));
    add(formatText("startxref\n%" PRId64 "\n%%%%EOF\n", table));
    std::fclose(file);
    struct stat info;
    return stat(path.c_str(), &info) == 0 && info.st_blocks < 2048;
}

}  // namespace

// Offsets beyond 4 GiB in a table, /Prev, /XRefStm and xref streams are read in full.
TEST(DamagedInput, OffsetsBeyondFourGigabytes) {
    TempDir dir;
    std::string compact = dir.write("compact.pdf", makeNumberedPdf(2));
    if (!writeFarDocument(dir.file("far.pdf"), readFileBytes(compact)))
        GTEST_SKIP() << "the file system here does not keep sparse files";
    for (const char* layout : kLayouts) {
        expectSamePages(dir, "far.pdf", "compact.pdf", layout, layout);
        // Only what the document holds is copied, not the hole.
        EXPECT_LT(readFileBytes(dir.file("out.pdf")).size(), 16384u) << layout;
    }
}

// An object stream member padded with megabytes of white space (the last member runs to the end
// of the data) is written as its value, not with the padding.
TEST(DamagedInput, PaddedObjectStreamMemberIsWrittenWithoutPadding) {
    TestPdf pdf;
    pdf.addObject(1, "<< /Type /Catalog /Pages 2 0 R >>");
    pdf.addObject(2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
    pdf.addObject(3,
                  "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] /Contents 4 0 R "
                  "/Resources 6 0 R >>");
    pdf.addStream(4, "<< >>", "0 0 1 rg 10 10 50 50 re f\n");
    pdf.addCompressed(6, "<< /ProcSet [/PDF] >>" + std::string(size_t{8} << 20, ' '));
    pdf.setTrailerExtra("/Root 1 0 R");
    TempDir dir;
    dir.write("padded.pdf", pdf.buildWithXRefStream(5));
    for (const char* layout : kLayouts) {
        TesselRun run = convert(dir, "padded.pdf", "out.pdf", layout);
        ASSERT_EQ(run.status, 0) << layout << run.output;
        EXPECT_EQ(qpdfCheck(dir.file("out.pdf")), 0) << layout;
        EXPECT_LT(readFileBytes(dir.file("out.pdf")).size(), size_t{64} << 10) << layout;
    }
}
