// Password checks of the standard security handler: MD5 and RC4 up to revision 4, SHA-2 and AES
// from revision 5.
#include "pdf/PasswordKeys.h"

#include <cstdint>
#include <vector>

#include "pdf/Crypto.h"

namespace {

// Pads passwords to 32 bytes up to revision 4.
const std::string kPadding(
    "\x28\xBF\x4E\x5E\x4E\x75\x8A\x41\x64\x00\x4E\x56\xFF\xFA\x01\x08"
    "\x2E\x2E\x00\xB6\xD0\x68\x3E\x80\x2F\x0C\xA9\xFE\x64\x53\x69\x7A",
    32);

std::string padded(const std::string& password) {
    return (password.substr(0, 32) + kPadding).substr(0, 32);
}

// The key with every byte XORed with round: the 19 extra RC4 passes of revision 3 and later.
std::string xorKey(const std::string& key, int round) {
    std::string result = key;
    for (char& c : result) c = static_cast<char>(c ^ round);
    return result;
}

// Up to revision 4 a password is bytes in the document's own encoding; a password typed on a
// UTF-8 terminal is tried also as Latin-1, which matches it for the accented letters.
std::vector<std::string> passwordForms(const EncryptionDict& dict, const std::string& password) {
    std::vector<std::string> forms{password};
    if (dict.revision >= 5) return forms;
    std::string latin1;
    for (size_t i = 0; i < password.size(); i++) {
        auto c = static_cast<unsigned char>(password[i]);
        if (c < 0x80) {
            latin1 += static_cast<char>(c);
        } else if ((c == 0xC2 || c == 0xC3) && i + 1 < password.size() &&
                   (static_cast<unsigned char>(password[i + 1]) & 0xC0) == 0x80) {
            latin1 += static_cast<char>(((c & 0x1F) << 6) | (password[++i] & 0x3F));
        } else {
            return forms;
        }
    }
    if (latin1 != password) forms.push_back(latin1);
    return forms;
}

// Revisions 2 to 4: the file key from a password, and whether it reproduces /U.
std::string legacyUserKey(const EncryptionDict& dict, const std::string& password) {
    std::string input = padded(password) + dict.owner +
                        littleEndianBytes(static_cast<uint32_t>(dict.permissions), 4) +
                        dict.firstId;
    if (dict.revision >= 4 && !dict.encryptMetadata) input += std::string(4, '\xFF');
    std::string key = md5Digest(input).substr(0, dict.keyLength);
    if (dict.revision >= 3) {
        for (int i = 0; i < 50; i++) key = md5Digest(key).substr(0, dict.keyLength);
    }
    if (dict.revision == 2) return rc4Crypt(key, kPadding) == dict.user ? key : "";
    std::string check = rc4Crypt(key, md5Digest(kPadding + dict.firstId));
    for (int round = 1; round <= 19; round++) check = rc4Crypt(xorKey(key, round), check);
    // Only the first 16 bytes of /U are defined; the rest is arbitrary.
    return check == dict.user.substr(0, 16) ? key : "";
}

// Revisions 2 to 4: the owner password is the RC4 key that hides the padded user password in
// /O.
std::string legacyOwnerKey(const EncryptionDict& dict, const std::string& password) {
    std::string hash = md5Digest(padded(password));
    if (dict.revision >= 3) {
        for (int i = 0; i < 50; i++) hash = md5Digest(hash);
    }
    std::string key = hash.substr(0, dict.keyLength);
    std::string userPassword = dict.owner;
    if (dict.revision == 2) {
        userPassword = rc4Crypt(key, userPassword);
    } else {
        for (int round = 19; round >= 0; round--) {
            userPassword = rc4Crypt(xorKey(key, round), userPassword);
        }
    }
    return legacyUserKey(dict, userPassword);
}

// Revisions 5 and 6: the hash of a password with a salt (and /U for the owner password).
// Revision 6 hardens it with at least 64 rounds of AES and SHA-2.
std::string passwordHash(const EncryptionDict& dict, const std::string& password,
                         const std::string& salt, const std::string& userEntry) {
    std::string pass = password.substr(0, 127);
    std::string hash = sha2Digest(256, pass + salt + userEntry);
    if (dict.revision == 5) return hash;
    for (int round = 1;; round++) {
        std::string block = pass + hash + userEntry;
        std::string repeated;
        repeated.reserve(block.size() * 64);
        for (int i = 0; i < 64; i++) repeated += block;
        std::string mixed = aesCbcEncrypt(hash.substr(0, 16), hash.substr(16, 16), repeated);
        int sum = 0;
        for (int i = 0; i < 16; i++) sum += static_cast<unsigned char>(mixed[i]);
        hash = sha2Digest(256 + 128 * (sum % 3), mixed);
        if (round >= 64 && static_cast<unsigned char>(mixed.back()) <= round - 32) break;
    }
    return hash.substr(0, 32);
}

// Revisions 5 and 6: entry is /U or /O (hash, validation salt, key salt), sealedKey /UE or /OE.
std::string aesFileKey(const EncryptionDict& dict, const std::string& password,
                       const std::string& entry, const std::string& sealedKey,
                       const std::string& userEntry) {
    if (passwordHash(dict, password, entry.substr(32, 8), userEntry) != entry.substr(0, 32)) {
        return "";
    }
    std::string key = passwordHash(dict, password, entry.substr(40, 8), userEntry);
    return aesCbcDecrypt(key, std::string(16, '\0'), sealedKey);
}

}  // namespace

std::string fileKeyForUserPassword(const EncryptionDict& dict, const std::string& password) {
    for (const std::string& form : passwordForms(dict, password)) {
        std::string key = dict.revision >= 5 ? aesFileKey(dict, form, dict.user, dict.userKey, "")
                                             : legacyUserKey(dict, form);
        if (!key.empty()) return key;
    }
    return "";
}

std::string fileKeyForOwnerPassword(const EncryptionDict& dict, const std::string& password) {
    for (const std::string& form : passwordForms(dict, password)) {
        std::string key = dict.revision >= 5
                              ? aesFileKey(dict, form, dict.owner, dict.ownerKey, dict.user)
                              : legacyOwnerKey(dict, form);
        if (!key.empty()) return key;
    }
    return "";
}
