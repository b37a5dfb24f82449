// Refusals of options that would have no effect in the layout chosen.
#include "app/OptionChecks.h"

#include <algorithm>
#include <string>
#include <vector>

#include "app/JobOptions.h"
#include "pdf/CPdfException.h"
#include "pdf/FormatText.h"

namespace {

// "-6up2x3 or -6up3x2": the options of the layouts whose A/B option has this size.
std::string layoutOptionsOf(int abSize) {
    std::vector<const char*> options;
    for (const Layout& layout : kLayoutTable) {
        if (layout.abSize == abSize) options.push_back(layout.option);
    }
    std::string text;
    for (size_t i = 0; i < options.size(); i++) {
        if (i > 0) text += i + 1 == options.size() ? " or " : ", ";
        text += options[i];
    }
    return text;
}

// The layout as messages name it: "2-up", "6-up (-6up2x3)", "split back (-2to1up)".
std::string layoutText(const Layout& layout) {
    switch (layout.order) {
        case OrderFamily::TwoUp:
            return "2-up";
        case OrderFamily::SplitBack:
            return formatText("split back (%s)", layoutOf(LayoutId::SplitBackVertical).option);
        case OrderFamily::MultiUp:
        case OrderFamily::SpecialTenUp:
            break;
    }
    return formatText("%d-up (%s)", layout.slots, layout.option);
}

void refuseAbSize(const LayoutFlags& flags, const Layout& layout) {
    if (flags.abSize == 0 || flags.abSize == layout.abSize) return;
    std::string option = abOption(flags.abSize);
    std::string what =
        formatText("\nOption %s has no effect: it is the A/B order of %d-up and the layout is %s. ",
                   option.c_str(), flags.abSize, layoutText(layout).c_str());
    if (layout.abSize != 0)
        throw CPdfException(what + formatText("Use %s instead\n", abOption(layout.abSize).c_str()));
    if (layout.order == OrderFamily::TwoUp) {
        throw CPdfException(what + formatText("Add %s, or use -ab for the 2-up A/B order\n",
                                              layoutOptionsOf(flags.abSize).c_str()));
    }
    throw CPdfException(what +
                        formatText("Split back has no A/B order: leave %s out\n", option.c_str()));
}

void refuseSplitTwoSided(const LayoutFlags& flags, const Layout& layout) {
    if (layout.order != OrderFamily::TwoUp || !flags.split) return;
    const std::pair<bool, const char*> twoSided[] = {
        {flags.duplex, "-duplex"},         {flags.duplex1423, "-duplex1423"},
        {flags.duplex1342, "-duplex1342"}, {flags.duplex4123, "-duplex4123"},
        {flags.outerIn, "-outer-in"},
    };
    for (const auto& [set, option] : twoSided) {
        if (!set) continue;
        throw CPdfException(formatText(
            "\nOptions -split and %s do not go together in 2-up: the cut-and-stack order is "
            "one-sided, so one of them would have no effect. Leave one of them out\n",
            option));
    }
}

// The options that choose a page order of their own, which -stack would replace.
std::vector<const char*> orderOptionsBesideStack(const JobSettings& settings,
                                                 const Layout& layout) {
    const LayoutFlags& flags = settings.flags;
    std::vector<const char*> given;
    const std::pair<bool, const char*> orders[] = {
        {flags.split, "-split"},
        {flags.duplicate, "-duplicate"},
        {flags.duplex1423, "-duplex1423"},
        {flags.duplex1342, "-duplex1342"},
        {flags.duplex4123, "-duplex4123"},
        {flags.outerIn, "-outer-in"},
        {!settings.sequenceFile.empty(), "-seq"},
        // Down the columns is an order in 4- to 12-up; in 2-up it only stacks the two pages.
        {flags.down && layout.order != OrderFamily::TwoUp, "-down"},
    };
    for (const auto& [set, option] : orders) {
        if (set) given.push_back(option);
    }
    return given;
}

void refuseStack(const JobSettings& settings, const Layout& layout) {
    if (!settings.flags.stack) return;
    if (layout.order == OrderFamily::SplitBack) {
        throw CPdfException(
            "\nOption -stack has no effect: it orders the pages of a grid for cutting, and split "
            "back has no grid. Leave -stack out\n");
    }
    std::vector<const char*> others = orderOptionsBesideStack(settings, layout);
    std::string other = others.empty() ? "" : others.front();
    if (other.empty() && settings.flags.abSize != 0) other = abOption(settings.flags.abSize);
    if (!other.empty()) {
        throw CPdfException(formatText(
            "\nOptions -stack and %s do not go together: both choose the page order. Leave one "
            "of them out\n",
            other.c_str()));
    }
}

void refuseSignature(const JobSettings& settings, const Layout& layout) {
    if (settings.signature == 0) return;
    const LayoutFlags& flags = settings.flags;
    if (!flags.outerIn) {
        throw CPdfException(formatText(
            "\nOption -signature %d has no effect without -outer-in: it makes the booklet of "
            "signatures of %d pages. Add -outer-in\n",
            settings.signature, settings.signature));
    }
    if (layout.order != OrderFamily::TwoUp) {
        throw CPdfException(formatText(
            "\nOption -signature %d has no effect: the booklet order is 2-up and the layout is "
            "%s. Leave the layout option out\n",
            settings.signature, layoutText(layout).c_str()));
    }
    if (flags.duplicate || !settings.sequenceFile.empty()) {
        throw CPdfException(formatText(
            "\nOptions -signature and %s do not go together: %s replaces the booklet order. "
            "Leave one of them out\n",
            flags.duplicate ? "-duplicate" : "-seq", flags.duplicate ? "-duplicate" : "-seq"));
    }
}

void refusePaper(const JobSettings& settings, const Layout& layout) {
    if (settings.paper.isGiven()) {
        for (const auto& [box, option] : {std::make_pair(&settings.mediaBox, "-mediabox"),
                                          std::make_pair(&settings.cropBox, "-cropbox")}) {
            if (!box->isGiven()) continue;
            throw CPdfException(formatText(
                "\nOptions -paper and %s do not go together: with -paper the sheet boxes are the "
                "paper. Leave %s out\n",
                option, option));
        }
    }
    if (!settings.marks) return;
    if (layout.order == OrderFamily::SplitBack) {
        throw CPdfException(
            "\nOption -marks has no effect: it marks where to cut a grid, and split back has no "
            "grid. Leave -marks out\n");
    }
    if (!settings.paper.isGiven() && settings.rightMargin <= 0 && settings.bottomMargin <= 0) {
        throw CPdfException(
            "\nOption -marks needs room beside the pages, and the sheet is exactly as large as "
            "its pages: add -paper <size> (which keeps a border for the marks), or "
            "-rightmargin <n> and -bottommargin <n> for gaps between the pages\n");
    }
}

}  // namespace

void refuseIneffectiveOptions(const JobSettings& settings, const Layout& layout) {
    refuseAbSize(settings.flags, layout);
    refuseSplitTwoSided(settings.flags, layout);
    refuseStack(settings, layout);
    refuseSignature(settings, layout);
    refusePaper(settings, layout);
    if (settings.offsetSplit != 0 && layout.order != OrderFamily::SplitBack) {
        throw CPdfException(formatText(
            "\nOption -offset_split%d has no effect: it moves the cut line of -2to1up and "
            "-2to1uph, and the layout is %s\n",
            settings.offsetSplit, layoutText(layout).c_str()));
    }
}

void refuseEmptyRange(const JobSettings& settings, const Layout& layout, int pageCount) {
    // Nothing to impose whatever the range: the output keeps the input's pages as they are.
    if (pageCount <= 0) return;
    // The range as the imposition run reads it: an end page at or past the last page, or below
    // 0, means the last page. Split back runs over the input appended to itself and shows page
    // p's halves for p up to half the end page.
    bool splitBack = layout.order == OrderFamily::SplitBack;
    long long count = splitBack ? 2LL * pageCount : pageCount;
    long long end = settings.endPage >= 0 && settings.endPage < count ? settings.endPage : count;
    long long first = std::max(1, settings.startPage);
    long long last = splitBack ? end / 2 : end;
    if (first <= last) return;
    if (first > pageCount) {
        throw CPdfException(formatText(
            "\nNo page to impose: -s%d is after the last page (the input has %d pages)\n",
            settings.startPage, pageCount));
    }
    if (splitBack && first <= end) {
        throw CPdfException(formatText(
            "\nNo page to impose: in split back -e counts half pages, so -s%d -e%d ends before "
            "its start page\n",
            settings.startPage, settings.endPage));
    }
    throw CPdfException(formatText(
        "\nNo page to impose: -s%d -e%d is an empty range; the start page must not come after "
        "the end page\n",
        settings.startPage, settings.endPage));
}
