// One object as stored in a PDF file, scanned into tokens so its references can be renumbered.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

enum class RawTokenKind {
    number,
    name,
    string,
    dictOpen,
    dictClose,
    arrayOpen,
    arrayClose,
    keyword,
    ref,
    other
};

// A token of an object's dictionary part; positions are byte offsets into RawObject::text.
struct RawToken {
    RawTokenKind kind = RawTokenKind::other;
    size_t start = 0;
    size_t end = 0;
    // Nesting level the token sits at: the outermost "<<" and its ">>" are at 0.
    int depth = 0;
    // Only for references ("num gen R"): where the two numbers lie and what they say.
    // refNum is -1 when the digits do not fit an int, refGen -1 when they exceed 65535.
    size_t numEnd = 0;
    size_t genStart = 0;
    size_t genEnd = 0;
    int refNum = -1;
    int refGen = -1;
};

struct RawObject {
    // From the object number through the "endobj" keyword.
    std::string text;
    // The line end that followed "endobj" in the file, 0 when there was none.
    char lineEnd = 0;
    int num = 0;
    int gen = 0;
    // Just after the "obj" keyword.
    size_t bodyStart = 0;
    // Start of the "stream" keyword, or of "endobj" when the object is no stream: references
    // are looked for only before it, never in stream data.
    size_t dictEnd = 0;
    size_t endobjStart = 0;
    bool isStream = false;
    // Tokens of [bodyStart, dictEnd), with every "num gen R" merged into one ref token.
    std::vector<RawToken> tokens;

    // The body from just after "obj" through "endobj".
    std::string body() const { return text.substr(bodyStart); }
    // Whether the bytes before any stream data contain the pattern.
    bool dictContains(const char* pattern) const;
};

// The bytes an object is scanned from: a string in memory, or a window of a file read in
// blocks only as far as the scan needs (never past the window's limit).
class ByteSource {
  public:
    explicit ByteSource(std::string bytes) : data_(std::move(bytes)) {}
    ByteSource(FILE* file, int64_t start, int64_t limit)
        : file_(file), next_(start), limit_(limit) {}

    // Byte i of the source, -1 beyond its end.
    int at(size_t i) {
        if (i < data_.size()) return static_cast<unsigned char>(data_[i]);
        return ensure(i + 1) ? static_cast<unsigned char>(data_[i]) : -1;
    }
    // Loads bytes until at least count are held; false when the source is shorter.
    bool ensure(size_t count);
    // Position of the first occurrence of the pattern at or after from, loading as needed;
    // std::string::npos when there is none.
    size_t find(const char* pattern, size_t length, size_t from);
    std::string& data() { return data_; }

  private:
    std::string data_;
    FILE* file_ = nullptr;
    int64_t next_ = 0;
    int64_t limit_ = 0;
};

// Gives the value of an indirect stream /Length, or -1 when it cannot be had.
using LengthResolver = std::function<int64_t(int num, int gen)>;

// Scans the object that starts at byte 0 of the source: "num gen obj", its value, stream data
// when allowStream, and "endobj". False for anything else (a missing "endobj", a header with
// another number, a truncated string): such an object has no usable text.
bool scanRawObject(ByteSource& source, int expectedNum, bool allowStream,
                   const LengthResolver& resolveLength, RawObject& out);

// The value of a top-level key of the object's outermost dictionary, as token indexes
// [first, last]; false when the body is no dictionary or the key is absent.
bool findTopLevelValue(const RawObject& obj, const char* key, size_t* first, size_t* last);

// Whether a top-level key of the outermost dictionary holds exactly the given token text
// (a name such as "/ObjStm", a number).
bool topLevelValueIs(const RawObject& obj, const char* key, const char* value);

// Index of the token that closes the array or dictionary opened by token open.
size_t findClosingToken(const RawObject& obj, size_t open);

// A replacement of text[start, end) (an insertion when start == end).
struct TextEdit {
    size_t start;
    size_t end;
    std::string replacement;
};

// text[from, to) with the edits applied; edits must lie inside it and must not overlap.
std::string applyEdits(const std::string& text, size_t from, size_t to,
                       std::vector<TextEdit> edits);

// 64-bit fingerprint of the body with the digits of every reference left out, so that two
// objects equal up to the numbers they refer to have the same fingerprint.
uint64_t bodyFingerprint(const RawObject& obj);
