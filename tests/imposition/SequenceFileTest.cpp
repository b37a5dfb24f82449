// The sequence file reader: the documented orders, and every refusal with its message.
#include "imposition/SequenceFile.h"

#include "ImpositionTestSupport.h"

namespace {

// The order that a file holding text (or at path) gives with the options, or the refusal.
std::string sequenceOrder(const std::string& text, const std::string& options, int pageCount,
                          const char* path = nullptr) {
    TempDir dir;
    JobSettings settings = orderSettings(options);
    settings.sequenceFile = path ? path : dir.write("order.txt", text);
    try {
        return orderText(
            readSequenceFile(settings, pageCount, runEndPage(settings.endPage, pageCount)),
            layoutIn(settings).slots);
    } catch (const CPdfException& e) {
        return e.getMessage();
    }
}

// The start page shortens the order, never shifts it; the text ends at a NUL byte; long runs of
// blanks or digits are not held.
TEST(SequenceFile, OrdersAndRefusals) {
    // Each file text, then "options N: order".
    const std::string cases[] = {
        "1,2\n3,4\n", "10: 1,2|3,4|5,6|7,8|9,10", "2,1\n4,3\n", "10: 2,1|4,3|6,5|8,7|10,9",
        "1,4\n2,3\n", "10: 1,4|2,3|3,2|4,1|5", "1,2\n3,4\n", "-4up 10: 1,2,3,4|5,6,7,8|9,10",
        "2,1\n4,3\n", "-4up 10: 2,1,4,3|6,5,8,7|10,9", "1,4\n2,3\n", "-4up 10: 1,4,2,3|3,2,4,1|5",
        "1,2\n5,7\n", "40: 1,2|5,7|9,12|13,17|17,22|21,27|25,32|29,37|33|37|0|0|0|0|0|0|0|0|0|0",
        // Edges; numbers beyond the int range are clamped, never wrapped onto a real page.
        "1,2 3,4", "10: 1,2|3,4|5,6|7,8|9,10", "1,2\r\n3,4\r\n5,6\r\n", "4: 1,2|3,4", "1,2\n3,4\n",
        "1: 1", "1,2\n3,4\n", "3: 1,2|3", "1,2\n3,4\n", "-s3 12: 1,2|3,4|5,6|7,8|9,10",
        "10,1\n2,9\n", "10: 10,1|2,9|0|0|0", "  +1, 2\t\t3,\n4 trailing words", "4: 1,2|3,4",
        "-1,2\n3,4\n", "6: 0,2|3,4|0,6", "1,2\n3,4\n", "-6up2x3 -duplicate -split 4: 1,2|3,4",
        "1,2\n3,4\n", "-s12 10: 1,2", "3,4\n1,2\n", "-e3 10: 3|1,2", "4294967297,2\n3,4\n",
        "4: 0,2|3,4", "-99999999999999999999,1\n99999999999999999999,2\n", "4: 0,1|0,2",
        std::string(100000, ' ') + "1,2 3,4", "4: 1,2|3,4", "1,2 3,4 " + std::string(100000, '9'),
        "4: 1,2|3,4", "1,2 3," + std::string(100000, '9'), "4: 1,2|3"};
    for (size_t i = 0; i < std::size(cases); i += 2) {
        const std::string& row = cases[i + 1];
        size_t colon = row.find(':'), space = row.rfind(' ', colon);
        size_t n = space == std::string::npos ? 0 : space + 1;
        EXPECT_EQ(sequenceOrder(cases[i], row.substr(0, n ? n - 1 : 0),
                                std::stoi(row.substr(n, colon - n))),
                  row.substr(colon + 2))
            << cases[i].substr(0, 60);
    }
    const std::string count = "incorrect pages in sequence file, should be 4\n",
                      overlap = "page numbers overlap in the sequence file\n";
    for (const char* text : {"1,2,3,4\n", "1 ,2\n3,4\n", "", " \r\n\t ", "1,", "1,2\n3"})
        EXPECT_EQ(sequenceOrder(text, "", 10), count) << text;
    EXPECT_EQ(sequenceOrder(std::string("1,2\0 3,4", 8), "", 10), count);
    EXPECT_EQ(sequenceOrder(std::string("\0 1,2 3,4", 9), "", 10), count);
    for (const char* text : {"x", "-x", "-"})
        EXPECT_EQ(sequenceOrder(text, "", 10), "corrupted sequence file\n");
    for (const char* text :
         {"1,1\n2,3\n", "1,2\n3,1\n", "1,2\n2,4\n", "99999999999,1\n99999999998,2\n"})
        EXPECT_EQ(sequenceOrder(text, "", 10), overlap) << text;
    // A missing file, and a folder, which may open but gives no text.
    EXPECT_EQ(sequenceOrder("", "", 10, "/nonexistent/tessel/order.txt"),
              "wrong path to the sequence file\n");
    EXPECT_NE(sequenceOrder("", "", 10, "/tmp").find("sequence file"), std::string::npos);
}

}  // namespace
