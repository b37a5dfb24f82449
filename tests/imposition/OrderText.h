// Test helpers for page orders: settings from an option string, and an order as "1,2 | 3,4" text.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

#include "app/JobSettings.h"
#include "imposition/CPageOrder.h"

// The settings that an option string such as "-4up -split -s2" gives. Only the options the order
// builders look at are known here; -split and the A/B sizes clear the 2-up A/B flag as the
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
        } else if (word == "-signature") {
            words >> settings.signature;
        } else if (word == "-seq") {
            words >> settings.sequenceFile;
        } else if (word == "-split") {
            f.split = true;
            f.ab = false;
        } else if (word == "-ab4" || word == "-ab6" || word == "-ab8" || word == "-ab10" ||
                   word == "-ab12") {
            f.ab = false;
            f.abSize = std::atoi(word.c_str() + 3);
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
                {"-stack", &f.stack},
            };
            bool known = false;
            for (const Named& named : flags) {
                if (word == named.name) {
                    *named.flag = true;
                    known = true;
                }
            }
            for (const Layout& layout : kLayoutTable) {
                if (*layout.option && word == layout.option) {
                    f.layouts[static_cast<size_t>(layout.id)] = true;
                    known = true;
                }
            }
            if (!known) ADD_FAILURE() << "unknown option in test: " << word;
        }
    }
    return settings;
}

// The layout of test settings: the one layout option they hold, else 2-up. Which of several
// wins is the driver's choice, tested with it.
inline const Layout& layoutIn(const JobSettings& settings) {
    const Layout* found = &layoutOf(LayoutId::TwoUp);
    for (const Layout& layout : kLayoutTable) {
        if (!settings.flags.has(layout.id)) continue;
        EXPECT_EQ(found->id, LayoutId::TwoUp) << "two layout options in one test case";
        found = &layout;
    }
    return *found;
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
