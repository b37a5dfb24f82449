// The imposition run: the output page list of one conversion, from the single pages before the
// page range through the sheets to the single pages after it, and the page tree root.
#pragma once

#include "app/JobSettings.h"
#include "imposition/PageRecord.h"
#include "writer/WriteContext.h"

// Writes the single pages before the range, one sheet per page order entry, the pages after,
// and the flat page tree root. Throws CPdfException on failure. The page order's build state
// starts fresh on every call.
void runImposition(const JobSettings& settings, WriteContext& ctx, const PageRecords& pages,
                   int pagesRootNumber);
