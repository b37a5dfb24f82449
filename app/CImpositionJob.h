// One conversion: its settings and the driver that turns one input PDF into one output PDF.
#pragma once

#include <cstddef>
#include <string>

#include "app/CommandLine.h"
#include "app/JobSettings.h"

class CImpositionJob {
  public:
    // report follows the console line as the conversion leaves it, for the failure message.
    explicit CImpositionJob(FailureReport& report) : report_(report) {}

    // Parses the options and converts settings.inputFile into settings.outputFile.
    // Throws CPdfException when the command line is refused or the conversion fails; no file
    // that existed before is changed then, and the temporary files are removed.
    void run(int argc, char** argv);

  private:
    // Split back: refuses an input that cannot be converted before its normalised copy is made.
    void checkSplitBackInput(const Layout& layout);
    void convert(const Layout& layout);

    JobSettings settings_;
    FailureReport& report_;
    // Split back: the pages of the input before it was appended to itself.
    size_t inputPageCount_ = 0;
};
