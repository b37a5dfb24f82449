// Cross-reference reading: the entry list of a document, its trailer, and fetching objects by
// number.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "pdf/CPdfException.h"
#include "pdf/CPdfObject.h"
#include "pdf/CPdfStream.h"

enum CPdfXRefEntryType { xrefFree = 0, xrefUncompressed = 1, xrefCompressed = 2 };

struct CPdfXRefEntry {
    // Kind 1: byte offset of "N G obj", relative to the header. Kind 2: number of the object
    // stream.
    int64_t offset = -1;
    // Kind 1 and 0: generation. Kind 2: index of the object within its object stream.
    int gen = 0;
    CPdfXRefEntryType type = xrefFree;
    // Set once a section has filled the entry: the newest section wins.
    bool filled = false;
};

// "object N G cannot be read: <reason>": an object the cross-reference promises is damaged.
CPdfException unreadableObject(int num, int gen, const std::string& reason);

class CPdfObjectStream;
class CPdfObjectStreamData;
class CPdfSecurity;
struct ObjectDecryption;

class CPdfXRef {
  public:
    // base: the whole-file stream, whose start is already moved to the "%PDF-" header.
    CPdfXRef(std::shared_ptr<CPdfStream> base, int64_t headerOffset, int64_t fileSize);
    ~CPdfXRef();
    CPdfXRef(const CPdfXRef&) = delete;
    CPdfXRef& operator=(const CPdfXRef&) = delete;

    // Reads startxref and the chain of sections, then opens an encrypted file with the empty
    // password or else with password. Throws CPdfException on damage, and one of the kind
    // encrypted when no password fits or the encryption is not the standard handler's.
    void read(const std::string& password = std::string());

    // The object numbered num: Null when free, absent or of another generation. Throws
    // "Corrupted PDF file" for a number outside the entry list, and unreadableObject() for an
    // object the entry promises but that is not there.
    CPdfObject fetchObject(int num, int gen);

    // Whether an entry may point at nothing readable without that being damage: an in-use
    // entry at offset 0 (where the header is) stands for an unused number with some writers,
    // and a cross-reference stream's own entry is often wrong, while the stream is found
    // through its section offset and nothing refers to it.
    bool mayBeUnreadable(int num) const;

    int getRootNum() const { return rootNum_; }
    int getRootGen() const { return rootGen_; }
    int getInfoNum() const { return infoNum_; }
    const CPdfObject& getTrailer() const { return trailer_; }
    int getNumObjects() const { return static_cast<int>(entries_.size()); }
    const CPdfXRefEntry& getEntry(int num) const { return entries_[static_cast<size_t>(num)]; }
    const std::vector<CPdfXRefEntry>& getEntries() const { return entries_; }
    int64_t getHeaderOffset() const { return headerOffset_; }
    int64_t getFileSize() const { return fileSize_; }
    // Generation to write for an object kept under its input number: its entry's, 0 when
    // compressed.
    int getOutputGen(int num) const;

    // Decoded bytes of member `index` of object stream `streamNum` when it holds object `num`
    // (the raw-text view); false when there are none. Uses a small cache of recent streams.
    bool getCompressedMemberBytes(int streamNum, int index, int num, std::string& bytes);

    // The security handler of an encrypted file, authenticated; null for a plain file.
    const CPdfSecurity* getSecurity() const { return security_.get(); }
    // Whether the strings and stream data of stored object num are encrypted: in an encrypted
    // file every plainly stored object but the encryption dictionary itself.
    bool isEncrypted(int num) const;
    // The number of the encryption dictionary when it is an object of its own, else 0.
    int getEncryptNum() const { return encryptNum_; }

  private:
    // The cached views of object stream streamNum, built when first asked for.
    std::shared_ptr<CPdfObjectStreamData> objectStreamDataView(int streamNum);
    std::shared_ptr<CPdfObjectStream> objectStreamView(int streamNum);
    // Object streams read before the file was decrypted hold undecrypted data.
    void dropObjectStreamCaches();

    struct Impl;
    std::unique_ptr<Impl> impl_;
    std::shared_ptr<CPdfStream> base_;
    int64_t headerOffset_;
    int64_t fileSize_;
    std::vector<CPdfXRefEntry> entries_;
    CPdfObject trailer_;
    int rootNum_ = 0, rootGen_ = 0, infoNum_ = 0;
    // Object numbers of the cross-reference streams read.
    std::vector<int> xrefStreamNums_;
    std::unique_ptr<CPdfSecurity> security_;
    int encryptNum_ = 0;

    friend class CPdfXRefReader;
};
