// Reading the /Encrypt dictionary of the standard security handler.
#include "pdf/EncryptionDict.h"

#include "pdf/CPdfException.h"
#include "pdf/FormatText.h"

namespace {

CPdfException unsupported(const std::string& what) {
    return CPdfException("Unsupported encryption: " + what);
}

CPdfException damaged(const std::string& what) {
    return CPdfException("Damaged encryption dictionary: " + what);
}

// The first keep bytes of a string entry that must have at least need bytes.
std::string stringEntry(const CPdfDict& dict, const char* key, size_t need, size_t keep) {
    CPdfObject value = dict.lookup(key);
    if (!value.isString() || value.getString().size() < need) {
        throw damaged(formatText("/%s is missing or shorter than %zu bytes", key, need));
    }
    return value.getString().substr(0, keep);
}

CryptMethod methodNamed(const CPdfObject& cfm) {
    // Without /CFM a filter leaves data as it is.
    if (cfm.isNull() || cfm.isName("None")) return CryptMethod::identity;
    if (cfm.isName("V2")) return CryptMethod::rc4;
    if (cfm.isName("AESV2")) return CryptMethod::aes128;
    if (cfm.isName("AESV3")) return CryptMethod::aes256;
    if (!cfm.isName()) throw damaged("a crypt filter's /CFM is not a name");
    throw unsupported(formatText("the crypt filter method /%s", cfm.getName().c_str()));
}

std::map<std::string, CryptMethod> readCryptFilters(const CPdfDict& dict) {
    std::map<std::string, CryptMethod> filters{{"Identity", CryptMethod::identity}};
    CPdfObject table = dict.lookup("CF");
    CPdfDict* entries = table.getDict();
    if (!entries) return filters;
    for (const auto& entry : entries->entries()) {
        // Identity is predefined and cannot be redefined.
        if (entry.first == "Identity") continue;
        CPdfObject filter = entry.second.fetchObject(entries->getXRef());
        CPdfDict* filterDict = filter.getDict();
        if (!filterDict) throw damaged(formatText("crypt filter /%s", entry.first.c_str()));
        filters[entry.first] = methodNamed(filterDict->lookup("CFM"));
    }
    return filters;
}

// The method of the crypt filter that entry key names (or fallback when it names none).
CryptMethod chosenFilter(const EncryptionDict& result, const CPdfDict& dict, const char* key,
                         const std::string& fallback) {
    CPdfObject name = dict.lookup(key);
    std::string filterName = name.isName() ? name.getName() : fallback;
    auto found = result.filters.find(filterName);
    if (found == result.filters.end()) {
        throw damaged(formatText("/%s names the crypt filter /%s, which /CF does not define", key,
                                 filterName.c_str()));
    }
    return found->second;
}

// Bytes of the file key: 40 bits for revision 2 and version 1, /Length for versions 2 and 3;
// crypt filters (version 4) work with 128-bit keys, version 5 with 256-bit keys.
size_t keyLengthOf(const CPdfDict& dict, int version, int revision) {
    if (version == 1 || revision == 2) return 5;
    if (version == 4) return 16;
    if (version == 5) return 32;
    CPdfObject length = dict.lookup("Length");
    int64_t bits = length.isInt() ? length.getInt64() : 40;
    if (bits % 8 != 0 || bits < 40 || bits > 128) {
        throw damaged(formatText("/Length %lld is not 40 to 128 bits in whole bytes",
                                 static_cast<long long>(bits)));
    }
    return static_cast<size_t>(bits / 8);
}

}  // namespace

EncryptionDict readEncryptionDict(const CPdfObject& encrypt, const std::string& firstId) {
    const CPdfDict* dict = encrypt.getDict();
    if (!dict) throw damaged("/Encrypt is not a dictionary");
    CPdfObject handler = dict->lookup("Filter");
    if (!handler.isName()) throw damaged("/Filter does not name a security handler");
    if (!handler.isName("Standard")) {
        throw unsupported(formatText("the security handler /%s", handler.getName().c_str()));
    }

    EncryptionDict result;
    CPdfObject version = dict->lookup("V");
    CPdfObject revision = dict->lookup("R");
    result.version = version.getInt();
    result.revision = revision.getInt();
    // Version 3 is an unpublished algorithm; version 0 is undocumented.
    if (!version.isInt() || (result.version != 1 && result.version != 2 && result.version != 4 &&
                             result.version != 5)) {
        throw unsupported(formatText("/V %d", result.version));
    }
    if (!revision.isInt() || result.revision < 2 || result.revision > 6) {
        throw unsupported(formatText("/R %d", result.revision));
    }
    if ((result.version == 5) != (result.revision >= 5)) {
        throw damaged(formatText("/V %d does not go with /R %d", result.version, result.revision));
    }
    result.keyLength = keyLengthOf(*dict, result.version, result.revision);

    size_t hashLength = result.revision >= 5 ? 48 : 32;
    result.owner = stringEntry(*dict, "O", hashLength, hashLength);
    result.user = stringEntry(*dict, "U", hashLength, hashLength);
    if (result.revision >= 5) {
        result.ownerKey = stringEntry(*dict, "OE", 32, 32);
        result.userKey = stringEntry(*dict, "UE", 32, 32);
        CPdfObject perms = dict->lookup("Perms");
        if (perms.isString() && perms.getString().size() >= 16) {
            result.perms = perms.getString().substr(0, 16);
        }
    }
    CPdfObject permissions = dict->lookup("P");
    if (!permissions.isInt()) throw damaged("/P is missing");
    // Some writers store the 32 flag bits as an unsigned number.
    result.permissions = static_cast<int32_t>(static_cast<uint32_t>(permissions.getInt64()));
    result.encryptMetadata = result.revision < 4 || !dict->lookup("EncryptMetadata").isBool() ||
                             dict->lookup("EncryptMetadata").getBool();

    if (result.version >= 4) {
        result.filters = readCryptFilters(*dict);
        CPdfObject streamFilter = dict->lookup("StmF");
        result.strings = chosenFilter(result, *dict, "StrF", "Identity");
        result.streams = chosenFilter(result, *dict, "StmF", "Identity");
        result.embeddedFiles = chosenFilter(
            result, *dict, "EFF", streamFilter.isName() ? streamFilter.getName() : "Identity");
        for (const auto& filter : result.filters) {
            if (filter.second == CryptMethod::aes256 && result.keyLength != 32) {
                throw damaged(
                    formatText("/%s asks for AESV3, which needs /V 5", filter.first.c_str()));
            }
        }
    } else {
        result.filters = {{"Identity", CryptMethod::identity}};
    }
    result.firstId = firstId;
    return result;
}
