// Test helpers for page orders: settings from an option string, and an order as "1,2 | 3,4" text.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>

#include "app/JobSettings.h"
#include "imposition/CPageOrder.h"

// The settings that an option string such as "-4up -split -s2" gives. Only the options the order
// builders look at are known here; -split and the A/B sizes clear the other A/B flags as the
// command line does.
inline JobSettings orderSettings(const std::string& options) {
    JobSettings settings;
    LayoutFlags& f = settings.flags;
    std::istringstream words(options);
    std::string word;
    while (words >> word) {
        int number = 0;
        if (std::sscanf(word.c_str(), "-s%d", &number) == 1) {
            settings.startPage = number;
        } else if (std::sscanf(word.c_str(), "-e%d", &number) == 1) {
            settings.endPage = number;
        } else if (word == "-seq") {
            words >> settings.sequenceFile;
        } else if (word == "-split") {
            f.split = true;
            f.ab = false;
        } else if (word == "-ab4" || word == "-ab6" || word == "-ab8" || word == "-ab10" ||
                   word == "-ab12") {
            f.ab = f.ab4 = f.ab6 = f.ab8 = f.ab10 = f.ab12 = false;
            bool* chosen[] = {&f.ab4, &f.ab6, &f.ab8, &f.ab10, &f.ab12};
            const char* names[] = {"-ab4", "-ab6", "-ab8", "-ab10", "-ab12"};
            for (int i = 0; i < 5; i++) {
                if (word == names[i]) *chosen[i] = true;
            }
        } else {
            struct Named {
                const char* name;
                bool* flag;
            };
            const Named flags[] = {
                {"-ab", &f.ab},
                {"-down", &f.down},
                {"-duplicate", &f.duplicate},
                {"-duplex", &f.duplex},
                {"-duplex1423", &f.duplex1423},
                {"-duplex1342", &f.duplex1342},
                {"-duplex4123", &f.duplex4123},
                {"-outer-in", &f.outerIn},
                {"-4up", &f.up4},
                {"-6up2x3", &f.up6x2x3},
                {"-6up3x2", &f.up6x3x2},
                {"-8up2x4", &f.up8x2x4},
                {"-8up4x2", &f.up8x4x2},
                {"-10up2x5", &f.up10x2x5},
                {"-10up5x2", &f.up10x5x2},
                {"-10up2x5spec1", &f.up10x2x5spec1},
                {"-12up2x6", &f.up12x2x6},
                {"-12up6x2", &f.up12x6x2},
                {"-12up3x4", &f.up12x3x4},
                {"-12up4x3", &f.up12x4x3},
                {"-2to1up", &f.up2to1},
                {"-2to1uph", &f.up2to1h},
            };
            bool known = false;
            for (const Named& named : flags) {
                if (word == named.name) {
                    *named.flag = true;
                    known = true;
                }
            }
            if (!known) ADD_FAILURE() << "unknown option in test: " << word;
        }
    }
    return settings;
}

// The end page as the imposition run hands it to the builders: at or beyond N it means "last".
inline int runEndPage(int endPage, int pageCount) {
    return static_cast<unsigned>(endPage) >= static_cast<unsigned>(pageCount) ? kLastPage : endPage;
}

// "1,2 | 3,4 | 5,0": every entry, slotCount slots each.
inline std::string orderText(const CPageOrder& order, int slotCount) {
    std::string text;
    for (const SheetEntry& entry : order) {
        if (!text.empty()) text += " | ";
        for (int i = 0; i < slotCount; i++) {
            if (i > 0) text += ",";
            text += std::to_string(entry.slots[i]);
        }
    }
    return text;
}
