// The imposition run: single pages around the range, sheets, pages kept, the page tree root.
#include "ImpositionTestSupport.h"

TEST(ImpositionRun, Smoke) {
    ImpositionSetup setup(makeNumberedPdf(4));
    JobSettings settings;
    std::string path = setup.impose(settings);
    std::printf("%s\n", readFileBytes(path).c_str());
    EXPECT_QPDF_CLEAN(path);
}
