// Tests of the option parser: every option of the table, the numbered forms, the value options
// and the clearing of the A/B flags. Refused arguments are tested end to end.
#include "app/JobOptions.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

namespace {

// Parses "tessel in.pdf out.pdf" followed by the given options.
JobSettings parse(std::vector<std::string> options, bool withNames = true) {
    std::vector<std::string> args = {"tessel"};
    if (withNames) {
        args.push_back("in.pdf");
        args.push_back("out.pdf");
    }
    args.insert(args.end(), options.begin(), options.end());
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(&arg[0]);
    argv.push_back(nullptr);
    JobSettings settings;
    parseOptions(static_cast<int>(args.size()), argv.data(), settings);
    return settings;
}

// The flags that are set, by option name: the A/B and order flags, then the layout options.
std::string setFlags(const LayoutFlags& f) {
    std::vector<std::pair<std::string, bool>> flags = {
        {"-ab", f.ab},
        {f.abSize ? "-ab" + std::to_string(f.abSize) : "", f.abSize != 0},
        {"-split", f.split},
        {"-down", f.down},
        {"-duplicate", f.duplicate},
        {"-duplex", f.duplex},
        {"-duplex1423", f.duplex1423},
        {"-duplex1342", f.duplex1342},
        {"-duplex4123", f.duplex4123},
        {"-outer-in", f.outerIn},
    };
    for (const Layout& layout : kLayoutTable) flags.push_back({layout.option, f.has(layout.id)});
    std::string text;
    for (const auto& [name, set] : flags) {
        if (set) text += (text.empty() ? "" : " ") + name;
    }
    return text;
}

void expectFlags(std::vector<std::string> options, const std::string& expected) {
    std::string joined;
    for (const std::string& option : options) joined += option + " ";
    EXPECT_EQ(setFlags(parse(options).flags), expected) << "options: " << joined;
}

TEST(JobOptions, Defaults) {
    JobSettings settings = parse({});
    EXPECT_EQ(settings.inputFile, "in.pdf");
    EXPECT_EQ(settings.outputFile, "out.pdf");
    EXPECT_EQ(settings.startPage, 1);
    EXPECT_EQ(settings.endPage, 99999);
    EXPECT_EQ(setFlags(settings.flags), "-ab");
    EXPECT_FALSE(settings.cropBox.isGiven());
    EXPECT_FALSE(settings.mediaBox.isGiven());
    EXPECT_EQ(settings.rightMargin, 0);
    EXPECT_EQ(settings.bottomMargin, 0);
    EXPECT_EQ(settings.offsetSplit, 0);
    EXPECT_EQ(settings.sequenceFile, "");
}

TEST(JobOptions, EveryFlagOption) {
    // Each flag option alone sets its flag beside the default -ab.
    for (const char* option :
         {"-duplicate",    "-6up2x3",   "-6up3x2",  "-8up2x4",  "-8up4x2",     "-10up2x5",
          "-10up2x5spec1", "-10up5x2",  "-12up2x6", "-12up6x2", "-12up3x4",    "-12up4x3",
          "-4up",          "-2to1up",   "-2to1uph", "-duplex",  "-duplex1423", "-duplex1342",
          "-duplex4123",   "-outer-in", "-down"}) {
        JobSettings settings = parse({option});
        std::string name = option;
        std::string flags = setFlags(settings.flags);
        EXPECT_NE(flags.find(" " + name), std::string::npos) << option << ": " << flags;
        EXPECT_EQ(flags, "-ab " + name) << option;
    }
    expectFlags({"-ab"}, "-ab");
    expectFlags({"-ab4"}, "-ab4");
    expectFlags({"-ab6"}, "-ab6");
    expectFlags({"-ab8"}, "-ab8");
    expectFlags({"-ab10"}, "-ab10");
    expectFlags({"-ab12"}, "-ab12");
    expectFlags({"-split"}, "-split");
}

TEST(JobOptions, AbFlagClearing) {
    expectFlags({"-ab4", "-ab"}, "-ab -ab4");
    expectFlags({"-ab", "-ab4"}, "-ab4");
    expectFlags({"-ab4", "-ab6"}, "-ab6");
    expectFlags({"-ab12", "-ab8", "-ab"}, "-ab -ab8");
    expectFlags({"-ab10", "-split"}, "-ab10 -split");
    expectFlags({"-split"}, "-split");
    expectFlags({"-split", "-ab"}, "-ab -split");
    expectFlags({"-ab4", "-split", "-ab12"}, "-ab12 -split");
    // Flags other than the A/B ones stay set once set.
    expectFlags({"-duplex", "-ab4", "-split", "-4up"}, "-ab4 -split -duplex -4up");
}

TEST(JobOptions, ScannedNumbers) {
    struct Case {
        std::vector<std::string> options;
        int start, end, offset;
    };
    const Case cases[] = {
        {{"-s5"}, 5, 99999, 0},
        {{"-s5x"}, 5, 99999, 0},
        {{"-s 5"}, 5, 99999, 0},
        {{"-split"}, 1, 99999, 0},
        {{"-s3", "-s7"}, 7, 99999, 0},
        {{"-s-2"}, -2, 99999, 0},
        {{"-s+4"}, 4, 99999, 0},
        {{"-e0"}, 1, 0, 0},
        {{"-e12", "-s20"}, 20, 12, 0},
        {{"-e-1"}, 1, -1, 0},
        {{"-offset_split-50"}, 1, 99999, -50},
        {{"-offset_split30"}, 1, 99999, 30},
        {{"-seq", "-s4"}, 1, 99999, 0},
        // Numbers beyond the int range are clamped instead of wrapping.
        {{"-s99999999999"}, INT_MAX, 99999, 0},
        {{"-e-99999999999"}, 1, INT_MIN, 0},
        {{"-s4294967297"}, INT_MAX, 99999, 0},
    };
    for (const Case& c : cases) {
        JobSettings settings = parse(c.options);
        EXPECT_EQ(settings.startPage, c.start) << c.options[0];
        EXPECT_EQ(settings.endPage, c.end) << c.options[0];
        EXPECT_EQ(settings.offsetSplit, c.offset) << c.options[0];
    }
    // "-split" is an option of its own, never a start page.
    EXPECT_TRUE(parse({"-split"}).flags.split);
}

TEST(JobOptions, Margins) {
    EXPECT_EQ(parse({"-rightmargin", "10"}).rightMargin, 10);
    EXPECT_EQ(parse({"-rightmargin", "10.7"}).rightMargin, 10);
    // A negative margin is a value, not an option.
    EXPECT_EQ(parse({"-rightmargin", "-3"}).rightMargin, -3);
    EXPECT_EQ(parse({"-rightmargin", "5", "-rightmargin", "8"}).rightMargin, 8);
    EXPECT_EQ(parse({"-bottommargin", "12"}).bottomMargin, 12);
    EXPECT_EQ(parse({"-bottommargin", "12"}).rightMargin, 0);
}

TEST(JobOptions, Boxes) {
    JobSettings settings = parse({"-cropbox", "5,5,612,1584"});
    EXPECT_EQ(settings.cropBox.x1, 5);
    EXPECT_EQ(settings.cropBox.y1, 5);
    EXPECT_EQ(settings.cropBox.x2, 612);
    EXPECT_EQ(settings.cropBox.y2, 1584);
    EXPECT_FALSE(settings.mediaBox.isGiven());

    settings = parse({"-mediabox", "0,0,1224.5,792", "-mediabox", "1,2,3,4"});
    EXPECT_EQ(settings.mediaBox.x1, 1);
    EXPECT_EQ(settings.mediaBox.y2, 4);
    settings = parse({"-mediabox", "0, 0, 1224.5,  792"});
    EXPECT_EQ(settings.mediaBox.x2, 1224.5);
    EXPECT_EQ(settings.mediaBox.y2, 792);
    EXPECT_FALSE(settings.cropBox.isGiven());
}

TEST(JobOptions, SequenceFileTakesTheNextArgument) {
    JobSettings settings = parse({"-seq", "order.txt", "-4up"});
    EXPECT_EQ(settings.sequenceFile, "order.txt");
    EXPECT_TRUE(settings.flags.has(LayoutId::FourUp));
    settings = parse({"-seq", "-4up"});
    EXPECT_EQ(settings.sequenceFile, "-4up");
    EXPECT_FALSE(settings.flags.has(LayoutId::FourUp));
    EXPECT_EQ(parse({"-seq", "a.txt", "-seq", "b.txt"}).sequenceFile, "b.txt");
}

TEST(JobOptions, SplitBackSpellings) {
    expectFlags({"-2to1up"}, "-ab -2to1up");
    expectFlags({"-2to1uph"}, "-ab -2to1uph");
    // The spellings the usage text prints are accepted as well.
    expectFlags({"-up2to1"}, "-ab -2to1up");
    expectFlags({"-up2to1h"}, "-ab -2to1uph");
}

TEST(JobOptions, LayoutChoice) {
    // Of several layout options the largest layout wins, and within a size a fixed variant.
    const std::pair<std::vector<std::string>, LayoutId> cases[] = {
        {{}, LayoutId::TwoUp},
        {{"-down"}, LayoutId::TwoUp},
        {{"-2to1uph", "-2to1up"}, LayoutId::SplitBackVertical},
        {{"-up2to1h", "-down"}, LayoutId::SplitBackHorizontal},
        {{"-4up", "-2to1up"}, LayoutId::FourUp},
        {{"-6up2x3", "-4up"}, LayoutId::SixUp2x3},
        {{"-6up3x2", "-6up2x3"}, LayoutId::SixUp3x2},
        {{"-8up2x4", "-6up3x2"}, LayoutId::EightUp2x4},
        {{"-8up4x2", "-8up2x4"}, LayoutId::EightUp4x2},
        {{"-10up2x5spec1", "-8up4x2"}, LayoutId::TenUp2x5Spec1},
        {{"-10up5x2", "-10up2x5spec1"}, LayoutId::TenUp2x5Spec1},
        {{"-10up5x2", "-10up2x5"}, LayoutId::TenUp5x2},
        {{"-10up2x5"}, LayoutId::TenUp2x5},
        {{"-12up2x6", "-10up5x2"}, LayoutId::TwelveUp2x6},
        {{"-12up6x2", "-12up3x4"}, LayoutId::TwelveUp6x2},
        {{"-12up3x4", "-12up4x3"}, LayoutId::TwelveUp3x4},
        {{"-12up4x3", "-12up2x6"}, LayoutId::TwelveUp4x3},
    };
    for (const auto& [options, expected] : cases) {
        const Layout& chosen = chooseLayout(parse(options).flags);
        EXPECT_EQ(chosen.id, expected) << (options.empty() ? "" : options[0]);
    }
}

TEST(JobOptions, Quiet) {
    EXPECT_FALSE(parse({"-4up"}).quiet);
    EXPECT_TRUE(parse({"-4up", "-q"}).quiet);
}

TEST(JobOptions, FileNamesAreNeverOptions) {
    JobSettings settings = parse({"-4up", "-s3", "-split"}, false);
    EXPECT_EQ(settings.inputFile, "-4up");
    EXPECT_EQ(settings.outputFile, "-s3");
    EXPECT_EQ(setFlags(settings.flags), "-split");
    EXPECT_EQ(settings.startPage, 1);
}

TEST(JobOptions, ShortArgumentLists) {
    for (int argc = 0; argc <= 2; argc++) {
        char program[] = "tessel", input[] = "in.pdf";
        char* argv[] = {program, input, nullptr};
        JobSettings settings;
        parseOptions(argc, argv, settings);
        EXPECT_EQ(settings.inputFile, argc > 1 ? "in.pdf" : "");
        EXPECT_EQ(settings.outputFile, "");
        EXPECT_EQ(setFlags(settings.flags), "-ab");
    }
}

}  // namespace
