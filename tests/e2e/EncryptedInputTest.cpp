// Encrypted input: files qpdf encrypts from a corpus document, one per revision and cipher,
// imposed and split back; the output opens with the input's passwords, keeps its permissions and
// renders as the plain document imposed the same way.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e/E2eSupport.h"
#include "support/TestPdf.h"

namespace {

struct Cipher {
    const char* qpdfArgs;  // after "qpdf --encrypt <user> owner"
    const char* user;      // the user password
    const char* given;     // what -password gives ("" for no option)
};

const Cipher kCiphers[] = {
    {"40", "", ""},
    {"128 --use-aes=n", "user", "user"},
    {"128 --use-aes=y", "", "owner"},
    {"128 --use-aes=y --cleartext-metadata", "user", "owner"},
    {"256 --force-R5", "user", "user"},
    {"256", "", ""},
    {"256", "user", "owner"},
};

const char* const kLayouts[] = {"", "-4up", "-s2 -e3 -4up", "-2to1up"};

std::string passwordArg(const std::string& password) {
    return password.empty() ? "" : " --password=" + shellQuote(password);
}

// A digest of the pages rendered at 20 dpi, "" when pdftoppm fails.
std::string rendered(const std::string& pdf, const std::string& password) {
    std::string out;
    std::string upw = password.empty() ? "" : " -upw " + shellQuote(password);
    std::string command = "set -o pipefail; pdftoppm -r 20" + upw + " " + shellQuote(pdf);
    if (runCommand("bash -c " + shellQuote(command + " | md5sum"), &out) != 0) return "";
    return out;
}

std::string encryptionShown(const std::string& pdf, const std::string& password) {
    std::string out;
    runCommand("qpdf --show-encryption" + passwordArg(password) + " " + shellQuote(pdf), &out);
    return out;
}

TesselRun convert(const std::string& in, const std::string& out, const std::string& options,
                  const std::string& password) {
    std::vector<std::string> args = {in, out, "-q"};
    for (const std::string& option : splitOptions(options)) args.push_back(option);
    if (!password.empty()) args.insert(args.end(), {"-password", password});
    return runTessel(args);
}

}  // namespace

TEST(EncryptedInput, OpensWithItsPasswordsAndStaysEncrypted) {
    std::string corpus = corpusDir();
    if (corpus.empty()) GTEST_SKIP() << "../shared/corpus not found (real-world corpus absent)";
    // Object streams, outlines and links: members, annotation copies and rewritten pages.
    std::string plain = corpus + "/xrefstream-objstm-pdftex-outline-links-4p.pdf";
    TempDir dir;
    std::vector<std::string> expected;
    for (const char* layout : kLayouts) {
        ASSERT_EQ(convert(plain, dir.file("plain.pdf"), layout, "").status, 0);
        expected.push_back(rendered(dir.file("plain.pdf"), ""));
        ASSERT_FALSE(expected.back().empty());
    }
    for (const Cipher& cipher : kCiphers) {
        SCOPED_TRACE(cipher.qpdfArgs + std::string(" user '") + cipher.user + "'");
        std::string in = dir.file("in.pdf");
        ASSERT_EQ(
            runCommand("qpdf --allow-weak-crypto --encrypt " + shellQuote(cipher.user) + " owner " +
                       cipher.qpdfArgs + " -- " + shellQuote(plain) + " " + shellQuote(in)),
            0);
        for (size_t i = 0; i < std::size(kLayouts); i++) {
            SCOPED_TRACE(kLayouts[i]);
            std::string out = dir.file("out.pdf");
            TesselRun run = convert(in, out, kLayouts[i], cipher.given);
            ASSERT_EQ(run.status, 0) << run.output;
            std::string check;
            EXPECT_EQ(runCommand("qpdf --check" + passwordArg(cipher.given) + " " +
                                     shellQuote(out) + " 2>&1",
                                 &check),
                      0)
                << check;
            EXPECT_EQ(encryptionShown(out, cipher.given), encryptionShown(in, cipher.given));
            EXPECT_EQ(rendered(out, cipher.user), expected[i]);
        }
        if (*cipher.user) {
            std::string out = dir.file("refused.pdf");
            for (const char* given : {"", "wrong"}) {
                TesselRun run = convert(in, out, "-4up", given);
                EXPECT_EQ(run.status, 1);
                EXPECT_NE(run.output.find("\nPDF file is encrypted\n"), std::string::npos)
                    << run.output;
                EXPECT_NE(run.output.find("-password <text>\n"), std::string::npos);
                EXPECT_FALSE(fileExists(out));
            }
        }
    }
}
