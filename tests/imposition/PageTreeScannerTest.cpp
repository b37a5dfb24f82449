// The page tree walk: inherited boxes, rotation and resources, and hostile trees.
#include "imposition/PageTreeScanner.h"

#include "ImpositionTestSupport.h"

namespace {

// Objects 1 (empty: a catalog naming root 2), 2, ... scanned: the root, then each page "num
// rotation [r: inherited] media / crop [c: inherited] [inherited resources]" (detail), or the
// refusal.
std::string scan(std::vector<std::string> objects, bool detail = true, bool withInput = true) {
    if (objects[0].empty()) objects[0] = "<< /Type /Catalog /Pages 2 0 R >>";
    TestPdf pdf;
    for (size_t i = 0; i < objects.size(); i++) {
        if (!objects[i].empty()) pdf.addObject(static_cast<int>(i + 1), objects[i]);
    }
    pdf.setTrailerExtra("/Root 1 0 R");
    WriterSetup setup(pdf.build());
    auto box = [](const PdfBox& b) { return formatText("%g %g %g %g", b.x1, b.y1, b.x2, b.y2); };
    PageRecords records;
    try {
        std::string text = std::to_string(
            scanPageTree(setup.doc, withInput ? setup.ctx->input : nullptr, records));
        for (const PageRecord& r : records) {
            text += formatText(detail ? ", %d " : ",%d", r.objNum);
            if (!detail) continue;
            text += formatText("%d%s ", r.rotation, r.inheritsRotate ? "r" : "") + box(r.mediaBox) +
                    " / " + box(r.cropBox) + (r.inheritsCropBox ? "c" : "");
            if (r.inheritedResources) text += " " + *r.inheritedResources;
        }
        return text;
    } catch (const CPdfException& e) {
        return e.getMessage();
    }
}

}  // namespace

TEST(PageTreeScanner, WhatPagesStateAndInherit) {
    const std::string letter = "0 0 612 792 / 0 0 612 792", page = "<< /Type /Page >>";
    const struct {
        std::vector<std::string> objects;
        std::string expected;
    } cases[] = {
        {{"", "<< /Type /Pages /Kids [3 0 R] /Count 1 /MediaBox [0 0 595 842] >>",
          "<< /Type /Page /Parent 2 0 R /CropBox [10 10 585 832] >>"},
         "2, 3 0 0 0 595 842 / 10 10 585 832"},
        // Box arrays of odd shapes: short, long, with references and strings.
        {{"", "<< /Type /Pages /Kids [3 0 R 4 0 R 5 0 R] /Count 3 >>",
          "<< /Type /Page /MediaBox [0 0 100] /CropBox [1 2 3 4 5] >>",
          "<< /Type /Page /MediaBox [0.5 0 100.25 200] /CropBox [0 0 6 0 R 300] >>",
          "<< /Type /Page /MediaBox [0 0 (x) 300] /CropBox 7 0 R >>", "400", "[0 0 50 60]"},
         "2, 3 0 0 0 100 0 / 1 2 3 4, 4 0 0.5 0 100.25 200 / 0 0 400 300, 5 0 0 0 0 300 / 0 0 50 "
         "60"},
        // A direct root hands down its rotation.
        {{"<< /Type /Catalog /Pages << /Type /Pages /Kids [3 0 R] /Count 1 /Rotate 270 >> >>", "",
          page},
         "0, 3 270r " + letter},
        {{"",
          "<< /Type /Pages /Kids [4 0 R 3 0 R] /Count 3 /Resources << /Font << /F1 8 0 R >> "
          "/ProcSet [/PDF (a>>b)] >> >>",
          page,
          "<< /Type /Pages /Parent 2 0 R /Kids [5 0 R 6 0 R] /Count 2 /Rotate 90 "
          "/CropBox [5 5 500 700] /Resources 7 0 R >>",
          page, "<< /Type /Page /Rotate 180 /CropBox [0 0 1 1] /Resources << >> >>", "<< >>"},
         "2, 5 90r 0 0 612 792 / 5 5 500 700c 7 0 R, 6 180 0 0 612 792 / 0 0 1 1, 3 0 " + letter +
             " << /Font << /F1 8 0 R >> /ProcSet [/PDF (a>>b)] >>"},
    };
    for (const auto& c : cases) EXPECT_EQ(scan(c.objects), c.expected);
    // Without the raw text, inherited resources are written from the value.
    EXPECT_EQ(
        scan({"",
              "<< /Type /Pages /Kids [3 0 R] /Count 1 /Resources << /Font << /F1 7 0 R >> "
              "/ProcSet [/PDF (a>>b)] /Scale 0.5 >> >>",
              page},
             true, false),
        "2, 3 0 " + letter + " <</Font <</F1 7 0 R >> /ProcSet [/PDF <613E3E62>] /Scale 0.5 >>");
}

TEST(PageTreeScanner, HostileTrees) {
    const std::string page = "<< /Type /Page >>";
    const std::string badKid =
        "Broken page tree: element 0 of the /Kids of object 2 is not a reference to a dictionary";
    std::vector<std::string> deep = {""};
    for (int num = 2; num < 303; num++)
        deep.push_back(formatText("<< /Type /Pages /Kids [%d 0 R] /Count 1 >>", num + 1));
    deep.push_back(page);
    const struct {
        std::vector<std::string> objects;
        std::string expected;
    } cases[] = {
        {{"", "<< /Type /Pages /Kids [3 0 R 4 0 R 3 0 R] /Count 3 >>", page,
          "<< /Type /Pages /Parent 2 0 R /Kids [2 0 R 4 0 R 5 0 R] /Count 2 >>", page},
         "2,3,5"},
        // The records follow the leaves, not /Count.
        {{"", "<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 1 >>", page, page}, "2,3,4"},
        {{"", "<< /Type /Pages /Kids [3 0 R] /Count 2147483647 >>", page}, "2,3"},
        // A root without /Kids is itself the one page.
        {{"", "<< /Type /Page /MediaBox [0 0 100 100] >>"}, "2,2"},
        {{"", "<< /Type /Pages /Kids [<< /Type /Page >>] /Count 1 >>"}, badKid},
        {{"", "<< /Type /Pages /Kids [7] /Count 1 >>"}, badKid},
        {{"", "<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 2 >>", "", page}, badKid},
        {deep, "Page tree is nested too deeply"},
    };
    for (const auto& c : cases) EXPECT_EQ(scan(c.objects, false), c.expected);
}
