// Test helpers for documents: opening bytes as a document and assembling files by hand.
#pragma once

#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "pdf/CPdfDocument.h"
#include "pdf/CPdfException.h"
#include "pdf/FormatText.h"
#include "pdf/PdfTestSupport.h"
#include "support/TestPdf.h"

// A document opened from bytes held in memory; the constructor throws what open throws.
class OpenedPdf {
  public:
    explicit OpenedPdf(std::string bytes) : bytes_(std::move(bytes)) {
        if (bytes_.empty()) bytes_ = " ";
        doc.openFile(fmemopen(&bytes_[0], bytes_.size(), "rb"));
    }
    CPdfXRef& xref() { return *doc.getXRef(); }
    FILE* file() { return doc.getFile(); }

  private:
    std::string bytes_;  // declared before doc: outlives the open file

  public:
    CPdfDocument doc;
};

// Catalog 1, pages 2, and object 5 whose value tells which version of the file defined it.
inline TestPdf basePdf() {
    TestPdf pdf;
    pdf.addObject(1, "<< /Type /Catalog /Pages 2 0 R >>");
    pdf.addObject(2, "<< /Type /Pages /Kids [] /Count 0 >>");
    pdf.addObject(5, "(old-five)");
    pdf.addObject(7, "(seven)");
    pdf.setTrailerExtra("/Root 1 0 R");
    return pdf;
}

// The object's description, or the message when fetching it fails.
inline std::string fetchOutcome(OpenedPdf& pdf, int num, int gen = 0) {
    try {
        return describe(pdf.xref().fetchObject(num, gen));
    } catch (const CPdfException& e) {
        return e.getMessage();
    }
}

// The message open gives for these bytes; "opened" when it succeeds.
inline std::string openMessage(const std::string& bytes) {
    try {
        OpenedPdf pdf(bytes);
        return "opened";
    } catch (const CPdfException& e) {
        return e.getMessage();
    }
}

// A file written piece by piece: add() returns the offset of what it appends, counted from the
// header ("%PDF-") so that junk before it does not shift the recorded offsets.
class PdfAssembler {
  public:
    explicit PdfAssembler(const std::string& prefix = "") : out_(prefix + "%PDF-1.5\n") {
        headerAt_ = static_cast<long>(prefix.size());
    }
    long add(const std::string& text) {
        long at = static_cast<long>(out_.size()) - headerAt_;
        out_ += text;
        return at;
    }
    long addObject(int num, const std::string& body, int gen = 0) {
        return add(formatText("%d %d obj\n", num, gen) + body + "\nendobj\n");
    }
    // A stream object whose dictionary gets /Length of the data.
    long addStream(int num, const std::string& dictEntries, const std::string& data) {
        return add(formatText("%d 0 obj\n<< %s /Length %zu >>\nstream\n", num, dictEntries.c_str(),
                              data.size()) +
                   data + "\nendstream\nendobj\n");
    }
    // An xref stream object: rows are the raw entry bytes, dictEntries holds /W, /Index, ...
    long addXRefStream(int num, const std::string& dictEntries, const std::string& rows) {
        return addStream(num, "/Type /XRef " + dictEntries, rows);
    }
    // "startxref" with the given offset and the end marker.
    std::string finish(long startxref) const {
        return out_ + formatText("startxref\n%ld\n%%%%EOF\n", startxref);
    }
    long size() const { return static_cast<long>(out_.size()) - headerAt_; }

  private:
    std::string out_;
    long headerAt_;
};

// One classic table entry line.
inline std::string tableEntry(long offset, int gen, char kind) {
    return formatText("%010ld %05d %c \n", offset, gen, kind);
}

// One xref stream row of widths w1 w2 w3.
inline std::string row(unsigned long long kind, unsigned long long field2,
                       unsigned long long field3, int w1 = 1, int w2 = 4, int w3 = 2) {
    return bigEndianBytes(kind, w1) + bigEndianBytes(field2, w2) + bigEndianBytes(field3, w3);
}

// A file whose one section is an xref stream (W 1 4 2): plain objects, object streams and
// compressed members are listed as added; numbers never added are free.
class XRefStreamFile {
  public:
    void plain(int num, const std::string& body) {
        rows_[num] = row(1, file_.addObject(num, body), 0);
    }
    void stream(int num, const std::string& dictEntries, const std::string& data) {
        rows_[num] = row(1, file_.addStream(num, dictEntries, data), 0);
    }
    // An object stream holding (number, text) members in order, each followed by a space.
    void objectStream(int num, const std::vector<std::pair<int, std::string>>& members,
                      const std::string& extraDict = "") {
        std::string head, body;
        for (size_t i = 0; i < members.size(); i++) {
            head += formatText("%d %zu ", members[i].first, body.size());
            body += members[i].second + " ";
            member(members[i].first, num, static_cast<int>(i));
        }
        stream(num,
               formatText("/Type /ObjStm /N %zu /First %zu %s", members.size(), head.size(),
                          extraDict.c_str()),
               head + body);
    }
    void member(int num, int streamNum, int index) { rows_[num] = row(2, streamNum, index); }
    // The file; the catalog must have been added as object 1.
    std::string finish() {
        int xrefNum = rows_.empty() ? 1 : rows_.rbegin()->first + 1;
        long at = file_.size();
        rows_[xrefNum] = row(1, at, 0);
        std::string rows;
        for (int num = 0; num <= xrefNum; num++) {
            auto found = rows_.find(num);
            rows += found == rows_.end() ? row(0, 0, num == 0 ? 65535 : 0) : found->second;
        }
        file_.addXRefStream(xrefNum, formatText("/Size %d /W [1 4 2] /Root 1 0 R", xrefNum + 1),
                            rows);
        return file_.finish(at);
    }

  private:
    PdfAssembler file_;
    std::map<int, std::string> rows_;
};
