// The standard security handler: passwords and decrypted objects checked against qpdf on the
// corpus and on files qpdf encrypts, round trips, and hostile dictionaries and ciphertexts.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "pdf/CPdfSecurity.h"
#include "pdf/CPdfXRef.h"
#include "pdf/Crypto.h"
#include "pdf/ObjectTextCrypt.h"
#include "pdf/PdfTestSupport.h"
#include "pdf/StreamFilters.h"
#include "support/TestPdf.h"

namespace {

using Access = CPdfSecurity::Access;

// An encrypted file opened with its user password: fetched objects come decrypted, and the stored
// bytes of their streams are at hand.
class EncryptedFile {
  public:
    EncryptedFile(const std::string& path, const std::string& password)
        : bytes_(readFileBytes(path)), file_(bytes_) {
        size_t header = bytes_.find("%PDF-");
        if (header > 1017) header = 0;
        auto base = file_.stream();
        base->shiftStart(static_cast<int64_t>(header));
        xref_ = std::make_unique<CPdfXRef>(base, header, bytes_.size());
        xref_->read(password);
    }
    CPdfXRef& xref() { return *xref_; }
    CPdfObject encryptRef() { return xref_->getTrailer().getDict()->lookupRaw("Encrypt"); }
    CPdfSecurity security() {
        return CPdfSecurity(encryptRef().fetchObject(xref_.get()),
                            CPdfSecurity::firstFileId(xref_->getTrailer()));
    }
    std::string rawData(const CPdfObject& stream) {
        return bytes_.substr(static_cast<size_t>(stream.getStream()->getStart()),
                             static_cast<size_t>(stream.getStream()->getLength()));
    }

  private:
    std::string bytes_;
    MemoryFile file_;
    std::unique_ptr<CPdfXRef> xref_;
};

void collectStrings(const CPdfObject& obj, std::vector<std::string>& strings) {
    if (obj.isString()) strings.push_back(obj.getString());
    for (int i = 0; obj.isArray() && i < obj.getArray()->getLength(); i++) {
        collectStrings(obj.getArray()->at(i), strings);
    }
    if (CPdfDict* dict = obj.getDictOrStreamDict()) {
        for (const auto& entry : dict->entries()) collectStrings(entry.second, strings);
    }
}

CPdfObject parseObject(const std::string& text) {
    MemoryFile file(text);
    CPdfParser parser(nullptr, file.stream());
    return parser.nextObject();
}

std::string qpdfShows(const std::string& path, const std::string& password, int num,
                      bool streamData) {
    std::string out;
    runCommand(formatText("qpdf --password='%s' --show-object=%d %s '%s'", password.c_str(), num,
                          streamData ? "--raw-stream-data" : "", path.c_str()),
               &out);
    return out;
}

// Passwords authenticate as they should (an empty owner stands for one not known), and the
// first object with strings, the first two streams with data and every metadata stream decrypt
// to what qpdf shows. Then round trips through the file's ciphers.
void expectDecryptsAsQpdf(const std::string& path, const std::string& user,
                          const std::string& owner) {
    SCOPED_TRACE(path);
    EncryptedFile file(path, user);
    CPdfSecurity security = file.security();
    EXPECT_EQ(security.authenticate("wrong password"), Access::none);
    Access asUser = security.authenticate(user);
    EXPECT_TRUE(owner.empty() ? asUser != Access::none : asUser == Access::user);
    // Decrypting with the owner's key checks the key it recovers.
    if (!owner.empty()) {
        EXPECT_EQ(security.authenticate(owner), Access::owner);
    }
    EXPECT_TRUE(security.permsMatch());
    ASSERT_TRUE(security.isAuthenticated());

    bool haveStrings = false, objectStreams = false;
    int streams = 0;
    for (int num = 1; num < file.xref().getNumObjects(); num++) {
        const CPdfXRefEntry& entry = file.xref().getEntry(num);
        objectStreams |= entry.type == xrefCompressed;
        if (entry.type != xrefUncompressed || num == file.encryptRef().getRefNum()) continue;
        CPdfObject obj;
        try {
            obj = file.xref().fetchObject(num, entry.gen);
        } catch (const CPdfException&) {
            continue;  // a filter the reader does not decode
        }
        CPdfDict* dict = obj.getDictOrStreamDict();
        if (dict && dict->lookup("Type").isName("XRef")) continue;
        std::vector<std::string> strings, shown;
        collectStrings(obj, strings);
        std::string password = owner.empty() ? user : owner;
        SCOPED_TRACE(formatText("object %d", num));
        if (!haveStrings && !strings.empty()) {
            haveStrings = true;
            collectStrings(parseObject(qpdfShows(path, password, num, false)), shown);
            EXPECT_EQ(strings, shown);
        }
        if (obj.isStream() && !file.rawData(obj).empty() &&
            (streams++ < 2 || dict->lookup("Type").isName("Metadata"))) {
            EXPECT_EQ(security.decryptStream(num, entry.gen, obj.getStream()->getDict(),
                                             file.rawData(obj)),
                      qpdfShows(path, password, num, true));
        }
    }
    // Strings inside object streams are not encrypted by themselves.
    EXPECT_TRUE(haveStrings || objectStreams);
    EXPECT_GT(streams, 0);

    bool aes = security.dict().strings == CryptMethod::aes128 ||
               security.dict().strings == CryptMethod::aes256;
    for (size_t length : {0, 1, 15, 16, 17, 100}) {
        std::string plain = noiseBytes(length);
        std::string sealed = security.encryptString(7, 0, plain);
        EXPECT_EQ(security.decryptString(7, 0, sealed), plain);
        EXPECT_EQ(security.encryptString(7, 0, plain), sealed) << "not the same run to run";
        if (aes) {
            EXPECT_EQ(sealed.size(), 16 + (length / 16 + 1) * 16) << "IV and padding";
        }
        sealed = security.encryptStream(9, 1, CPdfObject(), plain);
        EXPECT_EQ(security.decryptStream(9, 1, CPdfObject(), sealed), plain);
    }
}

TEST(CPdfSecurity, CorpusFilesDecryptAsQpdfShows) {
    if (corpusDir().empty())
        GTEST_SKIP() << "../shared/corpus not found (real-world corpus absent)";
    for (const auto& file : encryptedCorpusFiles()) {
        expectDecryptsAsQpdf(corpusDir() + "/" + file.first, file.second, "");
    }
}

TEST(CPdfSecurity, QpdfEncryptedFilesDecryptAsQpdfShows) {
    TestPdf pdf;
    pdf.addObject(1, "<< /Type /Catalog /Pages 2 0 R /Metadata 5 0 R >>");
    pdf.addObject(2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
    pdf.addObject(3, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] /Contents 4 0 R >>");
    pdf.addStream(4, "<< >>", "0 0 1 rg 10 10 50 50 re f");
    pdf.addStream(5, "<< /Type /Metadata /Subtype /XML >>", "<x:xmpmeta>Tessel</x:xmpmeta>");
    pdf.addObject(6, "<< /Title (Encrypted input, one page) /Author <FEFF00540065> >>");
    pdf.setTrailerExtra("/Root 1 0 R /Info 6 0 R");
    TempDir dir;
    std::string plain = dir.write("plain.pdf", pdf.build());
    // qpdf options, then the user and owner passwords as typed.
    const char* cases[][3] = {
        {"--allow-weak-crypto --encrypt user2 owner2 40", "user2", "owner2"},
        {"--allow-weak-crypto --encrypt '' owner3 128 --use-aes=n", "", "owner3"},
        {"--allow-weak-crypto --encrypt user4 owner4 128 --use-aes=n --force-V4", "user4",
         "owner4"},
        {"--encrypt '' owner4 128 --use-aes=y", "", "owner4"},
        {"--encrypt user4 owner4 128 --use-aes=y --cleartext-metadata", "user4", "owner4"},
        {"--encrypt user5 owner5 256 --force-R5", "user5", "owner5"},
        {"--encrypt user6 owner6 256", "user6", "owner6"},
        {"--encrypt '' owner6 256 --cleartext-metadata", "", "owner6"},
        // A Latin-1 user password, typed in UTF-8.
        {"--allow-weak-crypto --password-mode=hex-bytes --encrypt 70e4737377 6f776e6572 128 "
         "--use-aes=n",
         "p\xC3\xA4ssw", "owner"},
    };
    for (const auto& c : cases) {
        std::string encrypted = dir.file("encrypted.pdf");
        ASSERT_EQ(
            runCommand(formatText("qpdf %s -- '%s' '%s'", c[0], plain.c_str(), encrypted.c_str())),
            0)
            << c[0];
        SCOPED_TRACE(c[0]);
        expectDecryptsAsQpdf(encrypted, c[1], c[2]);
    }
}

std::string hexString(const std::string& bytes) {
    std::string text = "<";
    for (unsigned char c : bytes) text += formatText("%02x", c);
    return text + ">";
}

// A revision 5 dictionary whose empty user password unlocks the file key "kkk...", with
// extra entries first (the first of a key wins).
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

// Damaged ciphertexts decrypt to what their whole blocks hold; streams choose their crypt filter.
TEST(CPdfSecurity, DamagedDataAndStreamFilters) {
    CPdfSecurity security = emptyPasswordAes256(
        "/CF << /S << /CFM /AESV3 >> /R << /CFM /V2 >> >> /StrF /S /StmF /S /EFF /R "
        "/EncryptMetadata false");
    std::string hello = security.encryptString(3, 0, "hello");
    std::string block = security.encryptString(3, 0, "0123456789abcdef");
    const std::pair<std::string, std::string> damaged[] = {
        {"", ""},
        {"short", ""},
        {hello.substr(0, 16), ""},                  // the IV alone
        {hello + "\n\n", "hello"},                  // an incomplete block after the data
        {block.substr(0, 32), "0123456789abcdef"},  // no padding: kept whole
    };
    for (const auto& c : damaged) {
        EXPECT_EQ(security.decryptString(3, 0, c.first), c.second) << c.first.size() << " bytes";
    }

    const std::pair<const char*, const char*> streams[] = {
        {"<< /Filter /FlateDecode >>", "S"},
        {"<< /Type /XRef >>", "Identity"},
        {"<< /Type /Metadata >>", "Identity"},
        {"<< /Type /EmbeddedFile >>", "R"},
        {"<< /Filter [/Crypt /FlateDecode] >>", "Identity"},
        {"<< /Filter /Crypt /DecodeParms << /Name /R >> >>", "R"},
        {"<< /Filter [/Crypt] /DecodeParms [<< /Name /Nope >>] >>", "error"},
    };
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
        CPdfDict* dict = obj.getDictOrStreamDict();
        EXPECT_EQ(dict->lookup("T").getString(), "a)b");
        EXPECT_EQ(dict->lookup("H").getString(), "A@");
        EXPECT_EQ(dict->lookup("A").getArray()->get(0).getString(), "x");
        std::vector<uint8_t> data = readStreamBytes(*obj.getStream());
        EXPECT_EQ(std::string(data.begin(), data.end()), "hello");
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
         "define"},
    };
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

}  // namespace
