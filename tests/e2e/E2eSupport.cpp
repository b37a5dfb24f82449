// Runs the tessel binary and checks its output with qpdf, pdfinfo and the render check.
#include "e2e/E2eSupport.h"

#include <dirent.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "support/TestPdf.h"

std::string tesselBinary() {
    return TESSEL_BINARY;
}

TesselRun runTessel(const std::vector<std::string>& args, const std::string& workDir) {
    std::string command;
    if (!workDir.empty()) command = "cd " + shellQuote(workDir) + " && ";
    command += shellQuote(tesselBinary());
    for (const std::string& arg : args) command += " " + shellQuote(arg);
    command += " </dev/null";
    TesselRun run;
    run.status = runCommand(command, &run.output, true);
    return run;
}

std::vector<std::string> folderEntries(const std::string& folder) {
    std::vector<std::string> names;
    DIR* dir = opendir(folder.c_str());
    for (dirent* entry = dir ? readdir(dir) : nullptr; entry; entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    if (dir) closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> temporaryFilesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const std::string& name : folderEntries(folder))
        if (name.compare(0, 8, ".tessel-") == 0) names.push_back(name);
    return names;
}

std::string makePdfWithoutParent() {
    TestPdf pdf;
    pdf.addObject(1, "<< /Type /Catalog /Pages 2 0 R >>");
    pdf.addObject(2, "<< /Type /Pages /Kids [ 3 0 R 5 0 R ] /Count 2 >>");
    pdf.addObject(3, "<< /Type /Page /MediaBox [0 0 200 200] /Contents 4 0 R >>");
    pdf.addStream(4, "<< >>", "0 0 1 rg 10 10 50 50 re f\n");
    pdf.addObject(5, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] /Contents 4 0 R >>");
    pdf.setTrailerExtra("/Root 1 0 R");
    return pdf.build();
}

std::vector<std::string> splitOptions(const std::string& options) {
    std::vector<std::string> args;
    std::istringstream words(options);
    std::string word;
    while (words >> word) args.push_back(word);
    return args;
}

int qpdfCheck(const std::string& pdfPath, std::string* output) {
    return runCommand("qpdf --check " + shellQuote(pdfPath), output, true);
}

int qpdfPageCount(const std::string& pdfPath) {
    std::string output;
    if (runCommand("qpdf --show-npages " + shellQuote(pdfPath), &output) != 0) return -1;
    return std::atoi(output.c_str());
}

std::vector<ExpectedPage> parseOrder(const std::string& text) {
    std::vector<ExpectedPage> pages;
    std::istringstream entries(text);
    std::string entry;
    while (std::getline(entries, entry, '|')) {
        ExpectedPage page;
        if (!entry.empty() && entry[0] == '=') {
            page.single = true;
            entry.erase(0, 1);
        }
        std::istringstream slots(entry);
        std::string slot;
        while (std::getline(slots, slot, ',')) page.slots.push_back(std::atoi(slot.c_str()));
        pages.push_back(page);
    }
    return pages;
}

std::vector<ExpectedPage> rowOrder(int pageCount, int slotsPerSheet) {
    std::vector<ExpectedPage> pages;
    for (int first = 1; first <= pageCount; first += slotsPerSheet) {
        ExpectedPage page;
        for (int k = 0; k < slotsPerSheet; k++) {
            page.slots.push_back(first + k <= pageCount ? first + k : 0);
        }
        pages.push_back(page);
    }
    return pages;
}

namespace {

std::string orderText(const std::vector<int>& slots) {
    std::string text;
    for (size_t i = 0; i < slots.size(); i++) text += (i ? "," : "") + std::to_string(slots[i]);
    return text;
}

void expectBox(const double* actual, const std::string& expected, const char* name) {
    double want[4];
    ASSERT_EQ(
        std::sscanf(expected.c_str(), "%lf %lf %lf %lf", &want[0], &want[1], &want[2], &want[3]), 4)
        << "bad expected box " << expected;
    for (int i = 0; i < 4; i++) {
        EXPECT_NEAR(actual[i], want[i], 0.06)
            << name << " of page 1 is " << actual[0] << " " << actual[1] << " " << actual[2] << " "
            << actual[3] << ", expected " << expected;
    }
}

}  // namespace

void expectConversion(const ConversionCheck& check, const std::string& outputPath) {
    std::vector<std::string> args = {check.inputPath, outputPath};
    for (const std::string& option : splitOptions(check.options)) args.push_back(option);
    TesselRun run = runTessel(args);
    ASSERT_EQ(run.status, 0) << "tessel " << check.options << " printed:\n" << run.output;
    EXPECT_NE(run.output.find("Processing"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("\nDone.\n"), std::string::npos) << run.output;
    ASSERT_TRUE(fileExists(outputPath));

    std::string qpdfOutput;
    int qpdfStatus = qpdfCheck(outputPath, &qpdfOutput);
    EXPECT_TRUE(qpdfStatus == 0 || qpdfStatus == check.qpdfAccepted)
        << "qpdf --check exit " << qpdfStatus << ":\n"
        << qpdfOutput;

    if (!check.pages.empty()) {
        EXPECT_EQ(qpdfPageCount(outputPath), static_cast<int>(check.pages.size()))
            << "tessel " << check.options;
    }

    std::vector<PageBoxes> outBoxes, inBoxes;
    std::string error;
    ASSERT_TRUE(readPageBoxes(outputPath, outBoxes, &error, 1, check.maxPagesChecked)) << error;
    ASSERT_TRUE(readPageBoxes(check.inputPath, inBoxes, &error, 1, check.maxInputPages)) << error;
    if (!check.mediaBox.empty()) expectBox(outBoxes[0].media, check.mediaBox, "MediaBox");
    if (!check.cropBox.empty()) expectBox(outBoxes[0].crop, check.cropBox, "CropBox");
    if (check.rotation >= 0) {
        EXPECT_EQ(outBoxes[0].rotation, check.rotation) << "rotation of page 1";
    }

    // The output must render without a complaint, unless the input draws complaints itself.
    std::vector<GrayImage> inImages, outImages;
    std::string inputMessages;
    ASSERT_TRUE(renderPages(check.inputPath, check.renderDpi, inImages, &error, 1,
                            check.maxInputPages, &inputMessages))
        << "input: " << error;
    ASSERT_TRUE(renderPages(outputPath, check.renderDpi, outImages, &error, 1,
                            check.maxPagesChecked, inputMessages.empty() ? nullptr : &error))
        << "output: " << error;
    std::vector<PageGeometry> inGeometry;
    for (const PageBoxes& boxes : inBoxes) inGeometry.push_back(geometryOf(boxes));

    size_t checked = std::min(check.pages.size(), outImages.size());
    for (size_t i = 0; i < checked; i++) {
        const ExpectedPage& page = check.pages[i];
        const PageGeometry sheetGeometry = geometryOf(outBoxes[i]);
        std::vector<PlacedPage> placed;
        if (page.single) {
            placed = planSheet(GridLayout{1, 1, false}, page.slots, inGeometry, PlacementOptions());
        } else {
            placed = planSheet(check.grid, page.slots, inGeometry, check.placement);
        }
        // Pages beyond the rendered input pages are not compared.
        for (PlacedPage& cell : placed) {
            if (cell.page > static_cast<int>(inImages.size())) cell.unchecked = true;
        }
        std::vector<std::string> failures = checkSheet(outImages[i], sheetGeometry, placed,
                                                       inImages, check.renderDpi, check.tolerance);
        std::string list;
        for (const std::string& failure : failures) list += "  " + failure + "\n";
        EXPECT_TRUE(failures.empty())
            << "tessel " << check.options << ": output page " << i + 1 << " (expected "
            << (page.single ? "single page " : "sheet ") << orderText(page.slots) << "):\n"
            << list;
    }
}
