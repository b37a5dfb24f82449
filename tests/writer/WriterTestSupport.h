// Writer test helpers: an input opened from bytes, the output in a temporary folder.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "pdf/CPdfDocument.h"
#include "pdf/FormatText.h"
#include "support/TestPdf.h"
#include "writer/ObjectCopy.h"
#include "writer/XRefWriter.h"

// One conversion's writing state: the document, the raw input, the output and its offset table.
class WriterSetup {
  public:
    explicit WriterSetup(const std::string& pdf) {
        std::string in = dir_.write("in.pdf", pdf);
        doc.open(in);
        input_.reset(std::fopen(in.c_str(), "rb"));
        out.create(outputPath());
        offsets.reset(doc.getXRef()->getNumObjects());
        ctx = std::make_unique<WriteContext>(doc, input_.get(), out, offsets);
    }
    std::string finish() {
        out.finish();
        return readFileBytes(outputPath());
    }
    // Ends the output with the table and trailer; its bytes.
    std::string finishPdf() {
        int64_t start = writeXRefTable(*ctx);
        writeTrailer(*ctx, start, doc.getXRef()->getRootNum(), doc.getXRef()->getInfoNum());
        return finish();
    }
    std::string outputPath() const { return dir_.file("out.pdf"); }

  private:
    TempDir dir_;
    std::unique_ptr<FILE, int (*)(FILE*)> input_{nullptr, std::fclose};

  public:
    CPdfDocument doc;
    OutputFile out;
    OffsetTable offsets;
    std::unique_ptr<WriteContext> ctx;
};

// Catalog 1 and page tree 2, with page 3 when one is given; then the objects a test adds.
inline TestPdf catalogPdf(const std::string& page = "") {
    TestPdf pdf;
    pdf.addObject(1, "<< /Type /Catalog /Pages 2 0 R >>");
    pdf.addObject(2, page.empty() ? "<< /Type /Pages /Kids [] /Count 0 >>"
                                  : "<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
    if (!page.empty()) pdf.addObject(3, page);
    pdf.setTrailerExtra("/Root 1 0 R");
    return pdf;
}
