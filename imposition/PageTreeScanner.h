// The input page tree walk: one record per page, in page order, with its boxes and rotation as
// stated or inherited, and what the flat output tree must state for it.
#pragma once

#include <cstdio>

#include "imposition/PageRecord.h"

class CPdfDocument;

// Fills the page records in page order, one per leaf found; returns the page tree root's object
// number (0 when the catalog holds the root in place). An inherited /Resources dictionary written
// in place is taken as its bytes in the ancestor's raw object text, read from input (the input
// opened for raw text); without input it is written out from its parsed value. Throws
// CPdfException for a /Kids element that is not a reference to a dictionary and for a tree
// nested too deeply; a node met a second time (a cycle) is skipped.
int scanPageTree(CPdfDocument& doc, FILE* input, PageRecords& records);
