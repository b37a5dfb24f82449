// Encryption dictionaries the standard security handler cannot use. Every cipher, crypt filters
// and encrypted output are checked end to end on files qpdf encrypts.
#include "pdf/CPdfSecurity.h"

#include <gtest/gtest.h>

#include "pdf/PdfTestSupport.h"

namespace {

CPdfObject parseObject(const std::string& text) {
    MemoryFile file(text);
    return CPdfParser(nullptr, file.stream()).nextObject();
}

}  // namespace

// Each row: entries put first (the first of a key wins), then the message.
TEST(CPdfSecurity, DictionariesItCannotUseAreRefusedByName) {
    for (const char* c :
         {" => ok",
          "/Filter /Adobe.PubSec => Unsupported encryption: the security handler "
          "/Adobe.PubSec",
          "/Filter 7 => Damaged encryption dictionary: /Filter does not name a "
          "security handler",
          "/V 3 => Unsupported encryption: /V 3", "/R 7 => Unsupported encryption: /R 7",
          "/V 5 => Damaged encryption dictionary: /V 5 does not go with /R 4",
          "/V 2 /R 3 /Length 44 => Damaged encryption dictionary: /Length 44 is not 40 to 128 "
          "bits in whole bytes",
          "/O (short) => Damaged encryption dictionary: /O is missing or shorter than 32 bytes",
          "/V 5 /R 6 => Damaged encryption dictionary: /O is missing or shorter than 48 bytes",
          "/P (x) => Damaged encryption dictionary: /P is missing",
          "/CF << /S << /CFM /Rot13 >> >> => Unsupported encryption: the crypt filter method "
          "/Rot13",
          "/CF << /S << /CFM /AESV3 >> >> => Damaged encryption dictionary: /S asks for AESV3, "
          "which needs /V 5",
          "/StmF /Nope => Damaged encryption dictionary: /StmF names the crypt filter /Nope, which "
          "/CF does not define"}) {
        std::string message = "ok", x32 = "(" + std::string(32, 'x') + ")";
        try {
            CPdfSecurity(
                parseObject("<< " + splitCase(c).first + " /Filter /Standard /V 4 /R 4 /P -4 /O " +
                            x32 + " /U " + x32 + " >>"),
                "");
        } catch (const CPdfException& e) {
            message = e.getMessage();
        }
        EXPECT_EQ(message, splitCase(c).second) << c;
    }
    EXPECT_THROW(CPdfSecurity(parseObject("[1 2]"), ""), CPdfException);
}
