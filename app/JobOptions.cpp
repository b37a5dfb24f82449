// Command-line option parser: fills the job settings from the argument vector and refuses every
// argument that is neither an option nor the value of one.
#include "app/JobOptions.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "pdf/CPdfException.h"
#include "pdf/FormatText.h"

namespace {

// Reads a number at the start of the text as "%d" does: blanks and a sign may come before the
// digits, and whatever follows them is not looked at, so "-s5x" and "-rightmargin 10.7" keep
// meaning 5 and 10 as they always have. Numbers out of the int range are clamped, not wrapped.
bool scanLeadingInt(const char* text, int& value) {
    char* end = nullptr;
    long number = std::strtol(text, &end, 10);
    if (end == text) return false;
    value = static_cast<int>(std::clamp<long>(number, INT_MIN, INT_MAX));
    return true;
}

// Reads "x1,y1,x2,y2" as "%lf,%lf,%lf,%lf" does; the box changes only when all four numbers are
// read, and anything after the fourth is not looked at.
bool scanBox(const char* text, UserBox& box) {
    double values[4];
    const char* at = text;
    for (int i = 0; i < 4; i++) {
        if (i > 0) {
            if (*at != ',') return false;
            at++;
        }
        char* end = nullptr;
        values[i] = std::strtod(at, &end);
        if (end == at || !std::isfinite(values[i])) return false;
        at = end;
    }
    box = UserBox{values[0], values[1], values[2], values[3]};
    return true;
}

// Reads "a4" (any case) or "WxH" in points; the paper changes only when the whole text reads.
bool scanPaper(const char* text, PaperSize& paper) {
    static const struct {
        const char* name;
        double width, height;
    } kNamed[] = {{"a5", 420, 595},     {"a4", 595, 842},     {"a3", 842, 1191},
                  {"letter", 612, 792}, {"legal", 612, 1008}, {"tabloid", 792, 1224}};
    std::string name = text;
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const auto& named : kNamed) {
        if (name == named.name) {
            paper = PaperSize{named.width, named.height, true};
            return true;
        }
    }
    char* end = nullptr;
    double width = std::strtod(text, &end);
    if (end == text || (*end != 'x' && *end != 'X')) return false;
    const char* at = end + 1;
    double height = std::strtod(at, &end);
    if (end == at || *end != '\0' || !std::isfinite(width) || !std::isfinite(height) ||
        width <= 0 || height <= 0) {
        return false;
    }
    paper = PaperSize{width, height, false};
    return true;
}

struct FlagOption {
    const char* name;
    bool LayoutFlags::*flag;
};

// Order options that only set their flag; the layout options come from the layout table.
const FlagOption kPlainFlags[] = {
    {"-duplicate", &LayoutFlags::duplicate},
    {"-duplex", &LayoutFlags::duplex},
    {"-duplex1423", &LayoutFlags::duplex1423},
    {"-duplex1342", &LayoutFlags::duplex1342},
    {"-duplex4123", &LayoutFlags::duplex4123},
    {"-outer-in", &LayoutFlags::outerIn},
    {"-down", &LayoutFlags::down},
    {"-stack", &LayoutFlags::stack},
};

// The sizes that have an A/B option of their own, smallest first.
std::vector<int> abSizes() {
    std::vector<int> sizes;
    for (const Layout& layout : kLayoutTable) {
        if (layout.abSize != 0 && (sizes.empty() || sizes.back() != layout.abSize))
            sizes.push_back(layout.abSize);
    }
    return sizes;
}

// Options that take their number in the same argument ("-s5").
struct NumberOption {
    const char* prefix;
    int JobSettings::*value;
    const char* meaning;
    const char* example;
};
const NumberOption kNumbered[] = {
    {"-s", &JobSettings::startPage, "the start page", "-s5"},
    {"-e", &JobSettings::endPage, "the end page", "-e10"},
    {"-offset_split", &JobSettings::offsetSplit, "the split offset", "-offset_split-50"},
};

// Options that take the next argument as their value.
struct ValueOption {
    const char* name;
    const char* meaning;
    const char* example;
};
const ValueOption kValued[] = {
    {"-cropbox", "a box x1,y1,x2,y2", "-cropbox 5,5,612,1584"},
    {"-mediabox", "a box x1,y1,x2,y2", "-mediabox 0,0,612,1584"},
    {"-rightmargin", "a whole number of points", "-rightmargin 10"},
    {"-bottommargin", "a whole number of points", "-bottommargin 10"},
    {"-seq", "a file name", "-seq order.txt"},
    {"-password", "the user or owner password", "-password secret"},
    {"-signature", "a number of pages that is a multiple of 4", "-signature 16"},
    {"-paper", "a paper size (a5, a4, a3, letter, legal, tabloid, or WxH in points)", "-paper a4"},
};

bool startsWith(const std::string& text, const char* prefix) {
    return text.compare(0, std::strlen(prefix), prefix) == 0;
}

// Applies one option that stands alone in its argument; false when arg is none.
bool applyOption(const std::string& arg, JobSettings& settings) {
    LayoutFlags& flags = settings.flags;
    for (const NumberOption& option : kNumbered) {
        if (startsWith(arg, option.prefix) &&
            scanLeadingInt(arg.c_str() + std::strlen(option.prefix), settings.*option.value)) {
            return true;
        }
    }
    for (const FlagOption& option : kPlainFlags) {
        if (arg == option.name) {
            flags.*option.flag = true;
            return true;
        }
    }
    for (const Layout& layout : kLayoutTable) {
        if (*layout.option && (arg == layout.option || (layout.alias && arg == layout.alias))) {
            flags.layouts[static_cast<size_t>(layout.id)] = true;
            return true;
        }
    }
    if (arg == "-ab") {
        flags.ab = true;  // a later -ab does not clear the other sizes
        return true;
    }
    for (int size : abSizes()) {
        // The A/B option of one size clears the A/B options of every other size, the 2-up one
        // included.
        if (arg == abOption(size)) {
            flags.ab = false;
            flags.abSize = size;
            return true;
        }
    }
    if (arg == "-split") {
        flags.split = true;
        flags.ab = false;
        return true;
    }
    if (arg == "-q") {
        settings.quiet = true;
        return true;
    }
    if (arg == "-marks") {
        settings.marks = true;
        return true;
    }
    return false;
}

// Applies a value option to its value; false when the value does not read.
bool applyValue(const std::string& name, const char* value, JobSettings& settings) {
    if (name == "-cropbox") return scanBox(value, settings.cropBox);
    if (name == "-mediabox") return scanBox(value, settings.mediaBox);
    if (name == "-rightmargin") return scanLeadingInt(value, settings.rightMargin);
    if (name == "-bottommargin") return scanLeadingInt(value, settings.bottomMargin);
    if (name == "-password") {
        settings.password = value;
        return true;
    }
    if (name == "-paper") return scanPaper(value, settings.paper);
    if (name == "-signature") {
        int pages = 0;
        if (!scanLeadingInt(value, pages) || pages < 4 || pages % 4 != 0) return false;
        settings.signature = pages;
        return true;
    }
    settings.sequenceFile = value;
    return true;
}

bool isOption(const std::string& arg) {
    JobSettings scratch;
    if (applyOption(arg, scratch)) return true;
    for (const ValueOption& option : kValued) {
        if (arg == option.name) return true;
    }
    return false;
}

// Edits between a and b, a swap of two neighbours counting as one; stops counting past 2.
int typingDistance(const std::string& a, const std::string& b) {
    if (a.size() > b.size() + 2 || b.size() > a.size() + 2) return 3;
    std::vector<std::vector<int>> d(a.size() + 1, std::vector<int>(b.size() + 1));
    for (size_t i = 0; i <= a.size(); i++) d[i][0] = static_cast<int>(i);
    for (size_t j = 0; j <= b.size(); j++) d[0][j] = static_cast<int>(j);
    for (size_t i = 1; i <= a.size(); i++) {
        for (size_t j = 1; j <= b.size(); j++) {
            int change = a[i - 1] == b[j - 1] ? 0 : 1;
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + change});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    }
    return d[a.size()][b.size()];
}

// The option the user probably meant: arg in lower case or with a single dash, or an option
// name one slip of the keyboard away. "" when none is that close.
std::string suggestionFor(const std::string& arg) {
    std::string plain = arg;
    for (char& c : plain) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    size_t dashes = plain.find_first_not_of('-');
    if (dashes != std::string::npos) plain = "-" + plain.substr(dashes);
    if (plain != arg && isOption(plain)) return plain;

    std::vector<std::string> names = {"-ab", "-split", "-q", "-marks"};
    for (const FlagOption& option : kPlainFlags) names.push_back(option.name);
    for (const Layout& layout : kLayoutTable) {
        if (*layout.option) names.push_back(layout.option);
    }
    for (const Layout& layout : kLayoutTable) {
        if (layout.alias) names.push_back(layout.alias);
    }
    for (int size : abSizes()) names.push_back(abOption(size));
    for (const ValueOption& option : kValued) names.push_back(option.name);
    std::string best;
    int bestDistance = 2;
    for (const std::string& name : names) {
        // A name of three characters is too short to guess from.
        if (name.size() < 4) continue;
        int distance = typingDistance(plain, name);
        if (distance < bestDistance) {
            best = name;
            bestDistance = distance;
        }
    }
    return best;
}

// The message for an argument that is no option, naming it and the right form where one is known.
std::string refusalFor(const std::string& arg, const char* next) {
    if (arg.empty() || arg[0] != '-') {
        return formatText(
            "\nUnexpected argument '%s': only options may follow the input and output names "
            "(tessel in.pdf out.pdf [options]). To convert several files, name them in a list "
            "file: tessel list.txt -fout [options]\n",
            arg.c_str());
    }
    for (const NumberOption& option : kNumbered) {
        if (arg != option.prefix) continue;
        int number = 0;
        if (next && scanLeadingInt(next, number)) {
            return formatText(
                "\nOption %s takes its number in the same argument: use %s%s, not %s %s\n",
                option.prefix, option.prefix, next, option.prefix, next);
        }
        return formatText("\nOption %s needs %s in the same argument, e.g. %s\n", option.prefix,
                          option.meaning, option.example);
    }
    std::string suggestion = suggestionFor(arg);
    if (!suggestion.empty()) {
        return formatText("\nUnknown option '%s': did you mean %s?\n", arg.c_str(),
                          suggestion.c_str());
    }
    for (const NumberOption& option : kNumbered) {
        if (startsWith(arg, option.prefix)) {
            return formatText("\nUnknown option '%s': %s is written %s<number>, e.g. %s\n",
                              arg.c_str(), option.meaning, option.prefix, option.example);
        }
    }
    return formatText("\nUnknown option '%s': run tessel -h for the options\n", arg.c_str());
}

}  // namespace

void parseOptions(int argc, char** argv, JobSettings& settings) {
    if (argc > 1 && argv[1]) settings.inputFile = argv[1];
    if (argc > 2 && argv[2]) settings.outputFile = argv[2];
    for (int i = 3; i < argc && argv[i]; i++) {
        std::string arg = argv[i];
        const char* next = i + 1 < argc ? argv[i + 1] : nullptr;
        const ValueOption* valued = nullptr;
        for (const ValueOption& option : kValued) {
            if (arg == option.name) valued = &option;
        }
        if (valued) {
            if (!next) {
                throw CPdfException(formatText("\nOption %s needs %s after it, e.g. %s\n",
                                               valued->name, valued->meaning, valued->example));
            }
            if (!applyValue(arg, next, settings)) {
                throw CPdfException(formatText("\nOption %s: '%s' is not %s, e.g. %s\n",
                                               valued->name, next, valued->meaning,
                                               valued->example));
            }
            i++;
            continue;
        }
        if (!applyOption(arg, settings)) throw CPdfException(refusalFor(arg, next));
    }
}

std::string abOption(int size) {
    return formatText("-ab%d", size);
}

const Layout& chooseLayout(const LayoutFlags& flags) {
    const Layout* chosen = &layoutOf(LayoutId::TwoUp);
    for (const Layout& layout : kLayoutTable) {
        if (flags.has(layout.id) && layout.rank > chosen->rank) chosen = &layout;
    }
    return *chosen;
}
