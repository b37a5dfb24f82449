// The verbatim copy pass and reading decoded stream data.
#include "writer/ObjectCopy.h"

#include <gtest/gtest.h>

#include "pdf/ObjectText.h"
#include "writer/WriterTestSupport.h"

TEST(ObjectCopy, PageObjectsAreLeftForLater) {
    WriterSetup s(makeNumberedPdf(3));  // pages are objects 4, 6 and 8
    std::vector<bool> isPage(static_cast<size_t>(s.offsets.size()), false);
    for (int num : {4, 6, 8}) isPage[static_cast<size_t>(num)] = true;
    int pagesMet = 0;
    copyInputObjects(*s.ctx, isPage, [&pagesMet]() { pagesMet++; });
    EXPECT_EQ(pagesMet, 3);
    for (int num = 1; num < s.offsets.size(); num++)
        EXPECT_EQ(s.offsets.isWritten(num), !isPage[static_cast<size_t>(num)]) << num;
}

TEST(ObjectCopy, CopiesAreByteForByteWithTheirGeneration) {
    TestPdf pdf = catalogPdf();
    pdf.addObject(3, "(a string with \xFF bytes)", 2);
    pdf.addStream(4, "<< /Subtype /XML >>", "<x>/Type /ObjStm</x>");  // not an object stream
    pdf.addObject(5, "[/Type /ObjStm /A#20B]");                       // nor is an array
    WriterSetup s(pdf.build());
    std::string raw;
    ASSERT_TRUE(getObjectText(s.doc.getFile(), 3, s.doc, raw));
    s.offsets.record(2, 0, 0);  // written already: not copied again
    s.out.write("x");
    copyInputObjects(*s.ctx, {}, nullptr);
    std::string out = s.finishPdf();
    EXPECT_EQ(out.compare(static_cast<size_t>(s.offsets.at(3).offset), raw.size(), raw), 0);
    EXPECT_NE(
        out.find(formatText("%010lld 00002 n \r", static_cast<long long>(s.offsets.at(3).offset))),
        std::string::npos);
    EXPECT_TRUE(s.offsets.isWritten(4) && s.offsets.isWritten(5));
    EXPECT_EQ(out.find("2 0 obj"), std::string::npos);
}

TEST(ObjectCopy, ReadStreamDataKeepsEveryByte) {
    std::string data = std::string("q \xFF\xFF Q\n") + std::string(1, '\0') + "\xFF";
    TestPdf pdf = catalogPdf();
    pdf.addStream(3, "<< >>", data);
    pdf.addStream(4, "<< /Filter /FlateDecode >>", deflateBytes(data + data));
    pdf.addObject(5, "[3 0 R 4 0 R]");
    pdf.addObject(6, "42");
    WriterSetup s(pdf.build());
    const std::pair<int, std::string> streams[] = {
        {3, data}, {4, data + data}, {5, data + data + data}};
    for (const auto& [num, expected] : streams) {
        std::string got;
        ASSERT_TRUE(readStreamData(*s.ctx, num, got)) << num;
        EXPECT_EQ(got, expected) << num;
    }
    std::string got;
    EXPECT_FALSE(readStreamData(*s.ctx, 6, got) || readStreamData(*s.ctx, 99, got));
}
