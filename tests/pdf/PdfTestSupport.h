// Test helpers for the reader: in-memory files, documents, compact descriptions of parsed values.
#pragma once

#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "pdf/CPdfDocument.h"
#include "pdf/CPdfException.h"
#include "pdf/CPdfFileStream.h"
#include "pdf/CPdfParser.h"
#include "pdf/FormatText.h"
#include "pdf/RawObject.h"
#include "pdf/StreamFilters.h"
#include "support/TestPdf.h"

// Bytes opened as a read-only FILE*; fmemopen refuses zero bytes, so empty input skips a space.
class MemoryFile {
  public:
    explicit MemoryFile(std::string bytes)
        : bytes_(bytes.empty() ? " " : bytes), skip_(bytes.empty()) {
        file_ = fmemopen(&bytes_[0], bytes_.size(), "rb");
    }
    ~MemoryFile() { std::fclose(file_); }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;
    FILE* get() const { return file_; }
    std::shared_ptr<CPdfStream> stream() const {
        return std::make_shared<CPdfFileStream>(file_, skip_, false, 0, CPdfObject::makeNull());
    }

  private:
    std::string bytes_;
    int skip_;
    FILE* file_;
};

// Compact text of a value: 12, 1.5r, (bytes), /Name, kw(obj), [..], <</K v>>, 3 0 R, ...
inline std::string describe(const CPdfObject& obj) {
    auto escaped = [](const std::string& text) {
        std::string out;
        for (unsigned char c : text)
            out += c >= 0x20 && c < 0x7F && c != '\\' ? std::string(1, static_cast<char>(c))
                                                      : formatText("\\x%02X", c);
        return out;
    };
    std::string out;
    CPdfArray* array = obj.getArray();
    for (int i = 0; array && i < array->getLength(); ++i)
        out += (i ? " " : "") + describe(array->at(i));
    if (array) return "[" + out + "]";
    if (obj.isDict()) {
        for (const auto& entry : obj.getDict()->entries())
            out += (out.empty() ? "/" : " /") + escaped(entry.first) + " " + describe(entry.second);
        return "<<" + out + ">>";
    }
    if (obj.isBool()) return obj.getBool() ? "true" : "false";
    if (obj.isInt()) return formatText("%d", obj.getInt());
    if (obj.isReal()) return formatText("%gr", obj.getReal());
    if (obj.isString()) return "(" + escaped(obj.getString()) + ")";
    if (obj.isName()) return "/" + escaped(obj.getName());
    if (obj.isNull()) return "null";
    if (obj.isStream()) return "stream" + describe(obj.getStream()->getDict());
    if (obj.isRef()) return formatText("%d %d R", obj.getRefNum(), obj.getRefGen());
    if (obj.isKeyword()) return "kw(" + escaped(obj.getName()) + ")";
    return obj.isError() ? "error" : "?";
}

// Every object of the text up to its end, described and joined by spaces.
inline std::string parseAll(const std::string& text) {
    MemoryFile file(text);
    CPdfParser parser(nullptr, file.stream());
    std::string out;
    for (CPdfObject obj = parser.nextObject(); !obj.isEOF(); obj = parser.nextObject())
        out += (out.empty() ? "" : " ") + describe(obj);
    return out;
}

inline std::pair<std::string, std::string> splitCase(const std::string& row) {
    size_t arrow = row.find(" => ");
    return {row.substr(0, arrow), row.substr(arrow + 4)};
}

inline std::string toString(const std::vector<uint8_t>& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

// Deterministic bytes that are hard to compress.
inline std::string noiseBytes(size_t count, uint32_t seed = 1) {
    std::string out(count, '\0');
    for (char& c : out) c = static_cast<char>((seed = seed * 1103515245u + 12345u) >> 16);
    return out;
}

inline std::string streamText(const std::string& dictEntries, const std::string& data) {
    return "<< " + dictEntries + formatText(" /Length %zu >> stream\n", data.size()) + data +
           "\nendstream";
}

// One stream object's decoded bytes, read twice to show a reset starts again; "error": no stream.
inline std::string decodeStreamText(const std::string& text) {
    MemoryFile file(text);
    CPdfParser parser(nullptr, file.stream());
    CPdfObject obj = parser.nextObject();
    if (!obj.isStream()) return "error";
    std::string first = toString(readStreamBytes(*obj.getStream()));
    return first == toString(readStreamBytes(*obj.getStream())) ? first : "differs after reset";
}

// The text scanned as stored object 5; num is 0 when the scan fails.
inline RawObject scanObject5(const std::string& text, const LengthResolver& resolve = nullptr) {
    ByteSource source(text);
    RawObject obj;
    if (!scanRawObject(source, 5, true, resolve, obj)) obj = RawObject();
    return obj;
}

// A document opened from bytes in memory.
class OpenedPdf {
  public:
    explicit OpenedPdf(std::string bytes) : bytes_(bytes.empty() ? " " : bytes) {
        doc.openFile(fmemopen(&bytes_[0], bytes_.size(), "rb"));
    }
    CPdfXRef& xref() { return *doc.getXRef(); }
    FILE* file() { return doc.getFile(); }
    std::string fetch(int num, int gen = 0) {
        try {
            return describe(xref().fetchObject(num, gen));
        } catch (const CPdfException& e) {
            return e.getMessage();
        }
    }

  private:
    std::string bytes_;  // declared before doc: outlives the open file

  public:
    CPdfDocument doc;
};

// The message open gives for these bytes; when it opens, "opened" or object num as fetch gives it.
inline std::string openMessage(const std::string& bytes, int num = 0) {
    try {
        OpenedPdf pdf(bytes);
        return num ? pdf.fetch(num) : "opened";
    } catch (const CPdfException& e) {
        return e.getMessage();
    }
}

// Catalog 1, pages 2, and objects 5 and 7.
inline TestPdf basePdf() {
    TestPdf pdf;
    pdf.addObject(1, "<< /Type /Catalog /Pages 2 0 R >>");
    pdf.addObject(2, "<< /Type /Pages /Kids [] /Count 0 >>");
    pdf.addObject(5, "(old-five)");
    pdf.addObject(7, "(seven)");
    pdf.setTrailerExtra("/Root 1 0 R");
    return pdf;
}

// A classic table entry line; an xref stream row of widths w1 w2 w3.
inline std::string tableEntry(long offset, int gen, char kind) {
    return formatText("%010ld %05d %c \n", offset, gen, kind);
}
inline std::string row(unsigned long long kind, unsigned long long field2,
                       unsigned long long field3, int w1 = 1, int w2 = 4, int w3 = 2) {
    return bigEndianBytes(kind, w1) + bigEndianBytes(field2, w2) + bigEndianBytes(field3, w3);
}

// A file written piece by piece: add() returns the offset of what it appends.
class PdfAssembler {
  public:
    long add(const std::string& text) {
        long at = size();
        out_ += text;
        return at;
    }
    long addObject(int num, const std::string& body) {
        return add(formatText("%d 0 obj\n", num) + body + "\nendobj\n");
    }
    long addStream(int num, const std::string& dictEntries, const std::string& data) {
        return addObject(num, streamText(dictEntries, data));
    }
    std::string finish(long startxref) const {
        return out_ + formatText("startxref\n%ld\n%%%%EOF\n", startxref);
    }
    long size() const { return static_cast<long>(out_.size()); }

  private:
    std::string out_ = "%PDF-1.5\n";
};

// A file whose one section is an xref stream (W 1 4 2): numbers never added are free.
class XRefStreamFile {
  public:
    void plain(int num, const std::string& body) {
        rows_[num] = row(1, file_.addObject(num, body), 0);
    }
    void stream(int num, const std::string& dictEntries, const std::string& data) {
        rows_[num] = row(1, file_.addStream(num, dictEntries, data), 0);
    }
    // An object stream of (number, text) members.
    void objectStream(int num, const std::vector<std::pair<int, std::string>>& members) {
        std::string head, body;
        for (size_t i = 0; i < members.size(); i++) {
            head += formatText("%d %zu ", members[i].first, body.size());
            body += members[i].second + " ";
            member(members[i].first, num, static_cast<int>(i));
        }
        stream(num, formatText("/Type /ObjStm /N %zu /First %zu", members.size(), head.size()),
               head + body);
    }
    void member(int num, int streamNum, int index) { rows_[num] = row(2, streamNum, index); }
    // The catalog must be object 1.
    std::string finish() {
        int xrefNum = rows_.rbegin()->first + 1;
        long at = file_.size();
        rows_[xrefNum] = row(1, at, 0);
        std::string rows;
        for (int num = 0; num <= xrefNum; num++)
            rows += rows_.count(num) ? rows_[num] : row(0, 0, num == 0 ? 65535 : 0);
        file_.addStream(
            xrefNum, formatText("/Type /XRef /Size %d /W [1 4 2] /Root 1 0 R", xrefNum + 1), rows);
        return file_.finish(at);
    }

  private:
    PdfAssembler file_;
    std::map<int, std::string> rows_;
};
