// Tests for raw object text and the byte searches used on it.
#include "pdf/ObjectText.h"

#include <gtest/gtest.h>

#include "pdf/DocumentTestSupport.h"

namespace {

// The raw text of num, or "<none>".
// The object's text, "<none>", or the message when it cannot be read.
std::string rawText(OpenedPdf& pdf, int num) {
    std::string text = "<none>";
    try {
        if (!getObjectText(pdf.file(), num, pdf.doc, text) && text != "<none>") return "<touched>";
    } catch (const CPdfException& e) {
        return e.getMessage();
    }
    return text;
}

void expectFind(const std::string& buffer, size_t from, size_t to, const std::string& pattern,
                size_t expected) {
    EXPECT_EQ(expected, findPattern(buffer.data(), from, to, pattern.data(), pattern.size()))
        << buffer << " [" << from << "," << to << ") " << pattern;
}

}  // namespace

TEST(ObjectText, InUseObjectAsStored) {
    TestPdf pdf;
    pdf.addObject(1, "<< /Type /Catalog >>");
    pdf.addObject(4, "<< /A [1 2]\r/B (x) >>");
    pdf.setTrailerExtra("/Root 1 0 R");
    OpenedPdf opened(pdf.build());
    EXPECT_EQ("4 0 obj\n<< /A [1 2]\r/B (x) >>\nendobj\n", rawText(opened, 4));
    EXPECT_EQ("<none>", rawText(opened, 3));   // free
    EXPECT_EQ("<none>", rawText(opened, 99));  // beyond the list
    EXPECT_EQ("<none>", rawText(opened, -1));
}

TEST(ObjectText, JunkBeforeHeaderIsSkipped) {
    TestPdf pdf;
    pdf.addObject(1, "<< /Type /Catalog >>");
    pdf.setPrefix("junk junk\n");
    pdf.setTrailerExtra("/Root 1 0 R");
    OpenedPdf opened(pdf.build());
    EXPECT_EQ("1 0 obj\n<< /Type /Catalog >>\nendobj\n", rawText(opened, 1));
}

TEST(ObjectText, CompressedMemberIsWrapped) {
    XRefStreamFile file;
    file.plain(1, "<< /Type /Catalog >>");
    file.stream(5, "/Type /ObjStm /N 2 /First 10", "12 0 13 3 3.5<< /K 1 >>");
    file.member(12, 5, 0);
    file.member(13, 5, 1);
    file.member(14, 5, 1);  // index 1 holds object 13, not 14
    OpenedPdf opened(file.finish());
    std::string text = rawText(opened, 12);
    EXPECT_EQ(std::string("12 0 obj\r3.5 endobj\r"), text);
    EXPECT_EQ(20u, text.size());
    EXPECT_EQ("13 0 obj\r<< /K 1 >> endobj\r", rawText(opened, 13));
    EXPECT_EQ("object 14 0 cannot be read: object stream 5 does not hold it", rawText(opened, 14));
}

TEST(ObjectText, MissingEndobjIsRefused) {
    PdfAssembler file;
    long one = file.addObject(1, "<< /Type /Catalog >>");
    long two = file.add("2 0 obj\n(never ended)\n");
    long table = file.add("xref\n0 3\n" + tableEntry(0, 65535, 'f') + tableEntry(one, 0, 'n') +
                          tableEntry(two, 0, 'n') + "trailer\n<< /Size 3 /Root 1 0 R >>\n");
    OpenedPdf opened(file.finish(table));
    EXPECT_EQ("object 2 0 cannot be read: no \"endobj\" follows it", rawText(opened, 2));
}

TEST(ObjectText, EndobjAtTheVeryEndOfTheFile) {
    // Object 2 comes after the trailer and ends the file without a line end; its table entry is
    // written with a placeholder and patched once the offset is known.
    PdfAssembler file;
    long one = file.addObject(1, "<< /Type /Catalog >>");
    const std::string placeholder = tableEntry(9999999999, 0, 'n');
    long table = file.add("xref\n0 3\n" + tableEntry(0, 65535, 'f') + tableEntry(one, 0, 'n') +
                          placeholder + "trailer\n<< /Size 3 /Root 1 0 R >>\n");
    std::string bytes = file.finish(table);
    bytes.replace(bytes.find(placeholder), placeholder.size(),
                  tableEntry(static_cast<long>(bytes.size()), 0, 'n'));
    bytes += "2 0 obj 7 endobj";
    OpenedPdf opened(bytes);
    EXPECT_EQ("2 0 obj 7 endobj", rawText(opened, 2));
}

TEST(ObjectText, StreamDataHoldingEndobjIsKeptWhole) {
    // An uncompressed embedded file whose data looks like objects of its own.
    std::string data =
        "1 0 obj\n<< >>\nendobj\n2 0 obj\n<< /Length 0 >>\nstream\n\nendstream\nendobj\n";
    TestPdf pdf;
    pdf.addObject(1, "<< /Type /Catalog >>");
    pdf.addStream(3, "<< /Type /EmbeddedFile >>", data);
    pdf.addObject(4, "4");
    pdf.addObject(5, formatText("<< /Length 4 0 R >>\nstream\n%s\nendstream", data.c_str()));
    pdf.setTrailerExtra("/Root 1 0 R");
    OpenedPdf opened(pdf.build());
    std::string three = rawText(opened, 3);
    std::string tail = "stream\n" + data + "\nendstream\nendobj\n";
    EXPECT_EQ(0u, three.find("3 0 obj\n<< /Type /EmbeddedFile"));
    ASSERT_GT(three.size(), tail.size());
    EXPECT_EQ(tail, three.substr(three.size() - tail.size()));
    // An indirect /Length that points at a wrong value falls back to the first "endobj".
    std::string five = rawText(opened, 5);
    EXPECT_EQ("5 0 obj\n<< /Length 4 0 R >>\nstream\n1 0 obj\n<< >>\nendobj\n", five);
}

TEST(ObjectText, LargeObjectAcrossReadBlocks) {
    std::string big(200000, 'x');
    TestPdf pdf;
    pdf.addObject(1, "<< /Type /Catalog >>");
    pdf.addObject(2, "(" + big + ")");
    pdf.setTrailerExtra("/Root 1 0 R");
    OpenedPdf opened(pdf.build());
    EXPECT_EQ("2 0 obj\n(" + big + ")\nendobj\n", rawText(opened, 2));
}

TEST(ObjectText, FindPattern) {
    expectFind("abcdef", 0, 6, "abc", 2);
    expectFind("xxabc", 0, 5, "abc", 4);
    expectFind("abcdef", 0, 5, "def", 0);  // must lie wholly before `to`
    expectFind("abcabc", 1, 6, "abc", 5);  // and wholly after `from`
    expectFind("abcabc", 0, 6, "abd", 0);
    expectFind("ab", 0, 2, "abc", 0);
    expectFind("aab", 0, 3, "ab", 2);
    expectFind(std::string("a\0b", 3), 0, 3, std::string("\0b", 2), 2);
}

TEST(ObjectText, EndobjAnywhereAcrossReadBlocks) {
    // The object text before "endobj" is length + 11 bytes: these put it across 4096 and 12288.
    for (size_t length :
         {4079u, 4080u, 4081u, 4082u, 4083u, 4084u, 4085u, 12272u, 12274u, 12276u}) {
        std::string body = "(" + std::string(length, 'x') + ")";
        TestPdf pdf;
        pdf.addObject(1, "<< /Type /Catalog >>");
        pdf.addObject(2, body);
        pdf.setTrailerExtra("/Root 1 0 R");
        OpenedPdf opened(pdf.build());
        EXPECT_EQ("2 0 obj\n" + body + "\nendobj\n", rawText(opened, 2)) << length;
    }
}

TEST(ObjectText, StreamEndFoundFromEveryLengthForm) {
    // Each stream's data holds a whole object, so only its /Length tells where the object ends;
    // the forms differ in how the length is stored and how the data line starts.
    const std::string data = "9 0 obj\n<< >>\nendobj\n";
    const std::string length = std::to_string(data.size());
    struct Case {
        const char* name;
        std::string dictAndKeyword;
    };
    const Case cases[] = {
        {"direct, LF", "<< /Length " + length + " >>\nstream\n"},
        {"direct, CR LF", "<< /Length " + length + " >>\nstream\r\n"},
        {"spaces after the keyword", "<< /Length " + length + " >>\nstream   \n"},
        {"comment before the keyword", "<< /Length " + length + " >> % note\nstream\n"},
        {"indirect", "<< /Length 20 0 R >>\nstream\n"},
        {"nested /Length is not the stream's",
         "<< /D << /Length 1 >> /Length " + length + " >>\nstream\n"},
    };
    int num = 2;
    TestPdf pdf;
    pdf.addObject(1, "<< /Type /Catalog >>");
    pdf.addObject(20, length);
    for (const Case& c : cases) pdf.addObject(num++, c.dictAndKeyword + data + "\nendstream");
    pdf.setTrailerExtra("/Root 1 0 R");
    OpenedPdf opened(pdf.build());
    num = 2;
    for (const Case& c : cases) {
        std::string text = rawText(opened, num);
        std::string whole =
            std::to_string(num) + " 0 obj\n" + c.dictAndKeyword + data + "\nendstream\nendobj\n";
        EXPECT_EQ(whole, text) << c.name;
        num++;
    }
}
