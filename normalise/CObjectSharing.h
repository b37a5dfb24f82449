// Decides which objects of the second document are certainly the same as objects of the first,
// so that the appended copy refers to those instead of carrying them twice.
#pragma once

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "normalise/CObjectReader.h"
#include "normalise/ObjectEdit.h"

// An object N of the second document is shared with object T of the first when N's body, with
// every reference K rewritten to K's own target, is byte for byte T's body. That holds only if
// everything N refers to is shared too, so the targets of N's references are read off T's
// references and checked in turn; a cycle is consistent when it closes on the same pairs.
// Page tree nodes, objects with a /Parent, object streams, annotations and a few others are
// never shared: each copy of the document needs its own.
class CObjectSharing {
  public:
    CObjectSharing(CObjectReader& first, CObjectReader& second);

    // A first-document object as written: its generation, and whether it was written unchanged
    // (only such objects can stand for second-document objects).
    void addFirstObject(int num, const RawObject& obj, bool unchanged);
    // A second-document object that stands for a first-document one (the catalog, say).
    void setFixed(int secondNum, int firstNum);
    // A second-document object that must be written as its own.
    void exclude(int secondNum);
    // Reads every second-document object and decides; onRead is called now and then, after
    // objects were read, for the progress dots.
    void build(const std::function<void()>& onRead);

    // The first-document object that the second-document reference (num, gen) now means, or -1
    // when the reference keeps to the appended copy.
    int getTarget(int num, int gen) const;
    // Whether the second-document object is represented by a first-document one.
    bool isReplaced(int num) const;
    // Generation of a written first-document object.
    int getFirstGen(int num) const;

  private:
    struct Ref {
        int num;
        int gen;
    };
    bool isLiveRef(const Ref& ref) const;
    void scanSecond(const std::function<void()>& onRead);
    void propagateBlocks();
    bool attempt(int num, int target);
    bool verify(int num, int target, std::vector<int>& pending, std::vector<int>& trail);

    CObjectReader& first_;
    CObjectReader& second_;
    int firstCount_;
    int secondCount_;

    // First document: generation of each written object (-1 when not written), and whether it
    // may stand for a second-document object.
    std::vector<int> firstGen_;
    std::vector<bool> targetable_;
    // (fingerprint, number) of every targetable object, sorted once build starts.
    std::vector<std::pair<uint64_t, int>> targets_;

    // Second document: header generation (-1 when the object has no usable text),
    // fingerprint, the never-share marks, and the references of each object.
    std::vector<int> secondGen_;
    std::vector<uint64_t> fingerprint_;
    std::vector<bool> excluded_;
    std::vector<bool> blocked_;
    std::vector<size_t> refStart_;
    std::vector<Ref> refs_;

    std::vector<int> fixed_;
    std::vector<int> shared_;
    std::vector<bool> decided_;
    // Pairs assumed during one attempt; undone unless the attempt succeeds.
    std::vector<int> tentative_;
    // Object pairs compared so far; sharing stops when a hostile file makes this grow too much.
    int64_t comparisons_ = 0;
    int64_t budget_ = 0;
};
