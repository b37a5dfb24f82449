// Tests of what the append engine does on top of the scan: top-level lookups, edits, fingerprints.
#include "normalise/ObjectEdit.h"

#include <gtest/gtest.h>

#include "pdf/PdfTestSupport.h"

TEST(ObjectEdit, TopLevelValues) {
    RawObject obj = scanObject5(
        "5 0 obj << /Kids [1 0 R 2 0 R] /Sub << /Count 9 >> /Count 3 /Type /Pages /P 4 0 R >> "
        "endobj");
    DictEntry entry;
    std::string found;
    for (const char* key : {"Kids", "Count"}) {  // the nested /Count is not the top-level one
        ASSERT_TRUE(findTopLevelEntry(obj, key, entry));
        found += obj.text.substr(entry.valueBegin, entry.valueEnd - entry.valueBegin) + "|";
    }
    EXPECT_EQ(found, "[1 0 R 2 0 R]|3|");
    EXPECT_FALSE(findTopLevelEntry(obj, "Pa", entry));
    EXPECT_TRUE(topLevelValueIs(obj, "Type", "/Pages"));
    EXPECT_FALSE(topLevelValueIs(obj, "Type", "/Page"));
    EXPECT_FALSE(topLevelValueIs(obj, "Sub", "<<"));
    EXPECT_FALSE(findTopLevelEntry(scanObject5("5 0 obj [ /Kids 1 ] endobj"), "Kids", entry));
}

TEST(ObjectEdit, EditsAndFingerprints) {
    RawObject a = scanObject5("5 0 obj << /A 1 0 R /B (x) >> endobj");
    // Equal up to the reference digits: equal fingerprints.
    EXPECT_EQ(bodyFingerprint(a),
              bodyFingerprint(scanObject5("5 0 obj << /A 12 3 R /B (x) >> endobj")));
    EXPECT_NE(bodyFingerprint(a),
              bodyFingerprint(scanObject5("5 0 obj << /A 1 0 R /B (y) >> endobj")));
    EXPECT_NE(bodyFingerprint(a),
              bodyFingerprint(scanObject5("5 0 obj << /A 1 0 R /B (x)  >> endobj")));
    ASSERT_EQ(a.refs.size(), 1u);
    const TextReference& ref = a.refs[0];
    std::string edited = applyEdits(a.text, a.bodyStart, a.text.size(),
                                    {TextEdit{ref.genStart, ref.genEnd, "3"},
                                     TextEdit{ref.start, ref.numEnd, "12"}, TextEdit{8, 8, "%"}});
    EXPECT_EQ(edited, " %<< /A 12 3 R /B (x) >> endobj");
}
