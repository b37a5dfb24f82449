// Command-line option parser: fills the job settings from the argument vector.
#pragma once

#include "app/JobSettings.h"

// Takes argument 1 and 2 as the input and output names and every later argument as an option.
// Unknown arguments and values that do not scan are ignored; nothing is ever reported.
void parseOptions(int argc, char** argv, JobSettings& settings);
