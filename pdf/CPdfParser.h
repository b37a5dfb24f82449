// Lexer and object parser: turns the bytes of a chain of streams into PDF values.
#pragma once

#include <memory>
#include <vector>

#include "pdf/CPdfDecryptStream.h"
#include "pdf/CPdfObject.h"
#include "pdf/CPdfStream.h"

class CPdfParser {
  public:
    // xref resolves an indirect /Length and is bound into created arrays and dictionaries; may be
    // null. decryption (when given) decrypts every string and stream data parsed: the parser then
    // reads one object of an encrypted file.
    CPdfParser(CPdfXRef* xref, std::shared_ptr<CPdfStream> stream,
               const ObjectDecryption* decryption = nullptr);
    ~CPdfParser();
    CPdfParser(const CPdfParser&) = delete;
    CPdfParser& operator=(const CPdfParser&) = delete;

    // The next complete object: Error for rejected input, EOF at the end of all input.
    CPdfObject nextObject();

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};
