// The append engine: page trees hung together, outlines chained, objects renumbered and shared.
#include "normalise/CNormaliser.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <set>

#include "normalise/CNormaliseOutput.h"
#include "normalise/CObjectReader.h"
#include "normalise/CObjectSharing.h"
#include "pdf/CPdfDocument.h"
#include "pdf/CPdfException.h"
#include "pdf/FormatText.h"
#include "writer/OutputFile.h"

namespace {

// A progress dot is printed for every this many object reads.
constexpr int64_t kReadsPerDot = 5001;
// A classic cross-reference entry has ten digits for the offset.
constexpr int64_t kMaxTableOffset = 9999999999LL;
// The header lines copied from the first input are looked for in this many bytes.
constexpr size_t kMaxHeaderBytes = 4096;
// The table is written in pieces of about this size.
constexpr size_t kTableChunk = 64 * 1024;

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

bool isWhiteByte(char c) {
    return c == 0 || c == 9 || c == 10 || c == 12 || c == 13 || c == 32;
}

// Object streams, cross-reference streams and linearization dictionaries only describe how
// the input was stored; the output is stored differently, so they are never written.
bool isStorageObject(const RawObject& obj) {
    size_t first = 0, last = 0;
    return topLevelValueIs(obj, "Type", "/ObjStm") || topLevelValueIs(obj, "Type", "/XRef") ||
           findTopLevelValue(obj, "Linearized", &first, &last);
}

size_t readAt(FILE* file, int64_t pos, char* buffer, size_t count) {
    if (pos < 0 || fseeko(file, static_cast<off_t>(pos), SEEK_SET) != 0) return 0;
    return fread(buffer, 1, count, file);
}

// "%PDF-M.m" at the start of bytes: the version as M * 10 + m, or -1.
int headerVersion(const char* bytes, size_t length) {
    if (length < 8 || std::memcmp(bytes, "%PDF-", 5) != 0 || bytes[6] != '.') return -1;
    if (bytes[5] < '0' || bytes[5] > '9' || bytes[7] < '0' || bytes[7] > '9') return -1;
    return (bytes[5] - '0') * 10 + (bytes[7] - '0');
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
    doc1_->open(first);
    doc2_ = std::make_unique<CPdfDocument>();
    doc2_->open(second);

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
    records_.assign(static_cast<size_t>(total), Record());
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
    planOutlines();

    writeHeader();
    writeFirst();
    if (root1_ <= 0 || root1_ >= count1 || !records_[static_cast<size_t>(root1_)].written) {
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
        if (!reader1_->read(holderNum, holder) || holder.tokens.empty() ||
            holder.tokens[0].kind != RawTokenKind::arrayOpen ||
            findClosingToken(holder, 0) >= holder.tokens.size()) {
            return;
        }
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

void CNormaliser::writeHeader() {
    char head1[kMaxHeaderBytes], head2[16];
    int64_t header1 = doc1_->getHeaderOffset();
    size_t got1 = readAt(raw1_.get(), header1, head1, sizeof head1);
    size_t got2 = readAt(raw2_.get(), doc2_->getHeaderOffset(), head2, sizeof head2);
    int version = std::max(headerVersion(head1, got1), headerVersion(head2, got2));
    if (version < 0) version = 14;

    // Up to the first object: the version line and the comment lines right after it.
    int64_t firstObject = INT64_MAX;
    CPdfXRef& xref = *doc1_->getXRef();
    for (const CPdfXRefEntry& entry : xref.getEntries()) {
        if (entry.type == xrefUncompressed && entry.offset > 0) {
            firstObject = std::min(firstObject, entry.offset);
        }
    }
    size_t limit = static_cast<size_t>(std::min<int64_t>(firstObject, static_cast<int64_t>(got1)));
    std::string header;
    if (headerVersion(head1, got1) >= 0) {
        size_t end = 0;
        size_t at = 0;
        while (at < limit && head1[at] == '%') {
            size_t eol = at;
            while (eol < limit && head1[eol] != '\r' && head1[eol] != '\n') eol++;
            if (eol >= limit) break;
            if (head1[eol] == '\r' && eol + 1 < limit && head1[eol + 1] == '\n') eol++;
            end = at = eol + 1;
        }
        header.assign(head1, end);
    }
    if (header.empty()) header = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n";
    header[5] = static_cast<char>('0' + version / 10);
    header[7] = static_cast<char>('0' + version % 10);
    output_->write(header);
}

void CNormaliser::writeFirst() {
    RawObject obj;
    for (int num = 1; num < reader1_->getCount(); num++) {
        tick();
        if (reader1_->isObjectStream(num) || !reader1_->read(num, obj) || isStorageObject(obj)) {
            continue;
        }
        auto patch = firstPatches_.find(num);
        if (patch == firstPatches_.end()) {
            writeObject(num, obj.gen, obj.text, obj.lineEnd);
        } else {
            std::vector<TextEdit> edits;
            patchEdits(obj, patch->second, edits);
            writeObject(num, obj.gen, applyEdits(obj.text, 0, obj.text.size(), std::move(edits)),
                        obj.lineEnd);
        }
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
            int gen = records_[static_cast<size_t>(pagesRoot1_)].gen;
            ops.push_back(PatchOp{PatchOp::setKey, "Parent", refText(pagesRoot1_, gen)});
        }
        if (outlineFirst2_ > 0 && num == outlineFirst2_) {
            int gen = records_[static_cast<size_t>(outlineLast1_)].gen;
            ops.push_back(PatchOp{PatchOp::setKey, "Prev", refText(outlineLast1_, gen)});
        }
        std::vector<TextEdit> edits;
        patchEdits(obj, ops, edits);
        size_t patched = edits.size();
        for (const RawToken& token : obj.tokens) {
            if (token.kind != RawTokenKind::ref) continue;
            bool replaced = false;
            for (size_t i = 0; i < patched; i++) {
                if (token.start >= edits[i].start && token.end <= edits[i].end) replaced = true;
            }
            int64_t outNum = 0;
            int outGen = 0;
            if (replaced || !mapSecondRef(token.refNum, token.refGen, &outNum, &outGen)) continue;
            edits.push_back(TextEdit{token.start, token.numEnd, intText(outNum)});
            edits.push_back(TextEdit{token.genStart, token.genEnd, intText(outGen)});
        }
        int64_t outNum = num + offset_;
        std::string text = intText(outNum) + " " + intText(obj.gen) + " obj" +
                           applyEdits(obj.text, obj.bodyStart, obj.text.size(), std::move(edits));
        writeObject(outNum, obj.gen, text, obj.lineEnd);
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
        std::string spaced = at > 0 && isWhiteByte(obj.text[at - 1]) ? "" : " ";
        edits.push_back(TextEdit{at, at, spaced + item + " "});
    };
    for (const PatchOp& op : ops) {
        size_t first = 0, last = 0;
        bool found = findTopLevelValue(obj, op.key.c_str(), &first, &last);
        switch (op.kind) {
            case PatchOp::setKey:
                if (found) {
                    edits.push_back(
                        TextEdit{obj.tokens[first].start, obj.tokens[last].end, op.text});
                } else if (!obj.tokens.empty() && obj.tokens[0].kind == RawTokenKind::dictOpen) {
                    size_t at = obj.tokens[0].end;
                    edits.push_back(TextEdit{at, at, "/" + op.key + " " + op.text + " "});
                }
                break;
            case PatchOp::appendToKey:
                if (found && obj.tokens[first].kind == RawTokenKind::arrayOpen) {
                    insertItem(obj.tokens[last].start, op.text);
                }
                break;
            case PatchOp::appendToBody:
                if (!obj.tokens.empty() && obj.tokens[0].kind == RawTokenKind::arrayOpen) {
                    size_t close = findClosingToken(obj, 0);
                    if (close < obj.tokens.size()) insertItem(obj.tokens[close].start, op.text);
                }
                break;
        }
    }
}

void CNormaliser::writeObject(int64_t outNum, int gen, const std::string& text, char lineEnd) {
    Record& record = records_[static_cast<size_t>(outNum)];
    record.offset = output_->position();
    record.gen = gen;
    record.written = true;
    output_->write(text);
    char end = lineEnd ? lineEnd : '\n';
    output_->write(&end, 1);
}

void CNormaliser::writeXRefAndTrailer() {
    int64_t start = output_->position();
    int64_t size = static_cast<int64_t>(records_.size());
    std::string chunk = formatText("xref\n0 %lld\r", static_cast<long long>(size));
    chunk += "0000000000 65535 f \r";
    for (size_t num = 1; num < records_.size(); num++) {
        const Record& record = records_[num];
        if (!record.written) {
            chunk += "0000000000 00000 f \r";
        } else {
            if (record.offset > kMaxTableOffset) {
                throw CPdfException(
                    formatText("Output file too large for a cross-reference table: '%s'",
                               outputName_.c_str()));
            }
            appendXRefEntry(chunk, static_cast<long long>(record.offset), record.gen);
        }
        if (chunk.size() >= kTableChunk) {
            output_->write(chunk);
            chunk.clear();
        }
    }
    chunk += formatText("trailer\n<<\n/Size %lld\n", static_cast<long long>(size));
    chunk += "/Root " + refText(root1_, records_[static_cast<size_t>(root1_)].gen) + "\n";
    if (info1_ > 0 && info1_ < reader1_->getCount() &&
        records_[static_cast<size_t>(info1_)].written) {
        chunk += "/Info " + refText(info1_, records_[static_cast<size_t>(info1_)].gen) + "\n";
    }
    chunk += formatText(">>\nstartxref\n%lld\n%%%%EOF", static_cast<long long>(start));
    output_->write(chunk);
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
                     bool progressDots) {
    CNormaliser normaliser;
    normaliser.showProgressDots(progressDots);
    bool done = false;
    try {
        normaliser.run(first, second, output);
        done = true;
    } catch (const CPdfException& e) {
        // A failure after "Processing" starts a line of its own.
        if (normaliser.isProcessing()) printf("\r\n");
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
               bool progressDots) {
    CNormaliseOutput file(output);
    return appendAndReport(first, second, file, progressDots);
}
