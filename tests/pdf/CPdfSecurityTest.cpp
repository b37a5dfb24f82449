// The standard security handler's edges: hostile dictionaries and ciphertexts, crypt filters and
// object texts. Every cipher is checked end to end on files qpdf encrypts.
#include "pdf/CPdfSecurity.h"

#include <gtest/gtest.h>

#include "pdf/Crypto.h"
#include "pdf/ObjectTextCrypt.h"
#include "pdf/PdfTestSupport.h"

namespace {

using Access = CPdfSecurity::Access;

CPdfObject parseObject(const std::string& text) {
    MemoryFile file(text);
    return CPdfParser(nullptr, file.stream()).nextObject();
}

std::string hexString(const std::string& bytes) {
    std::string text = "<";
    for (unsigned char c : bytes) text += formatText("%02x", c);
    return text + ">";
}

// A revision 5 dictionary whose empty user password unlocks the file key "kkk...", with extra
// entries first (the first of a key wins).
CPdfSecurity emptyPasswordAes256(const std::string& extra) {
    std::string user = sha2Digest(256, "validate") + "validate" + "keysalt!";
    std::string userKey =
        aesCbcEncrypt(sha2Digest(256, "keysalt!"), std::string(16, '\0'), std::string(32, 'k'));
    CPdfSecurity security(
        parseObject("<< " + extra + " /Filter /Standard /V 5 /R 5 /P -4 /O " +
                    hexString(std::string(48, 'o')) + " /U " + hexString(user) + " /OE " +
                    hexString(std::string(32, 'o')) + " /UE " + hexString(userKey) + " >>"),
        "");
    EXPECT_EQ(security.authenticate(""), Access::user);
    return security;
}

}  // namespace

// Damaged ciphertexts decrypt to what their whole blocks hold; streams choose their crypt filter.
TEST(CPdfSecurity, DamagedDataAndStreamFilters) {
    CPdfSecurity security = emptyPasswordAes256(
        "/CF << /S << /CFM /AESV3 >> /R << /CFM /V2 >> >> /StrF /S /StmF /S /EFF /R "
        "/EncryptMetadata false");
    std::string hello = security.encryptString(3, 0, "hello");
    std::string block = security.encryptString(3, 0, "0123456789abcdef");
    EXPECT_EQ(hello.size(), 32u) << "IV and padding";
    EXPECT_EQ(security.encryptString(3, 0, "hello"), hello) << "not the same run to run";
    const std::pair<std::string, std::string> damaged[] = {
        {"", ""},
        {"short", ""},
        {hello.substr(0, 16), ""},                   // the IV alone
        {hello + "\n\n", "hello"},                   // an incomplete block after the data
        {block.substr(0, 32), "0123456789abcdef"}};  // no padding: kept whole
    for (const auto& c : damaged)
        EXPECT_EQ(security.decryptString(3, 0, c.first), c.second) << c.first.size() << " bytes";
    const std::pair<const char*, const char*> streams[] = {
        {"<< /Filter /FlateDecode >>", "S"},
        {"<< /Type /XRef >>", "Identity"},
        {"<< /Type /Metadata >>", "Identity"},
        {"<< /Type /EmbeddedFile >>", "R"},
        {"<< /Filter [/Crypt /FlateDecode] >>", "Identity"},
        {"<< /Filter /Crypt /DecodeParms << /Name /R >> >>", "R"},
        {"<< /Filter [/Crypt] /DecodeParms [<< /Name /Nope >>] >>", "error"}};
    for (const auto& c : streams) {
        std::string used = "error";
        try {
            std::string sealed = security.encryptStream(2, 0, parseObject(c.first), "stream data");
            used = sealed == "stream data" ? "Identity" : sealed.size() == 11 ? "R" : "S";
        } catch (const CPdfException&) {
        }
        EXPECT_EQ(used, c.second) << c.first;
    }
}

// An object text encrypted for writing reads back through the parser as the plain text says, and
// made plain again it holds every string as hex; a signature's /Contents stays as it is.
TEST(CPdfSecurity, ObjectTextsEncryptAndDecrypt) {
    const std::string plain =
        "7 0 obj\n<< /T (a\\)b) /H <414> /A [(x)] /Length 5 >>\nstream\nhello\nendstream\nendobj\n";
    for (const char* filters : {"", "/CF << /R << /CFM /V2 /Length 16 >> >> /StrF /R /StmF /R"}) {
        SCOPED_TRACE(filters);
        CPdfSecurity security = emptyPasswordAes256(filters);
        std::string sealed = encryptObjectText(security, 7, 0, plain);
        MemoryFile file(sealed);
        ObjectDecryption decryption{&security, 7, 0};
        CPdfParser parser(nullptr, file.stream(), &decryption);
        for (int i = 0; i < 3; i++) parser.nextObject();  // "7 0 obj"
        CPdfObject obj = parser.nextObject();
        ASSERT_TRUE(obj.isStream());
        EXPECT_EQ(describe(obj.getStream()->getDict()), "<</A [(x)] /H (A@) /Length 5 /T (a)b)>>");
        EXPECT_EQ(toString(readStreamBytes(*obj.getStream())), "hello");
        EXPECT_EQ(decryptObjectText(security, 7, 0, sealed),
                  "7 0 obj\n<< /T <612962> /H <4140> /A [<78>] /Length 5 >>\nstream\nhello\n"
                  "endstream\nendobj\n");
    }
    std::string signature = "3 0 obj\n<< /ByteRange [0 1 2 3] /Contents <00ff> >>\nendobj\n";
    EXPECT_EQ(encryptObjectText(emptyPasswordAes256(""), 3, 0, signature), signature);
}

TEST(CPdfSecurity, DictionariesItCannotUseAreRefusedByName) {
    const std::pair<const char*, const char*> cases[] = {
        {"", "ok"},
        {"/Filter /Adobe.PubSec", "Unsupported encryption: the security handler /Adobe.PubSec"},
        {"/Filter 7", "Damaged encryption dictionary: /Filter does not name a security handler"},
        {"/V 3", "Unsupported encryption: /V 3"},
        {"/R 7", "Unsupported encryption: /R 7"},
        {"/V 5", "Damaged encryption dictionary: /V 5 does not go with /R 4"},
        {"/V 2 /R 3 /Length 44",
         "Damaged encryption dictionary: /Length 44 is not 40 to 128 bits in whole bytes"},
        {"/O (short)", "Damaged encryption dictionary: /O is missing or shorter than 32 bytes"},
        {"/V 5 /R 6", "Damaged encryption dictionary: /O is missing or shorter than 48 bytes"},
        {"/P (x)", "Damaged encryption dictionary: /P is missing"},
        {"/CF << /S << /CFM /Rot13 >> >>",
         "Unsupported encryption: the crypt filter method /Rot13"},
        {"/CF << /S << /CFM /AESV3 >> >>",
         "Damaged encryption dictionary: /S asks for AESV3, which needs /V 5"},
        {"/StmF /Nope",
         "Damaged encryption dictionary: /StmF names the crypt filter /Nope, which /CF does not "
         "define"}};
    const std::string thirtyTwo = "(" + std::string(32, 'x') + ")";
    for (const auto& c : cases) {
        std::string message = "ok";
        try {
            CPdfSecurity(parseObject(std::string("<< ") + c.first +
                                     " /Filter /Standard /V 4 /R 4 /P -4 /O " + thirtyTwo + " /U " +
                                     thirtyTwo + " >>"),
                         "");
        } catch (const CPdfException& e) {
            message = e.getMessage();
        }
        EXPECT_EQ(message, c.second) << c.first;
    }
    EXPECT_THROW(CPdfSecurity(parseObject("[1 2]"), ""), CPdfException);
}
