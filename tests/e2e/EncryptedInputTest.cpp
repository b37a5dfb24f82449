// Encrypted input, one file per revision and cipher that qpdf makes from a corpus document: the
// output opens with the input's passwords, keeps its encryption and permissions, and renders as
// the plain document imposed the same way. (CorpusTest checks refusals without a password.)
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e/E2eSupport.h"
#include "support/TestPdf.h"

TEST(EncryptedInput, OpensWithItsPasswordsAndStaysEncrypted) {
    std::string corpus = corpusDir();
    if (corpus.empty()) GTEST_SKIP() << "../shared/corpus not found (real-world corpus absent)";
    // Object streams, outlines and links: members, annotation copies and rewritten pages.
    const std::string plain = corpus + "/xrefstream-objstm-pdftex-outline-links-4p.pdf";
    TempDir dir;
    const std::string in = dir.file("in.pdf"), out = dir.file("out.pdf");
    // The command's output through bash, with option and password when one is given; "" on failure.
    auto run = [](const std::string& command, const char* option, const std::string& password) {
        std::string output, given = password.empty() ? "" : option + shellQuote(password);
        const std::string line = "set -o pipefail; " + command.substr(0, command.find(' ')) +
                                 given + command.substr(command.find(' '));
        return runCommand("bash -c " + shellQuote(line), &output) == 0 ? output : "";
    };
    auto convert = [&out](const std::string& input, const char* layout, const char* password) {
        std::vector<std::string> args = splitOptions(layout + std::string(" -q"));
        args.insert(args.begin(), {input, out});
        if (*password) args.insert(args.end(), {"-password", password});
        return runTessel(args).status;
    };
    const std::string render = "pdftoppm -r 20 " + shellQuote(out) + " | md5sum";
    const char* const layouts[] = {"-ab", "-4up", "-s2 -e3 -4up", "-2to1up"};
    std::vector<std::string> expected;
    for (const char* layout : layouts) {
        ASSERT_EQ(convert(plain, layout, ""), 0);
        expected.push_back(run(render, "", ""));
        ASSERT_FALSE(expected.back().empty());
    }
    // qpdf's arguments after "--encrypt <user> owner", the user password, what -password gives.
    const char* const ciphers[][3] = {{"40", "", ""},
                                      {"128 --use-aes=n", "user", "user"},
                                      {"128 --use-aes=y", "", "owner"},
                                      {"128 --use-aes=y --cleartext-metadata", "user", "owner"},
                                      {"256 --force-R5", "user", "user"},
                                      {"256", "", ""},
                                      {"256", "user", "owner"}};
    for (const auto& [qpdfArgs, user, given] : ciphers) {
        SCOPED_TRACE(qpdfArgs + std::string(" user '") + user + "'");
        ASSERT_EQ(runCommand("qpdf --allow-weak-crypto --encrypt " + shellQuote(user) + " owner " +
                             qpdfArgs + " -- " + shellQuote(plain) + " " + shellQuote(in)),
                  0);
        if (*user) {  // a wrong password is refused as a missing one is
            TesselRun refused = runTessel({in, out, "-4up", "-password", "wrong"});
            EXPECT_EQ(refused.status, 1);
            EXPECT_NE(
                refused.output.find("\nPDF file is encrypted\nThe password given does not open it"),
                std::string::npos)
                << refused.output;
        }
        const std::string shown = "qpdf --show-encryption ";
        const std::string encryption = run(shown + shellQuote(in), " --password=", given);
        for (size_t i = 0; i < expected.size(); i++) {
            ASSERT_EQ(convert(in, layouts[i], given), 0) << layouts[i];
            EXPECT_NE(run("qpdf --check " + shellQuote(out), " --password=", given), "");
            EXPECT_EQ(run(shown + shellQuote(out), " --password=", given), encryption);
            EXPECT_EQ(run(render, " -upw ", user), expected[i]) << layouts[i];
        }
    }
}
