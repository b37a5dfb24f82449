// Batch list mode: converts every file named in a list file into an output folder.
#pragma once

enum class BatchOutcome { notAList, handled, refused };

// argv[1] names the list, argv[2] is "-f<folder>"; the options that follow apply to every file.
// A conversion failure escapes as CPdfException and ends the batch.
BatchOutcome runBatchList(int argc, char** argv);
