// Cross-reference data of a document: the entry list, the trailer, and fetching objects by number.
#include "pdf/CPdfXRef.h"

#include <algorithm>
#include <climits>

#include "pdf/CPdfException.h"
#include "pdf/CPdfObjectStream.h"
#include "pdf/CPdfParser.h"
#include "pdf/CPdfSecurity.h"
#include "pdf/CPdfXRefReader.h"
#include "pdf/FormatText.h"

namespace {

// Object streams kept parsed (and kept decoded for raw text): enough that fetches alternating
// between a handful of object streams do not rebuild one each time, but never more decoded
// bytes than kObjectStreamCacheBytes beyond the stream in use (one may decode to 256 MiB).
constexpr size_t kObjectStreamCacheSize = 64;
constexpr size_t kObjectStreamCacheBytes = size_t{64} << 20;
// Nested fetches (an indirect /Length, the object stream of a compressed object, its /N or
// /First) never go deep in a sound file; a chain deeper than this is hostile.
// Budget for decoding object streams, rebuilds after eviction included: this much plus this many
// times the file's size.
constexpr size_t kObjectStreamDecodeBase = size_t{256} << 20;
constexpr size_t kObjectStreamDecodeRatio = 32;
constexpr int kMaxFetchDepth = 32;

// The most recently used view of object stream num, built (and put first) when not cached.
template <class View, class Make>
std::shared_ptr<View> cachedView(std::vector<std::shared_ptr<View>>& cache, int num, Make make) {
    for (size_t i = 0; i < cache.size(); i++) {
        if (cache[i]->getStreamNum() == num) {
            std::rotate(cache.begin(), cache.begin() + static_cast<std::ptrdiff_t>(i),
                        cache.begin() + static_cast<std::ptrdiff_t>(i) + 1);
            return cache.front();
        }
    }
    // Building may fetch objects and so touch the cache itself: insert only when done.
    std::shared_ptr<View> view = make();
    cache.insert(cache.begin(), view);
    if (cache.size() > kObjectStreamCacheSize) cache.pop_back();
    size_t bytes = 0;
    for (size_t i = 1; i < cache.size(); i++) {
        bytes += cache[i]->getByteSize();
        if (bytes > kObjectStreamCacheBytes) {
            cache.resize(i);
            break;
        }
    }
    return view;
}

}  // namespace

struct CPdfXRef::Impl {
    std::vector<std::shared_ptr<CPdfObjectStream>> objectStreams;
    std::vector<std::shared_ptr<CPdfObjectStreamData>> objectStreamData;
    size_t objectStreamBytesDecoded = 0;
    // Objects whose fetch is under way: a nested fetch of one of them is a cycle and gives Null.
    std::vector<bool> fetching;
    int fetchDepth = 0;
};

namespace {

// Marks an object as being fetched for the lifetime of one fetch.
class FetchMark {
  public:
    FetchMark(std::vector<bool>& fetching, int& depth, size_t num)
        : fetching_(fetching), depth_(depth), num_(num) {
        fetching_[num_] = true;
        ++depth_;
    }
    ~FetchMark() {
        fetching_[num_] = false;
        --depth_;
    }
    FetchMark(const FetchMark&) = delete;
    FetchMark& operator=(const FetchMark&) = delete;

  private:
    std::vector<bool>& fetching_;
    int& depth_;
    size_t num_;
};

}  // namespace

CPdfXRef::CPdfXRef(std::shared_ptr<CPdfStream> base, int64_t headerOffset, int64_t fileSize)
    : impl_(std::make_unique<Impl>()),
      base_(std::move(base)),
      headerOffset_(headerOffset),
      fileSize_(fileSize) {}

CPdfXRef::~CPdfXRef() = default;

void CPdfXRef::read(const std::string& password) {
    CPdfXRefReader reader(*this);
    reader.read(password);
}

void CPdfXRef::dropObjectStreamCaches() {
    impl_->objectStreams.clear();
    impl_->objectStreamData.clear();
}

bool CPdfXRef::isEncrypted(int num) const {
    if (!security_ || num == encryptNum_ || num < 0 || num >= getNumObjects()) return false;
    // Members of an object stream are plain: the object stream around them is encrypted.
    return entries_[static_cast<size_t>(num)].type == xrefUncompressed;
}

CPdfObject CPdfXRef::fetchObject(int num, int gen) {
    if (num < 0 || num >= getNumObjects()) throw CPdfException("Corrupted PDF file");
    const CPdfXRefEntry entry = entries_[static_cast<size_t>(num)];
    if (entry.type == xrefFree) return CPdfObject::makeNull();
    if (entry.type == xrefUncompressed && entry.gen != gen) return CPdfObject::makeNull();

    if (impl_->fetching.size() != entries_.size()) impl_->fetching.resize(entries_.size());
    if (impl_->fetching[static_cast<size_t>(num)] || impl_->fetchDepth >= kMaxFetchDepth) {
        return CPdfObject::makeNull();
    }
    FetchMark mark(impl_->fetching, impl_->fetchDepth, static_cast<size_t>(num));

    if (entry.type == xrefCompressed) {
        if (entry.offset > 0 && entry.offset <= INT_MAX) {
            auto view = objectStreamView(static_cast<int>(entry.offset));
            if (view->holds(entry.gen, num)) return view->getObject(entry.gen, num);
        }
        if (mayBeUnreadable(num)) return CPdfObject::makeNull();
        throw unreadableObject(num, 0,
                               formatText("object stream %lld does not hold it",
                                          static_cast<long long>(entry.offset)));
    }

    int64_t start = headerOffset_ + entry.offset;
    if (entry.offset < 0 || start < 0 || start >= fileSize_) {
        if (mayBeUnreadable(num)) return CPdfObject::makeNull();
        throw unreadableObject(num, gen,
                               formatText("its offset %lld lies outside the file",
                                          static_cast<long long>(entry.offset)));
    }
    ObjectDecryption decryption{security_.get(), num, gen};
    CPdfParser parser(this, base_->makeSubStream(start, false, 0, CPdfObject::makeNull()),
                      isEncrypted(num) ? &decryption : nullptr);
    CPdfObject objNum = parser.nextObject();
    CPdfObject objGen = parser.nextObject();
    CPdfObject keyword = parser.nextObject();
    if (!objNum.isInt() || objNum.getInt() != num || !objGen.isInt() || objGen.getInt() != gen ||
        !keyword.isKeyword("obj")) {
        if (mayBeUnreadable(num)) return CPdfObject::makeNull();
        throw unreadableObject(num, gen,
                               formatText("its offset %lld does not point at \"%d %d obj\"",
                                          static_cast<long long>(entry.offset), num, gen));
    }
    return parser.nextObject();
}

bool CPdfXRef::mayBeUnreadable(int num) const {
    if (num < 0 || num >= getNumObjects()) return true;
    const CPdfXRefEntry& entry = entries_[static_cast<size_t>(num)];
    if (entry.type == xrefUncompressed && entry.offset == 0) return true;
    return std::find(xrefStreamNums_.begin(), xrefStreamNums_.end(), num) != xrefStreamNums_.end();
}

CPdfException unreadableObject(int num, int gen, const std::string& reason) {
    return CPdfException(formatText("object %d %d cannot be read: %s", num, gen, reason.c_str()));
}

int CPdfXRef::getOutputGen(int num) const {
    if (num < 0 || num >= getNumObjects()) return 0;
    const CPdfXRefEntry& entry = entries_[static_cast<size_t>(num)];
    return entry.type == xrefCompressed ? 0 : entry.gen;
}

bool CPdfXRef::getCompressedMemberBytes(int streamNum, int index, int num, std::string& bytes) {
    auto view = objectStreamDataView(streamNum);
    return view->getBytes(index, num, bytes);
}

std::shared_ptr<CPdfObjectStreamData> CPdfXRef::objectStreamDataView(int streamNum) {
    return cachedView(impl_->objectStreamData, streamNum, [&] {
        // Object streams compress a few times over; all of them together decoding to more
        // than this budget is a compression bomb, which would otherwise cost minutes.
        size_t budget =
            kObjectStreamDecodeBase +
            kObjectStreamDecodeRatio * static_cast<size_t>(std::max<int64_t>(0, fileSize_));
        size_t used = impl_->objectStreamBytesDecoded;
        auto view = std::make_shared<CPdfObjectStreamData>(this, streamNum,
                                                           used < budget ? budget - used : 0);
        impl_->objectStreamBytesDecoded += view->getDecodedSize();
        return view;
    });
}

// The parsed view is built from the raw one, so that a stream is decoded once for both.
std::shared_ptr<CPdfObjectStream> CPdfXRef::objectStreamView(int streamNum) {
    return cachedView(impl_->objectStreams, streamNum, [&] {
        return std::make_shared<CPdfObjectStream>(this, *objectStreamDataView(streamNum));
    });
}
