// Tests for cross-reference reading: tables, xref streams, update chains and failures.
#include "pdf/CPdfXRefReader.h"

#include <gtest/gtest.h>

#include "pdf/CPdfDocument.h"
#include "pdf/CPdfException.h"
#include "pdf/DocumentTestSupport.h"
#include "pdf/FormatText.h"
#include "pdf/PdfTestSupport.h"
#include "support/TestPdf.h"

namespace {

// A file with plain objects 1 and 2 and one xref stream (object 3) built from dictEntries and
// rows.
std::string xrefStreamFile(const std::string& dictEntries, const std::string& rows) {
    PdfAssembler file;
    file.addObject(1, "<< /Type /Catalog >>");
    file.addObject(2, "(two)");
    long at = file.addXRefStream(3, dictEntries + " /Root 1 0 R", rows);
    return file.finish(at);
}

// Rows (W 1 4 2) for objects 0 to 3 of xrefStreamFile, with real offsets.
std::string plainRows() {
    PdfAssembler probe;
    long one = probe.addObject(1, "<< /Type /Catalog >>");
    long two = probe.addObject(2, "(two)");
    long three = probe.size();
    return row(0, 0, 65535) + row(1, one, 0) + row(1, two, 0) + row(1, three, 0);
}

}  // namespace

TEST(CPdfXRefReader, ClassicTableGivesEntriesRootAndInfo) {
    TestPdf pdf = basePdf();
    pdf.addObject(3, "<< /Title (t) >>");
    pdf.setTrailerExtra("/Root 1 0 R /Info 3 0 R");
    OpenedPdf opened(pdf.build());
    CPdfXRef& xref = opened.xref();
    EXPECT_EQ(8, xref.getNumObjects());
    EXPECT_EQ(1, xref.getRootNum());
    EXPECT_EQ(3, xref.getInfoNum());
    EXPECT_EQ(xrefUncompressed, xref.getEntry(5).type);
    EXPECT_EQ(pdf.offsetOf(5), xref.getEntry(5).offset);
    EXPECT_EQ(xrefFree, xref.getEntry(4).type);
    EXPECT_EQ("(old-five)", fetchOutcome(opened, 5));
    // The trailer resolves references once the document is open.
    EXPECT_EQ("<</Count 0 /Kids [] /Type /Pages>>",
              describe(xref.getTrailer().getDict()->lookup("Root").getDict()->lookup("Pages")));
}

TEST(CPdfXRefReader, JunkBeforeHeaderShiftsEveryOffset) {
    TestPdf pdf = basePdf();
    pdf.setPrefix(std::string(100, 'j') + "\n");
    OpenedPdf opened(pdf.build());
    EXPECT_EQ(101, opened.xref().getHeaderOffset());
    EXPECT_EQ("(old-five)", fetchOutcome(opened, 5));
}

TEST(CPdfXRefReader, HeaderIsLookedForInTheFirst1018Positions) {
    for (size_t junk : {size_t{1017}, size_t{1018}}) {
        TestPdf pdf = basePdf();
        pdf.setPrefix(std::string(junk, ' '));
        if (junk == 1017) {
            OpenedPdf opened(pdf.build());
            EXPECT_EQ(1017, opened.xref().getHeaderOffset());
        } else {
            // Not found: offsets count from byte 0 and miss their sections.
            EXPECT_NE("opened", openMessage(pdf.build()));
        }
    }
}

TEST(CPdfXRefReader, WithoutHeaderOffsetsCountFromFileStart) {
    TestPdf pdf = basePdf();
    pdf.setHeader("%not a header\n");
    OpenedPdf opened(pdf.build());
    EXPECT_EQ(0, opened.xref().getHeaderOffset());
    EXPECT_EQ("(seven)", fetchOutcome(opened, 7));
}

TEST(CPdfXRefReader, LastStartxrefIsUsed) {
    std::string good = basePdf().build();
    size_t at = good.rfind("startxref");
    // A decoy before the real one is ignored...
    std::string decoyFirst = good;
    decoyFirst.insert(at, "%startxref 12\n");
    EXPECT_EQ("opened", openMessage(decoyFirst));
    // ...and a later one wins.
    EXPECT_EQ("Couldn't parse an xref", openMessage(good + "startxref\n12\n"));
}

TEST(CPdfXRefReader, StartxrefFoundOnlyInTheLast1023Bytes) {
    std::string good = basePdf().build();
    EXPECT_LT(good.size(), 1023u);  // a short file is searched whole
    EXPECT_EQ("opened", openMessage(good));
    EXPECT_EQ("PDF file was damaged", openMessage(good + std::string(1023, '\n')));
    EXPECT_EQ("opened", openMessage(good + std::string(1000, '\n')));
    // Zero bytes in the tail read as spaces.
    std::string zeroed = good;
    zeroed[zeroed.rfind("startxref") + 9] = '\0';
    EXPECT_EQ("opened", openMessage(zeroed));
}

TEST(CPdfXRefReader, OpenFailures) {
    std::string good = basePdf().build();
    long xrefAt = lastStartXRef(good);
    std::string body = good.substr(0, static_cast<size_t>(xrefAt));
    auto withSection = [&](const std::string& section) {
        return body + section + formatText("startxref\n%ld\n%%%%EOF\n", xrefAt);
    };
    struct Case {
        std::string bytes;
        const char* message;
    };
    const Case cases[] = {
        {"", "PDF file was damaged"},
        {body + "%%EOF\n", "PDF file was damaged"},
        {body + "startxref\n0\n%%EOF\n", "PDF file was damaged"},
        {body + "startxref\nnothing\n%%EOF\n", "PDF file was damaged"},
        {body + "startxref\n-5\n%%EOF\n", "Couldn't parse an xref"},
        {withSection("xref\n0 1\n0000000000 65535 f \ntrailer\n<< /Root 1 0 R /Prev -5 >>\n"),
         "Couldn't parse an xref"},
        {withSection("xref\n0 1\n0000000000 65535 f \ntrailer\n<< /Root 1 0 R /Prev 99999 >>\n"),
         "Couldn't parse an xref"},
        {withSection("xref\n0 1\n0000000000 65535 f \ntrailer\n<< /Size 8 >>\n"),
         "PDF file was damaged"},
        {withSection("xref\n0 1\n0000000000 65535 f \ntrailer\n<< /Size 8 /Root << >> >>\n"),
         "PDF file was damaged"},
        {withSection("xref\n0 1\n0000000000 65535 f \ntrailer\n<< /Root 1 0 R /Encrypt 9 0 R >>\n"),
         "Corrupted PDF file"},
        {withSection("xref\n0 1\n0000000000 65535 f \ntrailer\n<< /Root 1 0 R /Encrypt << >> >>\n"),
         "Damaged encryption dictionary: /Filter does not name a security handler"},
        {withSection("xref\n0 1\n0000000000 65535 f \ntrailer\n<< /Root 1 0 R /Encrypt null >>\n"),
         "opened"},
        {withSection("/xref\n"), "Couldn't parse an xref"},
        {withSection(""), "Couldn't parse an xref"},
        {withSection("1 0 foo\n"), "Couldn't parse an xref stream"},
        {withSection("1 obj\n"), "Couldn't parse an xref stream"},
        {withSection("9 0 obj\n<< /Size 3 >>\nendobj\n"), "Couldn't parse an xref stream"},
        {withSection("xref\n0 x\n"), "Couldn't parse an xref table"},
        {withSection("xref\n0 1\n0000000000 65535 q \ntrailer\n<< >>\n"),
         "Couldn't parse an xref table"},
        {withSection("xref\n0 2\n0000000000 65535 f \ntrailer\n<< >>\n"),
         "Couldn't parse an xref table"},
        {withSection("xref\n-1 1\n0000000000 65535 f \ntrailer\n<< >>\n"),
         "Couldn't parse an xref table"},
        {withSection("xref\n0 1\n0000000000 65535 f \ntrailer\n[ /Root 1 0 R ]\n"),
         "Trailer dictionary is wrong type"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.message, openMessage(c.bytes)) << c.bytes;
}

TEST(CPdfXRefReader, EncryptionIsAKindOfFailureOfItsOwn) {
    // Callers tell it from damage by its kind: the message is no part of the contract.
    TestPdf encrypted = basePdf();
    encrypted.setTrailerExtra("/Root 1 0 R /Encrypt << >>");
    for (const auto& [bytes, kind] :
         {std::make_pair(encrypted.build(), CPdfException::Kind::encrypted),
          std::make_pair(std::string("%PDF-1.4\n"), CPdfException::Kind::failure)}) {
        try {
            OpenedPdf pdf(bytes);
            ADD_FAILURE() << "opened";
        } catch (const CPdfException& e) {
            EXPECT_EQ(e.getKind(), kind) << e.getMessage();
        }
    }
}

TEST(CPdfXRefReader, CannotOpenMissingFile) {
    CPdfDocument doc;
    try {
        doc.open("/nonexistent/tessel/missing.pdf");
        FAIL() << "opened a missing file";
    } catch (const CPdfException& e) {
        EXPECT_EQ("Can't open file", e.getMessage());
    }
    EXPECT_FALSE(doc.isOpen());
}

TEST(CPdfXRefReader, XRefStreamFailures) {
    std::string rows = plainRows();
    struct Case {
        std::string dict;
        std::string rows;
        const char* message;
    };
    const Case cases[] = {
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
        {"/Size 4 /W [1 -4 2]", rows, "PDF file was damaged"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.message, openMessage(xrefStreamFile(c.dict, c.rows))) << c.dict;
    }
}

TEST(CPdfXRefReader, AbsurdTableCountIsDamage) {
    std::string good = basePdf().build();
    long xrefAt = lastStartXRef(good);
    std::string bytes = good.substr(0, static_cast<size_t>(xrefAt)) +
                        "xref\n0 2000000000\n0000000000 65535 f \n" +
                        formatText("startxref\n%ld\n%%%%EOF\n", xrefAt);
    EXPECT_EQ("PDF file was damaged", openMessage(bytes));
}

TEST(CPdfXRefReader, XRefStreamWidths121And020) {
    PdfAssembler probe;
    long one = probe.addObject(1, "<< /Type /Catalog >>");
    long two = probe.addObject(2, "(two)");
    long three = probe.size();
    // W 1 2 1 with a compressed entry for object 4.
    std::string narrow = row(0, 0, 255, 1, 2, 1) + row(1, one, 0, 1, 2, 1) +
                         row(1, two, 0, 1, 2, 1) + row(1, three, 0, 1, 2, 1) +
                         row(2, 3, 7, 1, 2, 1);
    OpenedPdf a(xrefStreamFile("/Size 5 /W [1 2 1]", narrow));
    EXPECT_EQ(xrefCompressed, a.xref().getEntry(4).type);
    EXPECT_EQ(3, a.xref().getEntry(4).offset);
    EXPECT_EQ(7, a.xref().getEntry(4).gen);
    EXPECT_EQ(0, a.xref().getOutputGen(4));
    EXPECT_EQ("(two)", fetchOutcome(a, 2));

    // W 0 2 0: no kind and no generation field; every entry is in use with generation 0.
    std::string bare = bigEndianBytes(0, 2) + bigEndianBytes(one, 2) + bigEndianBytes(two, 2) +
                       bigEndianBytes(three, 2);
    OpenedPdf b(xrefStreamFile("/Size 4 /W [0 2 0]", bare));
    for (int num = 0; num < 4; num++) {
        EXPECT_EQ(xrefUncompressed, b.xref().getEntry(num).type);
        EXPECT_EQ(0, b.xref().getEntry(num).gen);
    }
    EXPECT_EQ("(two)", fetchOutcome(b, 2));
}

TEST(CPdfXRefReader, IndexPairsFillTheirRanges) {
    PdfAssembler probe;
    long one = probe.addObject(1, "<< /Type /Catalog >>");
    long two = probe.addObject(2, "(two)");
    long three = probe.size();
    std::string rows =
        row(0, 0, 65535) + row(1, one, 0) + row(1, two, 0) + row(1, three, 0) + row(1, two, 0);
    OpenedPdf opened(xrefStreamFile("/Size 12 /W [1 4 2] /Index [0 3 10 2]", rows));
    CPdfXRef& xref = opened.xref();
    EXPECT_EQ(12, xref.getNumObjects());
    EXPECT_EQ(xrefUncompressed, xref.getEntry(2).type);
    for (int num = 3; num < 10; num++) EXPECT_FALSE(xref.getEntry(num).filled) << num;
    EXPECT_EQ(three, xref.getEntry(10).offset);
    EXPECT_EQ(two, xref.getEntry(11).offset);
    // Object 11's entry points at object 2: the number check refuses it.
    EXPECT_EQ(formatText(
                  "object 11 0 cannot be read: its offset %ld does not point at \"11 0 obj\"", two),
              fetchOutcome(opened, 11));
}

TEST(CPdfXRefReader, IncrementalTableUpdateRedefinesAndFrees) {
    std::string base = basePdf().build();
    TestPdfUpdate update(base);
    update.addObject(5, "(new-five)");
    update.freeObject(7);
    update.setTrailerExtra("/Root 1 0 R");
    OpenedPdf opened(update.build(8));
    EXPECT_EQ("(new-five)", fetchOutcome(opened, 5));
    EXPECT_EQ("null", fetchOutcome(opened, 7));
    EXPECT_EQ(xrefFree, opened.xref().getEntry(7).type);
    // The newest trailer is the one kept.
    EXPECT_TRUE(opened.xref().getTrailer().getDict()->lookupRaw("Prev").isInt());
}

TEST(CPdfXRefReader, IncrementalXRefStreamChainRedefinesAndFrees) {
    TestPdf pdf = basePdf();
    std::string base = pdf.buildWithXRefStream();
    TestPdfUpdate first(base);
    first.addObject(5, "(middle-five)");
    first.setTrailerExtra("/Root 1 0 R");
    std::string middle = first.buildWithXRefStream(10, 9);
    TestPdfUpdate second(middle);
    second.addObject(5, "(new-five)");
    second.freeObject(7);
    second.setTrailerExtra("/Root 1 0 R");
    OpenedPdf opened(second.buildWithXRefStream(11, 10));
    EXPECT_EQ("(new-five)", fetchOutcome(opened, 5));
    EXPECT_EQ("null", fetchOutcome(opened, 7));
    EXPECT_EQ("<</Pages 2 0 R /Type /Catalog>>", fetchOutcome(opened, 1));
}

TEST(CPdfXRefReader, PrevLoopEndsTheChain) {
    // A section that names itself as its predecessor.
    PdfAssembler single;
    long one = single.addObject(1, "<< /Type /Catalog >>");
    long five = single.addObject(5, "(five)");
    long self = single.size();
    single.add("xref\n0 2\n" + tableEntry(0, 65535, 'f') + tableEntry(one, 0, 'n') + "5 1\n" +
               tableEntry(five, 0, 'n') +
               formatText("trailer\n<< /Size 6 /Root 1 0 R /Prev %ld >>\n", self));
    OpenedPdf looped(single.finish(self));
    EXPECT_EQ("(five)", fetchOutcome(looped, 5));

    // Two sections naming each other: the newer redefines 5, the older defines 1 and 5.
    PdfAssembler pair;
    one = pair.addObject(1, "<< /Type /Catalog >>");
    five = pair.addObject(5, "(old-five)");
    long older =
        pair.add("xref\n0 2\n" + tableEntry(0, 65535, 'f') + tableEntry(one, 0, 'n') + "5 1\n" +
                 tableEntry(five, 0, 'n') + "trailer\n<< /Size 6 /Prev NEWER_XXXX >>\n");
    long newFive = pair.addObject(5, "(new-five)");
    long newer = pair.add("xref\n5 1\n" + tableEntry(newFive, 0, 'n') +
                          formatText("trailer\n<< /Size 6 /Root 1 0 R /Prev %ld >>\n", older));
    std::string bytes = pair.finish(newer);
    bytes.replace(bytes.find("NEWER_XXXX"), 10, formatText("%010ld", newer));
    OpenedPdf both(bytes);
    EXPECT_EQ("(new-five)", fetchOutcome(both, 5));
    EXPECT_EQ("<</Type /Catalog>>", fetchOutcome(both, 1));
}

TEST(CPdfXRefReader, HybridXRefStmDefinesWhatTheTableLeavesFree) {
    // Objects 2 and 4 live in an object stream that only the /XRefStm stream lists; the table
    // marks 2 free for older readers and leaves 4 out. The stream's entry for 1 (free) must not
    // override the table's object 1.
    PdfAssembler file;
    long one = file.addObject(1, "<< /Type /Catalog >>");
    long objStm = file.addStream(3, "/Type /ObjStm /N 2 /First 8", "2 0 4 6 (two) (four)");
    long stm = file.addXRefStream(6, "/Size 7 /W [1 4 2] /Index [1 2 4 1]",
                                  row(0, 0, 0) + row(2, 3, 0) + row(2, 3, 1));
    long table = file.add("xref\n0 4\n" + tableEntry(0, 65535, 'f') + tableEntry(one, 0, 'n') +
                          tableEntry(0, 0, 'f') + tableEntry(objStm, 0, 'n') +
                          formatText("trailer\n<< /Size 7 /Root 1 0 R /XRefStm %ld >>\n", stm));
    OpenedPdf opened(file.finish(table));
    EXPECT_EQ(7, opened.xref().getNumObjects());
    EXPECT_EQ("<</Type /Catalog>>", fetchOutcome(opened, 1));
    EXPECT_EQ("(two)", fetchOutcome(opened, 2));
    EXPECT_EQ("(four)", fetchOutcome(opened, 4));
}

namespace {

// Every entry of the table, as "num:type/offset/gen", and the trailer's keys.
std::string tableSummary(const std::string& bytes) {
    OpenedPdf opened(bytes);
    CPdfXRef& xref = opened.xref();
    std::string out;
    for (int num = 0; num < xref.getNumObjects(); num++) {
        const CPdfXRefEntry& entry = xref.getEntry(num);
        out += formatText("%d:%d/%lld/%d ", num, static_cast<int>(entry.type),
                          static_cast<long long>(entry.offset), entry.gen);
    }
    return out + describe(xref.getTrailer());
}

}  // namespace

TEST(CPdfXRefReader, PlainTablesReadAsTheParserReadsThem) {
    // A comment right after "xref" makes the reader take the parser's way through the table;
    // without it the plain text is read directly. Both must give the same entries.
    const std::string lineEnds[] = {" \n", " \r", "\r\n"};
    for (const std::string& end : lineEnds) {
        PdfAssembler file;
        long one = file.addObject(1, "<< /Type /Catalog /Pages 2 0 R >>");
        long two = file.addObject(2, "<< /Type /Pages /Kids [] /Count 0 >>");
        long five = file.addObject(5, "(five)", 3);
        auto entry = [&end](long offset, int gen, char kind) {
            return formatText("%010ld %05d %c", offset, gen, kind) + end;
        };
        std::string rows = "0 3" + end + entry(0, 65535, 'f') + entry(one, 0, 'n') +
                           entry(two, 0, 'n') + "5 2" + end + entry(five, 3, 'n') +
                           entry(99999999999L, 0, 'n');  // beyond the int range: read in full
        std::string tail = "trailer\n<< /Size 7 /Root 1 0 R >>\n";
        long xrefAt = file.size();
        PdfAssembler withComment = file;
        file.add("xref\n" + rows + tail);
        withComment.add("xref % read by the parser\n" + rows + tail);
        std::string fast = tableSummary(file.finish(xrefAt));
        EXPECT_EQ(tableSummary(withComment.finish(xrefAt)), fast) << formatText("%zu", end.size());
        EXPECT_NE(std::string::npos, fast.find(formatText("5:1/%ld/3", five))) << fast;
    }
}

TEST(CPdfXRefReader, TablesThatAreNotPlainStillOpen) {
    // Each of these leaves the direct reading for the parser, which gives its usual result.
    const struct {
        const char* rows;
        const char* message;
    } cases[] = {
        {"0 1\n0000000000 65535 f\n1 1\n%c\n0000000009 00000 n\n", "opened"},
        {"0 1\n0000000000 65535 f\n1 1\n-9 0 n\n", "opened"},
        {"0 1\n0000000000 65535 f\n1 1\n9.5 0 n\n", "Couldn't parse an xref table"},
        {"0 1\n0000000000 65535 f\n1 1\n0000000009 00000 x\n", "Couldn't parse an xref table"},
        {"0 2\n0000000000 65535 f\n", "Couldn't parse an xref table"},
    };
    for (const auto& c : cases) {
        PdfAssembler file;
        file.addObject(1, "<< /Type /Catalog >>");
        long xrefAt =
            file.add(std::string("xref\n") + c.rows + "trailer\n<< /Size 2 /Root 1 0 R >>\n");
        EXPECT_EQ(c.message, openMessage(file.finish(xrefAt))) << c.rows;
    }
}
