// Page boxes: the visible box of a page, and the boxes of a sheet written into its page object.
#include "imposition/PageBoxes.h"

#include <algorithm>
#include <cstring>

#include "pdf/FormatText.h"
#include "pdf/PdfTextScan.h"

void writeSheetBox(std::string& text, const char* key, const UserBox& userBox,
                   const PdfBox& sheetBox, bool addIfMissing) {
    // Where the key's value lies: found as a top-level key of the page dictionary, so a key of a
    // nested dictionary or inside a string is not taken.
    bool found = false;
    size_t valueBegin = 0, valueEnd = 0, insertAt = std::string::npos;
    DictText dict;
    if (parseObjectDict(text, dict)) {
        const DictEntry* entry = dict.find(key[0] == '/' ? key + 1 : key);
        if (entry) {
            found = true;
            valueBegin = entry->valueBegin;
            valueEnd = entry->valueEnd;
        }
        insertAt = dict.open + 2;
    } else {
        size_t keyPos = text.find(key);
        if (keyPos != std::string::npos) {
            size_t open = text.find('[', keyPos + std::strlen(key));
            size_t close = open == std::string::npos ? open : text.find(']', open);
            if (close == std::string::npos) return;
            found = true;
            valueBegin = open;
            valueEnd = close + 1;
        }
        size_t open = text.find("<<");
        if (open != std::string::npos) insertAt = open + 2;
    }

    PdfBox box = sheetBox;
    bool given = userBox.isGiven();
    if (given) {
        box.x1 = userBox.x1;
        box.y1 = userBox.y1;
        box.x2 = userBox.x2;
        box.y2 = userBox.y2;
    }
    if (found) {
        // A user box is written without the space before its closing bracket.
        std::string newBox = given ? boxArrayText(box.x1, box.y1, box.x2, box.y2, false) + "\n"
                                   : boxArrayText(box.x1, box.y1, box.x2, box.y2) + "\n";
        text.replace(valueBegin, valueEnd - valueBegin, newBox);
    } else if (addIfMissing && insertAt != std::string::npos) {
        text.insert(insertAt,
                    std::string(key) + " " + boxArrayText(box.x1, box.y1, box.x2, box.y2) + "\n");
    }
}

PdfBox normalisedBox(const PdfBox& box) {
    PdfBox out;
    out.x1 = std::min(box.x1, box.x2);
    out.y1 = std::min(box.y1, box.y2);
    out.x2 = std::max(box.x1, box.x2);
    out.y2 = std::max(box.y1, box.y2);
    return out;
}

PdfBox visibleBox(const PageRecord& page) {
    PdfBox media = normalisedBox(page.mediaBox);
    if (!page.hasCropBox) return media;
    PdfBox crop = normalisedBox(page.cropBox);
    PdfBox shown;
    shown.x1 = std::max(media.x1, crop.x1);
    shown.y1 = std::max(media.y1, crop.y1);
    shown.x2 = std::min(media.x2, crop.x2);
    shown.y2 = std::min(media.y2, crop.y2);
    // A crop box that misses the media box shows nothing; readers then fall back to the media box.
    if (shown.x1 >= shown.x2 || shown.y1 >= shown.y2) return media;
    return shown;
}

PdfBox sheetBoxFrom(const PdfBox& pageBox, const SheetBoxFrame& frame) {
    PdfBox page = normalisedBox(pageBox);
    PdfBox box;
    box.x1 = page.x1;
    box.y1 = page.y1;
    box.x2 = box.x1 + frame.columns * (page.x2 - page.x1 + frame.growX);
    box.y2 = box.y1 + frame.rows * (page.y2 - page.y1 + frame.growY);
    if (!frame.cut) return box;
    // A split-back sheet shows one side of the cut line: the box is cut there, never widened.
    double* low = frame.cutAlongX ? &box.x1 : &box.y1;
    double* high = frame.cutAlongX ? &box.x2 : &box.y2;
    double line = frame.keepLow ? frame.cutLine - frame.gap : frame.cutLine + frame.gap;
    line = std::min(std::max(line, *low), *high);
    (frame.keepLow ? *high : *low) = line;
    return box;
}
