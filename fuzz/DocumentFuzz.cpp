// Fuzz target: arbitrary bytes opened as a document (encrypted ones decrypted); every object is
// fetched, and its raw text taken and scanned.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "pdf/CPdfDocument.h"
#include "pdf/CPdfException.h"
#include "pdf/ObjectText.h"
#include "pdf/RawObject.h"
#include "pdf/StreamFilters.h"

namespace {

// A few bytes may declare many thousands of objects; fetching a bounded number of them keeps
// every run short while reaching the same code.
constexpr int kMaxFetches = 2000;
constexpr size_t kMaxDecoded = size_t{1} << 16;

void readEverything(CPdfDocument& doc) {
    CPdfXRef& xref = *doc.getXRef();
    // The trailer resolves through the document now: look its entries up as a reader would.
    if (CPdfDict* trailer = xref.getTrailer().getDict()) {
        for (const auto& entry : trailer->entries()) {
            try {
                trailer->lookup(entry.first);
            } catch (const CPdfException&) {
            }
        }
    }
    int fetches = 0;
    for (int num = 0; num < xref.getNumObjects() && fetches < kMaxFetches; num++) {
        const CPdfXRefEntry& entry = xref.getEntry(num);
        if (entry.type == xrefFree) continue;
        fetches++;
        try {
            CPdfObject obj = xref.fetchObject(num, xref.getOutputGen(num));
            if (obj.isStream()) readStreamBytes(*obj.getStream(), kMaxDecoded);
        } catch (const CPdfException&) {
        }
        try {
            std::string text;
            getObjectText(doc.getFile(), num, doc, text);
        } catch (const CPdfException&) {
        }
        try {
            RawObject scanned;
            scanStoredObject(xref, doc.getFile(), num, xref.getFileSize(), scanned);
        } catch (const CPdfException&) {
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    std::vector<uint8_t> bytes(data, data + size);
    CPdfDocument doc;
    // An encrypted seed opens with the empty password or with "user", the one the seeds use:
    // either way its objects are decrypted as they are read.
    for (const char* password : {"", "user"}) {
        FILE* file = fmemopen(bytes.data(), bytes.size(), "rb");
        if (!file) return 0;
        try {
            doc.openFile(file, password);
            break;
        } catch (const CPdfException& e) {
            if (e.getKind() != CPdfException::Kind::encrypted || *password) return 0;
        }
    }
    readEverything(doc);
    return 0;
}
