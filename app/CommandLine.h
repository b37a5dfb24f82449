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

// Prints a failure's message unchanged, ending it with a line end when it has none.
void printFailure(const std::string& message);
