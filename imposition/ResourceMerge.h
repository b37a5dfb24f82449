// Resource merging: the resources of every page placed on a sheet gathered into the resource
// dictionary of the sheet's carrier page, with new names, page by page, where a name is taken.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "imposition/AnnotRelocate.h"
#include "imposition/PageForm.h"
#include "imposition/PageRecord.h"
#include "writer/WriteContext.h"

// Merges the resources of the pages placed in slots (the first slot with a page is the carrier,
// whose page object text is pageText) into the carrier's resources and edits pageText's
// /Resources to hold the result. Returns one plan per slot: the names that page's content
// streams must use instead of their own, or the form it is shown as.
//
// A page is shown as a Form XObject that keeps its own resources when renaming cannot show it
// as it is. That is decided page by page in slot order, from the page and the pages before it:
// - its resources hold patterns and its placement is not the identity: patterns are defined in
//   the default space of the page, which the placement's cm does not move;
// - some of its names clash with the sheet's, and renaming would not reach all of them (a
//   content stream that cannot be decoded, a form or Type 3 font without resources of its own).
//
// patternMemo remembers, across the sheets of a run, which resources (by their reference) hold
// patterns, so that a dictionary shared by every page is looked through once.
std::vector<PageContentPlan> mergeResources(WriteContext& ctx, const PageRecords& pages,
                                            const std::vector<PagePlacement>& slots,
                                            std::string& pageText,
                                            std::map<std::string, bool>& patternMemo);
