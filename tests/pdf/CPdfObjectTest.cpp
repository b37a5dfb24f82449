// Tests of the value model: copying and sharing, dictionary keys, and one-level resolution.
#include "pdf/CPdfObject.h"

#include <gtest/gtest.h>

#include "pdf/CPdfException.h"
#include "pdf/DocumentTestSupport.h"
#include "pdf/PdfTestSupport.h"

TEST(CPdfObject, CopiedTextIsIndependent) {
    CPdfObject original = CPdfObject::makeString(std::string("a\0b", 3));
    CPdfObject copy = original;
    original.free();
    EXPECT_TRUE(original.isNone());
    EXPECT_EQ(copy.getString(), std::string("a\0b", 3));
    EXPECT_EQ(original.getString(), "");
    // Texts compare with their length: an embedded zero byte is part of the name.
    EXPECT_FALSE(CPdfObject::makeName(std::string("A\0", 2)).isName("A"));
}

TEST(CPdfObject, CopiedContainersAreShared) {
    CPdfObject array = CPdfObject::makeArray(nullptr);
    CPdfObject copy = array;
    array.getArray()->add(CPdfObject::makeInt(1));
    EXPECT_EQ(1, copy.getArray()->getLength());
    std::weak_ptr<CPdfDict> watch;
    {
        CPdfObject dict = CPdfObject::makeDict(nullptr);
        watch = dict.shareDict();
        CPdfObject second = dict;
        dict.free();
        EXPECT_FALSE(watch.expired());
        EXPECT_EQ(0, second.getDict()->getLength());
    }
    EXPECT_TRUE(watch.expired());
}

TEST(CPdfObject, MoveLeavesNone) {
    CPdfObject name = CPdfObject::makeName("N");
    CPdfObject moved = std::move(name);
    EXPECT_TRUE(moved.isName("N"));
    EXPECT_TRUE(name.isNone());  // NOLINT(bugprone-use-after-move): the documented state
}

TEST(CPdfDict, FirstKeyWinsAndKeysAreOrdered) {
    CPdfDict dict(nullptr);
    dict.add("B", CPdfObject::makeInt(1));
    dict.add("AB", CPdfObject::makeInt(2));
    dict.add("A", CPdfObject::makeInt(3));
    dict.add("A", CPdfObject::makeInt(4));
    std::string order;
    for (const auto& entry : dict.entries())
        order += entry.first + "=" + describe(entry.second) + " ";
    EXPECT_EQ(order, "A=3 AB=2 B=1 ");
    EXPECT_TRUE(dict.lookup("missing").isNull());
    EXPECT_TRUE(dict.lookupRaw("missing").isNull());
}

TEST(CPdfDict, LookupResolvesOneLevel) {
    TestPdf pdf;
    pdf.addObject(1, "<< /Type /Catalog /Pages 2 0 R >>");
    pdf.addObject(2, "<< /Type /Pages /Kids [] /Count 0 >>");
    pdf.addObject(3, "<< /Five 5 0 R /Six 6 0 R /Arr [5 0 R] >>");
    pdf.addObject(5, "(five)");
    pdf.addObject(6, "5 0 R");
    pdf.setTrailerExtra("/Root 1 0 R");
    OpenedPdf opened(pdf.build());
    CPdfObject three = opened.xref().fetchObject(3, 0);
    ASSERT_TRUE(three.isDict());
    CPdfDict* dict = three.getDict();
    EXPECT_EQ(describe(dict->lookup("Five")), "(five)");
    EXPECT_EQ(describe(dict->lookupRaw("Five")), "5 0 R");
    // A reference to a reference stays the second reference.
    EXPECT_EQ(describe(dict->lookup("Six")), "5 0 R");
    CPdfArray* arr = dict->lookup("Arr").getArray();
    ASSERT_NE(nullptr, arr);
    EXPECT_EQ(describe(arr->get(0)), "(five)");
    EXPECT_EQ(describe(arr->getRaw(0)), "5 0 R");
    EXPECT_TRUE(arr->get(1).isNull());
    EXPECT_EQ(describe(CPdfObject::makeRef(5, 0).fetchObject(nullptr)), "5 0 R");
}
