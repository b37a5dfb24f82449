// Edits of raw object text that follow references through the input.
#include "imposition/RawText.h"

#include "pdf/FormatText.h"
#include "pdf/ObjectText.h"
#include "writer/WriteContext.h"

bool readObjectText(WriteContext& ctx, int num, std::string& text) {
    text.clear();
    return getObjectText(ctx.input, num, ctx.doc, text);
}

bool resolveValue(WriteContext& ctx, const std::string& holder, size_t begin, size_t end,
                  ValueText& out) {
    // Only the value is kept, not the whole holder: callers look at nothing else, and page
    // texts are copied here many times per sheet.
    if (begin > end || end > holder.size()) return false;
    out.text.assign(holder, begin, end - begin);
    out.begin = 0;
    out.end = end - begin;
    out.objNum = 0;
    for (int hop = 0; hop < kMaxReferenceHops; hop++) {
        int num = 0, gen = 0;
        if (!parseReference(out.text, out.begin, out.end, num, gen)) return out.begin < out.end;
        std::string next;
        if (!readObjectText(ctx, num, next)) return false;
        size_t value = findObjectValue(next);
        if (value == kNoPos) return false;
        size_t valueEnd = findValueEnd(next, value);
        if (valueEnd == kNoPos) return false;
        out.text.swap(next);
        out.begin = value;
        out.end = valueEnd;
        out.objNum = num;
    }
    return false;
}

void setPageArray(WriteContext& ctx, std::string& pageText, const char* key,
                  const std::string& items, const std::string& missingEntry) {
    size_t dict = findObjectDict(pageText);
    if (dict == kNoPos) return;
    DictEntry entry;
    if (!findDictEntry(pageText, dict, key, entry)) {
        pageText.insert(dict + 2, missingEntry);
        return;
    }
    std::string array = "[" + items + "]";
    int num = 0, gen = 0;
    ValueText value;
    if (parseReference(pageText, entry.valueBegin, entry.valueEnd, num, gen) &&
        resolveValue(ctx, pageText, entry.valueBegin, entry.valueEnd, value) &&
        value.text[value.begin] == '[') {
        std::string object =
            formatText("%d 0 obj\n", ctx.nextObjectNumber()) + array + "\nendobj\n";
        array = formatText("%d 0 R", ctx.writeNewObject(object));
    }
    pageText.replace(entry.valueBegin, entry.valueEnd - entry.valueBegin, array);
}
