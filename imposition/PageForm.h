// Pages shown as Form XObjects: a page that renaming cannot show as it is keeps its own
// resources inside a form, and the sheet paints that form in the page's cell.
#pragma once

#include <string>
#include <vector>

#include "imposition/PageRecord.h"
#include "writer/ContentRewrite.h"
#include "writer/WriteContext.h"

// How one placed page reaches the sheet: its own content streams with some names changed, or
// a form that the sheet's resources name.
struct PageContentPlan {
    RenameTable renames;   // names its content streams must use instead of their own
    int formObject = 0;    // non-zero: the page is painted as this Form XObject
    std::string formName;  // the form's name in the sheet's XObject resources
};

// Whether new names would not reach everything the page draws: a content stream that cannot be
// decoded (its names cannot change), or, among resourceValues (the "N G R" values of the page's
// XObject and Font entries), a form XObject or Type 3 font without resources of its own, which
// looks its names up in the page's resources.
bool renamingMissesNames(WriteContext& ctx, const PageRecord& page,
                         const std::vector<std::string>& resourceValues);

// Writes the page as a Form XObject with the page's own resources (inherited ones too), its
// visible box (crop box within media box) as /BBox, and its content: one stream copied with its
// own filter when it cannot be decoded, else every stream decoded, joined and compressed anew.
// Returns the form's object number. Throws CPdfException when a page of several content
// streams has one that cannot be decoded.
int writePageForm(WriteContext& ctx, const PageRecord& page, int pageNumber);

// The references a placed page puts between its wrapper streams, each " N G R ": its content
// streams (copies renamed by the plan), or one new stream that paints its form.
std::string placedPageContents(WriteContext& ctx, const PageRecord& page,
                               const PageContentPlan& plan);
