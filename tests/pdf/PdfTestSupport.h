// Test helpers for the reader: in-memory files, parsing text and printing objects compactly.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <zlib.h>

#include "pdf/CPdfFileStream.h"
#include "pdf/CPdfObject.h"
#include "pdf/CPdfParser.h"
#include "pdf/CPdfStream.h"
#include "pdf/FormatText.h"
#include "pdf/RawObject.h"
#include "pdf/StreamFilters.h"

// Bytes opened as a read-only FILE*; the bytes live as long as the object.
class MemoryFile {
  public:
    explicit MemoryFile(std::string bytes) : bytes_(std::move(bytes)) {
        // fmemopen refuses a zero-sized buffer, so an empty input gets one byte it never shows.
        file_ =
            bytes_.empty() ? fmemopen(pad_, 1, "rb") : fmemopen(&bytes_[0], bytes_.size(), "rb");
        if (bytes_.empty() && file_) {
            std::fseek(file_, 0, SEEK_END);
            empty_ = true;
        }
    }
    ~MemoryFile() {
        if (file_) std::fclose(file_);
    }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;

    FILE* get() const { return file_; }
    // An unbounded stream over every byte.
    std::shared_ptr<CPdfStream> stream() const {
        return std::make_shared<CPdfFileStream>(file_, empty_ ? 1 : 0, false, 0,
                                                CPdfObject::makeNull());
    }

  private:
    std::string bytes_;
    char pad_[1] = {0};
    bool empty_ = false;
    FILE* file_ = nullptr;
};

// Compact text of a value: 12, 1.5r, (bytes), /Name, kw(obj), [..], <</K v>>, 3 0 R, ...
inline std::string describe(const CPdfObject& obj) {
    auto escaped = [](const std::string& text) {
        std::string out;
        for (unsigned char c : text) {
            if (c >= 0x20 && c < 0x7F && c != '\\') {
                out += static_cast<char>(c);
            } else {
                out += formatText("\\x%02X", c);
            }
        }
        return out;
    };
    switch (obj.getType()) {
        case objBool:
            return obj.getBool() ? "true" : "false";
        case objInt:
            return formatText("%d", obj.getInt());
        case objReal:
            return formatText("%gr", obj.getReal());
        case objString:
            return "(" + escaped(obj.getString()) + ")";
        case objName:
            return "/" + escaped(obj.getName());
        case objNull:
            return "null";
        case objArray: {
            std::string out = "[";
            for (int i = 0; i < obj.getArray()->getLength(); ++i) {
                if (i) out += " ";
                out += describe(obj.getArray()->at(i));
            }
            return out + "]";
        }
        case objDict: {
            std::string out = "<<";
            bool first = true;
            for (const auto& entry : obj.getDict()->entries()) {
                if (!first) out += " ";
                first = false;
                out += "/" + escaped(entry.first) + " " + describe(entry.second);
            }
            return out + ">>";
        }
        case objStream:
            return "stream" + describe(obj.getStream()->getDict());
        case objRef:
            return formatText("%d %d R", obj.getRefNum(), obj.getRefGen());
        case objKeyword:
            return "kw(" + escaped(obj.getName()) + ")";
        case objError:
            return "error";
        case objEOF:
            return "eof";
        case objNone:
            return "none";
    }
    return "?";
}

// Every object of the text up to EOF (at most limit of them), described and joined by spaces.
inline std::string parseAll(const std::string& text, int limit = 1000) {
    MemoryFile file(text);
    CPdfParser parser(nullptr, file.stream());
    std::string out;
    for (int i = 0; i < limit; ++i) {
        CPdfObject obj = parser.nextObject();
        if (obj.isEOF()) break;
        if (!out.empty()) out += " ";
        out += describe(obj);
    }
    return out;
}

inline std::string toString(const std::vector<uint8_t>& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

// zlib-compressed bytes (with the zlib header FlateDecode expects).
inline std::string deflateBytes(const std::string& data) {
    uLongf size = compressBound(static_cast<uLong>(data.size()));
    std::string out(size, '\0');
    compress2(reinterpret_cast<Bytef*>(&out[0]), &size, reinterpret_cast<const Bytef*>(data.data()),
              static_cast<uLong>(data.size()), 9);
    out.resize(size);
    return out;
}

// Bytes from a small deterministic generator: the same for every run, hard to compress.
inline std::string noiseBytes(size_t count, uint32_t seed = 1) {
    std::string out(count, '\0');
    for (size_t i = 0; i < count; ++i) {
        seed = seed * 1103515245u + 12345u;
        out[i] = static_cast<char>(seed >> 16);
    }
    return out;
}

// A stream object text around data: "<< dict /Length n >> stream\n data \nendstream".
inline std::string streamText(const std::string& dictEntries, const std::string& data) {
    return "<< " + dictEntries + formatText(" /Length %zu >> stream\n", data.size()) + data +
           "\nendstream";
}

// Parses one stream object from text and returns its decoded bytes; "error" when the parser
// gives no stream.
inline std::string decodeStreamText(const std::string& text) {
    MemoryFile file(text);
    CPdfParser parser(nullptr, file.stream());
    CPdfObject obj = parser.nextObject();
    if (!obj.isStream()) return "error";
    return toString(readStreamBytes(*obj.getStream()));
}

// The text scanned as stored object 5, with the resolver for an indirect /Length; num is 0 when
// the scan fails.
inline RawObject scanObject5(const std::string& text, const LengthResolver& resolve = nullptr) {
    ByteSource source(text);
    RawObject obj;
    if (!scanRawObject(source, 5, true, resolve, obj)) obj = RawObject();
    return obj;
}
