// Command-line option parser: fills the job settings from the argument vector.
#include "app/JobOptions.h"

#include <climits>
#include <cstdlib>
#include <cstring>

namespace {

// Reads a whole number right after prefix, as "<prefix>%d" would: the prefix must match exactly,
// blanks and a sign may come before the digits, anything after them is ignored. Numbers out of
// the int range are clamped rather than left to wrap.
bool scanInt(const char* text, const char* prefix, int& value) {
    size_t prefixLength = std::strlen(prefix);
    if (std::strncmp(text, prefix, prefixLength) != 0) return false;
    const char* start = text + prefixLength;
    char* end = nullptr;
    long number = std::strtol(start, &end, 10);
    if (end == start) return false;
    if (number > INT_MAX) number = INT_MAX;
    if (number < INT_MIN) number = INT_MIN;
    value = static_cast<int>(number);
    return true;
}

// Reads "x1,y1,x2,y2" as "%lf,%lf,%lf,%lf" would; the box changes only when all four are read.
void scanBox(const char* text, UserBox& box) {
    double values[4];
    const char* at = text;
    for (int i = 0; i < 4; i++) {
        if (i > 0) {
            if (*at != ',') return;
            at++;
        }
        char* end = nullptr;
        values[i] = std::strtod(at, &end);
        if (end == at) return;
        at = end;
    }
    box.x1 = values[0];
    box.y1 = values[1];
    box.x2 = values[2];
    box.y2 = values[3];
}

// The A/B option of one size clears the A/B options of every other size, the 2-up one included.
void selectAbSize(LayoutFlags& flags, bool LayoutFlags::*chosen) {
    bool LayoutFlags::*all[] = {&LayoutFlags::ab,  &LayoutFlags::ab4,  &LayoutFlags::ab6,
                                &LayoutFlags::ab8, &LayoutFlags::ab10, &LayoutFlags::ab12};
    for (bool LayoutFlags::*flag : all) flags.*flag = false;
    flags.*chosen = true;
}

struct FlagOption {
    const char* name;
    bool LayoutFlags::*flag;
};

// Options that only set their flag, in the order they are tried.
const FlagOption kPlainFlags[] = {
    {"-duplicate", &LayoutFlags::duplicate},
    {"-6up2x3", &LayoutFlags::up6x2x3},
    {"-6up3x2", &LayoutFlags::up6x3x2},
    {"-8up2x4", &LayoutFlags::up8x2x4},
    {"-8up4x2", &LayoutFlags::up8x4x2},
    {"-10up2x5", &LayoutFlags::up10x2x5},
    {"-10up2x5spec1", &LayoutFlags::up10x2x5spec1},
    {"-10up5x2", &LayoutFlags::up10x5x2},
    {"-12up2x6", &LayoutFlags::up12x2x6},
    {"-12up6x2", &LayoutFlags::up12x6x2},
    {"-12up3x4", &LayoutFlags::up12x3x4},
    {"-12up4x3", &LayoutFlags::up12x4x3},
    {"-4up", &LayoutFlags::up4},
    {"-2to1up", &LayoutFlags::up2to1},
    {"-2to1uph", &LayoutFlags::up2to1h},
    {"-duplex", &LayoutFlags::duplex},
    {"-duplex1423", &LayoutFlags::duplex1423},
    {"-duplex1342", &LayoutFlags::duplex1342},
    {"-duplex4123", &LayoutFlags::duplex4123},
    // The usage text has always printed the split-back options this way round.
    {"-up2to1", &LayoutFlags::up2to1},
    {"-up2to1h", &LayoutFlags::up2to1h},
};

const FlagOption kAbSizes[] = {
    {"-ab4", &LayoutFlags::ab4},   {"-ab6", &LayoutFlags::ab6},   {"-ab8", &LayoutFlags::ab8},
    {"-ab10", &LayoutFlags::ab10}, {"-ab12", &LayoutFlags::ab12},
};

// Tries one argument against the option table in its fixed order; the first match acts.
void applyOption(const char* arg, const char* next, JobSettings& settings) {
    LayoutFlags& flags = settings.flags;
    if (scanInt(arg, "-s", settings.startPage)) return;
    if (scanInt(arg, "-e", settings.endPage)) return;
    for (const FlagOption& option : kPlainFlags) {
        if (std::strcmp(arg, option.name) == 0) {
            flags.*option.flag = true;
            return;
        }
    }
    if (scanInt(arg, "-offset_split", settings.offsetSplit)) return;
    if (std::strcmp(arg, "-outer-in") == 0) {
        flags.outerIn = true;
        return;
    }
    if (std::strcmp(arg, "-ab") == 0) {
        flags.ab = true;  // a later -ab does not clear the other sizes
        return;
    }
    for (const FlagOption& option : kAbSizes) {
        if (std::strcmp(arg, option.name) == 0) {
            selectAbSize(flags, option.flag);
            return;
        }
    }
    if (std::strcmp(arg, "-split") == 0) {
        flags.split = true;
        flags.ab = false;
        return;
    }
    if (std::strcmp(arg, "-down") == 0) {
        flags.down = true;
        return;
    }
    // The value options read the next argument but leave it to be tried as an option too.
    if (std::strcmp(arg, "-cropbox") == 0) {
        if (next) scanBox(next, settings.cropBox);
        return;
    }
    if (std::strcmp(arg, "-mediabox") == 0) {
        if (next) scanBox(next, settings.mediaBox);
        return;
    }
    if (std::strcmp(arg, "-rightmargin") == 0) {
        if (next) scanInt(next, "", settings.rightMargin);
        return;
    }
    if (std::strcmp(arg, "-bottommargin") == 0) {
        if (next) scanInt(next, "", settings.bottomMargin);
        return;
    }
}

}  // namespace

void parseOptions(int argc, char** argv, JobSettings& settings) {
    if (argc > 1 && argv[1]) settings.inputFile = argv[1];
    if (argc > 2 && argv[2]) settings.outputFile = argv[2];
    for (int i = 3; i < argc && argv[i]; i++) {
        const char* next = i + 1 < argc ? argv[i + 1] : nullptr;
        if (std::strcmp(argv[i], "-seq") == 0) {
            // The one option that takes its value away from the option loop.
            if (next) {
                settings.sequenceFile = next;
                i++;
            }
            continue;
        }
        applyOption(argv[i], next, settings);
    }
}
