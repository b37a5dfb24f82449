// Batch list mode: converts every file named in a list file into an output folder.
#pragma once

#include <string>

#include "app/CommandLine.h"
#include "app/JobSettings.h"

enum class BatchOutcome { notAList, handled, failed };

// A name ending in ".tx?" names a list; so does a name of four characters or fewer.
bool isListName(const std::string& name);

// argv[1] names the list, argv[2] is "-f<folder>"; the options that follow (already checked,
// parsed into options) apply to every file. Every line is checked before the first conversion;
// the first failure ends the batch, and a summary line ends it in every case: "Batch done" here,
// "Batch stopped" as report's closing line after the failure, which is thrown on.
BatchOutcome runBatchList(int argc, char** argv, const JobSettings& options, FailureReport& report);
