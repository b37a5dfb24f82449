// Tests for the label of an output page made from the labels of the pages it shows.
#include "imposition/PageLabels.h"

#include <gtest/gtest.h>

TEST(PageLabels, OutputPageLabelJoinsThePagesItShows) {
    const std::vector<std::u16string> labels = {u"i", u"ii", u"", u"1", u"2"};
    struct Case {
        std::vector<int> shown;
        std::u16string label;
    };
    const Case cases[] = {
        {{0}, u"i"},
        {{0, 1}, u"i\u2013ii"},
        {{1, 0}, u"ii, i"},
        {{0, 0}, u"i"},                // a page shown twice counts once
        {{2}, u""},                    // an unlabelled page
        {{1, 2}, u"ii"},               // adds nothing beside a labelled one
        {{3, 4, -1, 9}, u"1\u20132"},  // empty slots and pages beyond the list are left out
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(outputPageLabel(labels, c.shown) == c.label) << c.shown.size();
    }
}
