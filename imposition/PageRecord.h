// One input page as the page tree gives it: object number, rotation and five inherited boxes.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "pdf/CPdfObject.h"

struct PdfBox {
    double x1 = 0, y1 = 0, x2 = 612, y2 = 792;
};

struct PageRecord {
    int objNum = 0;
    int rotation = 0;  // /Rotate as found, stated or inherited, not normalised
    PdfBox mediaBox, cropBox, bleedBox, trimBox, artBox;

    // What the page inherits from an intermediate node of the page tree and does not state
    // itself: the flat output tree loses those nodes, so a written page must state them.
    bool inheritsRotate = false;   // rotation came from an ancestor
    bool inheritsCropBox = false;  // cropBox came from an ancestor's /CropBox
    // The page or an ancestor states /CropBox; without one the visible box is the media box.
    bool hasCropBox = false;
    // Text of an inherited /Resources value ("12 0 R" or a direct "<< ... >>"), null when the
    // page states its own or none is inherited. Every page under a node shares the node's text:
    // a direct dictionary is held, and written (see inheritedResourcesValue), once.
    std::shared_ptr<const std::string> inheritedResources;

    // The page's /Contents value as stored, kept from the scan so that writing a sheet need not
    // parse the page again; contentsKnown is false for a record made elsewhere.
    CPdfObject contents;
    bool contentsKnown = false;
};

using PageRecords = std::vector<PageRecord>;
