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

void TestPdf::addObject(int num, const std::string& body, int gen) {
    objects_[num] = Obj{gen, formatText("%d %d obj\n", num, gen) + body + "\nendobj\n"};
}

void TestPdf::addStream(int num, const std::string& dictBody, const std::string& data, int gen) {
    std::string dict = dictBody;
    size_t close = dict.rfind(">>");
    dict.insert(close, formatText(" /Length %zu ", data.size()));
    objects_[num] = Obj{gen, formatText("%d %d obj\n", num, gen) + dict + "\nstream\n" + data +
                                 "\nendstream\nendobj\n"};
}

void TestPdf::addCompressed(int num, const std::string& body) {
    compressed_[num] = body;
}

long TestPdf::offsetOf(int num) const {
    auto found = offsets_.find(num);
    return found == offsets_.end() ? -1 : found->second;
}

std::string TestPdf::build() const {
    std::string out = header_;
    offsets_.clear();
    int size = objects_.empty() ? 1 : objects_.rbegin()->first + 1;
    for (const auto& [num, obj] : objects_) {
        offsets_[num] = static_cast<long>(out.size());
        out += obj.text;
    }
    long xrefPos = static_cast<long>(out.size());
    out += formatText("xref\n0 %d\n", size);
    out += "0000000000 65535 f \n";
    for (int i = 1; i < size; i++) {
        auto found = objects_.find(i);
        if (found == objects_.end()) {
            out += "0000000000 65535 f \n";
        } else {
            out += formatText("%010ld %05d n \n", offsets_[i], found->second.gen);
        }
    }
    out += formatText("trailer\n<< /Size %d %s >>\nstartxref\n%ld\n%%%%EOF\n", size,
                      trailerExtra_.c_str(), xrefPos);
    return prefix_ + out;
}

std::string TestPdf::buildWithXRefStream(int objStmNum) const {
    std::string out = header_;
    offsets_.clear();
    int last = 0;
    if (!objects_.empty()) last = objects_.rbegin()->first;
    if (!compressed_.empty()) last = std::max(last, compressed_.rbegin()->first);
    last = std::max(last, objStmNum);
    int xrefNum = last + 1;
    int size = xrefNum + 1;
    for (const auto& [num, obj] : objects_) {
        offsets_[num] = static_cast<long>(out.size());
        out += obj.text;
    }
    std::map<int, int> indexInStream;
    if (!compressed_.empty()) {
        std::string head, body;
        int index = 0;
        for (const auto& [num, text] : compressed_) {
            head += formatText("%d %zu ", num, body.size());
            body += text + " ";
            indexInStream[num] = index++;
        }
        std::string data = head + body;
        offsets_[objStmNum] = static_cast<long>(out.size());
        out += formatText("%d 0 obj\n<< /Type /ObjStm /N %zu /First %zu /Length %zu >>\nstream\n",
                          objStmNum, compressed_.size(), head.size(), data.size());
        out += data + "\nendstream\nendobj\n";
    }
    long xrefPos = static_cast<long>(out.size());
    std::string rows;
    for (int i = 0; i < size; i++) {
        if (i == xrefNum) {
            rows += bigEndianBytes(1, 1) + bigEndianBytes(xrefPos, 4) + bigEndianBytes(0, 2);
        } else if (indexInStream.count(i)) {
            rows += bigEndianBytes(2, 1) + bigEndianBytes(objStmNum, 4) +
                    bigEndianBytes(indexInStream[i], 2);
        } else if (offsets_.count(i)) {
            rows += bigEndianBytes(1, 1) + bigEndianBytes(offsets_[i], 4) +
                    bigEndianBytes(i == 0              ? 0
                                   : objects_.count(i) ? objects_.at(i).gen
                                                       : 0,
                                   2);
        } else {
            rows +=
                bigEndianBytes(0, 1) + bigEndianBytes(0, 4) + bigEndianBytes(i == 0 ? 65535 : 0, 2);
        }
    }
    out += formatText("%d 0 obj\n<< /Type /XRef /Size %d /W [1 4 2] %s /Length %zu >>\nstream\n",
                      xrefNum, size, trailerExtra_.c_str(), rows.size());
    out += rows + "\nendstream\nendobj\n";
    out += formatText("startxref\n%ld\n%%%%EOF\n", xrefPos);
    return prefix_ + out;
}

std::string makeNumberedPdf(int pageCount, double width, double height,
                            const std::vector<int>& rotations) {
    TestPdf pdf;
    // 1 catalog, 2 pages root, 3 font, then per page: page object and content stream.
    pdf.addObject(1, "<< /Type /Catalog /Pages 2 0 R >>");
    std::string kids;
    for (int i = 0; i < pageCount; i++) kids += formatText("%d 0 R ", 4 + 2 * i);
    pdf.addObject(2,
                  formatText("<< /Type /Pages /Kids [ %s] /Count %d >>", kids.c_str(), pageCount));
    pdf.addObject(3, "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
    for (int i = 0; i < pageCount; i++) {
        int page = i + 1;
        std::string rotate;
        if (i < static_cast<int>(rotations.size()))
            rotate = formatText(" /Rotate %d", rotations[i]);
        pdf.addObject(4 + 2 * i,
                      formatText("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 %g %g]%s "
                                 "/Resources << /Font << /F1 3 0 R >> >> /Contents %d 0 R >>",
                                 width, height, rotate.c_str(), 5 + 2 * i));
        double square = width / 8;
        double x = (page % 4) * (width - square) / 3;
        double y = ((page / 4) % 4) * (height - square) / 3;
        std::string content =
            formatText("0 0 1 rg %g %g %g %g re f\n0 g BT /F1 %g Tf %g %g Td (%d) Tj ET\n", x, y,
                       square, square, height / 4, width / 4, height / 3, page);
        pdf.addStream(5 + 2 * i, "<< >>", content);
    }
    pdf.setTrailerExtra("/Root 1 0 R");
    return pdf.build();
}

TempDir::TempDir() {
    char pattern[] = "/tmp/tessel-test-XXXXXX";
    const char* made = mkdtemp(pattern);
    path_ = made ? made : "/tmp";
}

TempDir::~TempDir() {
    if (path_ != "/tmp") std::system(("rm -rf '" + path_ + "'").c_str());
}

std::string TempDir::write(const std::string& name, const std::string& bytes) const {
    std::string full = file(name);
    std::ofstream out(full, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return full;
}

std::string readFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream buffer;
    buffer << in.rdbuf();
    return buffer.str();
}

bool fileExists(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

int runCommand(const std::string& command, std::string* output, bool mergeStderr) {
    std::string full = command + (mergeStderr ? " 2>&1" : "");
    FILE* pipe = popen(full.c_str(), "r");
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
    std::string dir = TESSEL_CORPUS_DIR;
    struct stat info;
    if (stat(dir.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return "";
    return dir;
}

std::string corpusPassword(const std::string& name) {
    static const std::vector<std::pair<std::string, std::string>> files = {
        {"encrypted-rc4-40-r2-empty-user-password.pdf", ""},
        {"encrypted-rc4-128-r3-user-password.pdf", "asdfzxcv"},
        {"encrypted-aes128-r4-user-password.pdf", "asdfzxcv"},
        {"encrypted-aes256-r6-empty-user-password.pdf", ""},
        {"encrypted-libreoffice-writer-password.pdf", "openpassword"},
        {"encrypted-xrefstream-linearized-widgets.pdf", ""},
        {"junk-before-header-encrypted-rc4-linearized-30p.pdf", ""},
    };
    for (const auto& [file, password] : files) {
        if (file == name) return password;
    }
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
    if (at == std::string::npos) return -1;
    return std::strtol(pdf.c_str() + at + 9, nullptr, 10);
}

void TestPdfUpdate::addObject(int num, const std::string& body, int gen) {
    entries_[num] = Entry{static_cast<long>(out_.size()), gen, true};
    out_ += formatText("%d %d obj\n", num, gen) + body + "\nendobj\n";
}

void TestPdfUpdate::freeObject(int num, int gen) {
    entries_[num] = Entry{0, gen, false};
}

long TestPdfUpdate::offsetOf(int num) const {
    auto found = entries_.find(num);
    return found == entries_.end() ? -1 : found->second.offset;
}

std::string TestPdfUpdate::build(int size) const {
    std::string out = out_;
    long prev = lastStartXRef(out_);
    long xrefPos = static_cast<long>(out.size());
    out += "xref\n";
    for (const auto& [num, entry] : entries_) {
        out += formatText("%d 1\n%010ld %05d %c \n", num, entry.offset, entry.gen,
                          entry.inUse ? 'n' : 'f');
    }
    out += formatText("trailer\n<< /Size %d /Prev %ld %s >>\nstartxref\n%ld\n%%%%EOF\n", size, prev,
                      trailerExtra_.c_str(), xrefPos);
    return out;
}

std::string TestPdfUpdate::buildWithXRefStream(int size, int xrefNum) const {
    std::string out = out_;
    long prev = lastStartXRef(out_);
    long xrefPos = static_cast<long>(out.size());
    std::map<int, Entry> entries = entries_;
    entries[xrefNum] = Entry{xrefPos, 0, true};
    std::string index, rows;
    for (const auto& [num, entry] : entries) {
        index += formatText("%d 1 ", num);
        rows += bigEndianBytes(entry.inUse ? 1 : 0, 1) + bigEndianBytes(entry.offset, 4) +
                bigEndianBytes(entry.gen, 2);
    }
    out += formatText(
        "%d 0 obj\n<< /Type /XRef /Size %d /Prev %ld /Index [%s] /W [1 4 2] %s /Length %zu >>\n"
        "stream\n",
        xrefNum, size, prev, index.c_str(), trailerExtra_.c_str(), rows.size());
    out += rows + "\nendstream\nendobj\n";
    out += formatText("startxref\n%ld\n%%%%EOF\n", xrefPos);
    return out;
}

std::vector<FeaturePage> numberedPages(int count) {
    return std::vector<FeaturePage>(static_cast<size_t>(count > 0 ? count : 0));
}

std::string featureImagePixels(int number) {
    std::string pixels;
    for (int row = 0; row < 8; row++) {
        for (int col = 0; col < 8; col++) {
            pixels += static_cast<char>((col * 7 + row * 3 + number * 5) % 11 < 5 ? 0 : 255);
        }
    }
    return pixels;
}

std::string featurePageContent(const FeaturePage& page, int number, const std::string& fontName,
                               const std::string& imageName, int parts) {
    double w = page.width, h = page.height;
    double square = w / 8;
    double x = (number % 4) * (w - square) / 3;
    double y = ((number / 4) % 4) * (h - square) / 3;
    std::string content;
    if (parts & 1) {
        content += formatText("0 0 1 rg %g %g %g %g re f\n", x, y, square, square);
        if (page.image) {
            content += formatText("q %g 0 0 %g %g %g cm /%s Do Q\n", w / 3, w / 3, w * 0.6, h * 0.6,
                                  imageName.c_str());
        }
    }
    if (parts & 2) {
        content +=
            formatText("0 g BT /%s %g Tf %g %g Td (%d) Tj ET\nBT /%s %g Tf %g %g Td (Hg%d) Tj ET\n",
                       fontName.c_str(), h / 4, w / 4, h / 3, number, fontName.c_str(), h / 12,
                       w / 16, h / 12, number);
    }
    return content;
}

std::string makeFeaturePdf(const FeatureDoc& doc) {
    TestPdf pdf;
    int pageCount = static_cast<int>(doc.pages.size());
    bool anyInNode = false;
    for (const FeaturePage& page : doc.pages) anyInNode = anyInNode || page.inNode;
    // 1 catalog, 2 root, 3 Helvetica, 4 intermediate node; pages from 10 on.
    int next = 10;
    std::vector<int> pageNums;
    for (int i = 0; i < pageCount; i++) {
        pageNums.push_back(next);
        next += 10;
    }
    // Plain (non-stream) objects go into the object stream when asked for.
    auto addPlain = [&pdf, &doc](int num, const std::string& body) {
        if (doc.objectStream) {
            pdf.addCompressed(num, body);
        } else {
            pdf.addObject(num, body);
        }
    };
    addPlain(1, "<< /Type /Catalog /Pages 2 0 R >>");
    std::string rootKids, nodeKids;
    int nodeCount = 0;
    for (int i = 0; i < pageCount; i++) {
        if (doc.pages[static_cast<size_t>(i)].inNode) {
            nodeKids += formatText("%d 0 R ", pageNums[static_cast<size_t>(i)]);
            nodeCount++;
        } else {
            rootKids += formatText("%d 0 R ", pageNums[static_cast<size_t>(i)]);
        }
    }
    // The intermediate node stands at the place of its first page among the root's kids.
    if (anyInNode) {
        std::string ordered;
        bool nodePlaced = false;
        for (int i = 0; i < pageCount; i++) {
            if (doc.pages[static_cast<size_t>(i)].inNode) {
                if (!nodePlaced) ordered += "4 0 R ";
                nodePlaced = true;
            } else {
                ordered += formatText("%d 0 R ", pageNums[static_cast<size_t>(i)]);
            }
        }
        rootKids = ordered;
        addPlain(4, formatText("<< /Type /Pages /Parent 2 0 R /Kids [ %s] /Count %d %s >>",
                               nodeKids.c_str(), nodeCount, doc.nodeExtra.c_str()));
    }
    addPlain(2, formatText("<< /Type /Pages /Kids [ %s] /Count %d %s >>", rootKids.c_str(),
                           pageCount, doc.rootExtra.c_str()));
    addPlain(3, "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");

    for (int i = 0; i < pageCount; i++) {
        const FeaturePage& page = doc.pages[static_cast<size_t>(i)];
        int number = i + 1;
        int pageNum = pageNums[static_cast<size_t>(i)];
        int obj = pageNum + 1;  // the page's other objects follow its page object
        double w = page.width, h = page.height;

        std::string fontRef = "3 0 R";
        if (page.font != "Helvetica") {
            addPlain(obj, formatText("<< /Type /Font /Subtype /Type1 /BaseFont /%s >>",
                                     page.font.c_str()));
            fontRef = formatText("%d 0 R", obj++);
        }

        std::string xobjects;
        if (page.image) {
            pdf.addStream(obj,
                          "<< /Type /XObject /Subtype /Image /Width 8 /Height 8 "
                          "/ColorSpace /DeviceGray /BitsPerComponent 8 >>",
                          featureImagePixels(number));
            xobjects = formatText(" /XObject << /Im1 %d 0 R >>", obj++);
        }
        std::string squarePart =
            page.extraContent + featurePageContent(page, number, "F1", "Im1", 1);
        std::string textPart = featurePageContent(page, number, "F1", "Im1", 2);
        double square = w / 8;
        double x = (number % 4) * (w - square) / 3;
        double y = ((number / 4) % 4) * (h - square) / 3;

        std::string contentsEntry;
        if (page.contents == FeaturePage::Contents::stream) {
            pdf.addStream(obj, "<< >>", squarePart + textPart);
            contentsEntry = formatText(" /Contents %d 0 R", obj++);
        } else if (page.contents == FeaturePage::Contents::array) {
            pdf.addStream(obj, "<< >>", squarePart);
            pdf.addStream(obj + 1, "<< >>", textPart);
            contentsEntry = formatText(" /Contents [ %d 0 R %d 0 R ]", obj, obj + 1);
            obj += 2;
        }

        std::string annots;
        if (page.annotations) {
            double barW = w / 4, barH = h / 20;
            double bx = w / 2 + ((number % 3) - 1) * w / 5, by = h / 10 + (number % 5) * h / 8;
            std::string look = formatText("0.5 g 0 0 %g %g re f\n", barW, barH);
            pdf.addStream(
                obj,
                formatText("<< /Type /XObject /Subtype /Form /BBox [0 0 %g %g] >>", barW, barH),
                look);
            int apNum = obj++;
            addPlain(obj, formatText("<< /Type /Annot /Subtype /Square /F 4 /Rect [%g %g %g %g] "
                                     "/C [0.5] /AP << /N %d 0 R >> >>",
                                     bx, by, bx + barW, by + barH, apNum));
            int squareNum = obj++;
            addPlain(obj,
                     formatText("<< /Type /Annot /Subtype /Link /Rect [%g %g %g %g] "
                                "/Border [0 0 0] /A << /S /URI /URI (https://example.org/%d) >> >>",
                                x, y, x + square, y + square, number));
            int linkNum = obj++;
            annots = formatText(" %d 0 R %d 0 R", squareNum, linkNum);
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
                            media.c_str(), rotate.c_str(), resources.c_str(), contentsEntry.c_str(),
                            annots.c_str(), page.extraKeys.c_str()));
    }
    pdf.setTrailerExtra("/Root 1 0 R");
    if (doc.objectStream) return pdf.buildWithXRefStream(next);
    return pdf.build();
}
