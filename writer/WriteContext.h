// What the writing and imposition steps of one conversion share: the input (parsed and raw),
// the output and its offset table.
#pragma once

#include <cstdio>
#include <functional>
#include <string>

#include "pdf/CPdfDocument.h"
#include "writer/OffsetTable.h"
#include "writer/OutputFile.h"

struct WriteContext {
    CPdfDocument& doc;
    FILE* input;  // the input opened a second time, for raw object text
    OutputFile& out;
    OffsetTable& offsets;
    // Edits the text of input object num before it is written again (the verbatim copy, a moved
    // annotation): the one place where a copied object's bytes may change. Unset: none change.
    std::function<void(int num, std::string& text)> editInputText;

    CPdfXRef* xref() const { return doc.getXRef(); }
    void editCopiedText(int num, std::string& text) const {
        if (editInputText) editInputText(num, text);
    }
    // The number the next new object gets; the caller formats "N 0 obj\n..." with it.
    int nextObjectNumber() const { return offsets.size(); }
    // Records a new object at the current position and writes its text; returns its number.
    int writeNewObject(const std::string& text) {
        int num = offsets.newObject(out.position());
        out.write(text);
        return num;
    }
};
