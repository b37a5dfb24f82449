// Annotation relocation: the annotations of the pages placed on a sheet, moved with their pages
// and listed in the sheet's /Annots array.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "imposition/PagePlacement.h"
#include "imposition/PageRecord.h"
#include "writer/WriteContext.h"

// Annotation objects already shown on an output page. The first showing of an annotation may
// keep its number; every further one is written as a new object, so that each place has its own.
using AnnotationUses = std::set<int>;

// The /Rect text of an annotation moved by a placement: four " %.2f " items in brackets, the
// corners put back in order after a flip. False when rect does not hold four numbers.
bool placeRect(const std::vector<double>& rect, const PagePlacement& placement, std::string& text);
// A list of points (x y pairs) moved by a placement, each number in its shortest exact "%f" form.
// False when the list does not hold whole pairs.
bool placePoints(const std::vector<double>& points, const PagePlacement& placement,
                 std::string& text);

// Writes the annotations of one placed page moved by its placement and returns their
// references, one " %d %d R " item each, in the page's /Annots order. changed (when given) is set
// when the list names an object other than the page's own /Annots would.
std::string relocatePageAnnotations(WriteContext& ctx, const std::string& pageText,
                                    const PagePlacement& placement, AnnotationUses& uses,
                                    bool* changed = nullptr);

// The annotations of every placed page, in slot order.
std::string relocateAnnotations(WriteContext& ctx, const PageRecords& pages,
                                const std::vector<PagePlacement>& placements, AnnotationUses& uses);

// Makes list the /Annots array of the sheet page text: in place of a direct array, as a new
// array object in place of a referenced one, or inserted after the first "<<" when absent.
void insertAnnotationList(WriteContext& ctx, std::string& pageText, const std::string& list);
