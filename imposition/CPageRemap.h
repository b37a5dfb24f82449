// Where every input page went: the output page that shows it and where on it. Bookmarks, links,
// named destinations and other references to pages name input page objects, most of which are
// no output page after imposition; the copies of the objects that hold them are edited to name
// the output page instead, with the view carried to the page's cell.
#pragma once

#include <string>
#include <vector>

#include "app/JobSettings.h"
#include "imposition/CPageOrder.h"
#include "imposition/PagePlacement.h"
#include "imposition/PageRecord.h"
#include "writer/WriteContext.h"

// The output page that first shows an input page.
struct PageTarget {
    int num = 0;  // 0: no output page whose number is known before writing shows the page
    int gen = 0;
    bool inCell = false;  // shown in a cell of a sheet: a whole-page view becomes the cell's
    PagePlacement placement;
    // Split-back: the sheet shows one side of this cut line; the other side is shown by the
    // target of page otherHalf.
    bool cut = false;
    bool cutAlongX = true;
    bool keepLow = true;
    double cutLine = 0;
    bool firstHalf = true;  // the half shown first in reading order
    int otherHalf = -1;
};

class CPageRemap {
  public:
    // Plans the output pages of the run (before anything is written) and reads the input's page
    // labels. The run must write its pages in the order forEachOutputPage gives.
    void plan(const JobSettings& settings, const Layout& layout, WriteContext& ctx,
              const PageRecords& pages, const CPageOrder& order);

    // Edits the text of input object num (0 for an object made from a direct value): every
    // explicit destination naming a page gets the output page and the view moved with the page;
    // /P and /Pg entries naming a page get its output page; the catalog's /PageLabels gets the
    // labels of the output pages. Every other byte stays. True when the text changed.
    bool rewrite(int num, std::string& text) const;

    const PageTarget* targetOf(int pageObject) const;

  private:
    bool rewriteDestination(const std::string& text, size_t open, size_t end,
                            std::string& replacement, size_t& replacedEnd) const;

    std::vector<int> pageOfObject_;  // by object number: page index + 1, 0 for no page
    std::vector<PageTarget> targets_;
    bool moved_ = false;  // some page is not shown as itself, unmoved, under its own number
    int rootNum_ = 0;
    std::string pageLabels_;  // the catalog's new /PageLabels value; empty: left as it is
};
