// Resource merging: gathers the resource entries of a sheet's pages into the carrier's resources.
#include "imposition/ResourceMerge.h"

#include <map>
#include <set>

#include "imposition/RawText.h"
#include "pdf/FormatText.h"

const char* const kResourceCategories[6] = {"XObject",    "Font",    "ExtGState",
                                            "ColorSpace", "Pattern", "Shading"};

namespace {

constexpr int kCategoryCount = 6;

// One entry of a category dictionary: its name as written and its value as text. References are
// normalised to "N G R"; any other value keeps its raw text (a colour space written as an array
// in the page, say), so that nothing the page relies on is dropped.
struct ResourceEntry {
    std::string name;
    std::string value;
    bool directDict = false;
};

using CategoryEntries = std::vector<ResourceEntry>;

struct MergedCategory {
    CategoryEntries entries;
    std::map<std::string, std::string> valueOf;
    bool changed = false;
};

// The resources dictionary a page uses: its own /Resources, else the one it inherits.
bool pageResources(WriteContext& ctx, const std::string& pageText, const PageRecord& record,
                   ValueText& out) {
    size_t dict = findObjectDict(pageText);
    DictEntry own;
    if (dict != kNoPos && findDictEntry(pageText, dict, "Resources", own)) {
        return resolveValue(ctx, pageText, own.valueBegin, own.valueEnd, out) &&
               out.text.compare(out.begin, 2, "<<") == 0;
    }
    const std::string& inherited = record.inheritedResources;
    size_t begin = skipSpace(inherited, 0);
    size_t end = findValueEnd(inherited, begin);
    if (end == kNoPos) return false;
    return resolveValue(ctx, inherited, begin, end, out) &&
           out.text.compare(out.begin, 2, "<<") == 0;
}

// The entries of one category of a page's resources, in name order; the first of two equal
// keys wins, as it does for the reader.
CategoryEntries collectCategoryEntries(WriteContext& ctx, const ValueText& resources,
                                       const char* category) {
    DictEntry entry;
    if (!findDictEntry(resources.text, resources.begin, category, entry)) return {};
    ValueText dict;
    if (!resolveValue(ctx, resources.text, entry.valueBegin, entry.valueEnd, dict)) return {};
    if (dict.text.compare(dict.begin, 2, "<<") != 0) return {};
    std::vector<DictEntry> entries;
    listDictEntries(dict.text, dict.begin, entries);
    std::map<std::string, ResourceEntry> byName;
    for (const DictEntry& item : entries) {
        if (byName.count(item.key)) continue;
        ResourceEntry resource;
        resource.name = item.key;
        int num = 0, gen = 0;
        if (parseReference(dict.text, item.valueBegin, item.valueEnd, num, gen)) {
            resource.value = refText(num, gen);
        } else {
            resource.value = dict.text.substr(item.valueBegin, item.valueEnd - item.valueBegin);
            resource.directDict = resource.value.compare(0, 2, "<<") == 0;
        }
        byName.emplace(item.key, std::move(resource));
    }
    CategoryEntries result;
    for (auto& [name, resource] : byName) result.push_back(std::move(resource));
    return result;
}

// A name for a clashing entry: the old name and a counter, free in every category of the merged
// dictionaries and among the page's own names, so the same input always gets the same names.
std::string newResourceName(const std::string& oldName, const std::set<std::string>& used,
                            const std::set<std::string>& pageNames) {
    for (int counter = 1;; counter++) {
        std::string candidate = oldName + formatText("_%d", counter);
        if (!used.count(candidate) && !pageNames.count(candidate)) return candidate;
    }
}

// The body of a merged category dictionary. A dictionary written in place becomes an object of
// its own and is listed by reference.
std::string mergedCategoryText(WriteContext& ctx, const MergedCategory& merged,
                               std::map<std::string, int>& dictObjects) {
    std::string text;
    for (const ResourceEntry& entry : merged.entries) {
        std::string value = entry.value;
        if (entry.directDict) {
            auto found = dictObjects.find(entry.value);
            if (found == dictObjects.end()) {
                std::string object =
                    formatText("%d 0 obj\n ", ctx.nextObjectNumber()) + entry.value + "\n endobj\n";
                found = dictObjects.emplace(entry.value, ctx.writeNewObject(object)).first;
            }
            value = formatText("%d 0 R", found->second);
        }
        text += "/" + encodeName(entry.name) + " " + value + " ";
    }
    return text;
}

// Puts the merged body of a category into a resources dictionary text that starts with "<<":
// the category's value, whatever it was, becomes a direct dictionary; a missing one is added.
void writeMergedCategory(std::string& resources, const char* category, const std::string& merged) {
    DictEntry entry;
    std::string dict = "<< " + merged + ">>";
    if (findDictEntry(resources, 0, category, entry)) {
        resources.replace(entry.valueBegin, entry.valueEnd - entry.valueBegin, dict);
    } else {
        resources.insert(2, "/" + std::string(category) + " " + dict);
    }
}

}  // namespace

bool categoryRenames(const std::string& category) {
    return category != "Pattern" && category != "Shading";
}

std::vector<RenameTable> mergeResources(WriteContext& ctx, const PageRecords& pages,
                                        const std::vector<int>& placed, std::string& pageText) {
    std::vector<RenameTable> renames(placed.size());
    if (placed.empty()) return renames;
    const PageRecord& carrier = pages[static_cast<size_t>(placed[0])];

    MergedCategory merged[kCategoryCount];
    std::set<std::string> usedNames;
    ValueText carrierResources;
    bool carrierHasResources = pageResources(ctx, pageText, carrier, carrierResources);
    if (carrierHasResources) {
        for (int c = 0; c < kCategoryCount; c++) {
            for (ResourceEntry& entry :
                 collectCategoryEntries(ctx, carrierResources, kResourceCategories[c])) {
                usedNames.insert(entry.name);
                merged[c].valueOf[entry.name] = entry.value;
                merged[c].entries.push_back(std::move(entry));
            }
        }
    }

    for (size_t i = 1; i < placed.size(); i++) {
        const PageRecord& record = pages[static_cast<size_t>(placed[i])];
        std::string text;
        readObjectText(ctx, record.objNum, text);
        ValueText resources;
        if (!pageResources(ctx, text, record, resources)) continue;
        CategoryEntries own[kCategoryCount];
        std::set<std::string> pageNames;
        for (int c = 0; c < kCategoryCount; c++) {
            own[c] = collectCategoryEntries(ctx, resources, kResourceCategories[c]);
            for (const ResourceEntry& entry : own[c]) pageNames.insert(entry.name);
        }
        // A name that the sheet already uses for another object gets a new name on this page, in
        // every category at once: the content rewrite renames name tokens whatever the operator.
        std::map<std::string, std::string> newNames;
        for (int c = 0; c < kCategoryCount; c++) {
            if (!categoryRenames(kResourceCategories[c])) continue;
            for (const ResourceEntry& entry : own[c]) {
                auto found = merged[c].valueOf.find(entry.name);
                if (found == merged[c].valueOf.end() || found->second == entry.value) continue;
                if (newNames.count(entry.name)) continue;
                std::string name = newResourceName(entry.name, usedNames, pageNames);
                usedNames.insert(name);
                newNames[entry.name] = name;
                // The content rewrite matches decoded names and writes the new one as given.
                renames[i][entry.name] = encodeName(name);
            }
        }
        for (int c = 0; c < kCategoryCount; c++) {
            for (ResourceEntry& entry : own[c]) {
                auto renamed = newNames.find(entry.name);
                if (renamed != newNames.end()) entry.name = renamed->second;
                // The same entry again adds nothing; a Pattern or Shading name taken by another
                // object keeps the entry that came first.
                if (merged[c].valueOf.count(entry.name)) continue;
                usedNames.insert(entry.name);
                merged[c].valueOf[entry.name] = entry.value;
                merged[c].entries.push_back(std::move(entry));
                merged[c].changed = true;
            }
        }
    }

    size_t pageDict = findObjectDict(pageText);
    if (pageDict == kNoPos) return renames;
    DictEntry ownEntry;
    bool statesResources = findDictEntry(pageText, pageDict, "Resources", ownEntry);
    bool anyChanged = false;
    for (const MergedCategory& category : merged) anyChanged = anyChanged || category.changed;
    if (!anyChanged) {
        // The flat output page tree has no node to inherit from: state what was inherited.
        if (!statesResources && !carrier.inheritedResources.empty()) {
            pageText.insert(pageDict + 2, "/Resources " + carrier.inheritedResources + "\n");
        }
        return renames;
    }

    std::string resources = "<< >>";
    if (carrierHasResources) {
        resources = carrierResources.text.substr(carrierResources.begin,
                                                 carrierResources.end - carrierResources.begin);
    }
    std::map<std::string, int> dictObjects;
    for (int c = 0; c < kCategoryCount; c++) {
        if (merged[c].changed) {
            writeMergedCategory(resources, kResourceCategories[c],
                                mergedCategoryText(ctx, merged[c], dictObjects));
        }
    }

    // A resources object may be shared with other pages and sheets: the merged dictionary is
    // written as a new object instead of over it.
    int num = 0, gen = 0;
    if (!statesResources) {
        pageText.insert(pageDict + 2, "/Resources " + resources + "\n");
    } else if (parseReference(pageText, ownEntry.valueBegin, ownEntry.valueEnd, num, gen)) {
        std::string object =
            formatText("%d 0 obj\n", ctx.nextObjectNumber()) + resources + "\nendobj\n";
        int newNum = ctx.writeNewObject(object);
        pageText.replace(ownEntry.valueBegin, ownEntry.valueEnd - ownEntry.valueBegin,
                         formatText("%d 0 R", newNum));
    } else {
        pageText.replace(ownEntry.valueBegin, ownEntry.valueEnd - ownEntry.valueBegin, resources);
    }
    return renames;
}
