// Checks of the whole command line made before the banner, and the printing of failures.
#include "app/CommandLine.h"

#include <cstdio>
#include <cstring>

#include "pdf/CPdfException.h"
#include "pdf/FormatText.h"

namespace {

bool anyArgumentIs(int argc, char** argv, const char* const* names) {
    for (int i = 1; i < argc; i++) {
        for (const char* const* name = names; *name; name++) {
            if (std::strcmp(argv[i], *name) == 0) return true;
        }
    }
    return false;
}

}  // namespace

bool wantsHelp(int argc, char** argv) {
    static const char* const kNames[] = {"-h", "-help", "--help", nullptr};
    return anyArgumentIs(argc, argv, kNames);
}

bool wantsVersion(int argc, char** argv) {
    static const char* const kNames[] = {"--version", nullptr};
    return anyArgumentIs(argc, argv, kNames);
}

void refuseOptionAsOutput(const std::string& output) {
    if (output.empty() || output[0] != '-') return;
    throw CPdfException(formatText(
        "\nOutput name '%s' starts with '-': the output file comes second, before the options: "
        "tessel in.pdf out.pdf [options]\n",
        output.c_str()));
}

void refuseBareFolderOption(int argc, char** argv) {
    if (std::strcmp(argv[2], "-f") != 0) return;
    if (argc > 3 && argv[3][0] != '-' && argv[3][0] != '\0') {
        throw CPdfException(formatText(
            "\nOption -f takes the output folder in the same argument: use -f%s, not -f %s\n",
            argv[3], argv[3]));
    }
    throw CPdfException("\nOption -f needs the output folder in the same argument, e.g. -fout\n");
}

void printFailure(const std::string& message, const FailureReport& report) {
    std::string text = report.pending;
    // A message that does not start a line of its own is given one after an open line.
    if (report.lineOpen && !message.empty() && message[0] != '\n' && message[0] != '\r')
        text += "\n";
    text += message;
    if (!text.empty()) {
        std::fwrite(text.data(), 1, text.size(), stdout);
        if (text.back() != '\n' && text.back() != '\r') std::fputs("\n", stdout);
    }
    std::fputs(report.closing.c_str(), stdout);
}
