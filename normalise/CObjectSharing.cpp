// Sharing of identical objects between the two documents of an append.
#include "normalise/CObjectSharing.h"

#include <algorithm>

#include "pdf/FormatText.h"

namespace {

// Candidates with the same fingerprint tried for one object: identical copies beyond the
// first few add nothing but time.
constexpr int kMaxCandidates = 4;
// Object comparisons allowed per second-document object: a sound file needs about one.
constexpr int64_t kComparisonsPerObject = 8;

}  // namespace

CObjectSharing::CObjectSharing(CObjectReader& first, CObjectReader& second)
    : first_(first),
      second_(second),
      firstCount_(first.getCount()),
      secondCount_(second.getCount()),
      firstGen_(static_cast<size_t>(firstCount_), -1),
      targetable_(static_cast<size_t>(firstCount_), false),
      secondGen_(static_cast<size_t>(secondCount_), -1),
      fingerprint_(static_cast<size_t>(secondCount_), 0),
      excluded_(static_cast<size_t>(secondCount_), false),
      blocked_(static_cast<size_t>(secondCount_), false),
      fixed_(static_cast<size_t>(secondCount_), -1),
      shared_(static_cast<size_t>(secondCount_), -1),
      decided_(static_cast<size_t>(secondCount_), false),
      tentative_(static_cast<size_t>(secondCount_), -1) {}

void CObjectSharing::addFirstObject(int num, const RawObject& obj, bool unchanged) {
    if (num <= 0 || num >= firstCount_) return;
    firstGen_[static_cast<size_t>(num)] = obj.gen;
    if (!unchanged) return;
    targetable_[static_cast<size_t>(num)] = true;
    targets_.emplace_back(bodyFingerprint(obj), num);
}

void CObjectSharing::setFixed(int secondNum, int firstNum) {
    if (secondNum <= 0 || secondNum >= secondCount_ || firstNum <= 0 || firstNum >= firstCount_) {
        return;
    }
    fixed_[static_cast<size_t>(secondNum)] = firstNum;
}

void CObjectSharing::exclude(int secondNum) {
    if (secondNum > 0 && secondNum < secondCount_) excluded_[static_cast<size_t>(secondNum)] = true;
}

int CObjectSharing::getFirstGen(int num) const {
    return num > 0 && num < firstCount_ ? firstGen_[static_cast<size_t>(num)] : -1;
}

bool CObjectSharing::isLiveRef(const Ref& ref) const {
    return ref.num > 0 && ref.num < secondCount_ && secondGen_[static_cast<size_t>(ref.num)] >= 0 &&
           ref.gen == secondGen_[static_cast<size_t>(ref.num)];
}

int CObjectSharing::getTarget(int num, int gen) const {
    Ref ref{num, gen};
    if (!isLiveRef(ref)) return -1;
    size_t at = static_cast<size_t>(num);
    if (fixed_[at] >= 0 && firstGen_[static_cast<size_t>(fixed_[at])] >= 0) return fixed_[at];
    return shared_[at];
}

bool CObjectSharing::isReplaced(int num) const {
    if (num <= 0 || num >= secondCount_) return false;
    size_t at = static_cast<size_t>(num);
    return (fixed_[at] >= 0 && firstGen_[static_cast<size_t>(fixed_[at])] >= 0) || shared_[at] >= 0;
}

void CObjectSharing::scanSecond(const std::function<void()>& onRead) {
    refStart_.assign(static_cast<size_t>(secondCount_) + 1, 0);
    std::vector<bool> fontFile(static_cast<size_t>(secondCount_), false);
    std::vector<bool> fromAnnotation(static_cast<size_t>(secondCount_), false);
    std::vector<int> annotArrays;
    RawObject obj;
    for (int num = 1; num < secondCount_; num++) {
        size_t at = static_cast<size_t>(num);
        refStart_[at] = refs_.size();
        bool ok = second_.read(num, obj);
        if (onRead) onRead();
        if (!ok) continue;
        secondGen_[at] = obj.gen;
        fingerprint_[at] = bodyFingerprint(obj);
        // Page tree nodes and tree members (outline items, fields) belong to one copy; so do
        // object and cross-reference streams, which are not written at all.
        if (obj.dictContains("/Page") || obj.dictContains("/ObjStm") ||
            obj.dictContains("/Parent") ||
            (obj.dictContains("/XRef") && topLevelValueIs(obj, "Type", "/XRef")) ||
            second_.isObjectStream(num)) {
            excluded_[at] = true;
        }
        fontFile[at] = obj.dictContains("/FontFile2");
        bool annotation = obj.dictContains("Annot");
        for (const TextReference& ref : obj.refs) {
            refs_.push_back(Ref{ref.num, ref.gen});
            if (annotation && ref.num > 0 && ref.num < secondCount_) {
                fromAnnotation[static_cast<size_t>(ref.num)] = true;
            }
        }
        // Annotations and their /Annots arrays are written anew per placed page by the
        // imposition; one object serving both copies of a page would be overwritten. The
        // dictionary is walked only when it can hold the key.
        DictEntry annots;
        if ((obj.dictContains("Annots") || obj.dictContains("#")) &&
            findTopLevelEntry(obj, "Annots", annots)) {
            for (const TextReference& ref : obj.refs) {
                if (ref.start < annots.valueBegin || ref.end > annots.valueEnd) continue;
                exclude(ref.num);
                // The array lives in an object of its own: what it lists is excluded below.
                if (ref.start == annots.valueBegin && ref.end == annots.valueEnd) {
                    annotArrays.push_back(ref.num);
                }
            }
        }
    }
    refStart_[static_cast<size_t>(secondCount_)] = refs_.size();
    for (int list : annotArrays) {
        if (list <= 0 || list >= secondCount_) continue;
        size_t at = static_cast<size_t>(list);
        for (size_t i = refStart_[at]; i < refStart_[at + 1]; i++) exclude(refs_[i].num);
    }
    // An embedded TrueType font program is shared only where an annotation refers to it.
    for (int num = 1; num < secondCount_; num++) {
        size_t at = static_cast<size_t>(num);
        if (fontFile[at] && !fromAnnotation[at]) excluded_[at] = true;
    }
}

void CObjectSharing::propagateBlocks() {
    // Blocked: cannot be shared whatever the targets. An object is blocked when it is excluded,
    // unreadable, refers to a missing object, or refers to a blocked object.
    std::vector<size_t> reverseStart(static_cast<size_t>(secondCount_) + 1, 0);
    for (const Ref& ref : refs_) {
        if (ref.num > 0 && ref.num < secondCount_) reverseStart[static_cast<size_t>(ref.num)]++;
    }
    size_t sum = 0;
    for (size_t i = 0; i <= static_cast<size_t>(secondCount_); i++) {
        size_t count = reverseStart[i];
        reverseStart[i] = sum;
        sum += count;
    }
    std::vector<int> referrers(sum);
    std::vector<size_t> fill(reverseStart.begin(), reverseStart.end() - 1);
    std::vector<int> queue;
    for (int num = 1; num < secondCount_; num++) {
        size_t at = static_cast<size_t>(num);
        bool blocked = secondGen_[at] < 0 || excluded_[at];
        for (size_t i = refStart_[at]; i < refStart_[at + 1]; i++) {
            const Ref& ref = refs_[i];
            if (ref.num > 0 && ref.num < secondCount_) {
                referrers[fill[static_cast<size_t>(ref.num)]++] = num;
            }
            if (!isLiveRef(ref)) blocked = true;
        }
        if (fixed_[at] >= 0) {
            // Stands for its first-document counterpart whatever it holds.
            blocked = false;
        }
        if (blocked) {
            blocked_[at] = true;
            queue.push_back(num);
        }
    }
    while (!queue.empty()) {
        size_t at = static_cast<size_t>(queue.back());
        queue.pop_back();
        for (size_t i = reverseStart[at]; i < reverseStart[at + 1]; i++) {
            size_t from = static_cast<size_t>(referrers[i]);
            if (blocked_[from] || fixed_[from] >= 0) continue;
            blocked_[from] = true;
            queue.push_back(referrers[i]);
        }
    }
}

void CObjectSharing::build(const std::function<void()>& onRead) {
    std::sort(targets_.begin(), targets_.end());
    scanSecond(onRead);
    for (int num = 1; num < secondCount_; num++) {
        int target = fixed_[static_cast<size_t>(num)];
        if (target >= 0 && firstGen_[static_cast<size_t>(target)] < 0) {
            fixed_[static_cast<size_t>(num)] = -1;
        }
    }
    propagateBlocks();
    budget_ = kComparisonsPerObject * (static_cast<int64_t>(secondCount_) + 1000);

    for (int num = 1; num < secondCount_; num++) {
        size_t at = static_cast<size_t>(num);
        if (onRead) onRead();
        if (decided_[at] || fixed_[at] >= 0) continue;
        if (blocked_[at] || comparisons_ >= budget_) {
            decided_[at] = true;
            continue;
        }
        auto range =
            std::equal_range(targets_.begin(), targets_.end(), std::make_pair(fingerprint_[at], 0),
                             [](const std::pair<uint64_t, int>& a,
                                const std::pair<uint64_t, int>& b) { return a.first < b.first; });
        // The object of the same number comes first: appending a document to itself then
        // shares each object with its own original.
        std::vector<int> candidates;
        for (auto it = range.first; it != range.second; ++it) {
            if (it->second == num)
                candidates.insert(candidates.begin(), num);
            else if (candidates.size() < static_cast<size_t>(kMaxCandidates))
                candidates.push_back(it->second);
        }
        if (candidates.size() > static_cast<size_t>(kMaxCandidates))
            candidates.resize(kMaxCandidates);
        for (int target : candidates) {
            if (attempt(num, target)) break;
        }
        decided_[at] = true;
    }
}

bool CObjectSharing::attempt(int num, int target) {
    std::vector<int> pending{num};
    std::vector<int> trail{num};
    tentative_[static_cast<size_t>(num)] = target;
    bool ok = true;
    while (ok && !pending.empty()) {
        int next = pending.back();
        pending.pop_back();
        ok = verify(next, tentative_[static_cast<size_t>(next)], pending, trail);
    }
    for (int assumed : trail) {
        size_t at = static_cast<size_t>(assumed);
        if (ok) {
            shared_[at] = tentative_[at];
            decided_[at] = true;
        }
        tentative_[at] = -1;
    }
    return ok;
}

bool CObjectSharing::verify(int num, int target, std::vector<int>& pending,
                            std::vector<int>& trail) {
    if (++comparisons_ > budget_) return false;
    if (target <= 0 || target >= firstCount_ || !targetable_[static_cast<size_t>(target)]) {
        return false;
    }
    RawObject mine, theirs;
    if (!second_.read(num, mine) || !first_.read(target, theirs)) return false;

    const std::vector<TextReference>& myRefs = mine.refs;
    const std::vector<TextReference>& theirRefs = theirs.refs;
    if (myRefs.size() != theirRefs.size()) return false;

    std::vector<TextEdit> edits;
    for (size_t i = 0; i < myRefs.size(); i++) {
        Ref my{myRefs[i].num, myRefs[i].gen};
        Ref their{theirRefs[i].num, theirRefs[i].gen};
        if (!isLiveRef(my) || their.num <= 0 || their.num >= firstCount_ ||
            firstGen_[static_cast<size_t>(their.num)] != their.gen) {
            return false;
        }
        size_t at = static_cast<size_t>(my.num);
        if (fixed_[at] >= 0) {
            if (fixed_[at] != their.num) return false;
        } else if (decided_[at]) {
            if (shared_[at] != their.num) return false;
        } else if (blocked_[at] || !targetable_[static_cast<size_t>(their.num)]) {
            return false;
        } else if (tentative_[at] >= 0) {
            if (tentative_[at] != their.num) return false;
        } else {
            tentative_[at] = their.num;
            trail.push_back(my.num);
            pending.push_back(my.num);
        }
        edits.push_back(TextEdit{myRefs[i].start, myRefs[i].numEnd, intText(their.num)});
        edits.push_back(TextEdit{myRefs[i].genStart, myRefs[i].genEnd, intText(their.gen)});
    }
    // The last word: the rewritten body must be the target's body, byte for byte.
    std::string mapped = applyEdits(mine.text, mine.bodyStart, mine.text.size(), std::move(edits));
    return theirs.text.compare(theirs.bodyStart, std::string::npos, mapped) == 0;
}
