// Tests for raw object text and the byte searches used on it.
#include "pdf/ObjectText.h"

#include <gtest/gtest.h>

#include "pdf/PdfTestSupport.h"

namespace {

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

}  // namespace

TEST(ObjectText, ObjectsAsStored) {
    // Each body is stored as object 2, 3, ...; each stream's data holds a whole object, so only
    // its /Length tells where the object ends.
    const std::string data = "9 0 obj\n<< >>\nendobj\n";
    const std::string length = std::to_string(data.size());
    const std::string bodies[] = {
        "<< /A [1 2]\r/B (x) >>",
        // "endobj" anywhere across the 4096-byte read blocks, and a large object.
        "(" + std::string(4079, 'x') + ")", "(" + std::string(4082, 'x') + ")",
        "(" + std::string(4085, 'x') + ")", "(" + std::string(12274, 'x') + ")",
        "(" + std::string(200000, 'x') + ")",
        // Streams.
        "<< /Length " + length + " >>\nstream\n" + data + "\nendstream",
        "<< /Length " + length + " >>\nstream\r\n" + data + "\nendstream",
        "<< /Length " + length + " >>\nstream   \n" + data + "\nendstream",
        "<< /Length " + length + " >> % note\nstream\n" + data + "\nendstream",
        "<< /Length 20 0 R >>\nstream\n" + data + "\nendstream",
        "<< /D << /Length 1 >> /Length " + length + " >>\nstream\n" + data + "\nendstream"};
    TestPdf pdf;
    pdf.setPrefix("junk before the header\n");
    pdf.addObject(1, "<< /Type /Catalog >>");
    pdf.addObject(20, length);
    int num = 2;
    for (const std::string& body : bodies) pdf.addObject(num++, body);
    // An indirect /Length that gives a wrong value falls back to the first "endobj".
    pdf.addObject(30, "<< /Length 1 0 R >>\nstream\n" + data + "\nendstream");
    pdf.setTrailerExtra("/Root 1 0 R");
    OpenedPdf opened(pdf.build());
    num = 2;
    for (const std::string& body : bodies) {
        EXPECT_EQ(std::to_string(num) + " 0 obj\n" + body + "\nendobj\n", rawText(opened, num))
            << num;
        num++;
    }
    EXPECT_EQ("30 0 obj\n<< /Length 1 0 R >>\nstream\n9 0 obj\n<< >>\nendobj\n",
              rawText(opened, 30));
    for (int absent : {15, 99, -1}) EXPECT_EQ("<none>", rawText(opened, absent)) << absent;
}

TEST(ObjectText, CompressedMembersAndDamage) {
    XRefStreamFile file;
    file.plain(1, "<< /Type /Catalog >>");
    file.stream(5, "/Type /ObjStm /N 2 /First 10", "12 0 13 3 3.5<< /K 1 >>");
    file.member(12, 5, 0);
    file.member(13, 5, 1);
    file.member(14, 5, 1);  // index 1 holds object 13, not 14
    OpenedPdf opened(file.finish());
    EXPECT_EQ("12 0 obj\r3.5 endobj\r", rawText(opened, 12));
    EXPECT_EQ("13 0 obj\r<< /K 1 >> endobj\r", rawText(opened, 13));
    EXPECT_EQ("object 14 0 cannot be read: object stream 5 does not hold it", rawText(opened, 14));

    // Object 2 never ends, or ends the file without a line end after the trailer (its entry
    // is patched in once the offset is known).
    for (bool ended : {false, true}) {
        PdfAssembler damaged;
        long one = damaged.addObject(1, "<< /Type /Catalog >>");
        long two = ended ? 0 : damaged.add("2 0 obj\n(never ended)\n");
        const std::string placeholder = tableEntry(9999999999, 0, 'n');
        long table =
            damaged.add("xref\n0 3\n" + tableEntry(0, 65535, 'f') + tableEntry(one, 0, 'n') +
                        (ended ? placeholder : tableEntry(two, 0, 'n')) +
                        "trailer\n<< /Size 3 /Root 1 0 R >>\n");
        std::string bytes = damaged.finish(table);
        if (ended) {
            bytes.replace(bytes.find(placeholder), placeholder.size(),
                          tableEntry(static_cast<long>(bytes.size()), 0, 'n'));
        }
        OpenedPdf withDamage(bytes + (ended ? "2 0 obj 7 endobj" : ""));
        EXPECT_EQ(
            ended ? "2 0 obj 7 endobj" : "object 2 0 cannot be read: no \"endobj\" follows it",
            rawText(withDamage, 2));
    }
}
