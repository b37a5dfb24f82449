// Fuzz target: arbitrary bytes as the input PDF of a whole conversion; the first byte picks the
// layout. Console text goes to /dev/null and the output is discarded.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "app/CImpositionJob.h"
#include "pdf/CPdfException.h"

namespace {

const char* const kLayouts[] = {"-ab",     "-4up",  "-12up3x4", "-split",     "-outer-in",
                                "-2to1up", "-down", "-6up3x2",  "-duplicate", "-10up2x5spec1"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool quiet = std::freopen("/dev/null", "w", stdout) != nullptr;
    (void)quiet;
    if (size < 1) return 0;
    std::string input = "/tmp/tessel-conversion-fuzz-" + std::to_string(getpid()) + ".pdf";
    std::string output = input + ".out.pdf";
    FILE* file = std::fopen(input.c_str(), "wb");
    if (!file) return 0;
    std::fwrite(data + 1, 1, size - 1, file);
    std::fclose(file);

    std::string layout = kLayouts[data[0] % (sizeof kLayouts / sizeof kLayouts[0])];
    std::vector<std::string> args = {"tessel", input, output, layout};
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(&arg[0]);
    argv.push_back(nullptr);
    try {
        FailureReport report;
        CImpositionJob job(report);
        job.run(static_cast<int>(args.size()), argv.data());
    } catch (const CPdfException&) {
    }
    std::remove(input.c_str());
    std::remove(output.c_str());
    return 0;
}
