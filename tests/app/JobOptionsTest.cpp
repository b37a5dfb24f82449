// The option parser, one row per case; refused arguments are tested end to end.
#include "app/JobOptions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "pdf/FormatText.h"

namespace {

// What the settings hold beyond the defaults: the set flags by option name (the A/B and order
// flags, then the layouts), then every other field that differs from its default.
std::string summary(const JobSettings& s) {
    const LayoutFlags& f = s.flags;
    std::vector<std::pair<std::string, bool>> flags = {
        {"-ab", f.ab},
        {"-ab" + std::to_string(f.abSize), f.abSize != 0},
        {"-split", f.split},
        {"-down", f.down},
        {"-duplicate", f.duplicate},
        {"-duplex", f.duplex},
        {"-duplex1423", f.duplex1423},
        {"-duplex1342", f.duplex1342},
        {"-duplex4123", f.duplex4123},
        {"-outer-in", f.outerIn},
        {"-stack", f.stack},
        {"-marks", s.marks},
        {"-q", s.quiet},
    };
    for (const Layout& layout : kLayoutTable) flags.push_back({layout.option, f.has(layout.id)});
    auto box = [](const UserBox& b) { return formatText("%g,%g,%g,%g", b.x1, b.y1, b.x2, b.y2); };
    const std::pair<std::string, bool> values[] = {
        {"in=" + s.inputFile, s.inputFile != "in.pdf"},
        {"out=" + s.outputFile, s.outputFile != "out.pdf"},
        {formatText("s=%d", s.startPage), s.startPage != 1},
        {formatText("e=%d", s.endPage), s.endPage != 99999},
        {formatText("os=%d", s.offsetSplit), s.offsetSplit != 0},
        {formatText("rm=%d", s.rightMargin), s.rightMargin != 0},
        {formatText("bm=%d", s.bottomMargin), s.bottomMargin != 0},
        {formatText("sig=%d", s.signature), s.signature != 0},
        {"crop=" + box(s.cropBox), s.cropBox.isGiven()},
        {"media=" + box(s.mediaBox), s.mediaBox.isGiven()},
        {"seq=" + s.sequenceFile, !s.sequenceFile.empty()},
        {"pw=" + s.password, !s.password.empty()},
        {formatText("paper=%gx%g%s", s.paper.width, s.paper.height,
                    s.paper.turnable ? " turnable" : ""),
         s.paper.isGiven()},
    };
    std::string text;
    for (const auto& [name, set] : flags) {
        if (set) text += (text.empty() ? "" : " ") + name;
    }
    for (const auto& [name, set] : values) {
        if (set) text += (text.empty() ? "" : " ") + name;
    }
    return text;
}

// Parses "tessel in.pdf out.pdf" followed by the options (without the names when names is false).
JobSettings parse(std::vector<std::string> options, bool names = true) {
    std::vector<std::string> args = {"tessel"};
    if (names) args.insert(args.end(), {"in.pdf", "out.pdf"});
    args.insert(args.end(), options.begin(), options.end());
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(&arg[0]);
    argv.push_back(nullptr);
    JobSettings settings;
    parseOptions(static_cast<int>(args.size()), argv.data(), settings);
    return settings;
}

// Rows "arguments -> expected" separated by ";": the arguments, split at blanks, and the expected.
std::vector<std::pair<std::vector<std::string>, std::string>> rowsOf(const std::string& rows) {
    std::vector<std::pair<std::vector<std::string>, std::string>> result;
    std::istringstream list(rows);
    for (std::string row; std::getline(list, row, ';');) {
        size_t arrow = row.find("->");
        std::istringstream words(row.substr(0, arrow));
        result.push_back({{std::istream_iterator<std::string>(words), {}},
                          row.substr(std::min(arrow + 3, row.size()))});
    }
    return result;
}

TEST(JobOptions, Parse) {
    for (const auto& [options, expected] : rowsOf(
             " -> -ab; -4up -q -> -ab -q -4up; -up2to1 -> -ab -2to1up; -up2to1h -> -ab -2to1uph; "
             "-ab4 -> -ab4; -ab6 -> -ab6; -ab8 -> -ab8; -ab10 -> -ab10; -ab12 -> -ab12; "
             "-split -> -split; -ab4 -ab -> -ab -ab4; -ab -ab4 -> -ab4; -ab4 -ab6 -> -ab6; "
             "-ab12 -ab8 -ab -> -ab -ab8; -ab10 -split -> -ab10 -split; -split -ab -> -ab -split; "
             "-ab4 -split -ab12 -> -ab12 -split; "
             "-duplex -ab4 -split -4up -> -ab4 -split -duplex -4up; -s5 -> -ab s=5; "
             "-s5x -> -ab s=5; -s3 -s7 -> -ab s=7; -s-2 -> -ab s=-2; -s+4 -> -ab s=4; "
             "-e0 -> -ab e=0; -e12 -s20 -> -ab s=20 e=12; -e-1 -> -ab e=-1; "
             "-offset_split-50 -> -ab os=-50; -offset_split30 -> -ab os=30; "
             "-s99999999999 -> -ab s=2147483647; -s4294967297 -> -ab s=2147483647; "
             "-e-99999999999 -> -ab e=-2147483648; -rightmargin 10 -> -ab rm=10; "
             "-rightmargin 10.7 -> -ab rm=10; -rightmargin -3 -> -ab rm=-3; "
             "-rightmargin 5 -rightmargin 8 -> -ab rm=8; -bottommargin 12 -> -ab bm=12; "
             "-cropbox 5,5,612,1584 -> -ab crop=5,5,612,1584; "
             "-mediabox 0,0,1224.5,792 -mediabox 1,2,3,4 -> -ab media=1,2,3,4; "
             "-seq order.txt -4up -> -ab -4up seq=order.txt; -seq -4up -> -ab seq=-4up; "
             "-seq -s4 -> -ab seq=-s4; -seq a.txt -seq b.txt -> -ab seq=b.txt; "
             "-password -4up -2to1up -> -ab -2to1up pw=-4up; -signature 16 -> -ab sig=16; "
             "-paper A4 -> -ab paper=595x842 turnable; -paper 100x200 -> -ab paper=100x200"))
        EXPECT_EQ(summary(parse(options)), expected) << expected;
    EXPECT_EQ(summary(parse({"-s 5"})), "-ab s=5");
    EXPECT_EQ(summary(parse({"-mediabox", "0, 0, 1224.5,  792"})), "-ab media=0,0,1224.5,792");
    // Each flag option sets its flag beside the default -ab; each layout option its layout.
    for (const char* flag : {"-duplicate", "-duplex", "-duplex1423", "-duplex1342", "-duplex4123",
                             "-outer-in", "-down", "-stack", "-marks"}) {
        EXPECT_EQ(summary(parse({flag})), std::string("-ab ") + flag);
    }
    for (const Layout& layout : kLayoutTable) {
        if (*layout.option) {
            EXPECT_EQ(summary(parse({layout.option})), std::string("-ab ") + layout.option);
        }
    }
}

TEST(JobOptions, FileNamesAreNeverOptions) {
    EXPECT_EQ(summary(parse({"-4up", "-s3", "-split"}, false)), "-split in=-4up out=-s3");
    for (int argc = 0; argc <= 2; argc++) {
        char program[] = "tessel", input[] = "in.pdf";
        char* argv[] = {program, input, nullptr};
        JobSettings settings;
        parseOptions(argc, argv, settings);
        EXPECT_EQ(summary(settings), argc > 1 ? "-ab out=" : "-ab in= out=");
    }
}

// Of several layout options the largest layout wins, and within a size a fixed variant.
TEST(JobOptions, LayoutChoice) {
    const std::string rows =
        "-> ; -down -> ; -2to1uph -2to1up -> -2to1up; -up2to1h -down -> -2to1uph; "
        "-4up -2to1up -> -4up; -6up2x3 -4up -> -6up2x3; -6up3x2 -6up2x3 -> -6up3x2; "
        "-8up2x4 -6up3x2 -> -8up2x4; -8up4x2 -8up2x4 -> -8up4x2; "
        "-10up2x5spec1 -8up4x2 -> -10up2x5spec1; -10up5x2 -10up2x5spec1 -> -10up2x5spec1; "
        "-10up5x2 -10up2x5 -> -10up5x2; -10up2x5 -> -10up2x5; -12up2x6 -10up5x2 -> -12up2x6; "
        "-12up6x2 -12up3x4 -> -12up6x2; -12up3x4 -12up4x3 -> -12up3x4; "
        "-12up4x3 -12up2x6 -> -12up4x3";
    for (const auto& [options, expected] : rowsOf(rows))
        EXPECT_EQ(chooseLayout(parse(options).flags).option, expected) << expected;
}

}  // namespace
