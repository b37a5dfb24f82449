// The imposition run: the output page list of one conversion, from the single pages before the
// page range through the sheets to the single pages after it, and the page tree root.
#pragma once

#include "app/JobSettings.h"
#include "imposition/CPageOrder.h"
#include "imposition/PageRecord.h"
#include "writer/WriteContext.h"

// The page order of a document of pageCount pages in the layout: read from the sequence file
// when one is named, else built by the layout's builder. Built before anything is written so
// that a sequence file is read, and refused, first. Throws CPdfException for a bad sequence file.
CPageOrder planPageOrder(const JobSettings& settings, const Layout& layout, int pageCount);

// Writes the single pages before the range, one sheet in the layout per entry of order, the
// pages that no sheet shows, and the flat page tree root. Throws CPdfException on failure.
void runImposition(const JobSettings& settings, const Layout& layout, WriteContext& ctx,
                   const PageRecords& pages, int pagesRootNumber, const CPageOrder& order);
