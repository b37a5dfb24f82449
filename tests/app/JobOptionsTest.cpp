// The option parser, one row per case; refused arguments are tested end to end.
#include "app/JobOptions.h"

#include <gtest/gtest.h>

#include <iterator>
#include <sstream>

#include "pdf/FormatText.h"

namespace {

// Every field but the flags, as "key=value" words.
std::vector<std::string> fields(const JobSettings& s) {
    const UserBox &c = s.cropBox, &m = s.mediaBox;
    std::istringstream text(formatText(
        "in=%s out=%s s=%d e=%d os=%d rm=%d bm=%d sig=%d crop=%g,%g,%g,%g media=%g,%g,%g,%g seq=%s "
        "pw=%s paper=%gx%g%s",
        s.inputFile.c_str(), s.outputFile.c_str(), s.startPage, s.endPage, s.offsetSplit,
        s.rightMargin, s.bottomMargin, s.signature, c.x1, c.y1, c.x2, c.y2, m.x1, m.y1, m.x2, m.y2,
        s.sequenceFile.c_str(), s.password.c_str(), s.paper.width, s.paper.height,
        s.paper.turnable ? "/turnable" : ""));
    return {std::istream_iterator<std::string>(text), {}};
}

// The flags set, by option name, then every other field that differs from its default.
std::string summary(const JobSettings& s) {
    const LayoutFlags& f = s.flags;
    std::string text, name;
    auto add = [&text](bool set, const std::string& item) {
        if (set) text += (text.empty() ? "" : " ") + item;
    };
    std::istringstream names(
        "-ab -abN -split -down -duplicate -duplex -duplex1423 -duplex1342 -duplex4123 -outer-in "
        "-stack -marks -q");
    for (bool set : {f.ab, f.abSize != 0, f.split, f.down, f.duplicate, f.duplex, f.duplex1423,
                     f.duplex1342, f.duplex4123, f.outerIn, f.stack, s.marks, s.quiet}) {
        names >> name;
        add(set, name == "-abN" ? "-ab" + std::to_string(f.abSize) : name);
    }
    for (const Layout& layout : kLayoutTable) add(f.has(layout.id), layout.option);
    JobSettings plain;
    plain.inputFile = "in.pdf";
    plain.outputFile = "out.pdf";
    std::vector<std::string> mine = fields(s), defaults = fields(plain);
    for (size_t i = 0; i < mine.size(); i++) add(mine[i] != defaults[i], mine[i]);
    return text;
}

// Parses "tessel" and the arguments.
JobSettings parse(std::vector<std::string> args) {
    std::vector<char*> argv = {const_cast<char*>("tessel")};
    for (std::string& arg : args) argv.push_back(&arg[0]);
    argv.push_back(nullptr);
    JobSettings settings;
    parseOptions(static_cast<int>(argv.size() - 1), argv.data(), settings);
    return settings;
}

// Rows "options -> expected" separated by ";"; check gets the arguments "in.pdf out.pdf options".
template <typename Check>
void forRows(const std::string& rows, Check check) {
    std::istringstream list(rows);
    for (std::string row; std::getline(list, row, ';');) {
        std::istringstream words("in.pdf out.pdf " + row.substr(0, row.find("->")));
        check(std::vector<std::string>{std::istream_iterator<std::string>(words), {}},
              row.substr(std::min(row.find("->") + 3, row.size())));
    }
}

TEST(JobOptions, Parse) {
    std::string rows =
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
        "-paper A4 -> -ab paper=595x842/turnable; -paper 100x200 -> -ab paper=100x200";
    // Each flag option sets its flag beside the default -ab; each layout option its layout.
    for (const char* flag : {"-duplicate", "-duplex", "-duplex1423", "-duplex1342", "-duplex4123",
                             "-outer-in", "-down", "-stack", "-marks"})
        rows += formatText(";%s -> -ab %s", flag, flag);
    for (const Layout& layout : kLayoutTable) {
        if (*layout.option) rows += formatText(";%s -> -ab %s", layout.option, layout.option);
    }
    forRows(rows, [](const std::vector<std::string>& args, const std::string& expected) {
        EXPECT_EQ(summary(parse(args)), expected) << expected;
    });
    EXPECT_EQ(summary(parse({"in.pdf", "out.pdf", "-s 5"})), "-ab s=5");
    EXPECT_EQ(summary(parse({"in.pdf", "out.pdf", "-mediabox", "0, 0, 1224.5,  792"})),
              "-ab media=0,0,1224.5,792");
    // File names are never options.
    EXPECT_EQ(summary(parse({"-4up", "-s3", "-split"})), "-split in=-4up out=-s3");
    EXPECT_EQ(summary(parse({})), "-ab in= out=");
    EXPECT_EQ(summary(parse({"in.pdf"})), "-ab out=");
    // Of several layout options the largest layout wins, and within a size a fixed variant.
    forRows(
        "-> ; -down -> ; -2to1uph -2to1up -> -2to1up; -up2to1h -down -> -2to1uph; "
        "-4up -2to1up -> -4up; -6up2x3 -4up -> -6up2x3; -6up3x2 -6up2x3 -> -6up3x2; "
        "-8up2x4 -6up3x2 -> -8up2x4; -8up4x2 -8up2x4 -> -8up4x2; "
        "-10up2x5spec1 -8up4x2 -> -10up2x5spec1; -10up5x2 -10up2x5spec1 -> -10up2x5spec1; "
        "-10up5x2 -10up2x5 -> -10up5x2; -10up2x5 -> -10up2x5; -12up2x6 -10up5x2 -> -12up2x6; "
        "-12up6x2 -12up3x4 -> -12up6x2; -12up3x4 -12up4x3 -> -12up3x4; "
        "-12up4x3 -12up2x6 -> -12up4x3",
        [](const std::vector<std::string>& args, const std::string& expected) {
            EXPECT_EQ(chooseLayout(parse(args).flags).option, expected) << expected;
        });
}

}  // namespace
