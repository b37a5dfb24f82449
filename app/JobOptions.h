// Command-line option parser: fills the job settings from the argument vector.
#pragma once

#include "app/JobSettings.h"

// Takes argument 1 and 2 as the input and output names and every later argument as an option or
// the value of the option before it. Throws CPdfException naming the first argument that is
// neither, or a value that does not read, with the right form where there is one.
void parseOptions(int argc, char** argv, JobSettings& settings);
