// Runs that tessel refuses, or that fail: status 1, a message naming the cause, and the folder
// exactly as it was (no file created or changed, no temporary file, links still links).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e/E2eSupport.h"
#include "pdf/FormatText.h"
#include "support/TestPdf.h"

namespace {

const char kWildcards[] =
    "\nError! Wildcards * are not permitted, if you want to process many files then do: dir /B "
    "*.pdf > list.txt, then tessel list.txt -fc:\\test\n\n";

struct Refusal {
    const char* args;
    const char* message;  // a part of the refusal that names the argument
};

const Refusal kRefusals[] = {
    {"in.pdf out.pdf --4up", "Unknown option '--4up': did you mean -4up?"},
    {"in.pdf out.pdf -4UP", "Unknown option '-4UP': did you mean -4up?"},
    {"in.pdf out.pdf -udplciate", "Unknown option '-udplciate': run tessel -h for the options"},
    {"in.pdf out.pdf -s 5", "use -s5, not -s 5"},
    {"in.pdf out.pdf -e", "Option -e needs the end page in the same argument"},
    {"in.pdf out.pdf -sabc", "Unknown option '-sabc': the start page is written -s<n"},
    {"a.pdf b.pdf in.pdf -4up", "Unexpected argument 'in.pdf'"},
    {"in.pdf -4up out.pdf", "Output name '-4up' starts with '-'"},
    {"in.pdf out.pdf -rightmargin x", "-rightmargin: 'x' is not a whole number"},
    {"in.pdf out.pdf -cropbox 5,5,612", "-cropbox: '5,5,612' is not a box"},
    {"in.pdf out.pdf -4up -seq", "Option -seq needs a file name after it"},
    {"in.pdf out.pdf -ab4",
     "-ab4 has no effect: it is the A/B order of 4-up and the layout is 2-up. Add -4up"},
    {"in.pdf out.pdf -4up -ab8",
     "-ab8 has no effect: it is the A/B order of 8-up and the layout is 4-up (-4up). Use -ab4 "
     "instead"},
    {"in.pdf out.pdf -2to1up -ab6", "-ab6 has no effect"},
    {"in.pdf out.pdf -split -duplex1423", "-split and -duplex1423 do not go together"},
    {"in.pdf out.pdf -offset_split5 -4up", "-offset_split5 has no effect"},
    {"in.pdf out.pdf -stack -split", "Options -stack and -split do not go together"},
    {"in.pdf out.pdf -4up -ab4 -stack", "-stack and -ab4 do not go together"},
    {"in.pdf out.pdf -2to1up -stack", "Option -stack has no effect"},
    {"in.pdf out.pdf -signature 8", "-signature 8 has no effect without -outer-in"},
    {"in.pdf out.pdf -outer-in -signature 6", "'6' is not a number of pages that"},
    {"in.pdf out.pdf -4up -outer-in -signature 8", "the booklet order is 2-up"},
    {"in.pdf out.pdf -paper a6", "-paper: 'a6' is not a paper size (a5, a4"},
    {"in.pdf out.pdf -paper a4 -mediabox 0,0,842,595",
     "Options -paper and -mediabox do not go together"},
    {"in.pdf out.pdf -4up -marks", "-marks needs room beside the pages"},
    {"in.pdf out.pdf -2to1up -paper a4 -marks", "Option -marks has no effect"},
    {"in.pdf out.pdf -s7 -e6", "-s7 -e6 is an empty range"},
    {"in.pdf out.pdf -s20", "-s20 is after the last page (the input has 10 pages)"},
    {"in.pdf out.pdf -2to1up -s20", "-s20 is after the last page"},
    {"in.pdf order.txt -seq order.txt", "Output file is the sequence file: 'order"},
    {"in.pdf link.pdf", "Output file is the input file: 'link.pdf'"},
    {"list.txt -f out", "use -fout, not -f out"},
    {"list.txt -f", "Option -f needs the output folder in the same argument, e.g. -fout"},
    {"up.txt -fout", "List line 3: 'sub/../../b.pdf' leads out of the output folder"},
    {"abs.txt -fout", "List line 1: '/tmp/a.pdf' is an absolute path"},
    {"self.txt -f.", "Output file is the list file: './self.txt'"},
    {"list.txt out.pdf", " -f for output folder, e.g. -fc:\\test\n"},
    {"missing.txt -fout", "Unable to open file list: 'missing.txt'\r\n"},
    {"a*.pdf out.pdf", kWildcards},
    {"in.pdf o*t.pdf", kWildcards},
    {"* -fout -4up", kWildcards},
    // Further on a star is just a character: here of a sequence file that does not exist.
    {"in.pdf out.pdf -seq a*.txt", "wrong path to the sequence file\n"},
    {"in.pdf in.pdf", "Output file is the input file: 'in.pdf'"},
    {"in.pdf ./in.pdf", "Output file is the input file: './in.pdf'"},
    {"in.pdf nofolder/out.pdf",
     "Input file: 'in.pdf'\nOutput file create error: 'nofolder/out.pdf'\n"},
    // Inputs that cannot be read, plain and split back (which reads through the normaliser).
    {"missing.pdf new.pdf", "Input file: 'missing.pdf'Input file open error\nNo such file"},
    {"missing.pdf new.pdf -2to1up", "'missing.pdf'Input file open error\nNo such file"},
    {"folder.pdf new.pdf", "Input file: 'folder.pdf'Input file open error\nIs a directory\n"},
    {"text.pdf new.pdf",
     "'text.pdf'\nNot a PDF file: there is no \"%PDF-\" header in its first 1024 bytes\n"},
    {"text.pdf new.pdf -2to1up", "'text.pdf'\nNot a PDF file: there is no \"%PDF-\""},
    {"locked.pdf new.pdf", "'locked.pdf'\nPDF file is encrypted\nDamaged encryption dict"},
    {"locked.pdf new.pdf -2to1up", "'locked.pdf'\nPDF file is encrypted\nDamaged encr"},
    // A conversion that fails after its output is opened keeps what the output path held.
    {"broken.pdf new.pdf", "File is broken. Can't find /Parent entry\n"},
    {"broken.pdf out.pdf -4up", "File is broken. Can't find /Parent entry\n"},
    {"broken.pdf link.pdf -2to1up", "File is broken. Can't find /Parent entry\n"},
    {"broken.pdf out.pdf -2to1up", "File is broken. Can't find /Parent entry\n"},
    // Split-back refuses damage as a plain run does (the reader's tests), never drops it.
    {"offset.pdf new.pdf", "object 5 0 cannot be read: its offset "},
    {"member.pdf new.pdf", "object 10 0 cannot be read: object stream 20 does not hold it"},
    {"offset.pdf new.pdf -2to1up", "object 5 0 cannot be read: its offset "},
    {"member.pdf new.pdf -2to1up", "object 10 0 cannot be read: object stream 20 does not hold"},
    {"endstream.pdf new.pdf -2to1up",
     "object 3 0 cannot be read: its bytes up to the next object are not one complete object"},
    {"kidless.pdf new.pdf -2to1up",
     "\nSplit-back stopped: the input appended to itself has a page count of 1, not twice 1\n"},
};

// The folder each refusal runs in. Damaged files: an offset 3 bytes off, "endstream" in a
// dictionary, a member its object stream lacks, a root whose /Kids is a page (the appended copy
// cannot hang under it).
std::vector<std::pair<std::string, std::string>> inputFiles() {
    std::string pages = makeNumberedPdf(2), locked = makeNumberedPdf(1);
    long content = static_cast<long>(pages.find("\n5 0 obj")) + 1;
    std::string offset = pages, endstream = pages;
    offset.replace(offset.find(formatText("%010ld 00000 n", content)), 10,
                   formatText("%010ld", content + 3));
    endstream.replace(endstream.find("<< /Type /Font /Subtype"), 14, "<<   endstream");
    locked.insert(locked.rfind("/Root"), "/Encrypt 3 0 R ");
    FeatureDoc packed;
    packed.pages = numberedPages(1);
    packed.objectStream = true;
    std::string member = makeFeaturePdf(packed);
    // The entry of page object 10 names index 9 of object stream 20, which holds four members.
    member[member.find("stream\n", member.find("/Type /XRef")) + 7 + 10 * 7 + 6] = 9;
    TestPdfUpdate kidless(makeNumberedPdf(1, 1224, 792));
    kidless.addObject(2, "<< /Type /Pages /Kids 4 0 R /Count 1 >>");
    kidless.setTrailerExtra("/Root 1 0 R");
    return {{"in.pdf", makeNumberedPdf(10)},
            {"a.pdf", pages},
            {"b.pdf", makeNumberedPdf(3)},
            {"order.txt", "1,2 3,4\n"},
            {"list.txt", "a.pdf\n"},
            {"self.txt", "sub/../self.txt\n"},
            {"abs.txt", "/tmp/a.pdf\n"},
            {"up.txt", "a.pdf\n\nsub/../../b.pdf\n"},
            {"broken.pdf", makePdfWithoutParent()},
            {"out.pdf", "old output"},
            {"text.pdf", std::string(2000, 'x') + "%PDF-1.4"},
            {"locked.pdf", locked},
            {"offset.pdf", offset},
            {"endstream.pdf", endstream},
            {"member.pdf", member},
            {"kidless.pdf", kidless.build(6)}};
}

TEST(Refusal, NothingIsTouched) {
    const std::vector<std::pair<std::string, std::string>> files = inputFiles();
    for (const Refusal& refusal : kRefusals) {
        TempDir dir;
        for (const auto& [name, bytes] : files) dir.write(name, bytes);
        // Every entry with its kind and link target, and each file's digest.
        const std::string snapshot = "cd " + shellQuote(dir.path()) +
                                     " && find . -printf '%p %y %l\\n' | sort && find . -type f | "
                                     "sort | xargs md5sum";
        std::string before, after;
        runCommand("cd " + shellQuote(dir.path()) +
                   " && mkdir folder.pdf && ln -s in.pdf link.pdf");
        runCommand(snapshot, &before);
        ASSERT_NE(before.find("./link.pdf l in.pdf"), std::string::npos) << before;
        TesselRun run = runTessel(splitOptions(refusal.args), dir.path());
        const std::string line = refusal.args + std::string(": ") + run.output;
        EXPECT_EQ(run.status, 1) << line;
        EXPECT_NE(run.output.find(refusal.message), std::string::npos) << line;
        EXPECT_EQ(run.output.find("Done."), std::string::npos) << line;
        runCommand(snapshot, &after);
        EXPECT_EQ(after, before) << line;
    }
}

}  // namespace
