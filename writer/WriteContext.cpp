// Writing the objects Tessel makes or edits, encrypted as the input was.
#include "writer/WriteContext.h"

#include "pdf/ObjectTextCrypt.h"

std::string outputObjectText(CPdfXRef& xref, int num, int gen, const std::string& text) {
    const CPdfSecurity* security = xref.getSecurity();
    // The encryption dictionary is never encrypted itself.
    if (!security || (num == xref.getEncryptNum() && num != 0)) return text;
    return encryptObjectText(*security, num, gen, text);
}

std::string outputStoredText(CPdfXRef& xref, int num, int gen, int outNum, int outGen,
                             const std::string& text, int64_t storedLength) {
    const CPdfSecurity* security = xref.getSecurity();
    if (!security || (num == xref.getEncryptNum() && num != 0)) return text;
    if (!xref.isEncrypted(num)) return encryptObjectText(*security, outNum, outGen, text);
    if (num == outNum && gen == outGen) return text;
    return encryptObjectText(*security, outNum, outGen,
                             decryptObjectText(*security, num, gen, text, storedLength));
}

int WriteContext::writeNewObject(const std::string& text) {
    int num = nextObjectNumber();
    std::string written = xref() ? outputObjectText(*xref(), num, 0, text) : text;
    int recorded = offsets.newObject(out.position());
    out.write(written);
    return recorded;
}

void WriteContext::writeObject(int num, int gen, const std::string& text) {
    std::string written = xref() ? outputObjectText(*xref(), num, gen, text) : text;
    offsets.record(num, gen, out.position());
    out.write(written);
}
