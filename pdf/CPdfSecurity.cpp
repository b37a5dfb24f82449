// The standard security handler: password check, object keys, and the string and stream ciphers.
#include "pdf/CPdfSecurity.h"

#include <algorithm>
#include <cassert>

#include "pdf/CPdfException.h"
#include "pdf/Crypto.h"
#include "pdf/FormatText.h"
#include "pdf/PasswordKeys.h"

namespace {

constexpr size_t kAesBlock = 16;

std::string objectNumberBytes(int num, int gen) {
    return littleEndianBytes(static_cast<uint32_t>(num), 3) +
           littleEndianBytes(static_cast<uint32_t>(gen), 2);
}

// The IV, then whole blocks; without one whole block there is nothing to decrypt.
std::string aesDecrypt(const std::string& key, const std::string& bytes) {
    if (bytes.size() < 2 * kAesBlock) return "";
    size_t length = (bytes.size() - kAesBlock) / kAesBlock * kAesBlock;
    std::string plain =
        aesCbcDecrypt(key, bytes.substr(0, kAesBlock), bytes.substr(kAesBlock, length));
    auto pad = static_cast<unsigned char>(plain.back());
    if (pad >= 1 && pad <= kAesBlock &&
        plain.compare(plain.size() - pad, pad, std::string(pad, static_cast<char>(pad))) == 0) {
        plain.resize(plain.size() - pad);
    }
    return plain;
}

std::string aesEncrypt(const std::string& key, int num, int gen, const std::string& bytes) {
    // A random IV would make every run's output differ. A keyed hash of the object number and
    // the plaintext is just as unpredictable to anyone without the key, and it repeats only for
    // the same plaintext in the same object, which then encrypts to the same bytes: that shows
    // the two are equal and nothing more.
    std::string iv = hmacSha256(key, objectNumberBytes(num, gen) + bytes).substr(0, kAesBlock);
    size_t pad = kAesBlock - bytes.size() % kAesBlock;
    return iv + aesCbcEncrypt(key, iv, bytes + std::string(pad, static_cast<char>(pad)));
}

}  // namespace

CPdfSecurity::CPdfSecurity(const CPdfObject& encrypt, const std::string& firstId)
    : dict_(readEncryptionDict(encrypt, firstId)) {}

std::string CPdfSecurity::firstFileId(const CPdfObject& trailer) {
    const CPdfDict* dict = trailer.getDict();
    if (!dict) return "";
    CPdfObject ids = dict->lookup("ID");
    CPdfObject first = ids.isArray() ? ids.getArray()->get(0) : CPdfObject::makeNull();
    return first.isString() ? first.getString() : "";
}

CPdfSecurity::Access CPdfSecurity::authenticate(const std::string& password) {
    Access access = Access::owner;
    std::string key = fileKeyForOwnerPassword(dict_, password);
    if (key.empty()) {
        access = Access::user;
        key = fileKeyForUserPassword(dict_, password);
    }
    if (key.empty()) return Access::none;
    fileKey_ = key;
    permsMatch_ = true;
    if (dict_.revision >= 5) {
        // /Perms is one AES block under the file key: P, then "T" or "F", then "adb".
        std::string perms =
            dict_.perms.empty() ? "" : aesCbcDecrypt(fileKey_, std::string(16, '\0'), dict_.perms);
        permsMatch_ =
            !perms.empty() &&
            perms.compare(0, 4, littleEndianBytes(static_cast<uint32_t>(dict_.permissions), 4)) ==
                0 &&
            perms[8] == (dict_.encryptMetadata ? 'T' : 'F') && perms.compare(9, 3, "adb") == 0;
    }
    return access;
}

std::string CPdfSecurity::decryptString(int num, int gen, const std::string& bytes) const {
    return crypt(false, dict_.strings, num, gen, bytes);
}

std::string CPdfSecurity::encryptString(int num, int gen, const std::string& bytes) const {
    return crypt(true, dict_.strings, num, gen, bytes);
}

std::string CPdfSecurity::decryptStream(int num, int gen, const CPdfObject& streamDict,
                                        const std::string& bytes) const {
    return crypt(false, streamMethod(streamDict), num, gen, bytes);
}

std::string CPdfSecurity::encryptStream(int num, int gen, const CPdfObject& streamDict,
                                        const std::string& bytes) const {
    return crypt(true, streamMethod(streamDict), num, gen, bytes);
}

CryptMethod CPdfSecurity::streamMethod(const CPdfObject& streamDict) const {
    const CPdfDict* dict = streamDict.getDict();
    if (!dict) return dict_.streams;
    CPdfObject type = dict->lookup("Type");
    // The reader needs cross-reference streams before any key, so they are never encrypted.
    if (type.isName("XRef")) return CryptMethod::identity;
    if (type.isName("Metadata") && !dict_.encryptMetadata) return CryptMethod::identity;
    // A stream may name its own crypt filter, as the first of its filters.
    CPdfObject filter = dict->lookup("Filter");
    if (filter.isArray()) filter = filter.getArray()->get(0);
    if (filter.isName("Crypt")) {
        CPdfObject parms = dict->lookup("DecodeParms");
        if (parms.isArray()) parms = parms.getArray()->get(0);
        CPdfObject name = parms.getDict() ? parms.getDict()->lookup("Name") : CPdfObject();
        std::string filterName = name.isName() ? name.getName() : "Identity";
        auto found = dict_.filters.find(filterName);
        if (found == dict_.filters.end()) {
            throw CPdfException(formatText(
                "Damaged encryption dictionary: a stream names the crypt filter /%s, which /CF "
                "does not define",
                filterName.c_str()));
        }
        return found->second;
    }
    if (type.isName("EmbeddedFile")) return dict_.embeddedFiles;
    return dict_.streams;
}

std::string CPdfSecurity::objectKey(CryptMethod method, int num, int gen) const {
    if (method == CryptMethod::aes256) return fileKey_;
    std::string input = fileKey_ + objectNumberBytes(num, gen);
    if (method == CryptMethod::aes128) input += "sAlT";
    return md5Digest(input).substr(0, std::min<size_t>(fileKey_.size() + 5, 16));
}

std::string CPdfSecurity::crypt(bool encrypting, CryptMethod method, int num, int gen,
                                const std::string& bytes) const {
    assert(isAuthenticated());
    if (method == CryptMethod::identity) return bytes;
    std::string key = objectKey(method, num, gen);
    if (method == CryptMethod::rc4) return rc4Crypt(key, bytes);
    return encrypting ? aesEncrypt(key, num, gen, bytes) : aesDecrypt(key, bytes);
}
