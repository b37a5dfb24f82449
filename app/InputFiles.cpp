// The files a conversion reads: opening with reasons, the PDF header test, and the check that
// none of them is the output.
#include "app/InputFiles.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "pdf/CPdfDocument.h"
#include "pdf/CPdfException.h"
#include "pdf/FormatText.h"
#include "writer/OutputFile.h"

namespace {

// A PDF starts with "%PDF-" in its first kilobyte; anything else is not one at all.
constexpr size_t kHeaderWindow = 1024;

std::string openError(int code) {
    return formatText("Input file open error\n%s\n", std::strerror(code));
}

}  // namespace

FileHandle openInputFile(const std::string& name) {
    FileHandle file(std::fopen(name.c_str(), "rb"));
    if (!file) throw CPdfException(openError(errno));
    struct stat info;
    if (fstat(fileno(file.get()), &info) == 0 && S_ISDIR(info.st_mode)) {
        throw CPdfException(openError(EISDIR));
    }
    char head[kHeaderWindow];
    size_t got = std::fread(head, 1, sizeof head, file.get());
    if (std::ferror(file.get())) throw CPdfException(openError(errno));
    bool header = false;
    for (size_t i = 0; i + 5 <= got && !header; i++)
        header = std::memcmp(head + i, "%PDF-", 5) == 0;
    if (!header) {
        throw CPdfException(
            "\nNot a PDF file: there is no \"%PDF-\" header in its first 1024 bytes\n");
    }
    std::rewind(file.get());
    return file;
}

void openInputDocument(CPdfDocument& doc, const std::string& name, const std::string& password) {
    try {
        doc.open(name, password);
    } catch (const CPdfException& failure) {
        if (failure.getKind() != CPdfException::Kind::encrypted) throw;
        // The reader says why: the password, or an encryption Tessel cannot undo.
        throw CPdfException(
            formatText("\nPDF file is encrypted\n%s\n", failure.getMessage().c_str()));
    }
}

void refuseOutputOverRead(const std::string& output, const std::string& readFile,
                          const char* role) {
    if (!sameFile(output, readFile)) return;
    throw CPdfException(formatText("\nOutput file is the %s file: '%s'\n", role, output.c_str()));
}
