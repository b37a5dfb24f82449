// An opened input PDF: its file, whole-file stream and cross-reference component.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "pdf/CPdfXRef.h"
#include "pdf/FileHandle.h"

class CPdfDocument {
  public:
    CPdfDocument() = default;
    ~CPdfDocument();
    CPdfDocument(const CPdfDocument&) = delete;
    CPdfDocument& operator=(const CPdfDocument&) = delete;

    // Opens the file and reads its cross-reference data; an encrypted file opens with the empty
    // password or else with password. Throws CPdfException ("Can't open file", "PDF file was
    // damaged", ...; of the kind encrypted when the file cannot be decrypted).
    void open(const std::string& path, const std::string& password = std::string());
    // The same on a file already open for reading (for example an in-memory one); the document
    // takes the file over and closes it, also when the open fails.
    void openFile(FILE* file, const std::string& password = std::string());
    void close();
    bool isOpen() const { return open_; }

    CPdfXRef* getXRef() const { return xref_.get(); }
    FILE* getFile() const { return file_.get(); }
    int64_t getHeaderOffset() const;

  private:
    bool open_ = false;
    // Declared in the order of their lifetimes: the later ones read through the earlier ones.
    FileHandle file_;
    std::shared_ptr<CPdfStream> base_;
    std::unique_ptr<CPdfXRef> xref_;
};
