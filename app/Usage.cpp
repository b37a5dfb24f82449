// The banner and the usage text, printed exactly as users and scripts have always seen them.
#include "app/Usage.h"

#include <cstdio>

#include "app/JobSettings.h"

namespace {

const char kVersion[] = "v1.12";

// A line of the usage text: fixed text, or the line of a layout option, taken from the layouts'
// table.
struct UsageLine {
    UsageLine(const char* fixed) : text(fixed) {}
    UsageLine(LayoutId id) : layout(&layoutOf(id)) {}
    const char* text = nullptr;
    const Layout* layout = nullptr;
};

}  // namespace

void printBanner() {
    std::printf("\r\nTessel %s - PDF imposition by the Tessel developers\r\n", kVersion);
    std::printf("Documentation: README.md in the Tessel source tree\r\n");
    // The banner ends with an empty line.
    std::printf("Contact: the Tessel developers, through the project's issue tracker\r\n\r\n");
}

void printUsage() {
    static const UsageLine kLines[] = {
        "Parameters:\n",
        "<input file> input file\n",
        "<output file> output file\n",
        "-s  start page e.g. -s1\n",
        "-e  end page e.g. -e10\n",
        "-ab  2up A/B type\n",
        "-ab4  4up A/B type\n",
        "-ab6  6up A/B type\n",
        "-split  2up split type\n",
        "-down  2up down the page\n",
        LayoutId::FourUp,
        LayoutId::SixUp3x2,
        LayoutId::SixUp2x3,
        LayoutId::EightUp2x4,
        LayoutId::EightUp4x2,
        LayoutId::TenUp2x5,
        LayoutId::TenUp5x2,
        LayoutId::TwelveUp2x6,
        LayoutId::TwelveUp6x2,
        LayoutId::TwelveUp3x4,
        LayoutId::TwelveUp4x3,
        LayoutId::TenUp2x5Spec1,
        "-duplex  2up duplex (e.g. 1,2,4,3)\n",
        "-duplex1423  2up duplex (e.g. 1,4,2,3)\n",
        "-duplex4123  2up duplex (e.g. 4,1,2,3)\n",
        "-duplex1342  2up duplex (e.g. 1,3,4,2)\n",
        "-outer-in  2up duplex outer-in (e.g. 4,1,2,3)\n",
        "-signature <n>  2up outer-in booklet made of signatures of n pages (n a multiple of 4), "
        "e.g. -signature 16\n",
        "-stack  cut and stack for any layout: cut the printed stack into one pile per slot, "
        "piles in slot order give the pages in order; with -duplex print both sides, flip on "
        "the vertical edge\n",
        "-duplicate  duplicates pages left, right output so you get page 1,1 then page 2,2 in 2up "
        "mode\n",
        "-seq <sequence file>  custom page sequencing, see examples folder\n",
        LayoutId::SplitBackVertical,
        LayoutId::SplitBackHorizontal,
        "-offset_split  offset the split page position for up2to1 & up2to1h option, e.g. "
        "-offset_split-50  or e.g. -offset_split76\n",
        "-rightmargin    offset for margin for right side of new page (for space between the "
        "pages) "
        "e.g. -rightmargin 10   on a A4 page pdf will be A4 + 10 to the right on new A3 page.\n",
        "-bottommargin   offset for margin for bottom of new top page (for space between the "
        "pages) "
        "e.g. -bottommargin 10\n",
        "-cropbox  distination cropbox size can be set manually (optional), e.g. -cropbox "
        "5,5,612,1584 \n",
        "-mediabox distination mediabox (page) size can be set manually (optional), e..g. "
        "-mediabox "
        "0,0,612,1584\n",
        "-password <text>  the user or owner password of an encrypted input\n",
        "-paper <size>  every sheet is this paper (a5, a4, a3, letter, legal, tabloid, or WxH in "
        "points, e.g. 842x595): the grid is scaled to fit and centred, each page upright in its "
        "cell\n",
        "-marks  cut marks at the corners of the cells, outside the pages (needs -paper or "
        "margins)\n",
        "-q  quiet: no banner and no progress dots (failures are still printed)\n",
        "-h, -help, --help  this text;  --version  the version\n",
        "\n",
        "\r\nExample usage:-\r\n",
        "\n",
        "Simple 2up the pdf file a/b\n",
        "e.g. \ttessel example.pdf out-example-ab.pdf -ab\n",
        "Simple 4up the pdf file a/b\n",
        "e.g. \ttessel example.pdf out-example-ab-4up.pdf -ab -4up\n",
        "Simple duplicate the pdf file a/b\n",
        "e.g. \ttessel example.pdf out-example-ab-4up.pdf -ab -duplicate\n",
        "Simple 2up the pdf file split method\n",
        "e.g. \ttessel example.pdf out-example-split.pdf -split\n",
        "Simple 2up the pdf file a/b downwards\n",
        "e.g. \ttessel example.pdf out-example-ab.pdf -ab -down\n",
        "Page range a/b 2up\n",
        "e.g. \ttessel example.pdf out-example-split.pdf -s1 -e10 -ab\n",
        "2up the pdf file a/b and set new page size and offset right margin\n",
        "e.g. \ttessel example.pdf out-example-ab.pdf -ab -mediabox 0,0,612,1584 -cropbox "
        "5,5,612,1584 -rightmargin 120\n",
        "NOTE: first 2 parameters have to be input file / output file or 2nd parameter -f\r\n",
        "If your filename has spaces in it then use double quotes around the filename, e.g. "
        "\"c:\\my test\\test file.pdf\"\n",
        "\nWildcards * are not permitted, if you want to process many files then do: dir /B *.pdf "
        "> "
        "list.txt, then tessel list.txt -fout\n",
        "\r\n",
        "\r\n",
    };
    for (const UsageLine& line : kLines) {
        if (line.text) {
            std::fputs(line.text, stdout);
        } else {
            // The split-back options are shown in their other spelling, as they always were.
            const Layout& layout = *line.layout;
            std::printf("%s  %s\n", layout.alias ? layout.alias : layout.option, layout.usage);
        }
    }
}

void printVersion() {
    std::printf("Tessel %s\n", kVersion);
}
