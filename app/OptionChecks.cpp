// Refusals of options that would have no effect in the layout chosen.
#include "app/OptionChecks.h"

#include <algorithm>
#include <string>

#include "imposition/CPageOrder.h"
#include "pdf/CPdfException.h"
#include "pdf/FormatText.h"

namespace {

struct AbSize {
    bool LayoutFlags::*flag;
    const char* option;
    const char* layoutName;
    const char* layoutOptions;
};
const AbSize kAbSizes[] = {
    {&LayoutFlags::ab4, "-ab4", "4-up", "-4up"},
    {&LayoutFlags::ab6, "-ab6", "6-up", "-6up2x3 or -6up3x2"},
    {&LayoutFlags::ab8, "-ab8", "8-up", "-8up2x4 or -8up4x2"},
    {&LayoutFlags::ab10, "-ab10", "10-up", "-10up2x5, -10up5x2 or -10up2x5spec1"},
    {&LayoutFlags::ab12, "-ab12", "12-up", "-12up2x6, -12up6x2, -12up3x4 or -12up4x3"},
};

// The A/B size that goes with a layout; nullptr for 2-up and split back.
const AbSize* abSizeOf(Layout layout) {
    switch (layout) {
        case Layout::FourUp:
            return &kAbSizes[0];
        case Layout::SixUp2x3:
        case Layout::SixUp3x2:
            return &kAbSizes[1];
        case Layout::EightUp2x4:
        case Layout::EightUp4x2:
            return &kAbSizes[2];
        case Layout::TenUp2x5:
        case Layout::TenUp5x2:
        case Layout::TenUp2x5Spec1:
            return &kAbSizes[3];
        case Layout::TwelveUp2x6:
        case Layout::TwelveUp6x2:
        case Layout::TwelveUp3x4:
        case Layout::TwelveUp4x3:
            return &kAbSizes[4];
        case Layout::TwoUp:
        case Layout::SplitBack:
            break;
    }
    return nullptr;
}

const char* layoutText(Layout layout) {
    switch (layout) {
        case Layout::TwoUp:
            return "2-up";
        case Layout::FourUp:
            return "4-up (-4up)";
        case Layout::SixUp2x3:
            return "6-up (-6up2x3)";
        case Layout::SixUp3x2:
            return "6-up (-6up3x2)";
        case Layout::EightUp2x4:
            return "8-up (-8up2x4)";
        case Layout::EightUp4x2:
            return "8-up (-8up4x2)";
        case Layout::TenUp2x5:
            return "10-up (-10up2x5)";
        case Layout::TenUp5x2:
            return "10-up (-10up5x2)";
        case Layout::TenUp2x5Spec1:
            return "10-up (-10up2x5spec1)";
        case Layout::TwelveUp2x6:
            return "12-up (-12up2x6)";
        case Layout::TwelveUp6x2:
            return "12-up (-12up6x2)";
        case Layout::TwelveUp3x4:
            return "12-up (-12up3x4)";
        case Layout::TwelveUp4x3:
            return "12-up (-12up4x3)";
        case Layout::SplitBack:
            break;
    }
    return "split back (-2to1up)";
}

void refuseAbSize(const LayoutFlags& flags, Layout layout) {
    const AbSize* wanted = abSizeOf(layout);
    for (const AbSize& size : kAbSizes) {
        if (!(flags.*size.flag) || &size == wanted) continue;
        std::string what = formatText(
            "\nOption %s has no effect: it is the A/B order of %s and the layout is %s. ",
            size.option, size.layoutName, layoutText(layout));
        if (wanted) throw CPdfException(what + formatText("Use %s instead\n", wanted->option));
        if (layout == Layout::TwoUp) {
            throw CPdfException(what + formatText("Add %s, or use -ab for the 2-up A/B order\n",
                                                  size.layoutOptions));
        }
        throw CPdfException(what +
                            formatText("Split back has no A/B order: leave %s out\n", size.option));
    }
}

void refuseSplitTwoSided(const LayoutFlags& flags, Layout layout) {
    if (layout != Layout::TwoUp || !flags.split) return;
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

}  // namespace

void refuseIneffectiveOptions(const JobSettings& settings) {
    Layout layout = chooseLayout(settings.flags);
    refuseAbSize(settings.flags, layout);
    refuseSplitTwoSided(settings.flags, layout);
    if (settings.offsetSplit != 0 && layout != Layout::SplitBack) {
        throw CPdfException(formatText(
            "\nOption -offset_split%d has no effect: it moves the cut line of -2to1up and "
            "-2to1uph, and the layout is %s\n",
            settings.offsetSplit, layoutText(layout)));
    }
}

void refuseEmptyRange(const JobSettings& settings, int pageCount) {
    // Nothing to impose whatever the range: the output keeps the input's pages as they are.
    if (pageCount <= 0) return;
    // The range as the imposition run reads it: an end page at or past the last page, or below
    // 0, means the last page. Split back runs over the input appended to itself and shows page
    // p's halves for p up to half the end page.
    bool splitBack = chooseLayout(settings.flags) == Layout::SplitBack;
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
