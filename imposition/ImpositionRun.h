// The imposition run: the output page list of one conversion, from the single pages before the
// page range through the sheets to the single pages after it, and the page tree root.
#pragma once

#include <functional>

#include "app/JobSettings.h"
#include "imposition/CPageOrder.h"
#include "imposition/PageRecord.h"
#include "writer/WriteContext.h"

// The page order of a document of pageCount pages in the layout: read from the sequence file
// when one is named, else built by the layout's builder. Built before anything is written so
// that a sequence file is read, and refused, first. Throws CPdfException for a bad sequence file.
CPageOrder planPageOrder(const JobSettings& settings, const Layout& layout, int pageCount);

// One output page of a run, in output order: a sheet showing an entry of the order, or an input
// page written as a page of its own.
struct OutputPageStep {
    const SheetEntry* sheet = nullptr;  // null: the single page pageIndex
    int pageIndex = -1;
    bool firstHalf = true;  // split-back: the sheet shows the first half of its page
};

// Visits the output pages of a run in output order, without writing anything: the single pages
// before the range, one sheet per entry of order that holds a page, and the pages no sheet
// shows. What is written and what is planned before writing follow the same walk.
void forEachOutputPage(const JobSettings& settings, const Layout& layout, int pageCount,
                       const CPageOrder& order,
                       const std::function<void(const OutputPageStep&)>& visit);

// Writes the single pages before the range, one sheet in the layout per entry of order, the
// pages that no sheet shows, and the flat page tree root. Throws CPdfException on failure.
void runImposition(const JobSettings& settings, const Layout& layout, WriteContext& ctx,
                   const PageRecords& pages, int pagesRootNumber, const CPageOrder& order);
