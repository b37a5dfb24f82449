// One conversion: its settings and the driver that turns one input PDF into one output PDF.
#pragma once

#include <cstddef>
#include <string>

#include "app/JobSettings.h"

class CImpositionJob {
  public:
    // Parses the options and converts settings.inputFile into settings.outputFile.
    // Throws CPdfException when the command line is refused or the conversion fails; no file
    // that existed before is changed then, and the temporary files are removed.
    void run(int argc, char** argv);

    const JobSettings& getSettings() const { return settings_; }

  private:
    // Split back: refuses an input that cannot be converted before its normalised copy is made.
    void checkSplitBackInput(const Layout& layout);
    void convert(const Layout& layout);

    JobSettings settings_;
    // The console line is open ("Input file: ..." or the progress dots): a failure message
    // starts on a new line.
    bool lineOpen_ = false;
    // Split back: the pages of the input before it was appended to itself.
    size_t inputPageCount_ = 0;
};
