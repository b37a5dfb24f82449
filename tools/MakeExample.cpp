// Writes the bundled example document: a 12-page handout with text, a shared font, compressed
// page contents, a link and an outline, so that a first run of Tessel has something real to impose.
#include <zlib.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::string number(long value) {
    return std::to_string(value);
}

std::string deflate(const std::string& data) {
    uLongf size = compressBound(data.size());
    std::string out(size, '\0');
    compress2(reinterpret_cast<Bytef*>(&out[0]), &size, reinterpret_cast<const Bytef*>(data.data()),
              data.size(), 9);
    out.resize(size);
    return out;
}

const char* const kTopics[] = {"Cover",    "Contents",   "Welcome",   "Getting started",
                               "Layouts",  "Page order", "Margins",   "Boxes",
                               "Booklets", "Batches",    "Splitting", "Back cover"};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s output.pdf\n", argv[0]);
        return 2;
    }
    const int pages = 12;
    // Objects: 1 catalog, 2 page tree, 3 font, 4 bold font, 5 outline root, 6 outline item,
    // 7 link, then per page i: 8 + 2i page, 9 + 2i contents.
    std::vector<std::string> objects(8 + 2 * pages);
    std::string kids;
    for (int i = 0; i < pages; i++) kids += number(8 + 2 * i) + " 0 R ";
    objects[1] = "<< /Type /Catalog /Pages 2 0 R /Outlines 5 0 R >>";
    objects[2] = "<< /Type /Pages /Kids [ " + kids + "] /Count " + number(pages) +
                 " /MediaBox [0 0 612 792] >>";
    objects[3] = "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>";
    objects[4] = "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica-Bold >>";
    objects[5] = "<< /Type /Outlines /First 6 0 R /Last 6 0 R /Count 1 >>";
    objects[6] = "<< /Title (Layouts) /Parent 5 0 R /Dest [16 0 R /Fit] >>";
    objects[7] =
        "<< /Type /Annot /Subtype /Link /Rect [72 600 300 630] /Border [0 0 1] "
        "/Dest [16 0 R /Fit] >>";
    for (int i = 0; i < pages; i++) {
        int page = i + 1;
        std::string annots = page == 2 ? " /Annots [7 0 R]" : "";
        objects[8 + 2 * i] =
            "<< /Type /Page /Parent 2 0 R /Resources << /Font << /F1 3 0 R /F2 4 0 R >> >> "
            "/Contents " +
            number(9 + 2 * i) + " 0 R" + annots + " >>";
        std::string text =
            "0.85 0.9 1 rg 36 36 540 720 re f\n0 0 0.5 rg\nBT /F2 40 Tf 72 680 Td (" +
            std::string(kTopics[i]) + ") Tj ET\n0 g\nBT /F1 14 Tf 72 640 Td 18 TL\n";
        for (int line = 0; line < 20; line++) {
            text += "(Line " + number(line + 1) + " of page " + number(page) +
                    ": Tessel places pages side by side without scaling them.) '\n";
        }
        text += "ET\nBT /F2 160 Tf 230 120 Td (" + number(page) + ") Tj ET\n";
        std::string packed = deflate(text);
        objects[9 + 2 * i] = "<< /Length " + number(static_cast<long>(packed.size())) +
                             " /Filter /FlateDecode >>\nstream\n" + packed + "\nendstream";
    }

    std::string out = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n";
    std::vector<long> offsets(objects.size(), 0);
    for (size_t num = 1; num < objects.size(); num++) {
        offsets[num] = static_cast<long>(out.size());
        out += number(static_cast<long>(num)) + " 0 obj\n" + objects[num] + "\nendobj\n";
    }
    long xref = static_cast<long>(out.size());
    out += "xref\n0 " + number(static_cast<long>(objects.size())) + "\n0000000000 65535 f \n";
    for (size_t num = 1; num < objects.size(); num++) {
        char entry[32];
        std::snprintf(entry, sizeof entry, "%010ld 00000 n \n", offsets[num]);
        out += entry;
    }
    out += "trailer\n<< /Size " + number(static_cast<long>(objects.size())) +
           " /Root 1 0 R >>\nstartxref\n" + number(xref) + "\n%%EOF\n";

    FILE* file = std::fopen(argv[1], "wb");
    if (!file || std::fwrite(out.data(), 1, out.size(), file) != out.size() ||
        std::fclose(file) != 0) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
