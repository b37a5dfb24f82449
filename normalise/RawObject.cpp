// Scans stored objects into tokens, finds dictionary values by key and applies text edits.
#include "normalise/RawObject.h"

#include <algorithm>
#include <cstring>

#include "pdf/PdfTextScan.h"

namespace {

// The first read of a file window; later reads double what is held.
constexpr size_t kFirstBlock = 4096;
// Tokens kept for one object's dictionary part: a page tree node with a million kids needs
// about a million; a hostile run of brackets must not take memory without end.
constexpr size_t kMaxTokens = size_t{1} << 22;

// c is a byte, or -1 at the end of the data.
bool isWhite(int c) {
    return c >= 0 && isTextWhite(static_cast<unsigned char>(c));
}

bool isRegular(int c) {
    return c >= 0 && isTextRegular(static_cast<unsigned char>(c));
}

// Position of the next byte that is neither white space nor part of a comment.
size_t skipSpace(ByteSource& source, size_t i) {
    for (;;) {
        int c = source.at(i);
        if (c < 0) return i;
        if (isWhite(c)) {
            i++;
        } else if (c == '%') {
            while ((c = source.at(i)) >= 0 && c != '\r' && c != '\n') i++;
        } else {
            return i;
        }
    }
}

// Reads the token starting at i; false at the end of the source or inside an unclosed string.
bool readToken(ByteSource& source, size_t i, RawToken& token) {
    token = RawToken();
    token.start = i;
    int c = source.at(i);
    if (c < 0) return false;
    switch (c) {
        case '(': {
            // Literal strings nest their parentheses; a backslash escapes the next byte.
            int depth = 0;
            for (;;) {
                c = source.at(i);
                if (c < 0) return false;
                if (c == '\\') {
                    i += 2;
                    continue;
                }
                i++;
                if (c == '(') {
                    depth++;
                } else if (c == ')' && --depth == 0) {
                    break;
                }
            }
            token.kind = RawTokenKind::string;
            break;
        }
        case '<':
            if (source.at(i + 1) == '<') {
                token.kind = RawTokenKind::dictOpen;
                i += 2;
            } else {
                while ((c = source.at(++i)) != '>') {
                    if (c < 0) return false;
                }
                i++;
                token.kind = RawTokenKind::string;
            }
            break;
        case '>':
            if (source.at(i + 1) == '>') {
                token.kind = RawTokenKind::dictClose;
                i += 2;
            } else {
                token.kind = RawTokenKind::other;
                i++;
            }
            break;
        case '[':
            token.kind = RawTokenKind::arrayOpen;
            i++;
            break;
        case ']':
            token.kind = RawTokenKind::arrayClose;
            i++;
            break;
        case '/':
            i++;
            while (isRegular(source.at(i))) i++;
            token.kind = RawTokenKind::name;
            break;
        default:
            if (!isRegular(c)) {
                token.kind = RawTokenKind::other;
                i++;
                break;
            }
            {
                bool numeric = true;
                bool digit = false;
                while (isRegular(c = source.at(i))) {
                    if (c >= '0' && c <= '9') {
                        digit = true;
                    } else if (c != '+' && c != '-' && c != '.') {
                        numeric = false;
                    }
                    i++;
                }
                token.kind = numeric && digit ? RawTokenKind::number : RawTokenKind::keyword;
            }
            break;
    }
    token.end = i;
    return true;
}

bool tokenIs(const std::string& data, const RawToken& token, const char* text) {
    size_t length = std::strlen(text);
    return token.end - token.start == length && data.compare(token.start, length, text) == 0;
}

// The value of a run of decimal digits, or -1 when it is not one or exceeds limit.
int64_t digitsValue(const std::string& data, size_t start, size_t end, int64_t limit) {
    if (start >= end) return -1;
    int64_t value = 0;
    for (size_t i = start; i < end; i++) {
        char c = data[i];
        if (c < '0' || c > '9') return -1;
        value = value * 10 + (c - '0');
        if (value > limit) return -1;
    }
    return value;
}

bool isPlainDigits(const std::string& data, const RawToken& token) {
    if (token.kind != RawTokenKind::number) return false;
    for (size_t i = token.start; i < token.end; i++) {
        if (data[i] < '0' || data[i] > '9') return false;
    }
    return true;
}

size_t closingToken(const std::vector<RawToken>& tokens, size_t open) {
    RawTokenKind close = tokens[open].kind == RawTokenKind::dictOpen ? RawTokenKind::dictClose
                                                                     : RawTokenKind::arrayClose;
    for (size_t i = open + 1; i < tokens.size(); i++) {
        if (tokens[i].depth == tokens[open].depth && (tokens[i].kind == RawTokenKind::dictClose ||
                                                      tokens[i].kind == RawTokenKind::arrayClose)) {
            return tokens[i].kind == close ? i : tokens.size();
        }
    }
    return tokens.size();
}

bool findValue(const std::string& data, const std::vector<RawToken>& tokens, const char* key,
               size_t* first, size_t* last) {
    if (tokens.empty() || tokens[0].kind != RawTokenKind::dictOpen) return false;
    size_t length = std::strlen(key);
    size_t i = 1;
    while (i < tokens.size() && tokens[i].depth >= 1) {
        const RawToken& token = tokens[i];
        if (token.kind != RawTokenKind::name || i + 1 >= tokens.size() || tokens[i + 1].depth < 1) {
            // Not a key where one belongs: step over it and look on.
            i++;
            continue;
        }
        size_t value = i + 1;
        size_t end = value;
        if (tokens[value].kind == RawTokenKind::dictOpen ||
            tokens[value].kind == RawTokenKind::arrayOpen) {
            end = closingToken(tokens, value);
            if (end >= tokens.size()) return false;
        }
        if (token.end - token.start == length + 1 &&
            data.compare(token.start + 1, length, key) == 0) {
            *first = value;
            *last = end;
            return true;
        }
        i = end + 1;
    }
    return false;
}

}  // namespace

bool RawObject::dictContains(const char* pattern) const {
    size_t length = std::strlen(pattern);
    auto begin = text.begin() + static_cast<std::ptrdiff_t>(bodyStart);
    auto end = text.begin() + static_cast<std::ptrdiff_t>(dictEnd);
    return std::search(begin, end, pattern, pattern + length) != end;
}

bool ByteSource::ensure(size_t count) {
    while (data_.size() < count) {
        if (!file_ || next_ >= limit_) return false;
        size_t want = std::max(kFirstBlock, data_.size());
        want = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(want), limit_ - next_));
        if (fseeko(file_, static_cast<off_t>(next_), SEEK_SET) != 0) {
            file_ = nullptr;
            return false;
        }
        size_t held = data_.size();
        data_.resize(held + want);
        size_t got = fread(&data_[held], 1, want, file_);
        data_.resize(held + got);
        next_ += static_cast<int64_t>(got);
        if (got == 0) file_ = nullptr;
    }
    return true;
}

size_t ByteSource::find(const char* pattern, size_t length, size_t from) {
    for (;;) {
        if (data_.size() >= from + length) {
            size_t found = data_.find(pattern, from, length);
            if (found != std::string::npos) return found;
            // A match may straddle what is held and what is not read yet.
            from = data_.size() - length + 1;
        }
        if (!ensure(data_.size() + 1)) return std::string::npos;
    }
}

bool scanRawObject(ByteSource& source, int expectedNum, bool allowStream,
                   const LengthResolver& resolveLength, RawObject& out) {
    out = RawObject();
    std::string& data = source.data();
    // Some writers record the offset of the line end before the object; tolerate white space.
    size_t base = skipSpace(source, 0);

    RawToken numToken, genToken, objToken;
    size_t pos = base;
    if (!readToken(source, pos, numToken)) return false;
    pos = skipSpace(source, numToken.end);
    if (!readToken(source, pos, genToken)) return false;
    pos = skipSpace(source, genToken.end);
    if (!readToken(source, pos, objToken)) return false;
    int64_t num = digitsValue(data, numToken.start, numToken.end, 2147483647);
    int64_t gen = digitsValue(data, genToken.start, genToken.end, 65535);
    if (num != expectedNum || gen < 0 || numToken.kind != RawTokenKind::number ||
        !tokenIs(data, objToken, "obj")) {
        return false;
    }
    out.num = static_cast<int>(num);
    out.gen = static_cast<int>(gen);
    out.bodyStart = objToken.end;

    int depth = 0;
    pos = objToken.end;
    for (;;) {
        RawToken token;
        pos = skipSpace(source, pos);
        if (!readToken(source, pos, token)) return false;
        pos = token.end;
        if (token.kind == RawTokenKind::keyword) {
            if (tokenIs(data, token, "endobj")) {
                out.dictEnd = token.start;
                out.endobjStart = token.start;
                break;
            }
            if (tokenIs(data, token, "stream")) {
                if (!allowStream) return false;
                out.dictEnd = token.start;
                out.isStream = true;
                // The data starts after the line end that follows the keyword.
                size_t dataStart = token.end;
                if (source.at(dataStart) == '\r') dataStart++;
                if (source.at(dataStart) == '\n') dataStart++;
                int64_t length = -1;
                size_t first = 0, last = 0;
                if (findValue(data, out.tokens, "Length", &first, &last) && first == last) {
                    const RawToken& value = out.tokens[first];
                    if (isPlainDigits(data, value)) {
                        length = digitsValue(data, value.start, value.end, INT64_MAX / 4);
                    } else if (value.kind == RawTokenKind::ref && value.refNum >= 0 &&
                               value.refGen >= 0 && resolveLength) {
                        length = resolveLength(value.refNum, value.refGen);
                    }
                }
                size_t endstream = std::string::npos;
                if (length >= 0) {
                    size_t at = dataStart + static_cast<size_t>(length);
                    int c;
                    while ((c = source.at(at)) >= 0 && isWhite(c)) at++;
                    if (source.ensure(at + 9) && data.compare(at, 9, "endstream") == 0) {
                        endstream = at;
                    }
                }
                // A /Length that does not lead to "endstream": take the first "endstream".
                if (endstream == std::string::npos)
                    endstream = source.find("endstream", 9, dataStart);
                if (endstream == std::string::npos) return false;
                pos = skipSpace(source, endstream + 9);
                if (!readToken(source, pos, token) || !tokenIs(data, token, "endobj")) return false;
                out.endobjStart = token.start;
                break;
            }
            if (tokenIs(data, token, "obj") || tokenIs(data, token, "endstream")) return false;
            if (tokenIs(data, token, "R") && out.tokens.size() >= 2) {
                RawToken& numPart = out.tokens[out.tokens.size() - 2];
                const RawToken& genPart = out.tokens.back();
                if (isPlainDigits(data, numPart) && isPlainDigits(data, genPart) &&
                    numPart.depth == depth && genPart.depth == depth) {
                    numPart.kind = RawTokenKind::ref;
                    numPart.numEnd = numPart.end;
                    numPart.genStart = genPart.start;
                    numPart.genEnd = genPart.end;
                    numPart.end = token.end;
                    numPart.refNum = static_cast<int>(
                        digitsValue(data, numPart.start, numPart.numEnd, 2147483647));
                    numPart.refGen =
                        static_cast<int>(digitsValue(data, genPart.start, genPart.end, 65535));
                    out.tokens.pop_back();
                    continue;
                }
            }
        }
        if (out.tokens.size() >= kMaxTokens) return false;
        if (token.kind == RawTokenKind::dictOpen || token.kind == RawTokenKind::arrayOpen) {
            token.depth = depth++;
        } else if (token.kind == RawTokenKind::dictClose ||
                   token.kind == RawTokenKind::arrayClose) {
            depth = std::max(0, depth - 1);
            token.depth = depth;
        } else {
            token.depth = depth;
        }
        out.tokens.push_back(token);
    }

    size_t end = out.endobjStart + 6;
    int after = source.at(end);
    if (after == '\r' || after == '\n') out.lineEnd = static_cast<char>(after);
    data.resize(end);
    if (base > 0) {
        data.erase(0, base);
        out.bodyStart -= base;
        out.dictEnd -= base;
        out.endobjStart -= base;
        for (RawToken& token : out.tokens) {
            token.start -= base;
            token.end -= base;
            if (token.kind == RawTokenKind::ref) {
                token.numEnd -= base;
                token.genStart -= base;
                token.genEnd -= base;
            }
        }
    }
    out.text = std::move(data);
    return true;
}

bool findTopLevelValue(const RawObject& obj, const char* key, size_t* first, size_t* last) {
    return findValue(obj.text, obj.tokens, key, first, last);
}

bool topLevelValueIs(const RawObject& obj, const char* key, const char* value) {
    size_t first = 0, last = 0;
    return findValue(obj.text, obj.tokens, key, &first, &last) && first == last &&
           tokenIs(obj.text, obj.tokens[first], value);
}

size_t findClosingToken(const RawObject& obj, size_t open) {
    return closingToken(obj.tokens, open);
}

std::string applyEdits(const std::string& text, size_t from, size_t to,
                       std::vector<TextEdit> edits) {
    std::stable_sort(edits.begin(), edits.end(),
                     [](const TextEdit& a, const TextEdit& b) { return a.start < b.start; });
    std::string result;
    result.reserve(to - from + 64);
    size_t at = from;
    for (const TextEdit& edit : edits) {
        result.append(text, at, edit.start - at);
        result += edit.replacement;
        at = edit.end;
    }
    result.append(text, at, to - at);
    return result;
}

uint64_t bodyFingerprint(const RawObject& obj) {
    // FNV-1a over eight bytes at a time (stream data makes most of the bytes, and a fingerprint
    // only picks candidates: sharing is still decided byte for byte); the digits of a reference
    // are replaced by one marker each side.
    uint64_t hash = 14695981039346656037ULL;
    auto feed = [&hash](const std::string& text, size_t from, size_t to) {
        size_t i = from;
        for (; i + 8 <= to; i += 8) {
            uint64_t word = 0;
            std::memcpy(&word, text.data() + i, sizeof word);
            hash ^= word;
            hash *= 1099511628211ULL;
            hash ^= hash >> 29;
        }
        for (; i < to; i++) {
            hash ^= static_cast<unsigned char>(text[i]);
            hash *= 1099511628211ULL;
        }
    };
    auto mark = [&hash]() {
        hash ^= 0x100;
        hash *= 1099511628211ULL;
    };
    size_t at = obj.bodyStart;
    for (const RawToken& token : obj.tokens) {
        if (token.kind != RawTokenKind::ref) continue;
        feed(obj.text, at, token.start);
        mark();
        feed(obj.text, token.numEnd, token.genStart);
        mark();
        at = token.genEnd;
    }
    feed(obj.text, at, obj.text.size());
    return hash;
}
