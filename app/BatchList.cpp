// Batch list mode: converts every file named in a list file into an output folder.
#include "app/BatchList.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/CImpositionJob.h"

namespace {

struct FileCloser {
    void operator()(FILE* file) const { std::fclose(file); }
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

}  // namespace

BatchOutcome runBatchList(int argc, char** argv) {
    std::string listName = argv[1];
    // A name ending in ".tx?" is a list; a name of four characters or fewer is taken as one too.
    if (listName.size() > 4 && listName.compare(listName.size() - 4, 3, ".tx") != 0) {
        return BatchOutcome::notAList;
    }
    if (std::strncmp(argv[2], "-f", 2) != 0) {
        std::printf("please specify -f for output folder, e.g. -fc:\\test\n");
        return BatchOutcome::refused;
    }
    std::string folder = argv[2] + 2;
    // An existing folder is fine; a folder that cannot be made shows up as an output error.
    mkdir(folder.c_str(), 0777);

    std::unique_ptr<FILE, FileCloser> list(std::fopen(listName.c_str(), "rb"));
    if (!list) {
        std::printf("Unable to open file list: '%s'\r\n", listName.c_str());
        return BatchOutcome::refused;
    }

    // The options stay; arguments 1 and 2 become each file's input and output name.
    std::vector<char*> args(argv, argv + argc);
    std::string line;
    while (readLine(list.get(), line)) {
        size_t end = line.find_first_of("\r\n");
        if (end != std::string::npos) line.erase(end);
        std::string input = line;
        std::string output = folder + "/" + line;
        args[1] = &input[0];
        args[2] = &output[0];
        CImpositionJob job;
        job.run(argc, args.data());
        std::printf("\nDone.\n");
        std::fflush(stdout);
    }
    return BatchOutcome::handled;
}
