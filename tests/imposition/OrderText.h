// Test helpers for page orders: settings from an option string, and an order as "1,2 | 3,4" text.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

#include "app/JobSettings.h"
#include "imposition/CPageOrder.h"

// The settings of an option string such as "-4up -split -s2"; also rm=N, bm=N, os=N (margins,
// split offset) and mb=WxH (a media box from 0,0). -split and the A/B sizes clear the 2-up A/B
// flag as the command line does.
inline JobSettings orderSettings(const std::string& options) {
    JobSettings s;
    LayoutFlags& f = s.flags;
    std::istringstream words(options);
    std::string word;
    while (words >> word) {
        int n = 0;
        double w = 0, h = 0;
        bool known = true;
        if (std::sscanf(word.c_str(), "-s%d", &n) == 1) {
            s.startPage = n;
        } else if (std::sscanf(word.c_str(), "-e%d", &n) == 1) {
            s.endPage = n;
        } else if (std::sscanf(word.c_str(), "rm=%d", &n) == 1) {
            s.rightMargin = n;
        } else if (std::sscanf(word.c_str(), "bm=%d", &n) == 1) {
            s.bottomMargin = n;
        } else if (std::sscanf(word.c_str(), "os=%d", &n) == 1) {
            s.offsetSplit = n;
        } else if (std::sscanf(word.c_str(), "mb=%lfx%lf", &w, &h) == 2) {
            s.mediaBox = UserBox{0, 0, w, h};
        } else if (word == "-signature") {
            words >> s.signature;
        } else if (std::sscanf(word.c_str(), "-ab%d", &n) == 1) {
            f.ab = false;
            f.abSize = n;
        } else if (word == "-split") {
            f.split = true;
            f.ab = false;
        } else {
            const char* names[] = {"-ab",         "-down",       "-duplicate",
                                   "-duplex",     "-duplex1423", "-duplex1342",
                                   "-duplex4123", "-outer-in",   "-stack"};
            bool* flags[] = {&f.ab,         &f.down,       &f.duplicate, &f.duplex, &f.duplex1423,
                             &f.duplex1342, &f.duplex4123, &f.outerIn,   &f.stack};
            known = false;
            for (size_t i = 0; i < 9; i++) {
                if (word == names[i]) *flags[i] = known = true;
            }
            for (const Layout& layout : kLayoutTable) {
                if (*layout.option && word == layout.option)
                    f.layouts[static_cast<size_t>(layout.id)] = known = true;
            }
        }
        if (!known) ADD_FAILURE() << "unknown option in test: " << word;
    }
    return s;
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
        for (int i = 0; i < slotCount; i++) text += (i ? "," : "") + std::to_string(entry.slots[i]);
    }
    return text;
}
