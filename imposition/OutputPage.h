// Output pages: every page of the output, sheet or single page, is an object of its own whose
// /Parent is the flat page tree root.
#pragma once

#include <map>
#include <set>
#include <string>

#include "imposition/AnnotRelocate.h"
#include "imposition/PageRecord.h"
#include "writer/WriteContext.h"

// What the sheets and single pages of one run share.
struct SheetRunState {
    int pagesRootNumber = 0;
    int pagesRootGen = 0;
    std::set<int>
        outputPages;  // numbers written as output pages so far: each page is its own object
    AnnotationUses annotationUses;
    std::map<std::string, bool> resourcesHoldPatterns;  // see mergeResources
    bool firstHalf = true;  // split-back: the sheet shows the first half of its page
};

// An output page as the page tree root lists it.
struct OutputPage {
    int num = 0;  // 0: nothing was written
    int gen = 0;
};

// The /Resources value page inherits, as an output page or form states it: a reference as it is,
// a direct dictionary written once as an object and referred to, so that thousands of pages
// under one node do not each repeat it. Empty when the page inherits none.
std::string inheritedResourcesValue(WriteContext& ctx, const PageRecord& page);

// Throws CPdfException when the page object text has no /Parent. Checked before anything is
// written for the page: such a page is no part of a page tree.
void checkPageParent(const std::string& text);

// Writes text, the object text of input page num edited into an output page, with its /Parent
// set to the page tree root: under num, or under a new number when an output page has num
// already (a page shown twice). Throws CPdfException when the text has no /Parent.
OutputPage writeOutputPage(WriteContext& ctx, std::string& text, int num, SheetRunState& state);
