// Page labels ("iii", "A-2", "17"): the catalog's /PageLabels names input pages by index, so
// output pages carrying several pages are labelled anew from the labels of what they show.
#pragma once

#include <string>
#include <vector>

#include "pdf/CPdfXRef.h"

// The label of every input page (UTF-16 code units), from the catalog's /PageLabels number tree;
// empty when the document has none.
std::vector<std::u16string> readPageLabels(CPdfXRef* xref, int pageCount);

// The label of an output page showing the pages with these indexes (slot order): one page's own
// label, "first–last" for pages that follow one another, else the labels joined by ", ".
std::u16string outputPageLabel(const std::vector<std::u16string>& labels,
                               const std::vector<int>& shown);

// A /PageLabels value giving output page i the label labels[i].
std::string pageLabelsValue(const std::vector<std::u16string>& labels);
