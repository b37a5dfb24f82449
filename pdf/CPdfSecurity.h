// The standard security handler of an encrypted document: checks a password, then decrypts and
// encrypts the strings and stream data of each object with that object's key.
//
// How the reader and writer use it:
// - The reader builds it from the trailer's /Encrypt dictionary (resolved) and firstFileId() of
//   the trailer, instead of refusing the file, and tries authenticate("") and then the
//   -password text; none fitting means the password is needed.
// - Every string of a fetched object (inside arrays and dictionaries too, stream dictionaries
//   included) goes through decryptString(num, gen), and the raw bytes of every stream through
//   decryptStream(num, gen, dict) before its filters run; a /Crypt filter in a stream's own
//   /Filter list is then skipped by the filter chain. Members of an object stream are not
//   encrypted themselves (their object stream is), nor are the strings of the /Encrypt
//   dictionary, the trailer's /ID, cross-reference streams, or a signature's /Contents.
// - Objects copied byte for byte keep their encrypted bytes. Everything written new or under a
//   new number, and every object whose text is rewritten, is encrypted with encryptString and
//   encryptStream under the number and generation it is written with.
// - The output keeps the input's /Encrypt dictionary and first file identifier, so the same
//   passwords open it.
#pragma once

#include <string>

#include "pdf/CPdfObject.h"
#include "pdf/EncryptionDict.h"

class CPdfSecurity {
  public:
    enum class Access { none, user, owner };

    // Reads the /Encrypt dictionary; throws CPdfException when Tessel cannot handle it (see
    // readEncryptionDict).
    CPdfSecurity(const CPdfObject& encrypt, const std::string& firstId);

    // The first string of the trailer's /ID, empty when there is none.
    static std::string firstFileId(const CPdfObject& trailer);

    // Tries the password as owner, then as user password; on success the object keys are ready.
    Access authenticate(const std::string& password);
    bool isAuthenticated() const { return !fileKey_.empty(); }
    // Revisions 5 and 6: whether /Perms decrypts to the /P and /EncryptMetadata stated in clear
    // (viewers only warn when it does not).
    bool permsMatch() const { return permsMatch_; }
    const EncryptionDict& dict() const { return dict_; }

    // After a successful authenticate. Decrypting never throws: a ciphertext that is not an AES
    // IV plus whole blocks loses its incomplete tail, and bad padding leaves the bytes as they
    // decrypt (viewers show such data the same way).
    std::string decryptString(int num, int gen, const std::string& bytes) const;
    std::string encryptString(int num, int gen, const std::string& bytes) const;
    // streamDict is the stream's dictionary (or Null): metadata, embedded files, cross-reference
    // streams and a stream's own /Crypt filter choose their own crypt filter.
    std::string decryptStream(int num, int gen, const CPdfObject& streamDict,
                              const std::string& bytes) const;
    std::string encryptStream(int num, int gen, const CPdfObject& streamDict,
                              const std::string& bytes) const;

  private:
    CryptMethod streamMethod(const CPdfObject& streamDict) const;
    std::string objectKey(CryptMethod method, int num, int gen) const;
    std::string crypt(bool encrypting, CryptMethod method, int num, int gen,
                      const std::string& bytes) const;

    EncryptionDict dict_;
    std::string fileKey_;
    bool permsMatch_ = false;
};
