// Sequence file: a page order given by the user as its first two 2-up sheets.
#include "imposition/SequenceFile.h"

#include <cctype>
#include <climits>
#include <cstdio>

#include "pdf/CPdfException.h"
#include "pdf/FileHandle.h"

namespace {

// Reads the file's bytes as a terminated text: a NUL byte ends it like the end of the file.
class TextReader {
  public:
    explicit TextReader(FILE* file) : file_(file) {}
    int peek() {
        if (ahead_ == kUnread) {
            int c = ended_ ? EOF : std::getc(file_);
            if (c == EOF || c == 0) {
                ended_ = true;
                c = EOF;
            }
            ahead_ = c;
        }
        return ahead_;
    }
    void take() { ahead_ = kUnread; }

  private:
    static constexpr int kUnread = -2;
    FILE* file_;
    int ahead_ = kUnread;
    bool ended_ = false;
};

enum class Scan { Number, NoNumber, EndOfText };

void skipSpace(TextReader& in) {
    while (in.peek() != EOF && std::isspace(in.peek())) in.take();
}

// One "%d": blanks, an optional sign, digits. Only the bytes that were looked at are consumed, so
// the file is never read further than its fourth number. Values beyond the int range are clamped.
Scan scanNumber(TextReader& in, long long& value) {
    skipSpace(in);
    if (in.peek() == EOF) return Scan::EndOfText;
    bool negative = false;
    if (in.peek() == '+' || in.peek() == '-') {
        negative = in.peek() == '-';
        in.take();
    }
    if (in.peek() == EOF || !std::isdigit(in.peek())) return Scan::NoNumber;
    long long number = 0;
    while (in.peek() != EOF && std::isdigit(in.peek())) {
        if (number <= INT_MAX) number = number * 10 + (in.peek() - '0');
        in.take();
    }
    if (number > INT_MAX) number = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
    value = negative ? -number : number;
    return Scan::Number;
}

// Scans "%d,%d\n\r%d,%d": returns how many numbers were read, or -1 when the text ended before
// the first one. The blanks between the pairs need no step of their own: a number skips the
// blanks before it anyway.
int scanSequence(TextReader& in, long long (&numbers)[4]) {
    for (int i = 0; i < 4; i++) {
        if (i == 1 || i == 3) {
            if (in.peek() != ',') return i;
            in.take();
        }
        Scan scan = scanNumber(in, numbers[i]);
        if (scan == Scan::EndOfText && i == 0) return -1;
        if (scan != Scan::Number) return i;
    }
    return 4;
}

int pageOrBlank(long long page, long long last) {
    return page >= 1 && page <= last ? static_cast<int>(page) : 0;
}

}  // namespace

CPageOrder readSequenceFile(const JobSettings& settings, int pageCount, int endPage) {
    FileHandle file(std::fopen(settings.sequenceFile.c_str(), "rb"));
    if (!file) throw CPdfException("wrong path to the sequence file\n");
    TextReader reader(file.get());
    long long numbers[4] = {};
    int count = scanSequence(reader, numbers);
    if (count == 0) throw CPdfException("corrupted sequence file\n");
    if (count != 4) throw CPdfException("incorrect pages in sequence file, should be 4\n");
    for (int i = 0; i < 4; i++) {
        for (int j = i + 1; j < 4; j++) {
            if (numbers[i] == numbers[j]) {
                throw CPdfException("page numbers overlap in the sequence file\n");
            }
        }
    }

    // The pages are taken as the user wrote them; the start page only shortens the order.
    long long first = settings.startPage < 1 ? 1 : settings.startPage;
    long long count64 = pageCount < 0 ? 0 : pageCount;
    long long last = endPage < count64 ? endPage : count64;
    long long span = last - first + 1;
    const long long left0 = numbers[0], right0 = numbers[1];
    const long long leftStep = numbers[2] - numbers[0], rightStep = numbers[3] - numbers[1];
    // Pair n (0-based) of the progression, each page blank outside 1..last.
    auto pair = [&](long long n, int& left, int& right) {
        left = pageOrBlank(left0 + n * leftStep, last);
        right = pageOrBlank(right0 + n * rightStep, last);
    };

    CPageOrder order;
    // Entries of four come with the -4up option, even when another layout option outranks it.
    bool fourUp = settings.flags.has(LayoutId::FourUp);
    int perEntry = fourUp ? 4 : 2;
    long long entries = span > 0 ? (span + perEntry - 1) / perEntry : 0;
    if (entries < 1) entries = 1;
    for (long long n = 0; n < entries; n++) {
        SheetEntry entry;
        if (fourUp) {
            pair(2 * n, entry.slots[0], entry.slots[1]);
            // A sheet whose first pair is incomplete does not show the second pair.
            if (entry.slots[0] != 0 && entry.slots[1] != 0) {
                pair(2 * n + 1, entry.slots[2], entry.slots[3]);
            }
        } else {
            pair(n, entry.slots[0], entry.slots[1]);
        }
        order.append(entry);
    }
    return order;
}
