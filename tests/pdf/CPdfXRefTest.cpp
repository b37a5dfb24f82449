// Tests for opening documents and reading their cross-reference data: tables, xref streams,
// update chains, fetching objects, and the damage each step refuses.
#include "pdf/CPdfXRef.h"

#include <gtest/gtest.h>

#include "pdf/PdfTestSupport.h"

namespace {

// Plain objects 1 and 2 and xref stream 3 of dictEntries and rows (plainRows: offsets of 0 to 3).
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
    std::string good = basePdf().build(), decoyFirst = good, zeroed = good, noHeader = good;
    decoyFirst.insert(good.rfind("startxref"), "%startxref 12\n");
    zeroed[zeroed.rfind("startxref") + 9] = '\0';
    noHeader[3] = 'X';
    const std::pair<std::string, std::string> cases[] = {
        {std::string(1017, ' ') + good, "(old-five)"},
        {std::string(1018, ' ') + good, "Couldn't parse an xref stream"},
        {noHeader, "(old-five)"},
        {decoyFirst, "(old-five)"},
        {zeroed, "(old-five)"},
        {good + "startxref\n12\n", "Couldn't parse an xref"},
        {"", "PDF file was damaged"},
        {good + std::string(1023, '\n'), "PDF file was damaged"},
        {good + std::string(1000, '\n'), "(old-five)"}};
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

// Each row: the xref stream's dictionary entries, then the message opening gives. Absurd sizes
// and widths from a few bytes are damage, not an allocation.
TEST(CPdfXRef, XRefStreamFailures) {
    expectRows(
        {"/Size 4 /W [1 4 2] => opened", "/W [1 4 2] => Size of xref Stream is wrong type",
         "/Size 4.0 /W [1 4 2] => Size of xref Stream is wrong type",
         "/Size 4 => W item of xref Stream is wrong type",
         "/Size 4 /W 7 => W item of xref Stream is wrong type",
         "/Size 4 /W [1 /Four 2] => W item of xref Stream is wrong type",
         "/Size 4 /W [1 4] => W item of xref Stream is wrong length",
         "/Size 4 /W [1 4 2] /Index [0 /Four] => Index item of xref Stream is wrong type",
         "/Size 2000000000 /W [1 4 2] => PDF file was damaged",
         "/Size 4 /W [1 4 2] /Index [0 2 2000000000 2] => PDF file was damaged",
         "/Size -4 /W [1 4 2] => PDF file was damaged",
         "/Size 4 /W [1 9 2] => PDF file was damaged",
         "/Size 4 /W [1 -4 2] => PDF file was damaged"},
        [](const std::string& dict) { return openMessage(xrefStreamFile(dict, plainRows)); });
    EXPECT_EQ("Unexpected EOF while reading xref stream section",
              openMessage(xrefStreamFile("/Size 4 /W [1 4 2]", plainRows.substr(0, 20))));
    EXPECT_EQ(
        "Wrong type of xref entry while reading xref stream section",
        openMessage(xrefStreamFile("/Size 4 /W [1 4 2]", plainRows.substr(0, 21) + row(3, 0, 0))));
}

TEST(CPdfXRef, XRefStreamWidthsAndIndex) {
    // W 1 2 1 with a compressed entry for object 4; W 0 2 0: every entry in use, generation 0.
    std::string narrow, bare;
    for (long at : {0L, kOne, kTwo, kThree}) {
        narrow += row(at ? 1 : 0, at, at ? 0 : 255, 1, 2, 1);
        bare += bigEndianBytes(static_cast<unsigned long long>(at), 2);
    }
    OpenedPdf a(xrefStreamFile("/Size 5 /W [1 2 1]", narrow + row(2, 3, 7, 1, 2, 1)));
    const CPdfXRefEntry& four = a.xref().getEntry(4);
    EXPECT_EQ(formatText("%d 3 7 0 (two)", xrefCompressed),
              formatText("%d %ld %d %d ", four.type, static_cast<long>(four.offset), four.gen,
                         a.xref().getOutputGen(4)) +
                  a.fetch(2));
    OpenedPdf b(xrefStreamFile("/Size 4 /W [0 2 0]", bare));
    EXPECT_EQ(formatText("%d (two)", xrefUncompressed),
              formatText("%d ", b.xref().getEntry(0).type) + b.fetch(2));
    // Index pairs fill their ranges and leave the gap unfilled; 11 points at object 2.
    OpenedPdf c(
        xrefStreamFile("/Size 12 /W [1 4 2] /Index [0 3 10 2]", plainRows + row(1, kTwo, 0)));
    EXPECT_EQ(12, c.xref().getNumObjects());
    for (int num = 3; num < 10; num++) EXPECT_FALSE(c.xref().getEntry(num).filled) << num;
    EXPECT_EQ(kThree, c.xref().getEntry(10).offset);
    EXPECT_EQ(
        formatText("object 11 0 cannot be read: its offset %ld does not point at \"11 0 obj\"",
                   kTwo),
        c.fetch(11));
}

TEST(CPdfXRef, UpdatesRedefineAndFree) {
    // Over a classic table and over an xref stream: the newest section and trailer win.
    for (const std::string& base : {basePdf().build(), basePdf().buildWithXRefStream()}) {
        TestPdfUpdate update(base);
        update.addObject(5, "(new-five)");
        update.freeObject(7);
        update.setTrailerExtra("/Root 1 0 R");
        OpenedPdf opened(update.build(9));
        EXPECT_EQ("(new-five) null <</Pages 2 0 R /Type /Catalog>>",
                  opened.fetch(5) + " " + opened.fetch(7) + " " + opened.fetch(1));
        EXPECT_TRUE(opened.xref().getTrailer().getDict()->lookupRaw("Prev").isInt());
    }
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

TEST(CPdfXRef, DamagedOffsetsAreRefused) {
    TestPdf pdf = basePdf();
    pdf.addObject(6, "(six)");
    std::string bytes = pdf.build(), atOne = formatText("%010ld", pdf.offsetOf(1));
    // Offsets beyond the file, negative, at another object, and 0 (how some list unused numbers).
    const std::pair<int, std::string> entries[] = {
        {5, "9999999999"}, {7, "-000000100"}, {2, atOne}, {6, "0000000000"}};
    for (const auto& [num, offset] : entries)
        bytes.replace(bytes.find(formatText("%010ld 00000 n", pdf.offsetOf(num))), 10, offset);
    OpenedPdf opened(bytes);
    EXPECT_EQ(
        "object 5 0 cannot be read: its offset 9999999999 lies outside the file|object 7 0 "
        "cannot be read: its offset -100 lies outside the file|" +
            formatText("object 2 0 cannot be read: its offset %ld does not point at \"2 0 "
                       "obj\"|null",
                       pdf.offsetOf(1)),
        opened.fetch(5) + "|" + opened.fetch(7) + "|" + opened.fetch(2) + "|" + opened.fetch(6));
}

TEST(CPdfXRef, FetchesThatWouldRecurseEnd) {
    // Lengths that are the stream itself, that point at each other, or a chain 3000 deep.
    TestPdf pdf = basePdf();
    pdf.addObject(3, "<< /Length 4 0 R >>\nstream\nhello\nendstream");
    pdf.addObject(4, "5");
    for (const auto& [num, length] : {std::pair<int, int>{6, 6}, {8, 9}, {9, 8}})
        pdf.addObject(num, formatText("<< /Length %d 0 R >>\nstream\nabc\nendstream", length));
    for (int num = 10; num < 3010; num++)
        pdf.addObject(num, formatText("<< /Length %d 0 R >>\nstream\nabc\nendstream", num + 1));
    pdf.addObject(3010, "3");
    OpenedPdf opened(pdf.build());
    CPdfObject three = opened.xref().fetchObject(3, 0);
    ASSERT_TRUE(three.isStream());
    EXPECT_EQ(toString(readStreamBytes(*three.getStream())), "hello");
    EXPECT_EQ("error error error", opened.fetch(6) + " " + opened.fetch(8) + " " + opened.fetch(9));
    EXPECT_FALSE(opened.xref().fetchObject(10, 0).isStream());
    EXPECT_TRUE(opened.xref().fetchObject(3009, 0).isStream());
    // Object stream 3 is listed as compressed inside itself; 6 is listed in a string.
    TestPdf file = basePdf();
    file.addMember(3, 3, 0);
    file.addMember(4, 3, 1);
    file.addMember(6, 5, 0);  // object 5 is no stream
    OpenedPdf self(file.buildWithXRefStream());
    EXPECT_EQ("object 3 0 cannot be read: object stream 3 does not hold it", self.fetch(3));
    EXPECT_EQ("object 4 0 cannot be read: object stream 3 does not hold it", self.fetch(4));
    EXPECT_EQ("object 6 0 cannot be read: object stream 5 does not hold it", self.fetch(6));
}
