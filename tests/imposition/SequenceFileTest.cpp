// Tests of the sequence file reader: the documented orders, and every refusal with its message.
#include "imposition/SequenceFile.h"

#include <gtest/gtest.h>

#include <string>

#include "imposition/OrderText.h"
#include "pdf/CPdfException.h"
#include "support/TestPdf.h"

namespace {

// The order that a sequence file holding text gives with the options on pageCount pages.
std::string sequenceOrder(const std::string& text, const std::string& options, int pageCount) {
    TempDir dir;
    JobSettings settings = orderSettings(options);
    settings.sequenceFile = dir.write("order.txt", text);
    CPageOrder order =
        readSequenceFile(settings, pageCount, runEndPage(settings.endPage, pageCount));
    return orderText(order, layoutIn(settings).slots);
}

void expectSequence(const std::string& text, const std::string& options, int pageCount,
                    const std::string& expected) {
    EXPECT_EQ(sequenceOrder(text, options, pageCount), expected)
        << "file '" << text << "', options '" << options << "', N " << pageCount;
}

void expectRefusal(const std::string& text, const std::string& message) {
    try {
        sequenceOrder(text, "", 10);
        ADD_FAILURE() << "no exception for '" << text << "'";
    } catch (const CPdfException& e) {
        EXPECT_EQ(e.getMessage(), message) << "file '" << text << "'";
    }
}

TEST(SequenceFile, DocumentedOrders) {
    expectSequence("1,2\n3,4\n", "", 10, "1,2 | 3,4 | 5,6 | 7,8 | 9,10");
    expectSequence("2,1\n4,3\n", "", 10, "2,1 | 4,3 | 6,5 | 8,7 | 10,9");
    expectSequence("1,4\n2,3\n", "", 10, "1,4 | 2,3 | 3,2 | 4,1 | 5,0");
    expectSequence("1,2\n3,4\n", "-4up", 10, "1,2,3,4 | 5,6,7,8 | 9,10,0,0");
    expectSequence("2,1\n4,3\n", "-4up", 10, "2,1,4,3 | 6,5,8,7 | 10,9,0,0");
    expectSequence("1,4\n2,3\n", "-4up", 10, "1,4,2,3 | 3,2,4,1 | 5,0,0,0");
    expectSequence("1,2\n5,7\n", "", 40,
                   "1,2 | 5,7 | 9,12 | 13,17 | 17,22 | 21,27 | 25,32 | 29,37 | 33,0 | 37,0 | "
                   "0,0 | 0,0 | 0,0 | 0,0 | 0,0 | 0,0 | 0,0 | 0,0 | 0,0 | 0,0");
}

TEST(SequenceFile, EdgeCases) {
    expectSequence("1,2 3,4", "", 10, "1,2 | 3,4 | 5,6 | 7,8 | 9,10");
    expectSequence("1,2\r\n3,4\r\n5,6\r\n", "", 4, "1,2 | 3,4");
    expectSequence("1,2\n3,4\n", "", 1, "1,0");
    expectSequence("1,2\n3,4\n", "", 3, "1,2 | 3,0");
    // The start page shortens the order but does not shift it.
    expectSequence("1,2\n3,4\n", "-s3", 12, "1,2 | 3,4 | 5,6 | 7,8 | 9,10");
    expectSequence("10,1\n2,9\n", "", 10, "10,1 | 2,9 | 0,0 | 0,0 | 0,0");
    // Blanks and signs before a number, anything after the fourth.
    expectSequence("  +1, 2\t\t3,\n4 trailing words", "", 4, "1,2 | 3,4");
    expectSequence("-1,2\n3,4\n", "", 6, "0,2 | 3,4 | 0,6");
    // Other layouts keep the 2-slot entries; order options change nothing.
    expectSequence("1,2\n3,4\n", "-6up2x3 -duplicate -split", 4, "1,2,0,0,0,0 | 3,4,0,0,0,0");
    // Even when the range is empty the first sheet is given.
    expectSequence("1,2\n3,4\n", "-s12", 10, "1,2");
    expectSequence("3,4\n1,2\n", "-e3", 10, "3,0 | 1,2");
}

TEST(SequenceFile, Refusals) {
    for (const char* text : {"1,2,3,4\n", "1 ,2\n3,4\n", "", " \r\n\t ", "1,", "1,2\n3"})
        expectRefusal(text, "incorrect pages in sequence file, should be 4\n");
    for (const char* text : {"x", "-x", "-"}) expectRefusal(text, "corrupted sequence file\n");
    for (const char* text : {"1,1\n2,3\n", "1,2\n3,1\n", "1,2\n2,4\n"})
        expectRefusal(text, "page numbers overlap in the sequence file\n");
}

TEST(SequenceFile, HostileText) {
    // The text ends at a NUL byte, as a C string would.
    expectRefusal(std::string("1,2\0 3,4", 8), "incorrect pages in sequence file, should be 4\n");
    expectRefusal(std::string("\0"
                              "1,2 3,4",
                              8),
                  "incorrect pages in sequence file, should be 4\n");
    // Numbers beyond the int range are clamped, never wrapped onto a real page.
    expectSequence("4294967297,2\n3,4\n", "", 4, "0,2 | 3,4");
    expectSequence("-99999999999999999999,1\n99999999999999999999,2\n", "", 4, "0,1 | 0,2");
    expectRefusal("99999999999,1\n99999999998,2\n", "page numbers overlap in the sequence file\n");
    // Long runs of blanks and digits are read without holding them.
    expectSequence(std::string(100000, ' ') + "1,2 3,4", "", 4, "1,2 | 3,4");
    expectSequence("1,2 3,4 " + std::string(100000, '9'), "", 4, "1,2 | 3,4");
    expectSequence("1,2 3," + std::string(100000, '9'), "", 4, "1,2 | 3,0");
    // A missing file, and a folder, which may open but gives no text.
    for (const char* path : {"/nonexistent/tessel/order.txt", "/tmp"}) {
        JobSettings settings = orderSettings("");
        settings.sequenceFile = path;
        try {
            readSequenceFile(settings, 10, kLastPage);
            ADD_FAILURE() << "no exception for " << path;
        } catch (const CPdfException& e) {
            if (path[1] == 'n') {
                EXPECT_EQ(e.getMessage(), "wrong path to the sequence file\n");
            } else {
                EXPECT_FALSE(e.getMessage().empty());
            }
        }
    }
}

}  // namespace
