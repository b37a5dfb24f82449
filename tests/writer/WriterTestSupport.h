// Test helpers for the writer: an input document opened from bytes and an output being written.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "pdf/CPdfDocument.h"
#include "pdf/FormatText.h"
#include "support/TestPdf.h"
#include "writer/ObjectCopy.h"
#include "writer/OffsetTable.h"
#include "writer/OutputFile.h"
#include "writer/WriteContext.h"
#include "writer/XRefWriter.h"

// One conversion's writing state on an input given as bytes: the document, the raw input, the
// output file in a temporary folder and its offset table.
class WriterSetup {
  public:
    explicit WriterSetup(const std::string& pdf) {
        std::string in = dir_.write("in.pdf", pdf);
        doc.open(in);
        input_ = std::fopen(in.c_str(), "rb");
        out.create(outputPath());
        offsets.reset(doc.getXRef()->getNumObjects());
        ctx = std::make_unique<WriteContext>(WriteContext(doc, input_, out, offsets));
    }
    ~WriterSetup() {
        if (input_) std::fclose(input_);
    }
    WriterSetup(const WriterSetup&) = delete;
    WriterSetup& operator=(const WriterSetup&) = delete;

    // Closes the output and returns its bytes.
    std::string finish() {
        out.finish();
        return readFileBytes(outputPath());
    }
    // Ends the output with the table and trailer of the input's catalog and info.
    std::string finishPdf() {
        int64_t start = writeXRefTable(*ctx);
        writeTrailer(*ctx, start, doc.getXRef()->getRootNum(), doc.getXRef()->getInfoNum());
        return finish();
    }
    std::string outputPath() const { return dir_.file("out.pdf"); }

  private:
    TempDir dir_;
    FILE* input_ = nullptr;

  public:
    CPdfDocument doc;
    OutputFile out;
    OffsetTable offsets;
    std::unique_ptr<WriteContext> ctx;
};

// Catalog 1 and an empty page tree 2, then the objects a test adds.
inline TestPdf emptyDocPdf() {
    TestPdf pdf;
    pdf.addObject(1, "<< /Type /Catalog /Pages 2 0 R >>");
    pdf.addObject(2, "<< /Type /Pages /Kids [] /Count 0 >>");
    pdf.setTrailerExtra("/Root 1 0 R");
    return pdf;
}
