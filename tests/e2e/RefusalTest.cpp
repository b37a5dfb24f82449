// Command lines tessel refuses: status 1, a message naming the argument, and the folder exactly
// as it was (nothing created, nothing changed).
#include <dirent.h>
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "e2e/E2eSupport.h"
#include "support/TestPdf.h"

namespace {

// Every file below folder (hidden ones included) with its bytes; folders as "name/".
std::map<std::string, std::string> snapshot(const std::string& folder, const std::string& at = "") {
    std::map<std::string, std::string> files;
    DIR* dir = opendir((folder + "/" + at).c_str());
    if (!dir) return files;
    while (dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        std::string path = at + name;
        if (entry->d_type == DT_DIR) {
            files[path + "/"] = "";
            for (const auto& file : snapshot(folder, path + "/")) files.insert(file);
        } else {
            files[path] = readFileBytes(folder + "/" + path);
        }
    }
    closedir(dir);
    return files;
}

const char kWildcards[] =
    "\nError! Wildcards * are not permitted, if you want to process many files then do: dir /B "
    "*.pdf > list.txt, then tessel list.txt -fc:\\test\n\n";

struct Refusal {
    std::vector<std::string> args;
    const char* message;  // a part of the refusal that names the argument
};

const Refusal kRefusals[] = {
    {{"in.pdf", "out.pdf", "--4up"}, "Unknown option '--4up': did you mean -4up?"},
    {{"in.pdf", "out.pdf", "-4UP"}, "Unknown option '-4UP': did you mean -4up?"},
    {{"in.pdf", "out.pdf", "-udplciate"},
     "Unknown option '-udplciate': run tessel -h for the options"},
    {{"in.pdf", "out.pdf", "-s", "5"}, "use -s5, not -s 5"},
    {{"in.pdf", "out.pdf", "-e"}, "Option -e needs the end page in the same argument"},
    {{"in.pdf", "out.pdf", "-sabc"}, "Unknown option '-sabc': the start page is written -s<n"},
    {{"a.pdf", "b.pdf", "in.pdf", "-4up"}, "Unexpected argument 'in.pdf'"},
    {{"in.pdf", "-4up", "out.pdf"}, "Output name '-4up' starts with '-'"},
    {{"in.pdf", "out.pdf", "-rightmargin", "x"}, "-rightmargin: 'x' is not a whole number"},
    {{"in.pdf", "out.pdf", "-cropbox", "5,5,612"}, "-cropbox: '5,5,612' is not a box"},
    {{"in.pdf", "out.pdf", "-4up", "-seq"}, "Option -seq needs a file name after it"},
    {{"in.pdf", "out.pdf", "-ab4"},
     "-ab4 has no effect: it is the A/B order of 4-up and the "
     "layout is 2-up. Add -4up"},
    {{"in.pdf", "out.pdf", "-4up", "-ab8"},
     "-ab8 has no effect: it is the A/B order of 8-up and "
     "the layout is 4-up (-4up). Use -ab4 instead"},
    {{"in.pdf", "out.pdf", "-2to1up", "-ab6"}, "-ab6 has no effect"},
    {{"in.pdf", "out.pdf", "-split", "-duplex1423"}, "-split and -duplex1423 do not go together"},
    {{"in.pdf", "out.pdf", "-offset_split5", "-4up"}, "-offset_split5 has no effect"},
    {{"in.pdf", "out.pdf", "-stack", "-split"}, "Options -stack and -split do not go together"},
    {{"in.pdf", "out.pdf", "-4up", "-ab4", "-stack"}, "-stack and -ab4 do not go together"},
    {{"in.pdf", "out.pdf", "-2to1up", "-stack"}, "Option -stack has no effect"},
    {{"in.pdf", "out.pdf", "-signature", "8"}, "-signature 8 has no effect without -outer-in"},
    {{"in.pdf", "out.pdf", "-outer-in", "-signature", "6"}, "'6' is not a number of pages that"},
    {{"in.pdf", "out.pdf", "-4up", "-outer-in", "-signature", "8"}, "the booklet order is 2-up"},
    {{"in.pdf", "out.pdf", "-paper", "a6"}, "-paper: 'a6' is not a paper size (a5, a4"},
    {{"in.pdf", "out.pdf", "-paper", "842x"}, "-paper: '842x' is not a paper size"},
    {{"in.pdf", "out.pdf", "-paper", "a4", "-mediabox", "0,0,842,595"},
     "Options -paper and -mediabox do not go together"},
    {{"in.pdf", "out.pdf", "-4up", "-marks"}, "-marks needs room beside the pages"},
    {{"in.pdf", "out.pdf", "-2to1up", "-paper", "a4", "-marks"}, "Option -marks has no effect"},
    {{"in.pdf", "out.pdf", "-s7", "-e6"}, "-s7 -e6 is an empty range"},
    {{"in.pdf", "out.pdf", "-s20"}, "-s20 is after the last page (the input has 10 pages)"},
    {{"in.pdf", "out.pdf", "-2to1up", "-s20"}, "-s20 is after the last page"},
    {{"in.pdf", "order.txt", "-seq", "order.txt"}, "Output file is the sequence file: 'order"},
    {{"in.pdf", "link.pdf"}, "Output file is the input file: 'link.pdf'"},
    {{"list.txt", "-f", "out"}, "use -fout, not -f out"},
    {{"list.txt", "-f"}, "Option -f needs the output folder in the same argument, e.g. -fout"},
    {{"up.txt", "-fout"}, "List line 3: 'sub/../../b.pdf' leads out of the output folder"},
    {{"abs.txt", "-fout"}, "List line 1: '/tmp/a.pdf' is an absolute path"},
    {{"self.txt", "-f."}, "Output file is the list file: './self.txt'"},
    {{"list.txt", "out.pdf"}, "please specify -f for output folder, e.g. -fc:\\test\n"},
    {{"missing.txt", "-fout"}, "Unable to open file list: 'missing.txt'\r\n"},
    {{"a*.pdf", "out.pdf"}, kWildcards},
    {{"in.pdf", "o*t.pdf"}, kWildcards},
    {{"*", "-fout", "-4up"}, kWildcards},
    // Further on a star is just a character: here of a sequence file that does not exist.
    {{"in.pdf", "out.pdf", "-seq", "a*.txt"}, "wrong path to the sequence file\n"},
    {{"in.pdf", "in.pdf"}, "Output file is the input file: 'in.pdf'"},
    {{"in.pdf", "./in.pdf"}, "Output file is the input file: './in.pdf'"},
    {{"in.pdf", "nofolder/out.pdf"},
     "Input file: 'in.pdf'\nOutput file create error: 'nofolder/out.pdf'\n"},
};

TEST(Refusal, NothingIsTouched) {
    for (const Refusal& refusal : kRefusals) {
        std::string line;
        for (const std::string& arg : refusal.args) line += arg + " ";
        TempDir dir;
        dir.write("in.pdf", makeNumberedPdf(10));
        dir.write("a.pdf", makeNumberedPdf(2));
        dir.write("b.pdf", makeNumberedPdf(3));
        dir.write("order.txt", "1,2 3,4\n");
        dir.write("list.txt", "a.pdf\n");
        dir.write("self.txt", "sub/../self.txt\n");
        dir.write("up.txt", "a.pdf\n\nsub/../../b.pdf\n");
        dir.write("abs.txt", "/tmp/a.pdf\n");
        runCommand("ln -s in.pdf " + shellQuote(dir.file("link.pdf")));
        std::map<std::string, std::string> before = snapshot(dir.path());

        TesselRun run = runTessel(refusal.args, dir.path());
        EXPECT_EQ(run.status, 1) << line << run.output;
        EXPECT_NE(run.output.find(refusal.message), std::string::npos) << line << run.output;
        EXPECT_EQ(run.output.find("Done."), std::string::npos) << line << run.output;
        EXPECT_TRUE(snapshot(dir.path()) == before) << line << "changed the folder";
    }
}

}  // namespace
