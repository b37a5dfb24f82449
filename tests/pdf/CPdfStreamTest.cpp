// Tests of the byte streams: file windows (bounded and unbounded) and bounded runs.
#include <gtest/gtest.h>

#include "pdf/CPdfBoundedStream.h"
#include "pdf/CPdfException.h"
#include "pdf/PdfTestSupport.h"

namespace {

std::string readAll(CPdfStream& stream) {
    std::string out;
    for (int c = stream.getChar(); c >= 0; c = stream.getChar()) out += static_cast<char>(c);
    return out;
}

std::shared_ptr<CPdfStream> window(const MemoryFile& file, int64_t start, int64_t length) {
    return std::make_shared<CPdfFileStream>(file.get(), start, true, length,
                                            CPdfObject::makeNull());
}

}  // namespace

TEST(CPdfFileStream, UnboundedYieldsEveryByteToTheEnd) {
    std::string data = noiseBytes(1000);
    MemoryFile file(data);
    auto stream = file.stream();
    EXPECT_EQ(0, stream->getLength());
    EXPECT_EQ(readAll(*stream), data);
    EXPECT_EQ(-1, stream->getChar());
    EXPECT_EQ(-1, stream->peekChar());
}

TEST(CPdfFileStream, BoundedWindowsAcrossBlocks) {
    std::string data = noiseBytes(1000, 7);
    MemoryFile file(data);
    struct Case {
        int64_t start, length;
    };
    for (Case c : {Case{0, 0}, Case{2, 3}, Case{0, 256}, Case{255, 2}, Case{100, 600},
                   Case{990, 10}, Case{990, 100}, Case{1000, 5}, Case{2000, 5}}) {
        auto stream = window(file, c.start, c.length);
        size_t from = static_cast<size_t>(std::min<int64_t>(c.start, 1000));
        EXPECT_EQ(readAll(*stream), data.substr(from, static_cast<size_t>(c.length)))
            << c.start << "+" << c.length;
        EXPECT_EQ(c.length, stream->getLength());
    }
}

TEST(CPdfFileStream, NegativeLengthGivesNoBytes) {
    MemoryFile file("abcdef");
    EXPECT_EQ(readAll(*window(file, 3, -2)), "");
}

TEST(CPdfFileStream, PeekDoesNotConsume) {
    MemoryFile file("ab");
    auto stream = file.stream();
    EXPECT_EQ('a', stream->peekChar());
    EXPECT_EQ('a', stream->peekChar());
    EXPECT_EQ('a', stream->getChar());
    EXPECT_EQ('b', stream->peekChar());
    EXPECT_EQ(1, stream->getPos());
}

TEST(CPdfFileStream, PositionsAreAbsolute) {
    std::string data = noiseBytes(700, 3);
    MemoryFile file(data);
    auto stream = window(file, 300, 100);
    EXPECT_EQ(300, stream->getPos());
    for (int i = 0; i < 10; ++i) stream->getChar();
    EXPECT_EQ(310, stream->getPos());
    stream->setPos(650);
    EXPECT_EQ(650, stream->getPos());
    // Beyond the bound nothing is read, even though the file goes on.
    EXPECT_EQ(-1, stream->getChar());
    stream->setPos(-5, SEEK_END);
    EXPECT_EQ(695, stream->getPos());
    stream->setPos(350);
    EXPECT_EQ(static_cast<unsigned char>(data[350]), stream->getChar());
    stream->reset();
    EXPECT_EQ(300, stream->getPos());
    EXPECT_EQ(static_cast<unsigned char>(data[300]), stream->getChar());
}

TEST(CPdfFileStream, ShiftStartMovesTheWindow) {
    MemoryFile file("junk%PDF-1.4");
    auto stream = file.stream();
    stream->getChar();
    stream->shiftStart(4);
    EXPECT_EQ(4, stream->getStart());
    EXPECT_EQ(readAll(*stream), "%PDF-1.4");
    stream->reset();
    EXPECT_EQ('%', stream->getChar());
}

TEST(CPdfFileStream, SubStreamsReadIndependently) {
    std::string data = noiseBytes(2000, 5);
    MemoryFile file(data);
    auto parent = file.stream();
    auto sub = parent->makeSubStream(1000, true, 600, CPdfObject::makeName("D"));
    ASSERT_TRUE(sub);
    EXPECT_TRUE(sub->getDict().isName("D"));
    std::string fromParent, fromSub;
    // Interleaved reads: each stream seeks the shared file to its own position.
    for (int i = 0; i < 600; ++i) {
        fromParent += static_cast<char>(parent->getChar());
        fromSub += static_cast<char>(sub->getChar());
    }
    EXPECT_EQ(fromParent, data.substr(0, 600));
    EXPECT_EQ(fromSub, data.substr(1000, 600));
    EXPECT_EQ(-1, sub->getChar());
}

TEST(CPdfFileStream, GetBytesMatchesGetChar) {
    std::string data = noiseBytes(5000, 9);
    MemoryFile file(data);
    auto stream = window(file, 17, 4000);
    std::vector<uint8_t> buffer(4100);
    EXPECT_EQ(4000u, stream->getBytes(buffer.data(), buffer.size()));
    EXPECT_EQ(std::string(buffer.begin(), buffer.begin() + 4000), data.substr(17, 4000));
}

TEST(CPdfFileStream, EmptyFile) {
    MemoryFile file("");
    EXPECT_EQ(-1, file.stream()->getChar());
}

TEST(CPdfStream, GetRawCharOnlyOnFlateStreams) {
    MemoryFile file("abc");
    auto expectRefused = [](CPdfStream& stream) {
        try {
            stream.getRawChar();
            ADD_FAILURE() << "getRawChar did not throw";
        } catch (const CPdfException& e) {
            EXPECT_EQ(e.getMessage(), "Internal: called getRawChar() on non-predictor stream");
        }
    };
    auto plain = file.stream();
    expectRefused(*plain);
    CPdfBoundedStream bounded(plain, CPdfObject::makeNull(), true, 2);
    expectRefused(bounded);
}

TEST(CPdfBoundedStream, LimitedAndUnlimitedRuns) {
    MemoryFile file("0123456789");
    auto source = file.stream();
    CPdfBoundedStream empty(source, CPdfObject::makeNull(), true, 0);
    EXPECT_EQ(-1, empty.peekChar());
    EXPECT_EQ(-1, empty.getChar());

    CPdfBoundedStream three(source, CPdfObject::makeName("Own"), true, 3);
    EXPECT_EQ('0', three.peekChar());
    EXPECT_EQ(readAll(three), "012");
    EXPECT_TRUE(three.getDict().isName("Own"));
    EXPECT_EQ(3, three.getPos());
    EXPECT_EQ(0, three.getLength());
    EXPECT_EQ(0, three.getStart());

    // The next run goes on where the source stands.
    CPdfBoundedStream rest(source, CPdfObject::makeNull(), false, 0);
    EXPECT_EQ(readAll(rest), "3456789");

    CPdfBoundedStream negative(file.stream(), CPdfObject::makeNull(), true, -4);
    EXPECT_EQ(-1, negative.getChar());
}

TEST(StreamFilters, ReadStreamBytesRestartsAndCaps) {
    MemoryFile file("abcdefgh");
    auto stream = window(file, 2, 5);
    stream->getChar();
    EXPECT_EQ(toString(readStreamBytes(*stream)), "cdefg");
    EXPECT_EQ(toString(readStreamBytes(*stream, 3)), "cde");
    EXPECT_EQ(toString(readStreamBytes(*stream, 0)), "");
}
