// Output pages: the /Parent of each set to the page tree root, and the number it is written under.
#include "imposition/OutputPage.h"

#include "imposition/RawText.h"
#include "pdf/CPdfException.h"
#include "pdf/FormatText.h"

namespace {

// Where the /Parent value of the page object text lies; throws when there is none.
DictEntry findParent(const std::string& text) {
    size_t dict = findObjectDict(text);
    DictEntry parent;
    if (dict == kNoPos || !findDictEntry(text, dict, "Parent", parent))
        throw CPdfException("File is broken. Can't find /Parent entry\n");
    return parent;
}

}  // namespace

std::string inheritedResourcesValue(WriteContext& ctx, const PageRecord& page) {
    if (!page.inheritedResources) return "";
    const std::string& value = *page.inheritedResources;
    if (value.compare(0, 2, "<<") != 0) return value;
    return formatText("%d 0 R", ctx.writeSharedValue(value));
}

void checkPageParent(const std::string& text) {
    findParent(text);
}

OutputPage writeOutputPage(WriteContext& ctx, std::string& text, int num, SheetRunState& state) {
    DictEntry parent = findParent(text);
    text.replace(parent.valueBegin, parent.valueEnd - parent.valueBegin,
                 formatText("%d %d R", state.pagesRootNumber, state.pagesRootGen));
    OutputPage output;
    if (state.outputPages.insert(num).second) {
        output.num = num;
        output.gen = ctx.xref()->getOutputGen(num);
        ctx.writeObject(output.num, output.gen, text);
    } else {
        renumberObjectText(text, ctx.nextObjectNumber(), 0);
        output.num = ctx.writeNewObject(text);
        state.outputPages.insert(output.num);
    }
    return output;
}
