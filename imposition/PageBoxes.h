// Page boxes: collecting the inherited boxes and rotation of every input page, and the sheet boxes.
#pragma once

#include <cstdio>
#include <string>

#include "app/JobSettings.h"
#include "imposition/PageRecord.h"
#include "pdf/CPdfXRef.h"

class CPdfDocument;

// Fills the page records in page order, one per leaf found; returns the page tree root's object
// number. Throws CPdfException for a /Kids element that is not a reference to a dictionary and
// for a tree nested too deeply; a node met a second time (a cycle) is skipped.
int scanPageTree(CPdfXRef* xref, PageRecords& records);
// The same, taking an inherited /Resources dictionary written in place as its bytes in the
// ancestor's raw object text (input: the input opened for raw text). Without the raw text the
// dictionary is written out from its parsed value.
int scanPageTree(CPdfDocument& doc, FILE* input, PageRecords& records);

// State the split-back sheets carry between the five box calls of one sheet.
struct SheetBoxState {
    int clampX = 0;
    int clampY = 0;
    bool clampSet = false;
    bool firstHalf = true;
};

// Edits key's box in the page text of a sheet (see the box computation); rotation is normalised
// 0..359 by the callee. pageBox is in-out (the split-back clamp may lower it).
void writeSheetBox(std::string& text, const char* key, const UserBox& userBox, PdfBox& pageBox,
                   int rotation, bool addIfMissing, const JobSettings& settings,
                   SheetBoxState& state);
