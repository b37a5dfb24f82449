// The output header copy, the cross-reference table and the trailer bytes.
#include "writer/XRefWriter.h"

#include <gtest/gtest.h>

#include "pdf/CPdfException.h"
#include "writer/WriterTestSupport.h"

namespace {

struct TableSetup : WriterSetup {
    explicit TableSetup(int size) : WriterSetup(catalogPdf().build()) { offsets.reset(size); }
};

// The header, then objects 2 (the catalog), 1 and 3 (none when bare), then a table listing them.
std::string fileWithObjects(const std::string& header, bool bare = false, bool oneAtZero = false) {
    std::string file = header, table;
    const char* bodies[] = {"", "(unused)", "<< /Type /Catalog /Pages 3 0 R >>",
                            "<< /Type /Pages /Kids [] /Count 0 >>"};
    size_t offsets[4] = {};
    for (int num : {2, 1, 3}) {
        offsets[num] = bare ? 0 : file.size();
        if (!bare) file += formatText("%d 0 obj\n%s\nendobj\n", num, bodies[num]);
        table += formatText("%010zu 00000 n \n", num == 1 && oneAtZero ? 0 : offsets[num]);
    }
    int size = bare ? 1 : 4;
    return file + formatText("xref\n0 %d\n0000000000 65535 f \n", size) + (bare ? "" : table) +
           formatText("trailer\n<< /Size %d /Root 2 0 R >>\nstartxref\n%zu\n%%%%EOF\n", size,
                      file.size());
}

}  // namespace

TEST(XRefWriter, TableAndTrailer) {
    TableSetup s(3);
    s.out.write(std::string(200, ' '));
    s.offsets.record(1, 3, 15);
    s.offsets.record(1, 3, 9999999999LL);  // the last write wins; ten digits are written exactly
    EXPECT_EQ(s.offsets.newObject(77), 3);
    EXPECT_EQ(writeXRefTable(*s.ctx), 200);
    EXPECT_EQ(s.finish().substr(200),
              "xref\n0 4\r0000000000 65535 f \r9999999999 00003 n \r0000000000 00000 f \r"
              "0000000077 00000 n \r");
    TableSetup far(2), gen(2);
    far.offsets.record(1, 0, 10000000000LL);
    try {
        writeXRefTable(*far.ctx);
        ADD_FAILURE() << "no exception";
    } catch (const CPdfException& e) {
        EXPECT_EQ(e.getMessage(),
                  "\nOutput file too large: object 1 lies beyond the 10-digit offset limit\n");
    }
    gen.offsets.record(1, 70000, 10);
    EXPECT_THROW(writeXRefTable(*gen.ctx), CPdfException);
    TableSetup t(5);
    t.offsets.record(1, 2, 10);
    t.offsets.record(4, 0, 20);
    writeTrailer(*t.ctx, 1234, 1, 4);
    writeTrailer(*t.ctx, 99, 1, 0);
    // The root is named with the generation written.
    EXPECT_EQ(t.finish(),
              "trailer\n<<\n/Size 5\n/Root 1 2 R\n/Info 4 0 R\n>>\nstartxref\n1234\n%%EOF"
              "trailer\n<<\n/Size 5\n/Root 1 2 R\n>>\nstartxref\n99\n%%EOF");
}

TEST(XRefWriter, Headers) {
    const std::string binary = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n";
    const std::string more = "%PDF-1.5\n%\x80\x81\x82\x83\n% more\n";
    const std::string crLines = "%PDF-1.4\r%\xE2\xE3\xCF\xD3\r";
    const struct {
        std::string file;
        std::string copied;  // the imposed output's header
        std::string joined;  // the normalised file's header
    } cases[] = {
        {fileWithObjects(binary), binary, binary},
        {fileWithObjects(more), more, more},  // comment lines up to the lowest object offset
        {fileWithObjects("%PDF-1.6\n%c\njunk\n"), "%PDF-1.6\n%c\njunk\n", "%PDF-1.6\n%c\n"},
        {"junk before\n" + fileWithObjects(binary), binary, binary},
        {fileWithObjects(crLines), crLines, crLines},
        {fileWithObjects(binary, false, true), binary, binary},  // an in-use entry at offset 0
        {fileWithObjects("%PDF-1.7\n", true), "%PDF-1.7\n" + binary.substr(9), "%PDF-1.7\n"},
        {fileWithObjects("%PDF-x\n"), "%PDF-x\n", binary},  // no version line
    };
    for (const auto& c : cases) {
        WriterSetup s(c.file);
        CPdfXRef& xref = *s.doc.getXRef();
        EXPECT_EQ(joinedHeaderText(s.ctx->input, xref, s.ctx->input, xref), c.joined) << c.file;
        writeHeader(*s.ctx);
        EXPECT_EQ(s.finish(), c.copied) << c.file;
    }
    // Two files joined: the higher version is named, with the first file's binary comment.
    WriterSetup low(fileWithObjects(binary)), high(fileWithObjects("%PDF-1.7\n"));
    EXPECT_EQ(
        joinedHeaderText(low.ctx->input, *low.doc.getXRef(), high.ctx->input, *high.doc.getXRef()),
        "%PDF-1.7\n%\xE2\xE3\xCF\xD3\n");
}
