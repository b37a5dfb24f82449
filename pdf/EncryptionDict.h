// The entries of a standard security handler's /Encrypt dictionary, read and checked.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

#include "pdf/CPdfObject.h"

// How one crypt filter encrypts: not at all, RC4, AES-128-CBC or AES-256-CBC.
enum class CryptMethod { identity, rc4, aes128, aes256 };

struct EncryptionDict {
    int version = 0;       // /V
    int revision = 0;      // /R
    size_t keyLength = 5;  // bytes of the file key
    // /O and /U: 32 bytes up to revision 4, 48 bytes (hash and two salts) from revision 5.
    std::string owner, user;
    // /OE, /UE (the file key encrypted under a password hash) and /Perms, revisions 5 and 6.
    std::string ownerKey, userKey, perms;
    int32_t permissions = 0;  // /P
    // False only from revision 4 on, with /EncryptMetadata false: metadata streams stay plain.
    bool encryptMetadata = true;
    CryptMethod strings = CryptMethod::rc4;
    CryptMethod streams = CryptMethod::rc4;
    CryptMethod embeddedFiles = CryptMethod::rc4;
    // Every crypt filter by name, Identity included, for streams that name their own.
    std::map<std::string, CryptMethod> filters;
    std::string firstId;  // the first string of the trailer's /ID
};

// Reads the dictionary; throws CPdfException "Unsupported encryption: ..." for another security
// handler, version, revision or method, and "Damaged encryption dictionary: ..." for entries
// missing, too short or out of range.
EncryptionDict readEncryptionDict(const CPdfObject& encrypt, const std::string& firstId);
