// PDF values: a small tagged value with owned text or a shared container (array, dictionary,
// stream).
#pragma once

#include <algorithm>
#include <climits>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

class CPdfXRef;
class CPdfArray;
class CPdfDict;
class CPdfStream;

// The codes are fixed: the reader and its tests rely on them.
enum CPdfObjType {
    objBool = 0,
    objInt = 1,
    objReal = 2,
    objString = 3,
    objName = 4,
    objNull = 5,
    objArray = 6,
    objDict = 7,
    objStream = 8,
    objRef = 9,
    objKeyword = 10,
    objError = 11,
    objEOF = 12,
    objNone = 13
};

// A value object. Copying duplicates its text and shares its container; moving leaves None behind.
class CPdfObject {
  public:
    CPdfObject() = default;
    CPdfObject(const CPdfObject& other) = default;
    CPdfObject& operator=(const CPdfObject& other) = default;
    CPdfObject(CPdfObject&& other) noexcept;
    CPdfObject& operator=(CPdfObject&& other) noexcept;
    virtual ~CPdfObject() = default;

    static CPdfObject makeBool(bool value);
    static CPdfObject makeInt(int64_t value);
    static CPdfObject makeReal(double value);
    static CPdfObject makeString(std::string bytes);
    static CPdfObject makeName(std::string name);
    static CPdfObject makeKeyword(std::string text);
    static CPdfObject makeNull();
    static CPdfObject makeError();
    static CPdfObject makeEOF();
    static CPdfObject makeRef(int num, int gen);
    static CPdfObject makeArray(CPdfXRef* xref);
    static CPdfObject makeDict(CPdfXRef* xref);
    static CPdfObject makeDict(std::shared_ptr<CPdfDict> dict);
    static CPdfObject makeStream(std::shared_ptr<CPdfStream> stream);

    // Back to None, releasing text or the share of a container.
    void free();

    CPdfObjType getType() const { return type_; }
    bool isBool() const { return type_ == objBool; }
    bool isInt() const { return type_ == objInt; }
    bool isReal() const { return type_ == objReal; }
    bool isNum() const { return type_ == objInt || type_ == objReal; }
    bool isString() const { return type_ == objString; }
    bool isName() const { return type_ == objName; }
    bool isName(const char* name) const { return type_ == objName && text_ == name; }
    bool isNull() const { return type_ == objNull; }
    bool isArray() const { return type_ == objArray; }
    bool isDict() const { return type_ == objDict; }
    bool isStream() const { return type_ == objStream; }
    bool isRef() const { return type_ == objRef; }
    bool isKeyword() const { return type_ == objKeyword; }
    bool isKeyword(const char* text) const { return type_ == objKeyword && text_ == text; }
    bool isError() const { return type_ == objError; }
    bool isEOF() const { return type_ == objEOF; }
    bool isNone() const { return type_ == objNone; }

    bool getBool() const { return boolValue_; }
    // The integer held inside the int range: object numbers, counts and flags never need more,
    // and a huge value stays huge instead of wrapping.
    int getInt() const {
        return static_cast<int>(std::clamp<int64_t>(intValue_, INT_MIN, INT_MAX));
    }
    // The integer in full: file offsets and lengths pass 2 GiB in large files.
    int64_t getInt64() const { return intValue_; }
    double getReal() const { return realValue_; }
    // An Int or a Real as a double.
    double getNum() const { return type_ == objInt ? static_cast<double>(intValue_) : realValue_; }
    // The bytes of a String; the text of a Name, or of a Keyword (the word read). Empty for
    // every other kind.
    const std::string& getString() const { return text_; }
    const std::string& getName() const { return text_; }
    int getRefNum() const { return refNum_; }
    int getRefGen() const { return refGen_; }

    // The container of an Array, Dict or Stream; null for every other kind.
    CPdfArray* getArray() const;
    CPdfDict* getDict() const;
    CPdfStream* getStream() const;
    std::shared_ptr<CPdfDict> shareDict() const;
    // A Dict's dictionary, or the dictionary of a Stream; null otherwise.
    CPdfDict* getDictOrStreamDict() const;

    // A Ref resolved through the cross-reference component; any other value (or no xref) as itself.
    CPdfObject fetchObject(CPdfXRef* xref) const;

  private:
    CPdfObjType type_ = objNone;
    bool boolValue_ = false;
    int64_t intValue_ = 0;
    double realValue_ = 0.0;
    int refNum_ = 0;
    int refGen_ = 0;
    std::string text_;
    std::shared_ptr<void> container_;
};

// An ordered list of values, bound to the cross-reference component that resolves its elements.
class CPdfArray {
  public:
    explicit CPdfArray(CPdfXRef* xref) : xref_(xref) {}
    void add(CPdfObject value) { elements_.push_back(std::move(value)); }
    int getLength() const { return static_cast<int>(elements_.size()); }
    // Element i as stored (a Ref stays a Ref).
    CPdfObject getRaw(int i) const;
    // Element i resolved one level through the cross-reference component.
    CPdfObject get(int i) const;
    const CPdfObject& at(int i) const { return elements_[static_cast<size_t>(i)]; }
    CPdfXRef* getXRef() const { return xref_; }
    void setXRef(CPdfXRef* xref) { xref_ = xref; }

  private:
    CPdfXRef* xref_;
    std::vector<CPdfObject> elements_;
};

// A dictionary with byte-ordered keys; the first occurrence of a key wins.
class CPdfDict {
  public:
    explicit CPdfDict(CPdfXRef* xref) : xref_(xref) {}
    // Stores the value unless the key is present already.
    void add(const std::string& key, CPdfObject value);
    // Value resolved one level; Null when the key is absent.
    CPdfObject lookup(const std::string& key) const;
    // Value as stored; Null when the key is absent.
    CPdfObject lookupRaw(const std::string& key) const;
    bool has(const std::string& key) const { return entries_.count(key) != 0; }
    int getLength() const { return static_cast<int>(entries_.size()); }
    // Ordered traversal: std::string compares bytes as unsigned, shorter prefix first.
    const std::map<std::string, CPdfObject>& entries() const { return entries_; }
    CPdfXRef* getXRef() const { return xref_; }
    void setXRef(CPdfXRef* xref) { xref_ = xref; }

  private:
    CPdfXRef* xref_;
    std::map<std::string, CPdfObject> entries_;
};
