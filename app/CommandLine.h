// Checks of the whole command line made before the banner, and the one way failures are printed.
#pragma once

#include <string>

// -h, -help or --help anywhere on the command line.
bool wantsHelp(int argc, char** argv);
// --version anywhere on the command line.
bool wantsVersion(int argc, char** argv);

// A single conversion's output name must not look like an option; throws CPdfException.
void refuseOptionAsOutput(const std::string& output);
// A batch's second argument must carry its folder: "-fout", not "-f out"; throws CPdfException.
void refuseBareFolderOption(int argc, char** argv);

// What is printed with the message of the failure that ends a run: the state the conversion left
// the console line in, and the line that closes a batch. A conversion and a batch keep it up to
// date; main, which catches the failure, prints by it.
struct FailureReport {
    std::string pending;    // announced but not printed yet: the message follows it on its line
    bool lineOpen = false;  // the console line is open: the message starts on a line of its own
    std::string closing;    // printed after the message: "Batch stopped: ..." in a batch
};

// Prints a failure's message unchanged where report says, ending it with a line end when it has
// none, then report's closing line.
void printFailure(const std::string& message, const FailureReport& report = FailureReport());
