// Lexer and object parser: tokens from a byte stream, assembled into PDF values.
#include "pdf/CPdfParser.h"

#include <algorithm>
#include <cassert>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "pdf/CPdfException.h"
#include "pdf/CPdfSecurity.h"
#include "pdf/PdfSyntax.h"
#include "pdf/StreamFilters.h"

namespace {

int lengthFetchDepth = 0;

struct LengthFetchGuard {
    LengthFetchGuard() { ++lengthFetchDepth; }
    ~LengthFetchGuard() { --lengthFetchDepth; }
    LengthFetchGuard(const LengthFetchGuard&) = delete;
    LengthFetchGuard& operator=(const LengthFetchGuard&) = delete;
    bool allowed() const { return lengthFetchDepth <= kMaxLengthFetchDepth; }
};

inline bool isDigit(int c) {
    return c >= '0' && c <= '9';
}

}  // namespace

struct CPdfParser::Impl {
    CPdfXRef* xref;
    CPdfObject buf1;
    CPdfObject buf2;
    std::shared_ptr<CPdfStream> stream;
    ObjectDecryption decryption;
    // Set when nesting passed kMaxNesting: every open container stops and the object is an Error.
    bool tooDeep = false;

    int getChar() { return stream->getChar(); }
    int peekChar() { return stream->peekChar(); }
    // The lexer's bytes as the shared string and name readers take them.
    struct Reader {
        Impl& impl;
        int get() { return impl.getChar(); }
        int peek() { return impl.peekChar(); }
    };
    void skipToNextLine();
    void shift();
    CPdfObject lex();
    CPdfObject lexString();
    CPdfObject lexHexString();
    CPdfObject lexName();
    CPdfObject lexNumber(int first);
    CPdfObject parse(int depth);
    CPdfObject makeStreamObject(const CPdfObject& dict);
    CPdfObject makeString(std::string bytes) {
        if (decryption.security)
            bytes = decryption.security->decryptString(decryption.num, decryption.gen, bytes);
        return CPdfObject::makeString(std::move(bytes));
    }
};

void CPdfParser::Impl::skipToNextLine() {
    for (;;) {
        int c = getChar();
        if (c < 0 || c == '\n') return;
        if (c == '\r') {
            if (peekChar() == '\n') getChar();
            return;
        }
    }
}

void CPdfParser::Impl::shift() {
    buf1 = std::move(buf2);
    buf2 = lex();
}

CPdfObject CPdfParser::Impl::lex() {
    int c;
    for (;;) {
        c = getChar();
        if (c < 0) return CPdfObject::makeEOF();
        if (c == '%') {
            do {
                c = getChar();
            } while (c >= 0 && c != '\r' && c != '\n');
            if (c < 0) return CPdfObject::makeEOF();
            continue;
        }
        if (!isWhiteByte(c)) break;
    }

    if (isDigit(c) || c == '-' || c == '.') return lexNumber(c);
    switch (c) {
        case '(':
            return lexString();
        case ')':
        case '{':
        case '}':
            return CPdfObject::makeError();
        case '/':
            return lexName();
        case '<':
            if (peekChar() == '<') {
                getChar();
                return CPdfObject::makeKeyword("<<");
            }
            return lexHexString();
        case '>':
            if (peekChar() == '>') {
                getChar();
                return CPdfObject::makeKeyword(">>");
            }
            return CPdfObject::makeError();
        case '[':
            return CPdfObject::makeKeyword("[");
        case ']':
            return CPdfObject::makeKeyword("]");
        default:
            break;
    }

    // A keyword: a run of regular bytes (a lone "%" cannot get here, it starts a comment).
    std::string text(1, static_cast<char>(c));
    while (isRegularByte(peekChar())) text += static_cast<char>(getChar());
    if (text == "true") return CPdfObject::makeBool(true);
    if (text == "false") return CPdfObject::makeBool(false);
    if (text == "null") return CPdfObject::makeNull();
    return CPdfObject::makeKeyword(std::move(text));
}

// Digits and dots after a leading digit, minus or dot; any dot makes the number real.
CPdfObject CPdfParser::Impl::lexNumber(int first) {
    // Most numbers are short integers (object numbers, counts, lengths): their value is built
    // as the digits come, and only a real number keeps its text, for strtod.
    bool real = first == '.';
    bool negative = first == '-';
    int64_t value = isDigit(first) ? first - '0' : 0;
    char small[64];
    size_t length = 0;
    small[length++] = static_cast<char>(first);
    std::string text;  // used once a number outgrows the small buffer
    for (;;) {
        int c = peekChar();
        if (c == '.') {
            real = true;
        } else if (!isDigit(c)) {
            break;
        } else if (!real) {
            int digit = c - '0';
            value = value > (INT64_MAX - digit) / 10 ? INT64_MAX : value * 10 + digit;
        }
        getChar();
        if (length < sizeof small - 1) {
            small[length++] = static_cast<char>(c);
        } else {
            if (text.empty()) text.assign(small, length);
            text += static_cast<char>(c);
        }
    }
    if (real) {
        if (text.empty()) {
            small[length] = '\0';
            return CPdfObject::makeReal(std::strtod(small, nullptr));
        }
        return CPdfObject::makeReal(std::strtod(text.c_str(), nullptr));
    }
    // The value atoi gives, in 64 bits (offsets pass 2 GiB); values beyond them saturate.
    return CPdfObject::makeInt(negative ? -value : value);
}

// A literal string after its "(": balanced parentheses are kept, escapes decoded.
CPdfObject CPdfParser::Impl::lexString() {
    std::string bytes;
    Reader in{*this};
    readLiteralString(in, [&bytes](char c) { bytes += c; });
    return makeString(std::move(bytes));
}

// A hex string after its "<": pairs of digits up to ">", whitespace ignored, other bytes
// counting as the digit 0, and an odd last digit padded with 0.
CPdfObject CPdfParser::Impl::lexHexString() {
    std::string bytes;
    Reader in{*this};
    readHexString(in, [&bytes](char c) { bytes += c; });
    return makeString(std::move(bytes));
}

// A name after its "/": regular bytes with "#xx" escapes decoded.
CPdfObject CPdfParser::Impl::lexName() {
    std::string name;
    Reader in{*this};
    readNameBytes(in, [&name](char c) { name += c; });
    return CPdfObject::makeName(std::move(name));
}

CPdfObject CPdfParser::Impl::parse(int depth) {
    if (buf1.isKeyword("[")) {
        if (depth >= kMaxNesting) {
            tooDeep = true;
            shift();
            return CPdfObject::makeError();
        }
        shift();
        CPdfObject array = CPdfObject::makeArray(xref);
        while (!tooDeep && !buf1.isEOF()) {
            if (buf1.isKeyword("]")) {
                shift();
                break;
            }
            array.getArray()->add(parse(depth + 1));
        }
        return array;
    }

    if (buf1.isKeyword("<<")) {
        if (depth >= kMaxNesting) {
            tooDeep = true;
            shift();
            return CPdfObject::makeError();
        }
        shift();
        CPdfObject dict = CPdfObject::makeDict(xref);
        while (!tooDeep && !buf1.isEOF() && !buf1.isKeyword(">>")) {
            if (!buf1.isName()) {
                shift();  // a stray value between the entries
                continue;
            }
            std::string key = buf1.getName();
            shift();
            if (buf1.isError() || buf1.isEOF()) continue;
            CPdfObject value = parse(depth + 1);
            dict.getDict()->add(key, std::move(value));
        }
        if (tooDeep || !buf1.isKeyword(">>")) return dict;
        if (buf2.isKeyword("stream")) return makeStreamObject(dict);
        shift();
        return dict;
    }

    if (buf1.isInt()) {
        CPdfObject number = std::move(buf1);
        shift();
        if (buf1.isInt() && buf2.isKeyword("R")) {
            CPdfObject ref = CPdfObject::makeRef(number.getInt(), buf1.getInt());
            shift();
            shift();
            return ref;
        }
        return number;
    }

    CPdfObject token = buf1;
    shift();
    return token;
}

// At the "stream" keyword after a dictionary: the data runs /Length bytes from the next line.
CPdfObject CPdfParser::Impl::makeStreamObject(const CPdfObject& dict) {
    skipToNextLine();
    CPdfStream* source = stream.get();
    int64_t pos = source->getPos();

    CPdfObject length;
    {
        LengthFetchGuard guard;
        length = guard.allowed() ? dict.getDict()->lookup("Length")
                                 : dict.getDict()->lookupRaw("Length");
    }
    // A negative length would move the parser back over bytes it has read, so it is refused
    // like a missing one.
    if (!length.isInt() || length.getInt64() < 0) return CPdfObject::makeError();
    // No file is longer than this; the bound keeps the end position below from overflowing.
    int64_t size = std::min<int64_t>(length.getInt64(), INT64_MAX / 4);

    std::shared_ptr<CPdfStream> data = source->makeSubStream(pos, true, size, dict);
    if (!data) return CPdfObject::makeError();
    // Encrypted data is decrypted before any filter; a /Crypt filter among them is that step.
    bool decrypting = decryption.security != nullptr;
    if (decrypting) data = std::make_shared<CPdfDecryptStream>(data, decryption, dict);
    std::shared_ptr<CPdfStream> filtered = attachFilters(data, dict, decrypting);
    if (!filtered) return CPdfObject::makeError();

    source->setPos(pos + size);
    shift();
    shift();
    if (!buf1.isKeyword("endstream")) throw CPdfException("Missing 'endstream'");
    shift();
    return CPdfObject::makeStream(std::move(filtered));
}

CPdfParser::CPdfParser(CPdfXRef* xref, std::shared_ptr<CPdfStream> stream,
                       const ObjectDecryption* decryption)
    : impl_(std::make_unique<Impl>()) {
    assert(stream);
    impl_->xref = xref;
    if (decryption) impl_->decryption = *decryption;
    impl_->stream = std::move(stream);
    impl_->buf1 = impl_->lex();
    impl_->buf2 = impl_->lex();
}

CPdfParser::~CPdfParser() = default;

CPdfObject CPdfParser::nextObject() {
    impl_->tooDeep = false;
    CPdfObject obj = impl_->parse(0);
    if (impl_->tooDeep) {
        impl_->tooDeep = false;
        return CPdfObject::makeError();
    }
    return obj;
}
