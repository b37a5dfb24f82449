// Test helpers for the reader: in-memory files, documents, compact descriptions of parsed values.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "pdf/CPdfDocument.h"
#include "pdf/CPdfException.h"
#include "pdf/CPdfFileStream.h"
#include "pdf/CPdfParser.h"
#include "pdf/FormatText.h"
#include "pdf/StreamFilters.h"
#include "support/TestPdf.h"

// Bytes opened as a read-only FILE*; fmemopen refuses zero bytes, so empty input skips a space.
struct MemoryFile {
    explicit MemoryFile(std::string bytes)
        : bytes_(bytes.empty() ? " " : bytes),
          skip_(bytes.empty()),
          file_(fmemopen(&bytes_[0], bytes_.size(), "rb")) {}
    ~MemoryFile() { std::fclose(file_); }
    std::shared_ptr<CPdfStream> stream() const {
        return std::make_shared<CPdfFileStream>(file_, skip_, false, 0, CPdfObject::makeNull());
    }
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

// Each row "input => expected": got(input) must give expected.
template <typename Got>
void expectRows(std::initializer_list<std::string> rows, Got got) {
    for (const std::string& row : rows)
        EXPECT_EQ(got(splitCase(row).first), splitCase(row).second) << row;
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
    CPdfObject obj = CPdfParser(nullptr, file.stream()).nextObject();
    if (!obj.isStream()) return "error";
    std::string first = toString(readStreamBytes(*obj.getStream()));
    return first == toString(readStreamBytes(*obj.getStream())) ? first : "differs after reset";
}

// A document opened from bytes in memory.
struct OpenedPdf {
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
    std::string bytes_;  // declared before doc: outlives the open file
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
struct PdfAssembler {
    long add(const std::string& text) {
        out += text;
        return static_cast<long>(out.size() - text.size());
    }
    long addObject(int num, const std::string& body) {
        return add(formatText("%d 0 obj\n", num) + body + "\nendobj\n");
    }
    long addStream(int num, const std::string& dictEntries, const std::string& data) {
        return addObject(num, streamText(dictEntries, data));
    }
    std::string finish(long startxref) const {
        return out + formatText("startxref\n%ld\n%%%%EOF\n", startxref);
    }
    std::string out = "%PDF-1.5\n";
};
