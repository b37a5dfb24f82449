// What the writing and imposition steps of one conversion share: the input (parsed and raw),
// the output and its offset table.
#pragma once

#include <cstdio>
#include <string>

#include "pdf/CPdfDocument.h"
#include "writer/OffsetTable.h"
#include "writer/OutputFile.h"

struct WriteContext {
    CPdfDocument& doc;
    FILE* input;  // the input opened a second time, for raw object text
    OutputFile& out;
    OffsetTable& offsets;

    CPdfXRef* xref() const { return doc.getXRef(); }
    // The number the next new object gets; the caller formats "N 0 obj\n..." with it.
    int nextObjectNumber() const { return offsets.size(); }
    // Records a new object at the current position and writes its text; returns its number.
    int writeNewObject(const std::string& text) {
        int num = offsets.newObject(out.position());
        out.write(text);
        return num;
    }
};
