// Tests of the byte streams at their bounds: windows beyond the file, runs and raw reads.
#include <gtest/gtest.h>

#include "pdf/CPdfBoundedStream.h"
#include "pdf/PdfTestSupport.h"

namespace {

std::string readAll(CPdfStream& stream) {
    std::string out;
    for (int c = stream.getChar(); c >= 0; c = stream.getChar()) out += static_cast<char>(c);
    return out;
}

}  // namespace

TEST(CPdfFileStream, WindowsStopAtTheirBoundAndTheFileEnd) {
    std::string data = noiseBytes(1000, 7);
    MemoryFile file(data);
    // Each row: start and length of a window; 1024-byte read blocks lie between.
    const int64_t cases[][2] = {{0, 0},     {255, 2},  {100, 1000}, {990, 10},
                                {990, 100}, {1000, 5}, {2000, 5},   {3, -2}};
    for (const auto& c : cases) {
        CPdfFileStream stream(file.get(), c[0], true, c[1], CPdfObject::makeNull());
        size_t from = static_cast<size_t>(std::min<int64_t>(c[0], 1000));
        EXPECT_EQ(readAll(stream),
                  data.substr(from, static_cast<size_t>(std::max<int64_t>(c[1], 0))))
            << c[0] << "+" << c[1];
        stream.setPos(c[0] + c[1] + 1);
        EXPECT_EQ(-1, stream.peekChar()) << "beyond the bound, though the file goes on";
    }
    std::vector<uint8_t> buffer(1100);
    CPdfFileStream window(file.get(), 17, true, 600, CPdfObject::makeNull());
    EXPECT_EQ(600u, window.getBytes(buffer.data(), buffer.size()));
    EXPECT_EQ(std::string(buffer.begin(), buffer.begin() + 600), data.substr(17, 600));
}

TEST(CPdfBoundedStream, RunsAndRawReads) {
    MemoryFile file("0123456789");
    auto source = file.stream();
    EXPECT_EQ(-1, CPdfBoundedStream(source, CPdfObject::makeNull(), true, 0).peekChar());
    EXPECT_EQ(-1, CPdfBoundedStream(source, CPdfObject::makeNull(), true, -4).getChar());
    CPdfBoundedStream three(source, CPdfObject::makeName("Own"), true, 3);
    EXPECT_EQ(readAll(three), "012");
    EXPECT_EQ(3, three.getPos());
    // The next run goes on where the source stands.
    CPdfBoundedStream rest(source, CPdfObject::makeNull(), false, 0);
    EXPECT_EQ(readAll(rest), "3456789");
    // readStreamBytes restarts the stream and stops at its cap.
    EXPECT_EQ(toString(readStreamBytes(*source, 3)), "012");
}
