// One conversion: its settings and the driver that turns one input PDF into one output PDF.
#pragma once

#include <string>

#include "app/JobSettings.h"

class CImpositionJob {
  public:
    // Parses the options and converts settings.inputFile into settings.outputFile.
    // Throws CPdfException when the conversion fails; the partial output and the temporary
    // file are removed by then.
    void run(int argc, char** argv);

    const JobSettings& getSettings() const { return settings_; }

  private:
    void convert(const std::string& originalInput);

    JobSettings settings_;
};
