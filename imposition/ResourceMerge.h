// Resource merging: the resources of every page placed on a sheet gathered into the resource
// dictionary of the sheet's carrier page, with new names, page by page, where a name is taken.
#pragma once

#include <string>
#include <vector>

#include "imposition/PageRecord.h"
#include "writer/ContentRewrite.h"
#include "writer/WriteContext.h"

// The categories merged, in the order they are handled.
extern const char* const kResourceCategories[6];

// Whether a clash in the category gives the newcomer a new name (Pattern and Shading keep
// theirs: the entry already there wins).
bool categoryRenames(const std::string& category);

// Merges the resources of the placed pages (indexes into pages, in slot order; the first is the
// carrier, whose page object text is pageText) into the carrier's resources and edits pageText's
// /Resources to hold the result. Returns one rename table per placed page, in the same order: the
// names that page's content streams must use instead of their own.
std::vector<RenameTable> mergeResources(WriteContext& ctx, const PageRecords& pages,
                                        const std::vector<int>& placed, std::string& pageText);
