// Cross-reference reading: startxref, the chain of tables and xref streams, and the trailer,
// read into a CPdfXRef.
#pragma once

#include <cstdint>
#include <set>

#include "pdf/CPdfXRef.h"

class CPdfParser;

// Reads the cross-reference sections of a file into a CPdfXRef.
class CPdfXRefReader {
  public:
    explicit CPdfXRefReader(CPdfXRef& xref);

    // Reads startxref and the chain of sections; opens an encrypted file (see CPdfXRef::read).
    void read(const std::string& password);

  private:
    int64_t findStartXRef();
    // Reads the section at offset (relative to the header); sets prev to its Prev offset and
    // returns whether it has one.
    bool readSection(int64_t offset, int64_t* prev);
    bool readTable(CPdfParser& parser, int64_t* prev);
    bool readPlainTable(int64_t start, int64_t* prev, bool* done);
    bool readTrailer(CPdfParser& parser, int64_t* prev);
    bool readXRefStream(CPdfParser& parser, int num, int64_t* prev);
    void readStreamSubsection(CPdfStream& data, int64_t first, int64_t count, const int* widths);
    void growTo(int64_t size);
    void store(int64_t num, int64_t offset, int64_t gen, CPdfXRefEntryType type);
    static bool prevOffset(const CPdfObject& dict, int64_t* prev);
    void readHybridStream(const CPdfObject& trailer);
    void openEncryption(const CPdfObject& stored, const std::string& password);

    CPdfXRef& xref_;
    int64_t maxEntries_;
    // Sections already read: a chain that comes back to one of them ends there.
    std::set<int64_t> visited_;
    // Entries the table being read marked free: its /XRefStm stream may still define them.
    std::set<int64_t> replaceable_;
};
