// Tests of the page tree walk: inherited boxes, rotation and resources, and hostile trees.
#include "imposition/PageTreeScanner.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "pdf/CPdfDocument.h"
#include "pdf/CPdfException.h"
#include "pdf/FormatText.h"
#include "support/TestPdf.h"

namespace {

// A catalog 1 naming the page tree root 2 (unless objects give another 1) and the objects given,
// scanned; the scan reads the raw file unless withInput is false.
PageRecords scan(const std::map<int, std::string>& objects, int* root = nullptr,
                 bool withInput = true) {
    TestPdf pdf;
    pdf.addObject(1, "<< /Type /Catalog /Pages 2 0 R >>");
    for (const auto& [num, body] : objects) pdf.addObject(num, body);
    pdf.setTrailerExtra("/Root 1 0 R");
    TempDir dir;
    std::string path = dir.write("in.pdf", pdf.build());
    CPdfDocument doc;
    doc.open(path);
    std::unique_ptr<FILE, int (*)(FILE*)> input(std::fopen(path.c_str(), "rb"), std::fclose);
    PageRecords records;
    int number = scanPageTree(doc, withInput ? input.get() : nullptr, records);
    if (root) *root = number;
    return records;
}

std::string box(const PdfBox& b) {
    return formatText("%g %g %g %g", b.x1, b.y1, b.x2, b.y2);
}

// The object numbers of the pages found, "3,5", or the refusal's message.
std::string scanResult(const std::map<int, std::string>& objects) {
    try {
        std::string text;
        for (const PageRecord& record : scan(objects))
            text += (text.empty() ? "" : ",") + std::to_string(record.objNum);
        return text;
    } catch (const CPdfException& e) {
        return e.getMessage();
    }
}

}  // namespace

TEST(PageTreeScanner, BoxesAreInheritedOrStated) {
    int root = 0;
    PageRecords records =
        scan({{2, "<< /Type /Pages /Kids [3 0 R] /Count 1 /MediaBox [0 0 595 842] >>"},
              {3, "<< /Type /Page /Parent 2 0 R /CropBox [10 10 585 832] >>"}},
             &root);
    EXPECT_EQ(root, 2);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].objNum, 3);
    EXPECT_EQ(box(records[0].mediaBox), "0 0 595 842");
    EXPECT_EQ(box(records[0].cropBox), "10 10 585 832");
    for (const PdfBox& other : {records[0].bleedBox, records[0].trimBox, records[0].artBox})
        EXPECT_EQ(box(other), "0 0 612 792");
    EXPECT_FALSE(records[0].inheritsCropBox);
    EXPECT_EQ(records[0].rotation, 0);
}

TEST(PageTreeScanner, BoxArraysOfOddShapes) {
    PageRecords records =
        scan({{2, "<< /Type /Pages /Kids [3 0 R 4 0 R 5 0 R] /Count 3 >>"},
              {3, "<< /Type /Page /MediaBox [0 0 100] /CropBox [1 2 3 4 5] >>"},
              {4, "<< /Type /Page /MediaBox [0.5 0 100.25 200] /CropBox [0 0 8 0 R 300] >>"},
              {5, "<< /Type /Page /MediaBox [0 0 (x) 300] /CropBox 9 0 R >>"},
              {8, "400"},
              {9, "[0 0 50 60]"}});
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(box(records[0].mediaBox) + " / " + box(records[0].cropBox), "0 0 100 0 / 1 2 3 4");
    EXPECT_EQ(box(records[1].mediaBox) + " / " + box(records[1].cropBox),
              "0.5 0 100.25 200 / 0 0 400 300");
    EXPECT_EQ(box(records[2].mediaBox) + " / " + box(records[2].cropBox), "0 0 0 300 / 0 0 50 60");
}

TEST(PageTreeScanner, WhatIntermediateNodesHandDown) {
    const std::string rootResources = "<< /Font << /F1 7 0 R >> /ProcSet [/PDF (a>>b)] >>";
    std::map<int, std::string> objects = {
        {2, "<< /Type /Pages /Kids [4 0 R 3 0 R] /Count 3 /Resources " + rootResources + " >>"},
        {3, "<< /Type /Page /Parent 2 0 R >>"},
        {4,
         "<< /Type /Pages /Parent 2 0 R /Kids [5 0 R 6 0 R] /Count 2 /Rotate 90 "
         "/CropBox [5 5 500 700] /Resources 9 0 R >>"},
        {5, "<< /Type /Page /Parent 4 0 R >>"},
        {6, "<< /Type /Page /Parent 4 0 R /Rotate 180 /CropBox [0 0 1 1] /Resources << >> >>"},
        {7, "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>"},
        {9, "<< >>"}};
    PageRecords records = scan(objects);
    ASSERT_EQ(records.size(), 3u);
    const struct {
        int objNum, rotation;
        bool inheritsRotate, inheritsCropBox;
        const char* resources;  // inherited; nullptr for none
    } expected[] = {{5, 90, true, true, "9 0 R"},
                    {6, 180, false, false, nullptr},
                    {3, 0, false, false, rootResources.c_str()}};
    for (size_t i = 0; i < 3; i++) {
        const PageRecord& r = records[i];
        SCOPED_TRACE(r.objNum);
        EXPECT_EQ(r.objNum, expected[i].objNum);
        EXPECT_EQ(r.rotation, expected[i].rotation);
        EXPECT_EQ(r.inheritsRotate, expected[i].inheritsRotate);
        EXPECT_EQ(r.inheritsCropBox, expected[i].inheritsCropBox);
        EXPECT_EQ(r.inheritedResources ? *r.inheritedResources : "(none)",
                  expected[i].resources ? expected[i].resources : "(none)");
    }
    EXPECT_EQ(box(records[0].cropBox), "5 5 500 700");
    // Without the raw text, inherited resources are written from the value.
    objects[2] =
        "<< /Type /Pages /Kids [3 0 R] /Count 1 /Resources << /Font << /F1 7 0 R >> "
        "/ProcSet [/PDF (a>>b)] /Scale 0.5 >> >>";
    records = scan(objects, nullptr, false);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(*records[0].inheritedResources,
              "<</Font <</F1 7 0 R >> /ProcSet [/PDF <613E3E62>] /Scale 0.5 >>");
}

TEST(PageTreeScanner, DirectPagesRootHandsDownItsRotation) {
    int root = -1;
    PageRecords records = scan({{1,
                                 "<< /Type /Catalog /Pages << /Type /Pages /Kids [3 0 R] "
                                 "/Count 1 /Rotate 270 >> >>"},
                                {3, "<< /Type /Page >>"}},
                               &root);
    EXPECT_EQ(root, 0);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].rotation, 270);
    EXPECT_TRUE(records[0].inheritsRotate);
}

TEST(PageTreeScanner, HostileTrees) {
    const std::string page = "<< /Type /Page >>";
    const std::string badKid =
        "Broken page tree: element 0 of the /Kids of object 2 is not a reference to a dictionary";
    std::map<int, std::string> deep = {{2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>"}};
    for (int num = 3; num < 303; num++)
        deep[num] = formatText("<< /Type /Pages /Kids [%d 0 R] /Count 1 >>", num + 1);
    deep[303] = page;
    const struct {
        const char* name;
        std::map<int, std::string> objects;
        std::string expected;
    } cases[] = {
        {"cycle",
         {{2, "<< /Type /Pages /Kids [3 0 R 4 0 R 3 0 R] /Count 3 >>"},
          {3, page},
          {4, "<< /Type /Pages /Parent 2 0 R /Kids [2 0 R 4 0 R 5 0 R] /Count 2 >>"},
          {5, page}},
         "3,5"},
        // The records follow the leaves, not /Count.
        {"count too high",
         {{2, "<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 5 >>"}, {3, page}, {4, page}},
         "3,4"},
        {"count too low",
         {{2, "<< /Type /Pages /Kids [3 0 R 4 0 R 5 0 R] /Count 1 >>"},
          {3, page},
          {4, page},
          {5, page}},
         "3,4,5"},
        {"huge count", {{2, "<< /Type /Pages /Kids [3 0 R] /Count 2147483647 >>"}, {3, page}}, "3"},
        // A root without /Kids is itself the one page.
        {"root as page", {{2, "<< /Type /Page /MediaBox [0 0 100 100] >>"}}, "2"},
        {"direct kid", {{2, "<< /Type /Pages /Kids [<< /Type /Page >>] /Count 1 >>"}}, badKid},
        {"number kid", {{2, "<< /Type /Pages /Kids [7] /Count 1 >>"}}, badKid},
        {"missing kid",
         {{2, "<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 2 >>"}, {4, page}},
         badKid},
        {"too deep", deep, "Page tree is nested too deeply"},
    };
    for (const auto& c : cases) EXPECT_EQ(scanResult(c.objects), c.expected) << c.name;
}
