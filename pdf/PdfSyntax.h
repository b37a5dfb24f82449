// The lexical rules of PDF that the parser and the raw-text scanners share: byte classes, hex
// digits, literal strings, names, and the limits that keep hostile input in bounds.
#pragma once

#include <array>
#include <cstddef>

// Arrays and dictionaries nested deeper than this are hostile input: the parser makes the object
// an Error and the raw-text scanners find no value, so that both see the same objects.
constexpr int kMaxNesting = 500;
// References followed from one value before giving up: chains longer than this are loops.
constexpr int kMaxReferenceHops = 16;
// Resolving an indirect /Length parses another object, which may hold a stream with an
// indirect /Length of its own; past this many nested resolutions the length is not fetched.
constexpr int kMaxLengthFetchDepth = 8;

// Byte classes looked up in one table: scanning large texts asks for every byte.
enum : unsigned char { kTextRegular = 0, kTextWhite = 1, kTextDelimiter = 2 };

constexpr std::array<unsigned char, 256> makeTextByteClasses() {
    std::array<unsigned char, 256> of{};
    for (unsigned char c : {'\0', '\t', '\n', '\f', '\r', ' '}) of[c] = kTextWhite;
    for (unsigned char c : {'(', ')', '<', '>', '[', ']', '{', '}', '/', '%'})
        of[c] = kTextDelimiter;
    return of;
}
inline constexpr std::array<unsigned char, 256> kTextByteClass = makeTextByteClasses();

// NUL, tab, LF, FF, CR and space.
inline bool isTextWhite(unsigned char c) {
    return kTextByteClass[c] == kTextWhite;
}
// ( ) < > [ ] { } / %
inline bool isTextDelimiter(unsigned char c) {
    return kTextByteClass[c] == kTextDelimiter;
}
// Neither white space nor a delimiter: a byte of a name, number or keyword.
inline bool isTextRegular(unsigned char c) {
    return kTextByteClass[c] == kTextRegular;
}
// The same for a byte read from a stream, where -1 is the end of the data.
inline bool isWhiteByte(int c) {
    return c >= 0 && isTextWhite(static_cast<unsigned char>(c));
}
inline bool isRegularByte(int c) {
    return c >= 0 && isTextRegular(static_cast<unsigned char>(c));
}

// Value of a hex digit, -1 for any other byte (and for -1).
inline int hexDigitValue(int c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The bytes of a literal string after its "(", handed to store decoded, through the ")" that
// closes it: parentheses nest, and a backslash escapes the byte after it. The parser keeps the
// bytes; the scanners only need to know where the string ends, and pass a store that drops them.
// In reads the bytes: get() and peek() give -1 at the end. False when the data ends first.
template <typename In, typename Store>
bool readLiteralString(In& in, Store&& store) {
    int nesting = 1;
    for (;;) {
        int c = in.get();
        if (c < 0) return false;
        if (c == '(') {
            ++nesting;
        } else if (c == ')') {
            if (--nesting == 0) return true;
        } else if (c == '\\') {
            c = in.get();
            if (c < 0) return false;
            switch (c) {
                case 'n':
                    c = 0x0A;
                    break;
                case 'r':
                    c = 0x0D;
                    break;
                case 't':
                    c = 0x09;
                    break;
                case 'b':
                    c = 0x08;
                    break;
                case 'f':
                    c = 0x0C;
                    break;
                case '\n':
                    continue;
                case '\r':
                    if (in.peek() == '\n') in.get();
                    continue;
                default:
                    if (c >= '0' && c <= '7') {
                        // At most three octal digits; a value above 255 keeps its low byte.
                        int value = c - '0';
                        for (int more = 0; more < 2; ++more) {
                            int d = in.peek();
                            if (d < '0' || d > '7') break;
                            in.get();
                            value = value * 8 + (d - '0');
                        }
                        c = value & 0xFF;
                    }
                    break;
            }
        }
        store(static_cast<char>(c));
    }
}

// The bytes of a hex string after its "<", handed to store, through the ">" that closes it: white
// space is skipped, any other byte counts as the digit 0, and an odd last digit is padded with 0.
template <typename In, typename Store>
void readHexString(In& in, Store&& store) {
    int high = -1;
    for (;;) {
        int c = in.get();
        if (c < 0 || c == '>') break;
        if (isWhiteByte(c)) continue;
        int value = hexDigitValue(c);
        if (value < 0) value = 0;
        if (high < 0) {
            high = value;
        } else {
            store(static_cast<char>(high * 16 + value));
            high = -1;
        }
    }
    if (high >= 0) store(static_cast<char>(high * 16));
}

// The bytes of a name after its "/", with "#xx" escapes decoded, handed to store. A "#" and a
// hex digit take the byte after the digit whatever it is: only a hex digit counts, anything else
// leaves the first digit alone as the high half. A "#" without a hex digit after it is kept.
template <typename In, typename Store>
void readNameBytes(In& in, Store&& store) {
    while (isRegularByte(in.peek())) {
        int c = in.get();
        if (c == '#') {
            int high = hexDigitValue(in.peek());
            if (high >= 0) {
                in.get();
                int low = hexDigitValue(in.get());
                c = high * 16 + (low >= 0 ? low : 0);
            }
        }
        store(static_cast<char>(c));
    }
}

// Reads a span of a text for the two readers above: -1 past its end.
class TextSpanReader {
  public:
    TextSpanReader(const char* data, size_t begin, size_t end)
        : data_(data), at_(begin), end_(end) {}
    int get() { return at_ < end_ ? static_cast<unsigned char>(data_[at_++]) : -1; }
    int peek() const { return at_ < end_ ? static_cast<unsigned char>(data_[at_]) : -1; }
    size_t position() const { return at_; }

  private:
    const char* data_;
    size_t at_;
    size_t end_;
};
