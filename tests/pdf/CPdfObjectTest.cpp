// Tests of the value model: texts with zero bytes, shared containers, one-level resolution.
#include "pdf/CPdfObject.h"

#include <gtest/gtest.h>

#include "pdf/PdfTestSupport.h"

TEST(CPdfObject, CopiesShareContainersAndLookupResolvesOneLevel) {
    // Texts compare with their length: an embedded zero byte is part of the name.
    EXPECT_FALSE(CPdfObject::makeName(std::string("A\0", 2)).isName("A"));
    CPdfObject array = CPdfObject::makeArray(nullptr);
    CPdfObject copy = array;
    array.getArray()->add(CPdfObject::makeInt(1));
    CPdfObject moved = std::move(array);
    EXPECT_TRUE(array.isNone());  // NOLINT(bugprone-use-after-move): the documented state
    EXPECT_EQ(describe(copy) + describe(moved), "[1][1]");
    TestPdf pdf = basePdf();
    pdf.addObject(3, "<< /Five 5 0 R /Six 6 0 R /Arr [5 0 R] >>");
    pdf.addObject(6, "5 0 R");
    OpenedPdf opened(pdf.build());
    CPdfObject three = opened.xref().fetchObject(3, 0);
    CPdfDict* dict = three.getDict();
    CPdfArray* arr = dict->lookup("Arr").getArray();
    // A reference to a reference stays the second reference; missing keys and indexes are null.
    EXPECT_EQ(describe(dict->lookup("Five")) + describe(dict->lookupRaw("Five")) +
                  describe(dict->lookup("Six")) + describe(arr->get(0)) + describe(arr->getRaw(0)) +
                  describe(arr->get(1)) + describe(dict->lookup("missing")) +
                  describe(CPdfObject::makeRef(5, 0).fetchObject(nullptr)),
              "(old-five)5 0 R5 0 R(old-five)5 0 Rnullnull5 0 R");
}
