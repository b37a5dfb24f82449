// Command-line option parser: fills the job settings from the argument vector, and the layout
// the options choose.
#pragma once

#include <string>

#include "app/JobSettings.h"

// Takes argument 1 and 2 as the input and output names and every later argument as an option or
// the value of the option before it. Throws CPdfException naming the first argument that is
// neither, or a value that does not read, with the right form where there is one.
void parseOptions(int argc, char** argv, JobSettings& settings);

// The layout the options choose: of the layout options given, the one of the highest rank;
// 2-up when none is given.
const Layout& chooseLayout(const LayoutFlags& flags);

// The A/B option of a size: "-ab4".
std::string abOption(int size);
