// Builds small PDF files in memory for tests.
#include "support/TestPdf.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include <zlib.h>

#include "pdf/FormatText.h"

namespace {

const char kHeader[] = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n";

std::string objectText(int num, int gen, const std::string& body) {
    return formatText("%d %d obj\n", num, gen) + body + "\nendobj\n";
}

// The blue square of page number: a corner placed by the number, an eighth of the width wide.
std::string squareAt(double w, double h, int number) {
    double s = w / 8;
    return formatText("0 0 1 rg %g %g %g %g re f\n", (number % 4) * (w - s) / 3,
                      ((number / 4) % 4) * (h - s) / 3, s, s);
}

}  // namespace

void TestPdf::addObject(int num, const std::string& body, int gen) {
    objects_[num] = {gen, objectText(num, gen, body)};
}

void TestPdf::addStream(int num, const std::string& dictBody, const std::string& data, int gen) {
    std::string dict = dictBody;
    dict.insert(dict.rfind(">>"), formatText(" /Length %zu ", data.size()));
    addObject(num, dict + "\nstream\n" + data + "\nendstream", gen);
}

std::string TestPdf::objectsText() const {
    std::string out = kHeader;
    offsets_.clear();
    for (const auto& [num, obj] : objects_) {
        offsets_[num] = static_cast<long>(out.size());
        out += obj.second;
    }
    return out;
}

std::string TestPdf::build() const {
    std::string out = objectsText();
    int size = objects_.empty() ? 1 : objects_.rbegin()->first + 1;
    long xrefPos = static_cast<long>(out.size());
    out += formatText("xref\n0 %d\n", size);
    for (int i = 0; i < size; i++) {
        out += objects_.count(i) ? formatText("%010ld %05d n \n", offsets_[i], objects_.at(i).first)
                                 : "0000000000 65535 f \n";
    }
    out += formatText("trailer\n<< /Size %d %s >>\nstartxref\n%ld\n%%%%EOF\n", size,
                      trailerExtra_.c_str(), xrefPos);
    return out;
}

std::string TestPdf::buildWithXRefStream(int objStmNum) const {
    std::string out = objectsText();
    int last = objStmNum;
    if (!objects_.empty()) last = std::max(last, objects_.rbegin()->first);
    if (!compressed_.empty()) last = std::max(last, compressed_.rbegin()->first);
    if (!members_.empty()) last = std::max(last, members_.rbegin()->first);
    int xrefNum = last + 1;
    std::map<int, int> indexInStream;
    if (!compressed_.empty()) {
        std::string head, body;
        for (const auto& [num, text] : compressed_) {
            head += formatText("%d %zu ", num, body.size());
            body += text + " ";
            indexInStream[num] = static_cast<int>(indexInStream.size());
        }
        offsets_[objStmNum] = static_cast<long>(out.size());
        out += formatText("%d 0 obj\n<< /Type /ObjStm /N %zu /First %zu /Length %zu >>\nstream\n",
                          objStmNum, compressed_.size(), head.size(), head.size() + body.size());
        out += head + body + "\nendstream\nendobj\n";
    }
    long xrefPos = static_cast<long>(out.size());
    offsets_[xrefNum] = xrefPos;
    std::string rows;
    for (int i = 0; i <= xrefNum; i++) {
        auto field = [](int kind, long two, int three) {
            return bigEndianBytes(kind, 1) + bigEndianBytes(two, 4) + bigEndianBytes(three, 2);
        };
        if (indexInStream.count(i)) {
            rows += field(2, objStmNum, indexInStream[i]);
        } else if (members_.count(i)) {
            rows += field(2, members_.at(i).first, members_.at(i).second);
        } else if (offsets_.count(i)) {
            rows += field(1, offsets_[i], objects_.count(i) ? objects_.at(i).first : 0);
        } else {
            rows += field(0, 0, i == 0 ? 65535 : 0);
        }
    }
    out += formatText("%d 0 obj\n<< /Type /XRef /Size %d /W [1 4 2] %s /Length %zu >>\nstream\n",
                      xrefNum, xrefNum + 1, trailerExtra_.c_str(), rows.size());
    out += rows + formatText("\nendstream\nendobj\nstartxref\n%ld\n%%%%EOF\n", xrefPos);
    return out;
}

std::string makeNumberedPdf(int pageCount, double width, double height) {
    TestPdf pdf;
    // 1 catalog, 2 pages root, 3 font, then per page: page object and content stream.
    pdf.addObject(1, "<< /Type /Catalog /Pages 2 0 R >>");
    std::string kids;
    for (int i = 0; i < pageCount; i++) kids += formatText("%d 0 R ", 4 + 2 * i);
    pdf.addObject(2,
                  formatText("<< /Type /Pages /Kids [ %s] /Count %d >>", kids.c_str(), pageCount));
    pdf.addObject(3, "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
    for (int i = 0; i < pageCount; i++) {
        pdf.addObject(4 + 2 * i,
                      formatText("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 %g %g] /Resources "
                                 "<< /Font << /F1 3 0 R >> >> /Contents %d 0 R >>",
                                 width, height, 5 + 2 * i));
        pdf.addStream(
            5 + 2 * i, "<< >>",
            squareAt(width, height, i + 1) + formatText("0 g BT /F1 %g Tf %g %g Td (%d) Tj ET\n",
                                                        height / 4, width / 4, height / 3, i + 1));
    }
    pdf.setTrailerExtra("/Root 1 0 R");
    return pdf.build();
}

TempDir::TempDir() {
    char pattern[] = "/tmp/tessel-test-XXXXXX";
    path_ = mkdtemp(pattern) ? pattern : "/tmp";
}

TempDir::~TempDir() {
    if (path_ != "/tmp") std::system(("rm -rf '" + path_ + "'").c_str());
}

std::string TempDir::write(const std::string& name, const std::string& bytes) const {
    std::ofstream(file(name), std::ios::binary) << bytes;
    return file(name);
}

std::string readFileBytes(const std::string& path) {
    std::stringstream buffer;
    buffer << std::ifstream(path, std::ios::binary).rdbuf();
    return buffer.str();
}

bool fileExists(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

int runCommand(const std::string& command, std::string* output, bool mergeStderr) {
    FILE* pipe = popen((command + (mergeStderr ? " 2>&1" : "")).c_str(), "r");
    if (!pipe) return -1;
    char chunk[4096];
    size_t got;
    std::string text;
    while ((got = fread(chunk, 1, sizeof chunk, pipe)) > 0) text.append(chunk, got);
    int status = pclose(pipe);
    if (output) *output = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string corpusDir() {
    struct stat info;
    bool there = stat(TESSEL_CORPUS_DIR, &info) == 0 && S_ISDIR(info.st_mode);
    return there ? TESSEL_CORPUS_DIR : "";
}

std::string corpusPassword(const std::string& name) {
    if (name == "encrypted-rc4-128-r3-user-password.pdf") return "asdfzxcv";
    if (name == "encrypted-aes128-r4-user-password.pdf") return "asdfzxcv";
    if (name == "encrypted-libreoffice-writer-password.pdf") return "openpassword";
    return "";
}

std::string bigEndianBytes(unsigned long long value, int width) {
    std::string out;
    for (int i = width - 1; i >= 0; i--) out += static_cast<char>((value >> (8 * i)) & 0xFF);
    return out;
}

std::string deflateBytes(const std::string& data) {
    uLongf size = compressBound(static_cast<uLong>(data.size()));
    std::string out(size, '\0');
    compress2(reinterpret_cast<Bytef*>(&out[0]), &size, reinterpret_cast<const Bytef*>(data.data()),
              static_cast<uLong>(data.size()), 9);
    out.resize(size);
    return out;
}

long lastStartXRef(const std::string& pdf) {
    size_t at = pdf.rfind("startxref");
    return at == std::string::npos ? -1 : std::strtol(pdf.c_str() + at + 9, nullptr, 10);
}

void TestPdfUpdate::addObject(int num, const std::string& body, int gen) {
    entries_[num] = {static_cast<long>(out_.size()), gen};
    out_ += objectText(num, gen, body);
}

std::string TestPdfUpdate::build(int size) const {
    std::string out = out_ + "xref\n";
    for (const auto& [num, entry] : entries_) {
        out += formatText("%d 1\n%010ld %05d %c \n", num, std::max(entry.first, 0L), entry.second,
                          entry.first < 0 ? 'f' : 'n');
    }
    return out + formatText("trailer\n<< /Size %d /Prev %ld %s >>\nstartxref\n%zu\n%%%%EOF\n", size,
                            lastStartXRef(out_), trailerExtra_.c_str(), out_.size());
}

std::string featureImagePixels(int number) {
    std::string pixels;
    for (int i = 0; i < 64; i++)
        pixels += static_cast<char>(((i % 8) * 7 + (i / 8) * 3 + number * 5) % 11 < 5 ? 0 : 255);
    return pixels;
}

std::string featurePageContent(const FeaturePage& page, int number, const std::string& fontName,
                               const std::string& imageName, int parts) {
    double w = page.width, h = page.height;
    std::string content;
    if (parts & 1) content += squareAt(w, h, number);
    if ((parts & 1) && page.image) {
        content += formatText("q %g 0 0 %g %g %g cm /%s Do Q\n", w / 3, w / 3, w * 0.6, h * 0.6,
                              imageName.c_str());
    }
    if (parts & 2) {
        const char* font = fontName.c_str();
        content +=
            formatText("0 g BT /%s %g Tf %g %g Td (%d) Tj ET\nBT /%s %g Tf %g %g Td (Hg%d) Tj ET\n",
                       font, h / 4, w / 4, h / 3, number, font, h / 12, w / 16, h / 12, number);
    }
    return content;
}

std::string makeFeaturePdf(const FeatureDoc& doc) {
    TestPdf pdf;
    // 1 catalog, 2 root, 3 Helvetica, 4 intermediate node; page i is 10 (i + 1), its objects next.
    auto addPlain = [&pdf, &doc](int num, const std::string& body) {
        doc.objectStream ? pdf.addCompressed(num, body) : pdf.addObject(num, body);
    };
    addPlain(1, "<< /Type /Catalog /Pages 2 0 R >>");
    addPlain(3, "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
    std::string rootKids, nodeKids;
    int nodeCount = 0;
    for (size_t i = 0; i < doc.pages.size(); i++) {
        std::string ref = formatText("%zu 0 R ", 10 * (i + 1));
        // The node stands at the place of its first page among the root's kids.
        if (doc.pages[i].inNode && nodeCount++ == 0) rootKids += "4 0 R ";
        (doc.pages[i].inNode ? nodeKids : rootKids) += ref;
    }
    if (nodeCount) {
        addPlain(4, formatText("<< /Type /Pages /Parent 2 0 R /Kids [ %s] /Count %d %s >>",
                               nodeKids.c_str(), nodeCount, doc.nodeExtra.c_str()));
    }
    addPlain(2, formatText("<< /Type /Pages /Kids [ %s] /Count %zu %s >>", rootKids.c_str(),
                           doc.pages.size(), doc.rootExtra.c_str()));

    for (size_t i = 0; i < doc.pages.size(); i++) {
        const FeaturePage& page = doc.pages[i];
        int number = static_cast<int>(i) + 1, pageNum = 10 * number, obj = pageNum + 1;
        double w = page.width, h = page.height;
        std::string fontRef = "3 0 R", xobjects, contents, annots;
        if (page.font != "Helvetica") {
            addPlain(obj, formatText("<< /Type /Font /Subtype /Type1 /BaseFont /%s >>",
                                     page.font.c_str()));
            fontRef = formatText("%d 0 R", obj++);
        }
        if (page.image) {
            pdf.addStream(obj,
                          "<< /Type /XObject /Subtype /Image /Width 8 /Height 8 "
                          "/ColorSpace /DeviceGray /BitsPerComponent 8 >>",
                          featureImagePixels(number));
            xobjects = formatText(" /XObject << /Im1 %d 0 R >>", obj++);
        }
        std::string square = page.extraContent + featurePageContent(page, number, "F1", "Im1", 1);
        std::string text = featurePageContent(page, number, "F1", "Im1", 2);
        if (page.contents == FeaturePage::Contents::stream) {
            pdf.addStream(obj, "<< >>", square + text);
            contents = formatText(" /Contents %d 0 R", obj++);
        } else if (page.contents == FeaturePage::Contents::array) {
            pdf.addStream(obj, "<< >>", square);
            pdf.addStream(obj + 1, "<< >>", text);
            contents = formatText(" /Contents [ %d 0 R %d 0 R ]", obj, obj + 1);
            obj += 2;
        }
        if (page.annotations) {
            double barW = w / 4, barH = h / 20, s = w / 8;
            double bx = w / 2 + ((number % 3) - 1) * w / 5, by = h / 10 + (number % 5) * h / 8;
            double x = (number % 4) * (w - s) / 3, y = ((number / 4) % 4) * (h - s) / 3;
            pdf.addStream(
                obj,
                formatText("<< /Type /XObject /Subtype /Form /BBox [0 0 %g %g] >>", barW, barH),
                formatText("0.5 g 0 0 %g %g re f\n", barW, barH));
            addPlain(obj + 1, formatText("<< /Type /Annot /Subtype /Square /F 4 /Rect [%g %g %g "
                                         "%g] /C [0.5] /AP << /N %d 0 R >> >>",
                                         bx, by, bx + barW, by + barH, obj));
            addPlain(obj + 2,
                     formatText("<< /Type /Annot /Subtype /Link /Rect [%g %g %g %g] "
                                "/Border [0 0 0] /A << /S /URI /URI (https://example.org/%d) >> >>",
                                x, y, x + s, y + s, number));
            annots = formatText(" %d 0 R %d 0 R", obj + 1, obj + 2);
            obj += 3;
        }
        if (page.highlight) {
            double hx = w / 10 + (number % 3) * w / 4, hy = h * 0.55 + (number % 2) * h / 10;
            double hw = w / 5, hh = h / 16;
            addPlain(obj, formatText("<< /Type /Annot /Subtype /Highlight /Rect [%g %g %g %g] "
                                     "/QuadPoints [%g %g %g %g %g %g %g %g] /C [0 0 0.3] >>",
                                     hx, hy, hx + hw, hy + hh, hx, hy + hh, hx + hw, hy + hh, hx,
                                     hy, hx + hw, hy));
            annots += formatText(" %d 0 R", obj++);
        }
        if (!annots.empty()) annots = " /Annots [" + annots + " ]";
        std::string media = page.ownMediaBox ? formatText(" /MediaBox [0 0 %g %g]", w, h) : "";
        std::string resources = page.ownResources
                                    ? formatText(" /Resources << /Font << /F1 %s >>%s >>",
                                                 fontRef.c_str(), xobjects.c_str())
                                    : "";
        std::string rotate = page.rotate.empty() ? "" : " /Rotate " + page.rotate;
        addPlain(pageNum,
                 formatText("<< /Type /Page /Parent %d 0 R%s%s%s%s%s %s >>", page.inNode ? 4 : 2,
                            media.c_str(), rotate.c_str(), resources.c_str(), contents.c_str(),
                            annots.c_str(), page.extraKeys.c_str()));
    }
    pdf.setTrailerExtra("/Root 1 0 R");
    return doc.objectStream ? pdf.buildWithXRefStream(10 * static_cast<int>(doc.pages.size() + 1))
                            : pdf.build();
}
