// Fast reading of a classic cross-reference table: a document of a million objects has a table
// of a million lines, and cutting each line into parser objects costs far more than the bytes.
#include "pdf/XRefTableText.h"

#include <climits>

#include "pdf/CPdfStream.h"
#include "pdf/PdfSyntax.h"

namespace {

// The bytes of the stream in blocks, with the count of bytes taken so far.
class BlockReader {
  public:
    explicit BlockReader(CPdfStream& stream) : stream_(stream) {}

    int peek() {
        if (pos_ == length_ && !refill()) return -1;
        return buffer_[pos_];
    }
    void skip() {
        pos_++;
        taken_++;
    }
    int64_t taken() const { return taken_; }

  private:
    bool refill() {
        length_ = stream_.getBytes(buffer_, sizeof buffer_);
        pos_ = 0;
        return length_ > 0;
    }

    CPdfStream& stream_;
    uint8_t buffer_[65536];
    size_t pos_ = 0;
    size_t length_ = 0;
    int64_t taken_ = 0;
};

bool isDigit(int c) {
    return c >= '0' && c <= '9';
}

void skipWhite(BlockReader& in) {
    while (isWhiteByte(in.peek())) in.skip();
}

// A run of digits that ends the token, as a number that saturates at limit; false for anything
// else.
template <typename Number>
bool readNumber(BlockReader& in, Number& value, int64_t limit = INT_MAX) {
    if (!isDigit(in.peek())) return false;
    int64_t number = 0;
    while (isDigit(in.peek())) {
        int digit = in.peek() - '0';
        number = number > (limit - digit) / 10 ? limit : number * 10 + digit;
        in.skip();
    }
    if (isRegularByte(in.peek())) return false;
    value = static_cast<Number>(number);
    return true;
}

// The keyword word followed by a byte that ends it.
bool readKeyword(BlockReader& in, const char* word) {
    for (const char* c = word; *c; c++) {
        if (in.peek() != static_cast<unsigned char>(*c)) return false;
        in.skip();
    }
    return !isRegularByte(in.peek());
}

}  // namespace

int64_t scanPlainXRefTable(CPdfStream& stream, const XRefTableVisitor* visitor) {
    BlockReader in(stream);
    skipWhite(in);
    if (!readKeyword(in, "xref")) return -1;
    for (;;) {
        skipWhite(in);
        if (in.peek() == 't') return readKeyword(in, "trailer") ? in.taken() : -1;
        int first = 0, count = 0;
        if (!readNumber(in, first)) return -1;
        skipWhite(in);
        if (!readNumber(in, count)) return -1;
        if (visitor) visitor->subsection(first, count);
        for (int i = 0; i < count; i++) {
            int64_t offset = 0;
            int gen = 0;
            skipWhite(in);
            if (!readNumber(in, offset, INT64_MAX)) return -1;
            skipWhite(in);
            if (!readNumber(in, gen)) return -1;
            skipWhite(in);
            int kind = in.peek();
            if (kind != 'n' && kind != 'f') return -1;
            in.skip();
            if (isRegularByte(in.peek())) return -1;
            if (visitor) visitor->entry(offset, gen, kind == 'n');
        }
    }
}
