// Top-level lookups, text edits and fingerprints of scanned objects.
#include "normalise/ObjectEdit.h"

#include <algorithm>
#include <cstring>

bool findTopLevelEntry(const RawObject& obj, const char* key, DictEntry& entry) {
    size_t dict = findObjectDict(obj.text);
    return dict != kNoPos && findDictEntry(obj.text, dict, key, entry);
}

bool topLevelValueIs(const RawObject& obj, const char* key, const char* value) {
    DictEntry entry;
    size_t length = std::strlen(value);
    return findTopLevelEntry(obj, key, entry) && entry.valueEnd - entry.valueBegin == length &&
           obj.text.compare(entry.valueBegin, length, value) == 0;
}

std::string applyEdits(const std::string& text, size_t from, size_t to,
                       std::vector<TextEdit> edits) {
    std::stable_sort(edits.begin(), edits.end(),
                     [](const TextEdit& a, const TextEdit& b) { return a.start < b.start; });
    std::string result;
    result.reserve(to - from + 64);
    size_t at = from;
    for (const TextEdit& edit : edits) {
        result.append(text, at, edit.start - at);
        result += edit.replacement;
        at = edit.end;
    }
    result.append(text, at, to - at);
    return result;
}

uint64_t bodyFingerprint(const RawObject& obj) {
    // FNV-1a over eight bytes at a time (stream data makes most of the bytes, and a fingerprint
    // only picks candidates: sharing is still decided byte for byte); the digits of a reference
    // are replaced by one marker each side.
    uint64_t hash = 14695981039346656037ULL;
    auto feed = [&hash](const std::string& text, size_t from, size_t to) {
        size_t i = from;
        for (; i + 8 <= to; i += 8) {
            uint64_t word = 0;
            std::memcpy(&word, text.data() + i, sizeof word);
            hash ^= word;
            hash *= 1099511628211ULL;
            hash ^= hash >> 29;
        }
        for (; i < to; i++) {
            hash ^= static_cast<unsigned char>(text[i]);
            hash *= 1099511628211ULL;
        }
    };
    auto mark = [&hash]() {
        hash ^= 0x100;
        hash *= 1099511628211ULL;
    };
    size_t at = obj.bodyStart;
    for (const TextReference& ref : obj.refs) {
        feed(obj.text, at, ref.start);
        mark();
        feed(obj.text, ref.numEnd, ref.genStart);
        mark();
        at = ref.genEnd;
    }
    feed(obj.text, at, obj.text.size());
    return hash;
}
