// Tessel's entry: checks the command line, prints the banner, and converts one file or a list.
#include <csignal>
#include <cstdio>
#include <cstring>
#include <exception>
#include <new>
#include <string>

#include "app/BatchList.h"
#include "app/CImpositionJob.h"
#include "app/CommandLine.h"
#include "app/JobOptions.h"
#include "app/OptionChecks.h"
#include "app/Usage.h"
#include "pdf/CPdfException.h"
#include "writer/OutputFile.h"
#include "writer/TempFileCleanup.h"

int main(int argc, char** argv) {
#ifdef SIGXFSZ
    // Past a file size limit the write must fail with an error we report and clean up after,
    // not end the process with the partial output left behind.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    if (argc == 1 || wantsHelp(argc, argv)) {
        printBanner();
        printUsage();
        return 0;
    }
    if (wantsVersion(argc, argv)) {
        printVersion();
        return 0;
    }
    if (argc == 2) {
        // No output name without a second argument: show how to call the program.
        printBanner();
        printUsage();
        return 1;
    }
    if (std::strchr(argv[1], '*') || std::strchr(argv[2], '*')) {
        std::printf(
            "\nError! Wildcards * are not permitted, if you want to process many files then do: "
            "dir /B "
            "*.pdf > list.txt, then tessel list.txt -fc:\\test\n\n");
        return 1;
    }
    // A command line with a mistake is refused before anything is printed or touched.
    bool list = isListName(argv[1]);
    JobSettings options;
    try {
        if (list) {
            refuseBareFolderOption(argc, argv);
        } else {
            refuseOptionAsOutput(argv[2]);
        }
        parseOptions(argc, argv, options);
        refuseIneffectiveOptions(options, chooseLayout(options.flags));
    } catch (const CPdfException& refusal) {
        printFailure(refusal.getMessage());
        return 1;
    }
    if (!list) OutputFile::claimStandardOutput(argv[2]);
    installTempFileCleanup();
    if (!options.quiet) printBanner();
    int status = 0;
    // Every failure of a conversion or a batch ends here, printed as the run left the console.
    FailureReport report;
    try {
        BatchOutcome outcome = runBatchList(argc, argv, options, report);
        if (outcome == BatchOutcome::failed) status = 1;
        if (outcome == BatchOutcome::notAList) {
            CImpositionJob job(report);
            job.run(argc, argv);
            std::printf("\nDone.\n");
        }
    } catch (const CPdfException& failure) {
        printFailure(failure.getMessage(), report);
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
