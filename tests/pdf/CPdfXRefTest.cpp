// Tests for opening documents and reading their cross-reference data: tables, xref streams,
// update chains, fetching objects, and the damage each step refuses.
#include "pdf/CPdfXRef.h"

#include <gtest/gtest.h>

#include "pdf/PdfTestSupport.h"

namespace {

// A file of plain objects 1 and 2 and an xref stream 3 made of dictEntries and rows; the rows
// for 0 to 3 with real offsets are in plainRows.
std::string xrefStreamFile(const std::string& dictEntries, const std::string& rows) {
    PdfAssembler file;
    file.addObject(1, "<< /Type /Catalog >>");
    file.addObject(2, "(two)");
    long at = file.addStream(3, "/Type /XRef /Root 1 0 R " + dictEntries, rows);
    return file.finish(at);
}
const long kOne = 9, kTwo = 45, kThree = 66;  // offsets of objects 1, 2 and the xref stream
const std::string plainRows =
    row(0, 0, 65535) + row(1, kOne, 0) + row(1, kTwo, 0) + row(1, kThree, 0);

}  // namespace

TEST(CPdfXRef, ClassicTableEntriesRootAndInfo) {
    TestPdf pdf = basePdf();
    pdf.addObject(3, "(gen-two)", 2);
    pdf.setTrailerExtra("/Root 1 0 R /Info 3 0 R");
    OpenedPdf opened(pdf.build());
    CPdfXRef& xref = opened.xref();
    EXPECT_EQ(formatText("8 1 3 %d/%ld %d", xref.getEntry(5).type,
                         static_cast<long>(xref.getEntry(5).offset), xref.getEntry(4).type),
              formatText("%d %d %d %d/%ld %d", xref.getNumObjects(), xref.getRootNum(),
                         xref.getInfoNum(), xrefUncompressed, pdf.offsetOf(5), xrefFree));
    EXPECT_EQ("(gen-two) null 2", opened.fetch(3, 2) + " " + opened.fetch(3, 0) + " " +
                                      std::to_string(xref.getOutputGen(3)));
    // The trailer resolves references once the document is open.
    EXPECT_EQ("<</Count 0 /Kids [] /Type /Pages>>",
              describe(xref.getTrailer().getDict()->lookup("Root").getDict()->lookup("Pages")));
    for (int bad : {8, -1, 1 << 30}) EXPECT_EQ("Corrupted PDF file", opened.fetch(bad)) << bad;
}

TEST(CPdfXRef, HeaderAndStartxrefAreSearchedWithinLimits) {
    // Junk before the header shifts every offset; the header is looked for in 1018 positions,
    // the last startxref in the last 1023 bytes (zero bytes there read as spaces).
    auto withPrefix = [](size_t junk, const std::string& header) {
        TestPdf pdf = basePdf();
        pdf.setPrefix(std::string(junk, ' '));
        if (!header.empty()) pdf.setHeader(header);
        return pdf.build();
    };
    std::string good = basePdf().build(), decoyFirst = good, zeroed = good;
    decoyFirst.insert(good.rfind("startxref"), "%startxref 12\n");
    zeroed[zeroed.rfind("startxref") + 9] = '\0';
    const std::pair<std::string, std::string> cases[] = {
        {withPrefix(101, ""), "(old-five)"},
        {withPrefix(1017, ""), "(old-five)"},
        {withPrefix(1018, ""), "Couldn't parse an xref stream"},
        {withPrefix(0, "%not a header\n"), "(old-five)"},
        {decoyFirst, "(old-five)"},
        {good + "startxref\n12\n", "Couldn't parse an xref"},
        {good + std::string(1023, '\n'), "PDF file was damaged"},
        {good + std::string(1000, '\n'), "(old-five)"},
        {zeroed, "(old-five)"},
        {"", "PDF file was damaged"}};
    for (const auto& c : cases) EXPECT_EQ(openMessage(c.first, 5), c.second) << c.first.size();
}

// Each row: the section startxref points at (after a good file's objects), and the message.
TEST(CPdfXRef, OpenFailures) {
    std::string good = basePdf().build();
    long xrefAt = lastStartXRef(good);
    std::string body = good.substr(0, static_cast<size_t>(xrefAt));
    const std::string free0 = "xref\n0 1\n0000000000 65535 f \ntrailer\n";
    const std::pair<std::string, std::string> cases[] = {
        {free0 + "<< /Root 1 0 R /Prev -5 >>\n", "Couldn't parse an xref"},
        {free0 + "<< /Root 1 0 R /Prev 99999 >>\n", "Couldn't parse an xref"},
        {free0 + "<< /Size 8 >>\n", "PDF file was damaged"},
        {free0 + "<< /Size 8 /Root << >> >>\n", "PDF file was damaged"},
        {free0 + "<< /Root 1 0 R /Encrypt 9 0 R >>\n", "Corrupted PDF file"},
        {free0 + "<< /Root 1 0 R /Encrypt << >> >>\n",
         "Damaged encryption dictionary: /Filter does not name a security handler"},
        {free0 + "<< /Root 1 0 R /Encrypt null >>\n", "opened"},
        {free0 + "[ /Root 1 0 R ]\n", "Trailer dictionary is wrong type"},
        {"/xref\n", "Couldn't parse an xref"},
        {"", "Couldn't parse an xref"},
        {"1 0 foo\n", "Couldn't parse an xref stream"},
        {"1 obj\n", "Couldn't parse an xref stream"},
        {"9 0 obj\n<< /Size 3 >>\nendobj\n", "Couldn't parse an xref stream"},
        {"xref\n0 x\n", "Couldn't parse an xref table"},
        {"xref\n0 1\n0000000000 65535 q \ntrailer\n<< >>\n", "Couldn't parse an xref table"},
        {"xref\n0 2\n0000000000 65535 f \ntrailer\n<< >>\n", "Couldn't parse an xref table"},
        {"xref\n-1 1\n0000000000 65535 f \ntrailer\n<< >>\n", "Couldn't parse an xref table"},
        {"xref\n0 2000000000\n0000000000 65535 f \n", "PDF file was damaged"},
        // Tables that are not plain text leave the direct reading for the parser's.
        {"xref\n0 1\n0000000000 65535 f\n1 1\n%c\n0000000009 00000 n\ntrailer\n<< /Root 1 0 R >>\n",
         "opened"},
        {"xref\n0 1\n0000000000 65535 f\n1 1\n-9 0 n\ntrailer\n<< /Root 1 0 R >>\n", "opened"},
        {"xref\n0 1\n0000000000 65535 f\n1 1\n9.5 0 n\ntrailer\n<< >>\n",
         "Couldn't parse an xref table"},
        {"xref\n0 1\n0000000000 65535 f\n1 1\n0000000009 00000 x\ntrailer\n<< >>\n",
         "Couldn't parse an xref table"}};
    for (const auto& c : cases) {
        EXPECT_EQ(c.second,
                  openMessage(body + c.first + formatText("startxref\n%ld\n%%%%EOF\n", xrefAt)))
            << c.first;
    }
    for (const char* tail : {"%%EOF\n", "startxref\n0\n%%EOF\n", "startxref\nnothing\n%%EOF\n"})
        EXPECT_EQ("PDF file was damaged", openMessage(body + tail)) << tail;
    EXPECT_EQ("Couldn't parse an xref", openMessage(body + "startxref\n-5\n%%EOF\n"));
}

TEST(CPdfXRef, XRefStreamFailures) {
    const std::string& rows = plainRows;
    const struct {
        std::string dict, rows, message;
    } cases[] = {
        {"/Size 4 /W [1 4 2]", rows, "opened"},
        {"/W [1 4 2]", rows, "Size of xref Stream is wrong type"},
        {"/Size 4.0 /W [1 4 2]", rows, "Size of xref Stream is wrong type"},
        {"/Size 4", rows, "W item of xref Stream is wrong type"},
        {"/Size 4 /W 7", rows, "W item of xref Stream is wrong type"},
        {"/Size 4 /W [1 /Four 2]", rows, "W item of xref Stream is wrong type"},
        {"/Size 4 /W [1 4]", rows, "W item of xref Stream is wrong length"},
        {"/Size 4 /W [1 4 2] /Index [0 /Four]", rows, "Index item of xref Stream is wrong type"},
        {"/Size 4 /W [1 4 2]", rows.substr(0, rows.size() - 1),
         "Unexpected EOF while reading xref stream section"},
        {"/Size 4 /W [1 4 2]", rows.substr(0, 21) + row(3, 0, 0),
         "Wrong type of xref entry while reading xref stream section"},
        // Absurd sizes and widths from a few bytes are damage, not an allocation.
        {"/Size 2000000000 /W [1 4 2]", rows, "PDF file was damaged"},
        {"/Size 4 /W [1 4 2] /Index [0 2 2000000000 2]", rows, "PDF file was damaged"},
        {"/Size -4 /W [1 4 2]", rows, "PDF file was damaged"},
        {"/Size 4 /W [1 9 2]", rows, "PDF file was damaged"},
        {"/Size 4 /W [1 -4 2]", rows, "PDF file was damaged"}};
    for (const auto& c : cases)
        EXPECT_EQ(c.message, openMessage(xrefStreamFile(c.dict, c.rows))) << c.dict;
}

TEST(CPdfXRef, XRefStreamWidthsAndIndex) {
    // W 1 2 1 with a compressed entry for object 4.
    std::string narrow = row(0, 0, 255, 1, 2, 1) + row(1, kOne, 0, 1, 2, 1) +
                         row(1, kTwo, 0, 1, 2, 1) + row(1, kThree, 0, 1, 2, 1) +
                         row(2, 3, 7, 1, 2, 1);
    OpenedPdf a(xrefStreamFile("/Size 5 /W [1 2 1]", narrow));
    const CPdfXRefEntry& four = a.xref().getEntry(4);
    EXPECT_EQ(formatText("%d %ld %d 0 (two)", xrefCompressed, 3L, 7),
              formatText("%d %ld %d %d ", four.type, static_cast<long>(four.offset), four.gen,
                         a.xref().getOutputGen(4)) +
                  a.fetch(2));
    // W 0 2 0: no kind and no generation field; every entry is in use with generation 0.
    std::string bare = bigEndianBytes(0, 2) + bigEndianBytes(kOne, 2) + bigEndianBytes(kTwo, 2) +
                       bigEndianBytes(kThree, 2);
    OpenedPdf b(xrefStreamFile("/Size 4 /W [0 2 0]", bare));
    EXPECT_EQ(xrefUncompressed, b.xref().getEntry(0).type);
    EXPECT_EQ("(two)", b.fetch(2));
    // Index pairs fill their ranges and leave the gap unfilled.
    OpenedPdf c(
        xrefStreamFile("/Size 12 /W [1 4 2] /Index [0 3 10 2]", plainRows + row(1, kTwo, 0)));
    EXPECT_EQ(12, c.xref().getNumObjects());
    for (int num = 3; num < 10; num++) EXPECT_FALSE(c.xref().getEntry(num).filled) << num;
    EXPECT_EQ(kThree, c.xref().getEntry(10).offset);
    // Object 11's entry points at object 2: the number check refuses it.
    EXPECT_EQ(
        formatText("object 11 0 cannot be read: its offset %ld does not point at \"11 0 obj\"",
                   kTwo),
        c.fetch(11));
}

TEST(CPdfXRef, UpdatesRedefineAndFree) {
    TestPdfUpdate table(basePdf().build());
    table.addObject(5, "(new-five)");
    table.freeObject(7);
    table.setTrailerExtra("/Root 1 0 R");
    OpenedPdf opened(table.build(8));
    EXPECT_EQ("(new-five) null", opened.fetch(5) + " " + opened.fetch(7));
    // The newest trailer is the one kept.
    EXPECT_TRUE(opened.xref().getTrailer().getDict()->lookupRaw("Prev").isInt());

    TestPdfUpdate first(basePdf().buildWithXRefStream());
    first.addObject(5, "(middle-five)");
    first.addObject(7, "(middle-seven)");
    first.setTrailerExtra("/Root 1 0 R");
    TestPdfUpdate second(first.buildWithXRefStream(10, 9));
    second.addObject(5, "(new-five)");
    second.freeObject(7);
    second.setTrailerExtra("/Root 1 0 R");
    OpenedPdf chain(second.buildWithXRefStream(11, 10));
    EXPECT_EQ("(new-five) null <</Pages 2 0 R /Type /Catalog>>",
              chain.fetch(5) + " " + chain.fetch(7) + " " + chain.fetch(1));
}

TEST(CPdfXRef, HybridXRefStmDefinesWhatTheTableLeavesFree) {
    // Objects 2 and 4 live in an object stream that only the /XRefStm stream lists; the table
    // marks 2 free for older readers and leaves 4 out. The stream's entry for 1 (free) must not
    // override the table's object 1.
    PdfAssembler file;
    long one = file.addObject(1, "<< /Type /Catalog >>");
    long objStm = file.addStream(3, "/Type /ObjStm /N 2 /First 8", "2 0 4 6 (two) (four)");
    long stm = file.addStream(6, "/Type /XRef /Size 7 /W [1 4 2] /Index [1 2 4 1]",
                              row(0, 0, 0) + row(2, 3, 0) + row(2, 3, 1));
    long table = file.add("xref\n0 4\n" + tableEntry(0, 65535, 'f') + tableEntry(one, 0, 'n') +
                          tableEntry(0, 0, 'f') + tableEntry(objStm, 0, 'n') +
                          formatText("trailer\n<< /Size 7 /Root 1 0 R /XRefStm %ld >>\n", stm));
    OpenedPdf opened(file.finish(table));
    EXPECT_EQ("<</Type /Catalog>> (two) (four)",
              opened.fetch(1) + " " + opened.fetch(2) + " " + opened.fetch(4));
}

TEST(CPdfXRef, PlainTablesReadAsTheParserReadsThem) {
    // A comment right after "xref" makes the reader take the parser's way through the table;
    // without it the plain text is read directly. Both must give the same entries.
    for (const std::string end : {" \n", " \r", "\r\n"}) {
        PdfAssembler file;
        long one = file.addObject(1, "<< /Type /Catalog /Pages 2 0 R >>");
        long five = file.add("5 3 obj\n(five)\nendobj\n");
        auto entry = [&end](long offset, int gen, char kind) {
            return formatText("%010ld %05d %c", offset, gen, kind) + end;
        };
        std::string rows = "0 2" + end + entry(0, 65535, 'f') + entry(one, 0, 'n') + "5 2" + end +
                           entry(five, 3, 'n') +
                           entry(99999999999L, 0, 'n');  // beyond int: in full
        std::string tail = "trailer\n<< /Size 7 /Root 1 0 R >>\n";
        PdfAssembler withComment = file;
        long xrefAt = file.add("xref\n" + rows + tail);
        withComment.add("xref % read by the parser\n" + rows + tail);
        std::string summary[2];
        for (int i = 0; i < 2; i++) {
            OpenedPdf opened((i ? withComment : file).finish(xrefAt));
            for (int num = 0; num < opened.xref().getNumObjects(); num++) {
                const CPdfXRefEntry& e = opened.xref().getEntry(num);
                summary[i] += formatText("%d:%d/%lld/%d ", num, e.type,
                                         static_cast<long long>(e.offset), e.gen);
            }
        }
        EXPECT_EQ(summary[0], summary[1]);
        EXPECT_NE(std::string::npos,
                  summary[0].find(formatText("5:1/%ld/3 6:1/99999999999/0", five)))
            << summary[0];
    }
}

TEST(CPdfXRef, DamagedOffsetsAreRefused) {
    TestPdf pdf = basePdf();
    pdf.addObject(6, "(six)");
    std::string bytes = pdf.build();
    // Object 5 at a huge offset, 7 at a negative one, 2 at object 1, and 6 at offset 0, which
    // some writers use for unused numbers.
    auto repoint = [&](int num, const std::string& entry) {
        bytes.replace(bytes.find(formatText("%010ld 00000 n", pdf.offsetOf(num))), 18, entry);
    };
    repoint(5, "9999999999 00000 n");
    repoint(7, "-000000100 00000 n");
    repoint(2, formatText("%010ld 00000 n", pdf.offsetOf(1)));
    repoint(6, "0000000000 00000 n");
    OpenedPdf opened(bytes);
    EXPECT_EQ("object 5 0 cannot be read: its offset 9999999999 lies outside the file",
              opened.fetch(5));
    EXPECT_EQ("object 7 0 cannot be read: its offset -100 lies outside the file", opened.fetch(7));
    EXPECT_EQ(formatText("object 2 0 cannot be read: its offset %ld does not point at \"2 0 obj\"",
                         pdf.offsetOf(1)),
              opened.fetch(2));
    EXPECT_EQ("null", opened.fetch(6));
}

TEST(CPdfXRef, FetchesThatWouldRecurseEnd) {
    TestPdf pdf = basePdf();
    pdf.addObject(3, "<< /Length 4 0 R >>\nstream\nhello\nendstream");
    pdf.addObject(4, "5");
    // A length that is the stream itself, and two lengths that point at each other.
    pdf.addObject(6, "<< /Length 6 0 R >>\nstream\nabc\nendstream");
    pdf.addObject(8, "<< /Length 9 0 R >>\nstream\nabc\nendstream");
    pdf.addObject(9, "<< /Length 8 0 R >>\nstream\nabc\nendstream");
    // Each stream's length is the next stream's object; a deep chain must end, not overflow.
    const int count = 3000;
    for (int num = 10; num < 10 + count; num++)
        pdf.addObject(num, formatText("<< /Length %d 0 R >>\nstream\nabc\nendstream", num + 1));
    pdf.addObject(10 + count, "3");
    OpenedPdf opened(pdf.build());
    CPdfObject three = opened.xref().fetchObject(3, 0);
    ASSERT_TRUE(three.isStream());
    EXPECT_EQ(toString(readStreamBytes(*three.getStream())), "hello");
    EXPECT_EQ("error error error", opened.fetch(6) + " " + opened.fetch(8) + " " + opened.fetch(9));
    EXPECT_FALSE(opened.xref().fetchObject(10, 0).isStream());
    EXPECT_TRUE(opened.xref().fetchObject(10 + count - 1, 0).isStream());
    // Object 3 of this file is an object stream that the xref says is compressed inside itself.
    PdfAssembler file;
    std::string rows = row(0, 0, 65535) + row(1, file.addObject(1, "<< /Type /Catalog >>"), 0) +
                       row(0, 0, 0) + row(2, 3, 0) + row(2, 3, 1);
    long stm = file.addStream(5, "/Type /XRef /Size 6 /W [1 4 2] /Root 1 0 R /Index [0 5]", rows);
    OpenedPdf self(file.finish(stm));
    EXPECT_EQ("object 3 0 cannot be read: object stream 3 does not hold it", self.fetch(3));
    EXPECT_EQ("object 4 0 cannot be read: object stream 3 does not hold it", self.fetch(4));
}

TEST(CPdfDocument, OpenFromPathsAndClose) {
    TempDir dir;
    CPdfDocument doc;
    auto open = [&doc](const std::string& path) {
        try {
            doc.open(path);
            return std::string("opened");
        } catch (const CPdfException& e) {
            EXPECT_TRUE(!doc.isOpen() && !doc.getFile() && !doc.getXRef());
            return e.getMessage();
        }
    };
    EXPECT_EQ("Can't open file", open(dir.file("missing.pdf")));
    EXPECT_EQ("PDF file was damaged", open(dir.write("junk.pdf", "not a pdf at all")));
    TestPdf first = basePdf();
    first.setPrefix("12345");
    ASSERT_EQ("opened", open(dir.write("a.pdf", first.build())));
    EXPECT_EQ(5, doc.getHeaderOffset());
    EXPECT_EQ("(old-five)", describe(doc.getXRef()->fetchObject(5, 0)));
    doc.close();
    EXPECT_TRUE(!doc.isOpen() && !doc.getFile() && !doc.getXRef() && !doc.getHeaderOffset());
}
