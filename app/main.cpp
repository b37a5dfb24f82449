// Tessel's entry: checks the command line, prints the banner, and converts one file or a list.
#include <csignal>
#include <cstdio>
#include <cstring>
#include <exception>
#include <new>
#include <string>

#include "app/BatchList.h"
#include "app/CImpositionJob.h"
#include "app/Usage.h"
#include "pdf/CPdfException.h"

int main(int argc, char** argv) {
#ifdef SIGXFSZ
    // Past a file size limit the write must fail with an error we report and clean up after,
    // not end the process with the partial output left behind.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    if (argc <= 2) {
        // No output name without a second argument: show how to call the program.
        printBanner();
        printUsage();
        return argc == 1 ? 0 : 1;
    }
    if (std::strchr(argv[1], '*') || std::strchr(argv[2], '*')) {
        std::printf(
            "\nError! Wildcards * are not permitted, if you want to process many files then do: "
            "dir /B "
            "*.pdf > list.txt, then tessel list.txt -fc:\\test\n\n");
        return 1;
    }
    printBanner();
    int status = 0;
    try {
        BatchOutcome outcome = runBatchList(argc, argv);
        if (outcome == BatchOutcome::refused) status = 1;
        if (outcome == BatchOutcome::notAList) {
            CImpositionJob job;
            job.run(argc, argv);
            std::printf("\nDone.\n");
        }
    } catch (const CPdfException& failure) {
        const std::string& message = failure.getMessage();
        std::fwrite(message.data(), 1, message.size(), stdout);
        status = 1;
    } catch (const std::bad_alloc&) {
        std::printf("\nOut of memory\n");
        status = 1;
    } catch (const std::exception& failure) {
        std::printf("\nUnexpected error: %s\n", failure.what());
        status = 1;
    }
    std::fflush(stdout);
    return status;
}
