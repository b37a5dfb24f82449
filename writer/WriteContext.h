// What the writing and imposition steps of one conversion share: the input (parsed and raw),
// the output and its offset table.
#pragma once

#include <cstdio>
#include <functional>
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
    int writeNewObject(const std::string& text);
    // Records the write of an object under num and gen and writes its text: an input object
    // edited, or any text read through getObjectText.
    void writeObject(int num, int gen, const std::string& text);
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

// Every object text Tessel writes other than a verbatim copy goes through here: the texts it
// reads and edits are plain (getObjectText), and an encrypted input's output is encrypted again
// with the key of the number and generation the object is written under.
std::string outputObjectText(CPdfXRef& xref, int num, int gen, const std::string& text);
// The same for the stored text of input object num (edited only outside its strings and stream
// data, whose stored length is storedLength, -1 when not known) written as object outNum: the
// stored text itself when nothing asks for another key.
std::string outputStoredText(CPdfXRef& xref, int num, int gen, int outNum, int outGen,
                             const std::string& text, int64_t storedLength);
