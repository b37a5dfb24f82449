// What the writing and imposition steps of one conversion share: the input (parsed and raw),
// the output and its offset table.
#pragma once

#include <cstdio>
#include <map>
#include <string>

#include "pdf/CPdfDocument.h"
#include "writer/OffsetTable.h"
#include "writer/OutputFile.h"

struct WriteContext {
    WriteContext(CPdfDocument& document, FILE* inputFile, OutputFile& output, OffsetTable& table)
        : doc(document), input(inputFile), out(output), offsets(table) {}

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
    // Writes value, a direct value many output objects would otherwise each repeat, once as an
    // object of its own and returns its number; the same string object again gives that number.
    int writeSharedValue(const std::string& value) {
        auto found = sharedValues.find(&value);
        if (found != sharedValues.end()) return found->second;
        std::string text = std::to_string(nextObjectNumber()) + " 0 obj\n" + value + "\nendobj\n";
        return sharedValues[&value] = writeNewObject(text);
    }

    // Keyed by the value's address: the caller keeps each shared value alive for the run.
    std::map<const std::string*, int> sharedValues;
};
