// Split-back appends the document to itself whatever its page tree's /Count says (real, missing,
// indirect): each such input converts like its plain form.
#include <gtest/gtest.h>

#include <string>

#include "e2e/E2eSupport.h"
#include "support/TestPdf.h"

TEST(DamagedInput, UnusualCountsConvertLikeTheSoundForm) {
    TempDir dir;
    const std::string sound = makeNumberedPdf(3, 1224, 792);  // three 2-up sheets
    dir.write("sound.pdf", sound);
    for (const char* count : {"/Count 3.0", "", "/Count 20 0 R"}) {
        // An update replaces the root; object 20 holds 3.0 for the indirect count.
        TestPdfUpdate update(sound);
        update.addObject(2,
                         "<< /Type /Pages /Kids [4 0 R 6 0 R 8 0 R] " + std::string(count) + " >>");
        update.addObject(20, "3.0");
        update.setTrailerExtra("/Root 1 0 R");
        dir.write("in.pdf", update.build(21));
        for (const char* layout : {"-ab", "-2to1up"}) {
            SCOPED_TRACE(count + std::string(" ") + layout);
            std::string renders[2];
            for (int i = 0; i < 2; i++) {
                const std::string in = i ? "in" : "sound", out = dir.file(in + "-out.pdf");
                TesselRun run = runTessel({in + ".pdf", out, layout}, dir.path());
                ASSERT_EQ(run.status, 0) << run.output;
                EXPECT_EQ(qpdfCheck(out), 0);
                const std::string render = "set -o pipefail; pdftoppm -r 20 " + shellQuote(out);
                ASSERT_EQ(runCommand("bash -c " + shellQuote(render + "|md5sum"), &renders[i]), 0);
            }
            EXPECT_EQ(renders[0], renders[1]);
        }
    }
}
