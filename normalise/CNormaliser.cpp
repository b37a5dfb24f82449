// The append engine: page trees hung together, outlines chained, objects renumbered and shared.
#include "normalise/CNormaliser.h"

#include <algorithm>
#include <climits>
#include <set>

#include "normalise/CNormaliseOutput.h"
#include "normalise/CObjectReader.h"
#include "normalise/CObjectSharing.h"
#include "pdf/CPdfDocument.h"
#include "pdf/CPdfException.h"
#include "pdf/FormatText.h"
#include "pdf/ValueText.h"
#include "writer/OutputFile.h"
#include "writer/WriteContext.h"
#include "writer/XRefWriter.h"

namespace {

// A progress dot is printed for every this many object reads.
constexpr int64_t kReadsPerDot = 5001;

struct IndirectRef {
    int num = 0;
    int gen = 0;
};

// The reference stored under key in a dictionary, unresolved; num 0 when there is none.
IndirectRef refUnder(const CPdfObject& dict, const char* key) {
    IndirectRef ref;
    CPdfDict* entries = dict.getDict();
    if (!entries) return ref;
    CPdfObject value = entries->lookupRaw(key);
    if (value.isRef() && value.getRefNum() > 0) {
        ref.num = value.getRefNum();
        ref.gen = value.getRefGen();
    }
    return ref;
}

// The dictionary a reference names; Null when it names anything else.
CPdfObject fetchDict(CPdfXRef& xref, IndirectRef ref) {
    if (ref.num <= 0 || ref.num >= xref.getNumObjects()) return CPdfObject::makeNull();
    CPdfObject obj = xref.fetchObject(ref.num, ref.gen);
    return obj.isDict() ? obj : CPdfObject::makeNull();
}

// The integer under key, followed through a reference.
bool intUnder(const CPdfObject& dict, const char* key, int64_t* value) {
    CPdfDict* entries = dict.getDict();
    if (!entries) return false;
    CPdfObject found = entries->lookup(key);
    if (!found.isInt()) return false;
    *value = found.getInt();
    return true;
}

// The pages under a page tree root: its /Count when that is a sound integer, else the pages
// counted as the conversion finds them (a node without a /Kids array is a page, a node met
// twice counts once), as a reader takes the real count over a stated "/Count 3.0".
int64_t pageCount(CPdfXRef& xref, const CPdfObject& root, int rootNum) {
    int64_t stated = 0;
    if (intUnder(root, "Count", &stated) && stated >= 0) return stated;
    int64_t pages = 0;
    std::set<int> visited{rootNum};
    std::vector<CPdfObject> pending{root};
    while (!pending.empty()) {
        CPdfObject node = std::move(pending.back());
        pending.pop_back();
        CPdfObject kids = node.getDict()->lookup("Kids");
        if (!kids.isArray()) {
            pages++;
            continue;
        }
        CPdfArray* array = kids.getArray();
        for (int i = 0; i < array->getLength(); i++) {
            CPdfObject kid = array->getRaw(i);
            if (!kid.isRef() || !visited.insert(kid.getRefNum()).second) continue;
            CPdfObject child = fetchDict(xref, IndirectRef{kid.getRefNum(), kid.getRefGen()});
            if (!child.isNull()) pending.push_back(std::move(child));
        }
    }
    return pages;
}

// Object streams, cross-reference streams and linearization dictionaries only describe how
// the input was stored; the output is stored differently, so they are never written.
bool isStorageObject(const RawObject& obj) {
    // Most objects cannot be one: their dictionary holds none of the names, nor an escape that
    // could spell one, and is not walked at all.
    if (!obj.dictContains("ObjStm") && !obj.dictContains("XRef") &&
        !obj.dictContains("Linearized") && !obj.dictContains("#")) {
        return false;
    }
    DictEntry linearized;
    return topLevelValueIs(obj, "Type", "/ObjStm") || topLevelValueIs(obj, "Type", "/XRef") ||
           findTopLevelEntry(obj, "Linearized", linearized);
}

// The end of an object's value when it is an array: one past its "]"; kNoPos otherwise.
size_t arrayBodyEnd(const RawObject& obj) {
    size_t value = findObjectValue(obj.text);
    if (value == kNoPos || obj.text[value] != '[') return kNoPos;
    return findValueEnd(obj.text, value);
}

std::string refText(int64_t num, int gen) {
    return intText(num) + " " + intText(gen) + " R";
}

}  // namespace

CNormaliser::CNormaliser() = default;
CNormaliser::~CNormaliser() = default;

void CNormaliser::run(const std::string& first, const std::string& second,
                      CNormaliseOutput& output) {
    outputName_ = output.name();
    doc1_ = std::make_unique<CPdfDocument>();
    doc1_->open(first, password_);
    doc2_ = std::make_unique<CPdfDocument>();
    doc2_->open(second, password_);

    bool tempName = outputName_.compare(0, 5, "temp_") == 0;
    printf("\r\nAppending file: ");
    if (!tempName) printf("%s and file: ", first.c_str());
    printf("'%s' to output file: '%s'\r\n", second.c_str(),
           tempName ? first.c_str() : outputName_.c_str());

    raw1_.reset(fopen(first.c_str(), "rb"));
    if (!raw1_) throw CPdfException(formatText("File1 open error: '%s'", first.c_str()));
    raw2_.reset(fopen(second.c_str(), "rb"));
    if (!raw2_) throw CPdfException(formatText("File2 open error: '%s'", second.c_str()));
    // Creating the output over an input would destroy the bytes about to be read.
    if (sameFile(outputName_, first) || sameFile(outputName_, second)) {
        throw CPdfException(formatText("File output error: '%s'", outputName_.c_str()));
    }
    output_ = &output;
    output_->create();
    printf("Processing");
    processing_ = true;

    reader1_ = std::make_unique<CObjectReader>(*doc1_, raw1_.get());
    reader2_ = std::make_unique<CObjectReader>(*doc2_, raw2_.get());
    sharing_ = std::make_unique<CObjectSharing>(*reader1_, *reader2_);
    int count1 = reader1_->getCount();
    int count2 = reader2_->getCount();
    offset_ = std::max(count1 - 1, 0);
    int64_t total = std::max<int64_t>({1, count1, offset_ + count2});
    offsets_.reset(static_cast<int>(total));
    firstChanged_.assign(static_cast<size_t>(count1), false);

    root1_ = doc1_->getXRef()->getRootNum();
    info1_ = doc1_->getXRef()->getInfoNum();
    root2_ = doc2_->getXRef()->getRootNum();
    info2_ = doc2_->getXRef()->getInfoNum();
    for (int num : {root1_, info1_}) {
        if (num > 0 && num < count1) firstChanged_[static_cast<size_t>(num)] = true;
    }
    // The second catalog and information dictionary are not written: references to them
    // mean the first document's.
    sharing_->setFixed(root2_, root1_);
    sharing_->setFixed(info2_, info1_);
    planPageTrees();
    if (joinOutlines_) planOutlines();

    output_->write(
        joinedHeaderText(raw1_.get(), *doc1_->getXRef(), raw2_.get(), *doc2_->getXRef()));
    writeFirst();
    if (root1_ <= 0 || root1_ >= count1 || !offsets_.isWritten(root1_)) {
        throw CPdfException("The catalog of the document cannot be read");
    }
    sharing_->build([this] { tick(); });
    writeSecond();
    writeXRefAndTrailer();
    output_->finish();
    fflush(stdout);
}

void CNormaliser::planPageTrees() {
    CPdfXRef& xref1 = *doc1_->getXRef();
    CPdfXRef& xref2 = *doc2_->getXRef();
    CPdfObject catalog1 = fetchDict(xref1, IndirectRef{root1_, xref1.getRootGen()});
    CPdfObject catalog2 = fetchDict(xref2, IndirectRef{root2_, xref2.getRootGen()});
    IndirectRef pages1 = refUnder(catalog1, "Pages");
    IndirectRef pages2 = refUnder(catalog2, "Pages");
    pagesRoot1_ = pages1.num;
    pagesRoot2_ = pages2.num;
    CPdfObject node1 = fetchDict(xref1, pages1);
    CPdfObject node2 = fetchDict(xref2, pages2);
    // Without both roots there is nothing to hang together; the conversion then finds fewer
    // pages than split-back needs and says so.
    if (node1.isNull() || node2.isNull() || pages1.num >= reader1_->getCount()) return;
    int64_t count1 = pageCount(xref1, node1, pages1.num);
    int64_t count2 = pageCount(xref2, node2, pages2.num);
    // The first root's count is raised; a count object of the second root must stay the
    // second tree's own.
    sharing_->exclude(refUnder(node2, "Count").num);
    sharing_->exclude(pages2.num);

    std::string kid = refText(pages2.num + offset_, pages2.gen);
    CPdfObject kids = node1.getDict()->lookupRaw("Kids");
    if (kids.isArray()) {
        firstPatches_[pages1.num].push_back(PatchOp{PatchOp::appendToKey, "Kids", kid});
    } else if (kids.isRef()) {
        // The array lives in an object of its own: that object is extended.
        RawObject holder;
        int holderNum = kids.getRefNum();
        if (!reader1_->read(holderNum, holder) || arrayBodyEnd(holder) == kNoPos) return;
        firstPatches_[holderNum].push_back(PatchOp{PatchOp::appendToBody, "", kid});
        firstChanged_[static_cast<size_t>(holderNum)] = true;
    } else {
        return;
    }
    // An indirect count is replaced by the direct sum; its object stays as it is.
    firstPatches_[pages1.num].push_back(PatchOp{
        PatchOp::setKey, "Count", formatText("%lld", static_cast<long long>(count1 + count2))});
    firstChanged_[static_cast<size_t>(pages1.num)] = true;
    mergePages_ = true;
}

void CNormaliser::planOutlines() {
    CPdfXRef& xref1 = *doc1_->getXRef();
    CPdfXRef& xref2 = *doc2_->getXRef();
    CPdfObject catalog1 = fetchDict(xref1, IndirectRef{root1_, xref1.getRootGen()});
    CPdfObject catalog2 = fetchDict(xref2, IndirectRef{root2_, xref2.getRootGen()});
    IndirectRef outline1 = refUnder(catalog1, "Outlines");
    IndirectRef outline2 = refUnder(catalog2, "Outlines");
    CPdfObject root1 = fetchDict(xref1, outline1);
    CPdfObject root2 = fetchDict(xref2, outline2);
    if (root2.isNull()) return;
    if (root1.isNull()) {
        // Only the second document has an outline: the first catalog takes it over.
        if (root1_ <= 0 || root1_ >= reader1_->getCount()) return;
        firstPatches_[root1_].push_back(
            PatchOp{PatchOp::setKey, "Outlines", refText(outline2.num + offset_, outline2.gen)});
        sharing_->exclude(outline2.num);
        return;
    }
    IndirectRef first2 = refUnder(root2, "First");
    IndirectRef last2 = refUnder(root2, "Last");
    IndirectRef last1 = refUnder(root1, "Last");
    if (first2.num == 0 || last2.num == 0 || outline1.num >= reader1_->getCount() ||
        last1.num >= reader1_->getCount()) {
        return;
    }
    // The second outline root is dropped: its items hang under the first root instead.
    sharing_->setFixed(outline2.num, outline1.num);
    sharing_->exclude(first2.num);
    sharing_->exclude(last2.num);
    firstChanged_[static_cast<size_t>(outline1.num)] = true;
    std::vector<PatchOp>& ops = firstPatches_[outline1.num];
    ops.push_back(PatchOp{PatchOp::setKey, "Last", refText(last2.num + offset_, last2.gen)});
    if (last1.num > 0) {
        firstPatches_[last1.num].push_back(
            PatchOp{PatchOp::setKey, "Next", refText(first2.num + offset_, first2.gen)});
        firstChanged_[static_cast<size_t>(last1.num)] = true;
        outlineFirst2_ = first2.num;
        outlineLast1_ = last1.num;
    } else {
        ops.push_back(PatchOp{PatchOp::setKey, "First", refText(first2.num + offset_, first2.gen)});
    }
    // The root counts the open items of both trees.
    int64_t count1 = 0, count2 = 0;
    if (intUnder(root2, "Count", &count2) && count2 > 0) {
        if (!intUnder(root1, "Count", &count1) || count1 < 0) count1 = 0;
        ops.push_back(PatchOp{PatchOp::setKey, "Count",
                              formatText("%lld", static_cast<long long>(count1 + count2))});
    }
}

void CNormaliser::writeFirst() {
    RawObject obj;
    for (int num = 1; num < reader1_->getCount(); num++) {
        tick();
        if (reader1_->isObjectStream(num) || !reader1_->read(num, obj) || isStorageObject(obj)) {
            continue;
        }
        auto patch = firstPatches_.find(num);
        std::string text = obj.text;
        if (patch != firstPatches_.end()) {
            std::vector<TextEdit> edits;
            patchEdits(obj, patch->second, edits);
            text = applyEdits(obj.text, 0, obj.text.size(), std::move(edits));
        }
        // Edits touch numbers only, never strings or stream data: an encrypted object keeps its
        // bytes under its own number, and only members of object streams need encrypting.
        writeObject(
            num, obj.gen,
            outputStoredText(*doc1_->getXRef(), num, obj.gen, num, obj.gen, text, obj.dataLength),
            obj.lineEnd);
        sharing_->addFirstObject(num, obj, !firstChanged_[static_cast<size_t>(num)]);
    }
}

void CNormaliser::writeSecond() {
    RawObject obj;
    for (int num = 1; num < reader2_->getCount(); num++) {
        tick();
        if (num == root2_ || sharing_->isReplaced(num) || reader2_->isObjectStream(num) ||
            !reader2_->read(num, obj) || isStorageObject(obj)) {
            continue;
        }
        std::vector<PatchOp> ops;
        if (mergePages_ && num == pagesRoot2_) {
            int gen = offsets_.at(pagesRoot1_).gen;
            ops.push_back(PatchOp{PatchOp::setKey, "Parent", refText(pagesRoot1_, gen)});
        }
        if (outlineFirst2_ > 0 && num == outlineFirst2_) {
            int gen = offsets_.at(outlineLast1_).gen;
            ops.push_back(PatchOp{PatchOp::setKey, "Prev", refText(outlineLast1_, gen)});
        }
        std::vector<TextEdit> edits;
        patchEdits(obj, ops, edits);
        size_t patched = edits.size();
        for (const TextReference& ref : obj.refs) {
            bool replaced = false;
            for (size_t i = 0; i < patched; i++) {
                if (ref.start >= edits[i].start && ref.end <= edits[i].end) replaced = true;
            }
            int64_t outNum = 0;
            int outGen = 0;
            if (replaced || !mapSecondRef(ref.num, ref.gen, &outNum, &outGen)) continue;
            edits.push_back(TextEdit{ref.start, ref.numEnd, intText(outNum)});
            edits.push_back(TextEdit{ref.genStart, ref.genEnd, intText(outGen)});
        }
        int64_t outNum = num + offset_;
        std::string text = intText(outNum) + " " + intText(obj.gen) + " obj" +
                           applyEdits(obj.text, obj.bodyStart, obj.text.size(), std::move(edits));
        // The second copy's objects have new numbers, and so the keys of new numbers.
        writeObject(outNum, obj.gen,
                    outputStoredText(*doc2_->getXRef(), num, obj.gen, static_cast<int>(outNum),
                                     obj.gen, text, obj.dataLength),
                    obj.lineEnd);
    }
}

bool CNormaliser::mapSecondRef(int num, int gen, int64_t* outNum, int* outGen) const {
    // Digits too long for a number stay as they are: they name nothing in either file.
    if (num < 0 || gen < 0) return false;
    int target = sharing_->getTarget(num, gen);
    if (target > 0) {
        *outNum = target;
        *outGen = sharing_->getFirstGen(target);
        return true;
    }
    // Object 0 is free in every file.
    if (num == 0) return false;
    *outNum = num + offset_;
    *outGen = gen;
    return true;
}

void CNormaliser::patchEdits(const RawObject& obj, const std::vector<PatchOp>& ops,
                             std::vector<TextEdit>& edits) {
    auto insertItem = [&obj, &edits](size_t at, const std::string& item) {
        bool spaced = at > 0 && isTextWhite(static_cast<unsigned char>(obj.text[at - 1]));
        edits.push_back(TextEdit{at, at, (spaced ? "" : " ") + item + " "});
    };
    for (const PatchOp& op : ops) {
        DictEntry entry;
        bool found = findTopLevelEntry(obj, op.key.c_str(), entry);
        switch (op.kind) {
            case PatchOp::setKey:
                if (found) {
                    edits.push_back(TextEdit{entry.valueBegin, entry.valueEnd, op.text});
                } else if (size_t dict = findObjectDict(obj.text); dict != kNoPos) {
                    edits.push_back(
                        TextEdit{dict + 2, dict + 2, "/" + op.key + " " + op.text + " "});
                }
                break;
            case PatchOp::appendToKey:
                if (found && obj.text[entry.valueBegin] == '[') {
                    insertItem(entry.valueEnd - 1, op.text);
                }
                break;
            case PatchOp::appendToBody:
                if (size_t end = arrayBodyEnd(obj); end != kNoPos) insertItem(end - 1, op.text);
                break;
        }
    }
}

void CNormaliser::writeObject(int64_t outNum, int gen, const std::string& text, char lineEnd) {
    offsets_.record(static_cast<int>(outNum), gen, output_->position());
    output_->write(text);
    char end = lineEnd ? lineEnd : '\n';
    output_->write(&end, 1);
}

void CNormaliser::writeXRefAndTrailer() {
    int64_t start = output_->position();
    writeXRefTable(offsets_, [this](const std::string& text) { output_->write(text); });
    bool infoWritten = info1_ > 0 && info1_ < reader1_->getCount() && offsets_.isWritten(info1_);
    output_->write(trailerText(offsets_, start, root1_, infoWritten ? info1_ : 0,
                               encryptionTrailerEntries(*doc1_->getXRef())));
}

void CNormaliser::tick() {
    int64_t reads = reader1_->getReadCount() + reader2_->getReadCount();
    while (dotsPrinted_ < reads / kReadsPerDot) {
        if (progressDots_) printf(".");
        dotsPrinted_++;
    }
}

namespace {

bool appendAndReport(const std::string& first, const std::string& second, CNormaliseOutput& output,
                     bool progressDots, const std::string& password = std::string(),
                     bool joinOutlines = true) {
    CNormaliser normaliser;
    normaliser.showProgressDots(progressDots);
    normaliser.setPassword(password);
    normaliser.joinOutlines(joinOutlines);
    bool done = false;
    try {
        normaliser.run(first, second, output);
        done = true;
    } catch (const CPdfException& e) {
        // A failure after "Processing" starts a line of its own.
        if (normaliser.isProcessing()) printf("\r\n");
        if (e.getKind() == CPdfException::Kind::encrypted) printf("PDF file is encrypted\r\n");
        printf("%s\r\n", e.getMessage().c_str());
    } catch (...) {
        if (normaliser.isProcessing()) printf("\r\n");
        printf("Unexpected exception\r\n");
    }
    fflush(stdout);
    return done;
}

}  // namespace

bool normalise(const std::string& first, const std::string& second, const std::string& output) {
    CNormaliseOutput file(output);
    return appendAndReport(first, second, file, true);
}

bool normalise(const std::string& first, const std::string& second, OutputFile& output,
               bool progressDots, const std::string& password, bool joinOutlines) {
    CNormaliseOutput file(output);
    return appendAndReport(first, second, file, progressDots, password, joinOutlines);
}
