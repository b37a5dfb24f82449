// Resource merging: gathers the resource entries of a sheet's pages into the carrier's resources.
#include "imposition/ResourceMerge.h"

#include <map>
#include <set>

#include "imposition/OutputPage.h"
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
    if (!record.inheritedResources) return false;
    const std::string& inherited = *record.inheritedResources;
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

// Resources larger than this, counted as the text of their category dictionaries (about a
// thousand entries), are not merged: the page is shown as a form that keeps its own. Merging
// copies every entry into the resources of each sheet the page is on, so that one dictionary
// shared by thousands of pages would make the output and the time grow with their product.
constexpr size_t kMaxMergedBytes = 16 * 1024;

bool tooLargeToMerge(WriteContext& ctx, const ValueText& resources) {
    std::vector<DictEntry> categories;
    listDictEntries(resources.text, resources.begin, categories);
    size_t bytes = 0;
    for (const DictEntry& category : categories) {
        ValueText dict;
        if (resolveValue(ctx, resources.text, category.valueBegin, category.valueEnd, dict))
            bytes += dict.end - dict.begin;
    }
    return bytes > kMaxMergedBytes;
}

// Whether the resources dictionary has a /Pattern category with at least one entry.
bool holdsPatterns(WriteContext& ctx, const ValueText& resources) {
    DictEntry patterns;
    return findDictEntry(resources.text, resources.begin, "Pattern", patterns) &&
           !collectCategoryEntries(ctx, resources, patterns).empty();
}

// What a page's /Resources is without reading it: the value its object text states (a reference
// or a dictionary written in place), else the text it inherits. Pages with equal keys have equal
// resources.
std::string resourcesKey(WriteContext& ctx, const PageRecord& record) {
    std::string text;
    if (!readObjectText(ctx, record.objNum, text)) return "";
    size_t dict = findObjectDict(text);
    DictEntry own;
    if (dict != kNoPos && findDictEntry(text, dict, "Resources", own))
        return text.substr(own.valueBegin, own.valueEnd - own.valueBegin);
    return record.inheritedResources ? *record.inheritedResources : "";
}

// Whether every page of the sheet uses the same resources, none of them patterns: then no name
// can clash and no page needs a form, so the carrier's resources serve the whole sheet as they
// are. Checked before anything is parsed, because one resources object shared by thousands of
// pages may hold tens of thousands of entries.
bool sheetSharesResources(WriteContext& ctx, const PageRecords& pages,
                          const std::vector<PagePlacement>& slots, const std::string& carrierText,
                          const PageRecord& carrier, std::map<std::string, bool>& patternMemo) {
    std::string carrierKey;
    bool first = true;
    for (const PagePlacement& slot : slots) {
        if (slot.pageIndex < 0) continue;
        std::string key = resourcesKey(ctx, pages[static_cast<size_t>(slot.pageIndex)]);
        if (first)
            carrierKey = std::move(key);
        else if (key != carrierKey)
            return false;
        first = false;
    }
    // Only short keys (references) are remembered, so the memo stays small.
    const bool memo = carrierKey.size() <= 32;
    if (memo) {
        auto known = patternMemo.find(carrierKey);
        if (known != patternMemo.end()) return !known->second;
    }
    ValueText resources;
    bool patterns =
        pageResources(ctx, carrierText, carrier, resources) && holdsPatterns(ctx, resources);
    if (memo) patternMemo[carrierKey] = patterns;
    return !patterns;
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

// The flat output page tree has no node to inherit from: the carrier's page text states the
// resources it inherited.
void stateInheritedResources(WriteContext& ctx, const PageRecord& carrier, std::string& pageText) {
    size_t dict = findObjectDict(pageText);
    DictEntry own;
    if (dict == kNoPos || !carrier.inheritedResources ||
        findDictEntry(pageText, dict, "Resources", own))
        return;
    pageText.insert(dict + 2, "/Resources " + inheritedResourcesValue(ctx, carrier) + "\n");
}

}  // namespace

std::vector<PageContentPlan> mergeResources(WriteContext& ctx, const PageRecords& pages,
                                            const std::vector<PagePlacement>& slots,
                                            std::string& pageText,
                                            std::map<std::string, bool>& patternMemo) {
    std::vector<PageContentPlan> plans(slots.size());
    size_t carrierSlot = 0;
    while (carrierSlot < slots.size() && slots[carrierSlot].pageIndex < 0) carrierSlot++;
    if (carrierSlot == slots.size()) return plans;
    const PageRecord& carrier = pages[static_cast<size_t>(slots[carrierSlot].pageIndex)];

    if (sheetSharesResources(ctx, pages, slots, pageText, carrier, patternMemo)) {
        stateInheritedResources(ctx, carrier, pageText);
        return plans;
    }

    SheetMerge merge(ctx, pages);
    ValueText carrierResources;
    bool carrierHasResources = pageResources(ctx, pageText, carrier, carrierResources);
    // A carrier too large to merge is painted from a form, and the sheet's resources start empty.
    if (carrierHasResources && tooLargeToMerge(ctx, carrierResources)) {
        carrierHasResources = false;
        merge.showAsForm(slots[carrierSlot].pageIndex, plans[carrierSlot]);
    }
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
        if (tooLargeToMerge(ctx, resources)) {
            merge.showAsForm(index, plans[k]);
            continue;
        }
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
        stateInheritedResources(ctx, carrier, pageText);
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
