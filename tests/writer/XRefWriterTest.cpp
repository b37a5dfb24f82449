// Tests of the output header copy, the cross-reference table and the trailer bytes.
#include "writer/XRefWriter.h"

#include <gtest/gtest.h>

#include "pdf/CPdfException.h"
#include "writer/WriterTestSupport.h"

namespace {

// An output for the table and trailer, with an offset table of size entries.
struct TableSetup : WriterSetup {
    explicit TableSetup(int size) : WriterSetup(emptyDocPdf().build()) { offsets.reset(size); }
};

// A file of the header, then the objects in the order given, then a table that lists them.
std::string fileWithObjects(const std::string& header,
                            const std::vector<std::pair<int, std::string>>& objects,
                            bool firstAtOffsetZero = false) {
    std::string file = header;
    std::vector<size_t> offsets(objects.size() + 1, 0);
    for (const auto& [num, body] : objects) {
        offsets[static_cast<size_t>(num)] = file.size();
        file += formatText("%d 0 obj\n", num) + body + "\nendobj\n";
    }
    if (firstAtOffsetZero) offsets[1] = 0;
    size_t xref = file.size();
    file += formatText("xref\n0 %zu\n0000000000 65535 f \n", offsets.size());
    for (size_t num = 1; num < offsets.size(); num++)
        file += formatText("%010zu 00000 n \n", offsets[num]);
    return file + formatText("trailer\n<< /Size %zu /Root 2 0 R >>\nstartxref\n%zu\n%%%%EOF\n",
                             offsets.size(), xref);
}

}  // namespace

TEST(XRefWriter, Table) {
    TableSetup s(3);
    s.out.write(std::string(200, ' '));
    s.offsets.record(1, 3, 15);
    s.offsets.record(1, 3, 9999999999LL);  // the last write wins; ten digits are written exactly
    EXPECT_EQ(s.offsets.newObject(77), 3);
    EXPECT_EQ(writeXRefTable(*s.ctx), 200);
    EXPECT_EQ(s.finish().substr(200),
              "xref\n0 4\r0000000000 65535 f \r9999999999 00003 n \r0000000000 00000 f \r"
              "0000000077 00000 n \r");
}

TEST(XRefWriter, NumbersBeyondTheirFieldsAreRefused) {
    TableSetup s(2);
    s.offsets.record(1, 0, 10000000000LL);
    try {
        writeXRefTable(*s.ctx);
        FAIL() << "no exception";
    } catch (const CPdfException& e) {
        EXPECT_EQ(e.getMessage(),
                  "\nOutput file too large: object 1 lies beyond the 10-digit offset limit\n");
    }
    TableSetup g(2);
    g.offsets.record(1, 70000, 10);
    EXPECT_THROW(writeXRefTable(*g.ctx), CPdfException);
}

TEST(XRefWriter, Trailer) {
    TableSetup s(5);
    s.offsets.record(1, 2, 10);
    s.offsets.record(4, 0, 20);
    writeTrailer(*s.ctx, 1234, 1, 4);
    writeTrailer(*s.ctx, 99, 1, 0);
    // The root is named with the generation written.
    EXPECT_EQ(s.finish(),
              "trailer\n<<\n/Size 5\n/Root 1 2 R\n/Info 4 0 R\n>>\nstartxref\n1234\n%%EOF"
              "trailer\n<<\n/Size 5\n/Root 1 2 R\n>>\nstartxref\n99\n%%EOF");
}

TEST(XRefWriter, Headers) {
    const std::vector<std::pair<int, std::string>> objects = {
        {2, "<< /Type /Catalog /Pages 3 0 R >>"},
        {1, "(unused)"},
        {3, "<< /Type /Pages /Kids [] /Count 0 >>"}};
    const std::string binary = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n";
    const std::string more = "%PDF-1.5\n%\x80\x81\x82\x83\n% more\n";
    const std::string crLines = "%PDF-1.4\r%\xE2\xE3\xCF\xD3\r";
    const struct {
        const char* name;
        std::string file;
        std::string copied;  // the imposed output's header
        std::string joined;  // the normalised file's header
    } cases[] = {
        {"binary comment", fileWithObjects(binary, objects), binary, binary},
        {"comment lines up to the lowest object offset", fileWithObjects(more, objects), more,
         more},
        {"a line that is no comment", fileWithObjects("%PDF-1.6\n%c\njunk\n", objects),
         "%PDF-1.6\n%c\njunk\n", "%PDF-1.6\n%c\n"},
        {"junk before the header", "junk before\n" + fileWithObjects(binary, objects), binary,
         binary},
        {"lines ending in CR alone", fileWithObjects(crLines, objects), crLines, crLines},
        {"an in-use entry at offset 0", fileWithObjects(binary, objects, true), binary, binary},
        {"no object stored plainly", fileWithObjects("%PDF-1.7\n", {}),
         "%PDF-1.7\n" + binary.substr(9), "%PDF-1.7\n"},
        {"no version line", fileWithObjects("%PDF-x\n", objects), "%PDF-x\n", binary},
    };
    for (const auto& c : cases) {
        WriterSetup s(c.file);
        CPdfXRef& xref = *s.doc.getXRef();
        EXPECT_EQ(joinedHeaderText(s.ctx->input, xref, s.ctx->input, xref), c.joined) << c.name;
        writeHeader(*s.ctx);
        EXPECT_EQ(s.finish(), c.copied) << c.name;
    }
    // Two files joined: the higher version is named.
    WriterSetup low(fileWithObjects("%PDF-1.3\n%\xE2\xE3\xCF\xD3\n", objects));
    WriterSetup high(fileWithObjects("%PDF-1.7\n", objects));
    EXPECT_EQ(
        joinedHeaderText(low.ctx->input, *low.doc.getXRef(), high.ctx->input, *high.doc.getXRef()),
        "%PDF-1.7\n%\xE2\xE3\xCF\xD3\n");
    EXPECT_EQ(
        joinedHeaderText(high.ctx->input, *high.doc.getXRef(), low.ctx->input, *low.doc.getXRef()),
        "%PDF-1.7\n");
}
