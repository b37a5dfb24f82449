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

#include "pdf/FormatText.h"

void TestPdf::addObject(int num, const std::string& body, int gen) {
    objects_[num] = Obj{gen, formatText("%d %d obj\n", num, gen) + body + "\nendobj\n"};
}

void TestPdf::addStream(int num, const std::string& dictBody, const std::string& data, int gen) {
    std::string dict = dictBody;
    size_t close = dict.rfind(">>");
    dict.insert(close, formatText(" /Length %zu ", data.size()));
    objects_[num] =
        Obj{gen, formatText("%d %d obj\n", num, gen) + dict + "\nstream\n" + data + "\nendstream\nendobj\n"};
}

void TestPdf::addCompressed(int num, const std::string& body) { compressed_[num] = body; }

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

static void appendBigEndian(std::string& out, long value, int width) {
    for (int i = width - 1; i >= 0; i--) out += static_cast<char>((value >> (8 * i)) & 0xFF);
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
            rows += '\x01';
            appendBigEndian(rows, xrefPos, 4);
            appendBigEndian(rows, 0, 2);
        } else if (indexInStream.count(i)) {
            rows += '\x02';
            appendBigEndian(rows, objStmNum, 4);
            appendBigEndian(rows, indexInStream[i], 2);
        } else if (offsets_.count(i)) {
            rows += '\x01';
            appendBigEndian(rows, offsets_[i], 4);
            appendBigEndian(rows, i == 0 ? 0 : objects_.count(i) ? objects_.at(i).gen : 0, 2);
        } else {
            rows += '\x00';
            appendBigEndian(rows, 0, 4);
            appendBigEndian(rows, i == 0 ? 65535 : 0, 2);
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
    pdf.addObject(2, formatText("<< /Type /Pages /Kids [ %s] /Count %d >>", kids.c_str(), pageCount));
    pdf.addObject(3, "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
    for (int i = 0; i < pageCount; i++) {
        int page = i + 1;
        std::string rotate;
        if (i < static_cast<int>(rotations.size())) rotate = formatText(" /Rotate %d", rotations[i]);
        pdf.addObject(4 + 2 * i,
                      formatText("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 %g %g]%s "
                                 "/Resources << /Font << /F1 3 0 R >> >> /Contents %d 0 R >>",
                                 width, height, rotate.c_str(), 5 + 2 * i));
        double square = width / 8;
        double x = (page % 4) * (width - square) / 3;
        double y = ((page / 4) % 4) * (height - square) / 3;
        std::string content = formatText(
            "0 0 1 rg %g %g %g %g re f\n0 g BT /F1 %g Tf %g %g Td (%d) Tj ET\n", x, y, square, square,
            height / 4, width / 4, height / 3, page);
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
