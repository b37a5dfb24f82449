// Batch list mode: converts every file named in a list file into an output folder.
#include "app/BatchList.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

#include "app/CImpositionJob.h"
#include "app/CommandLine.h"
#include "app/InputFiles.h"
#include "pdf/CPdfException.h"
#include "pdf/FileHandle.h"
#include "pdf/FormatText.h"

namespace {

struct ListEntry {
    int lineNumber;
    std::string input;
    std::string output;
};

// Reads one line of any length; false at the end of the file.
bool readLine(FILE* file, std::string& line) {
    line.clear();
    int c;
    bool any = false;
    while ((c = std::fgetc(file)) != EOF) {
        any = true;
        if (c == '\n') break;
        line += static_cast<char>(c);
    }
    return any;
}

std::string trimmed(const std::string& line) {
    static const char kBlanks[] = " \t\r\n";
    size_t first = line.find_first_not_of(kBlanks);
    if (first == std::string::npos) return "";
    return line.substr(first, line.find_last_not_of(kBlanks) - first + 1);
}

// The line as a path below the output folder, "." and ".." taken by name; false when the line
// is absolute or its ".." climbs out of the folder.
bool pathBelowFolder(const std::string& line, std::string& relative) {
    if (line[0] == '/') return false;
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= line.size()) {
        size_t end = line.find('/', start);
        if (end == std::string::npos) end = line.size();
        std::string part = line.substr(start, end - start);
        if (part == "..") {
            if (parts.empty()) return false;
            parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    relative.clear();
    for (const std::string& part : parts) relative += (relative.empty() ? "" : "/") + part;
    return !relative.empty();
}

// Creates every missing folder on the way to file's folder and returns those it made; one that
// cannot be made shows up when the output is created.
std::vector<std::string> makeFoldersFor(const std::string& file) {
    std::vector<std::string> made;
    for (size_t slash = file.find('/', 1); slash != std::string::npos;
         slash = file.find('/', slash + 1)) {
        std::string folder = file.substr(0, slash);
        if (mkdir(folder.c_str(), 0777) == 0) made.push_back(folder);
    }
    return made;
}

// The folders made for one file of the batch: removed again, innermost first, unless its
// conversion succeeds. A failed file leaves no folder made for it.
class MadeFolders {
  public:
    explicit MadeFolders(std::vector<std::string> made) : made_(std::move(made)) {}
    ~MadeFolders() {
        for (auto it = made_.rbegin(); it != made_.rend(); ++it) rmdir(it->c_str());
    }
    MadeFolders(const MadeFolders&) = delete;
    MadeFolders& operator=(const MadeFolders&) = delete;
    void keep() { made_.clear(); }

  private:
    std::vector<std::string> made_;
};

// Reads and checks every line before anything is converted; throws CPdfException naming the
// first line that cannot be converted safely.
std::vector<ListEntry> readList(FILE* list, const std::string& listName, const std::string& folder,
                                const JobSettings& options) {
    std::vector<ListEntry> entries;
    std::string line;
    for (int number = 1; readLine(list, line); number++) {
        std::string name = trimmed(line);
        if (name.empty()) continue;
        std::string relative;
        if (!pathBelowFolder(name, relative)) {
            throw CPdfException(formatText(
                "List line %d: '%s' %s; every output is written below the output folder '%s', "
                "so list lines name files by relative paths that stay below it\n",
                number, name.c_str(),
                name[0] == '/' ? "is an absolute path" : "leads out of the output folder",
                folder.c_str()));
        }
        ListEntry entry{number, name, folder + "/" + relative};
        refuseOutputOverRead(entry.output, entry.input, "input");
        refuseOutputOverRead(entry.output, listName, "list");
        if (!options.sequenceFile.empty())
            refuseOutputOverRead(entry.output, options.sequenceFile, "sequence");
        entries.push_back(entry);
    }
    return entries;
}

const char* files(size_t count) {
    return count == 1 ? "file" : "files";
}

}  // namespace

bool isListName(const std::string& name) {
    return name.size() <= 4 || name.compare(name.size() - 4, 3, ".tx") == 0;
}

BatchOutcome runBatchList(int argc, char** argv, const JobSettings& options,
                          FailureReport& report) {
    std::string listName = argv[1];
    if (!isListName(listName)) return BatchOutcome::notAList;
    if (std::strncmp(argv[2], "-f", 2) != 0) {
        std::printf("please specify -f for output folder, e.g. -fc:\\test\n");
        return BatchOutcome::failed;
    }
    std::string folder = argv[2] + 2;

    FileHandle list(std::fopen(listName.c_str(), "rb"));
    if (!list) {
        std::printf("Unable to open file list: '%s'\r\n", listName.c_str());
        return BatchOutcome::failed;
    }
    std::vector<ListEntry> entries = readList(list.get(), listName, folder, options);
    list.reset();
    // The folder is made even for an empty list; one that cannot be made shows up as an output
    // error.
    makeFoldersFor(folder + "/");

    // The options stay; arguments 1 and 2 become each file's input and output name.
    std::vector<char*> args(argv, argv + argc);
    size_t converted = 0;
    for (ListEntry& entry : entries) {
        MadeFolders made(makeFoldersFor(entry.output));
        args[1] = &entry.input[0];
        args[2] = &entry.output[0];
        report.closing =
            formatText("Batch stopped: %zu of %zu %s converted, '%s' failed\n", converted,
                       entries.size(), files(entries.size()), entry.input.c_str());
        CImpositionJob job(report);
        job.run(argc, args.data());
        report.closing.clear();
        made.keep();
        converted++;
        std::printf("\nDone.\n");
        std::fflush(stdout);
    }
    std::printf("Batch done: %zu %s converted\n", converted, files(converted));
    return BatchOutcome::handled;
}
