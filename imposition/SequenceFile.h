// Sequence file: a page order given by the user as its first two 2-up sheets.
#pragma once

#include "app/JobSettings.h"
#include "imposition/CPageOrder.h"

// Reads settings.sequenceFile ("a1,a2 b1,b2") and continues both slots in arithmetic
// progression over the page range: 2-slot entries, or 4-slot entries with the -4up flag.
// Throws CPdfException when the file cannot be opened or does not hold four distinct numbers.
CPageOrder readSequenceFile(const JobSettings& settings, int pageCount, int endPage);
