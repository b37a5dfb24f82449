// Settings of one conversion, as the command line gives them: plain data, read by every layer.
#pragma once

#include <string>

// One flag per layout or order option, in the order the options are declared.
struct LayoutFlags {
    bool ab = true;  // the default 2-up reading order
    bool ab4 = false;
    bool ab6 = false;
    bool ab8 = false;
    bool ab10 = false;
    bool ab12 = false;
    bool split = false;
    bool down = false;
    bool up12x2x6 = false;
    bool up12x6x2 = false;
    bool up12x3x4 = false;
    bool up12x4x3 = false;
    bool up10x2x5 = false;
    bool up10x2x5spec1 = false;
    bool up10x5x2 = false;
    bool up8x2x4 = false;
    bool up8x4x2 = false;
    bool up6x2x3 = false;
    bool up6x3x2 = false;
    bool up4 = false;
    bool up2to1 = false;
    bool up2to1h = false;
    bool duplicate = false;
    bool duplex = false;
    bool duplex1423 = false;
    bool duplex1342 = false;
    bool duplex4123 = false;
    bool outerIn = false;
};

// A box given on the command line; all four values -1.0 when the option was not given.
struct UserBox {
    double x1 = -1.0, y1 = -1.0, x2 = -1.0, y2 = -1.0;
    bool isGiven() const { return x1 != -1.0; }
};

struct JobSettings {
    std::string inputFile;
    std::string outputFile;
    int startPage = 1;
    int endPage = 99999;  // 99999: up to the last page
    LayoutFlags flags;
    std::string sequenceFile;
    int rightMargin = 0;
    int bottomMargin = 0;
    int offsetSplit = 0;
    UserBox cropBox;
    UserBox mediaBox;
    bool quiet = false;  // -q: no banner and no progress dots
};

// endPage's value for "up to the last page".
constexpr int kLastPage = 99999;
