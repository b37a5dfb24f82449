// Resource merging: gathers the resource entries of a sheet's pages into the carrier's resources.
#include "imposition/ResourceMerge.h"

#include <map>
#include <set>

#include "imposition/RawText.h"
#include "pdf/FormatText.h"

namespace {

// Categories written in this order; any other dictionary a page's /Resources holds follows them
// by name. /ProcSet, an array of names that readers have long ignored, stays as the carrier has
// it.
const char* const kKnownCategories[] = {"XObject", "Font",    "ExtGState", "ColorSpace",
                                        "Pattern", "Shading", "Properties"};

// One entry of a category dictionary: its name as written and its value as text. References are
// normalised to "N G R"; any other value keeps its raw text (a colour space written as an array
// in the page, say), so that nothing the page relies on is dropped.
struct ResourceEntry {
    std::string name;
    std::string value;
    bool directDict = false;
};

using CategoryEntries = std::vector<ResourceEntry>;
// Category name -> its entries, for every category of a page that is a dictionary.
using PageResources = std::map<std::string, CategoryEntries>;

struct MergedCategory {
    CategoryEntries entries;
    std::map<std::string, std::string> valueOf;
    bool changed = false;
};

bool isKnownCategory(const std::string& category) {
    for (const char* known : kKnownCategories) {
        if (category == known) return true;
    }
    return false;
}

// Calls visit(category, value) for the categories of byCategory in writing order.
template <typename Map, typename Visit>
void forEachCategory(Map& byCategory, Visit visit) {
    for (const char* known : kKnownCategories) {
        auto found = byCategory.find(known);
        if (found != byCategory.end()) visit(found->first, found->second);
    }
    for (auto& [category, value] : byCategory) {
        if (!isKnownCategory(category)) visit(category, value);
    }
}

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

// The entries of one category dictionary, in name order; the first of two equal keys wins, as it
// does for the reader.
CategoryEntries collectCategoryEntries(WriteContext& ctx, const ValueText& resources,
                                       const DictEntry& category) {
    ValueText dict;
    if (!resolveValue(ctx, resources.text, category.valueBegin, category.valueEnd, dict)) return {};
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

// Every category of a page's resources that is a dictionary; the first of two equal keys wins.
PageResources collectPageResources(WriteContext& ctx, const ValueText& resources) {
    std::vector<DictEntry> categories;
    listDictEntries(resources.text, resources.begin, categories);
    PageResources result;
    for (const DictEntry& category : categories) {
        if (!result.count(category.key))
            result.emplace(category.key, collectCategoryEntries(ctx, resources, category));
    }
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
void writeMergedCategory(std::string& resources, const std::string& category,
                         const std::string& merged) {
    DictEntry entry;
    std::string dict = "<< " + merged + ">>";
    if (findDictEntry(resources, 0, category, entry)) {
        resources.replace(entry.valueBegin, entry.valueEnd - entry.valueBegin, dict);
    } else {
        resources.insert(2, "/" + encodeName(category) + " " + dict);
    }
}

// A page whose patterns the placement would move away from where its default space has them.
bool patternsWouldShift(const PageResources& own, const PagePlacement& placement) {
    auto patterns = own.find("Pattern");
    if (patterns == own.end() || patterns->second.empty()) return false;
    return !placement.isIdentity();
}

// The values of the page's XObject and Font entries: the objects that may draw with its names.
std::vector<std::string> drawingResourceValues(const PageResources& own) {
    std::vector<std::string> values;
    for (const char* category : {"XObject", "Font"}) {
        auto found = own.find(category);
        if (found == own.end()) continue;
        for (const ResourceEntry& entry : found->second) values.push_back(entry.value);
    }
    return values;
}

// The merge of one sheet as it goes: the merged categories and every name in them.
class SheetMerge {
  public:
    SheetMerge(WriteContext& ctx, const PageRecords& pages) : ctx_(ctx), pages_(pages) {}

    void addCarrier(const PageResources& own) {
        forEachCategory(own, [this](const std::string& category, const CategoryEntries& entries) {
            MergedCategory& merged = merged_[category];
            for (const ResourceEntry& entry : entries) {
                usedNames_.insert(entry.name);
                merged.valueOf[entry.name] = entry.value;
                merged.entries.push_back(entry);
            }
        });
    }

    // New names for the page's names that mean something else on the sheet.
    RenameTable clashes(const PageResources& own) const {
        std::set<std::string> pageNames;
        for (const auto& [category, entries] : own) {
            for (const ResourceEntry& entry : entries) pageNames.insert(entry.name);
        }
        // A clash in one category renames the name in every category of the page: the content
        // rewrite renames name tokens whatever the operator.
        std::set<std::string> used = usedNames_;
        RenameTable newNames;
        forEachCategory(own, [&](const std::string& category, const CategoryEntries& entries) {
            auto merged = merged_.find(category);
            if (merged == merged_.end()) return;
            for (const ResourceEntry& entry : entries) {
                auto found = merged->second.valueOf.find(entry.name);
                if (found == merged->second.valueOf.end() || found->second == entry.value) continue;
                if (newNames.count(entry.name)) continue;
                std::string name = newResourceName(entry.name, used, pageNames);
                used.insert(name);
                newNames[entry.name] = name;
            }
        });
        return newNames;
    }

    void addPage(PageResources& own, const RenameTable& newNames) {
        forEachCategory(own, [&](const std::string& category, CategoryEntries& entries) {
            MergedCategory& merged = merged_[category];
            for (ResourceEntry& entry : entries) {
                auto renamed = newNames.find(entry.name);
                if (renamed != newNames.end()) entry.name = renamed->second;
                // The same entry again adds nothing.
                if (merged.valueOf.count(entry.name)) continue;
                add(merged, std::move(entry));
            }
        });
    }

    // Shows the page of a slot as a form named in the sheet's XObject resources; a page shown
    // twice on one sheet uses one form.
    void showAsForm(int pageIndex, PageContentPlan& plan) {
        auto found = forms_.find(pageIndex);
        if (found == forms_.end()) {
            int num = writePageForm(ctx_, pages_[static_cast<size_t>(pageIndex)], pageIndex + 1);
            std::string name = formatText("Page%d", pageIndex + 1);
            if (usedNames_.count(name)) name = newResourceName(name, usedNames_, {});
            usedNames_.insert(name);
            add(merged_["XObject"], ResourceEntry{name, refText(num, 0), false});
            found = forms_.emplace(pageIndex, std::make_pair(num, name)).first;
        }
        plan.formObject = found->second.first;
        plan.formName = found->second.second;
    }

    bool anyChanged() const {
        for (const auto& [category, merged] : merged_) {
            if (merged.changed) return true;
        }
        return false;
    }

    // Writes the changed categories into the resources dictionary text.
    void writeInto(std::string& resources) {
        std::map<std::string, int> dictObjects;
        forEachCategory(merged_, [&](const std::string& category, const MergedCategory& merged) {
            if (merged.changed) {
                writeMergedCategory(resources, category,
                                    mergedCategoryText(ctx_, merged, dictObjects));
            }
        });
    }

  private:
    void add(MergedCategory& merged, ResourceEntry entry) {
        usedNames_.insert(entry.name);
        merged.valueOf[entry.name] = entry.value;
        merged.entries.push_back(std::move(entry));
        merged.changed = true;
    }

    WriteContext& ctx_;
    const PageRecords& pages_;
    std::map<std::string, MergedCategory> merged_;
    std::set<std::string> usedNames_;
    std::map<int, std::pair<int, std::string>> forms_;  // page index -> form object and name
};

}  // namespace

std::vector<PageContentPlan> mergeResources(WriteContext& ctx, const PageRecords& pages,
                                            const std::vector<PagePlacement>& slots,
                                            std::string& pageText) {
    std::vector<PageContentPlan> plans(slots.size());
    size_t carrierSlot = 0;
    while (carrierSlot < slots.size() && slots[carrierSlot].pageIndex < 0) carrierSlot++;
    if (carrierSlot == slots.size()) return plans;
    const PageRecord& carrier = pages[static_cast<size_t>(slots[carrierSlot].pageIndex)];

    SheetMerge merge(ctx, pages);
    ValueText carrierResources;
    bool carrierHasResources = pageResources(ctx, pageText, carrier, carrierResources);
    if (carrierHasResources) {
        PageResources own = collectPageResources(ctx, carrierResources);
        merge.addCarrier(own);
        // The carrier's resources stay the sheet's; a carrier whose patterns would move is
        // painted from a form all the same.
        if (patternsWouldShift(own, slots[carrierSlot])) {
            merge.showAsForm(slots[carrierSlot].pageIndex, plans[carrierSlot]);
        }
    }

    for (size_t k = carrierSlot + 1; k < slots.size(); k++) {
        int index = slots[k].pageIndex;
        if (index < 0) continue;
        const PageRecord& record = pages[static_cast<size_t>(index)];
        std::string text;
        readObjectText(ctx, record.objNum, text);
        ValueText resources;
        if (!pageResources(ctx, text, record, resources)) continue;
        PageResources own = collectPageResources(ctx, resources);
        if (patternsWouldShift(own, slots[k])) {
            merge.showAsForm(index, plans[k]);
            continue;
        }
        RenameTable newNames = merge.clashes(own);
        if (!newNames.empty() && renamingMissesNames(ctx, record, drawingResourceValues(own))) {
            merge.showAsForm(index, plans[k]);
            continue;
        }
        merge.addPage(own, newNames);
        // The content rewrite matches decoded names and writes the new one as given.
        for (const auto& [oldName, newName] : newNames)
            plans[k].renames[oldName] = encodeName(newName);
    }

    size_t pageDict = findObjectDict(pageText);
    if (pageDict == kNoPos) return plans;
    DictEntry ownEntry;
    bool statesResources = findDictEntry(pageText, pageDict, "Resources", ownEntry);
    if (!merge.anyChanged()) {
        // The flat output page tree has no node to inherit from: state what was inherited.
        if (!statesResources && !carrier.inheritedResources.empty()) {
            pageText.insert(pageDict + 2, "/Resources " + carrier.inheritedResources + "\n");
        }
        return plans;
    }

    std::string resources = "<< >>";
    if (carrierHasResources) {
        resources = carrierResources.text.substr(carrierResources.begin,
                                                 carrierResources.end - carrierResources.begin);
    }
    merge.writeInto(resources);

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
    return plans;
}
