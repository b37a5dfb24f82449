// PDF values: construction, sharing and one-level resolution.
#include "pdf/CPdfObject.h"

#include "pdf/CPdfStream.h"
#include "pdf/CPdfXRef.h"

CPdfObject::CPdfObject(CPdfObject&& other) noexcept {
    *this = std::move(other);
}

CPdfObject& CPdfObject::operator=(CPdfObject&& other) noexcept {
    if (this != &other) {
        type_ = other.type_;
        boolValue_ = other.boolValue_;
        intValue_ = other.intValue_;
        realValue_ = other.realValue_;
        refNum_ = other.refNum_;
        refGen_ = other.refGen_;
        text_ = std::move(other.text_);
        container_ = std::move(other.container_);
        other.free();
    }
    return *this;
}

void CPdfObject::free() {
    type_ = objNone;
    text_.clear();
    container_.reset();
}

CPdfObject CPdfObject::makeBool(bool value) {
    CPdfObject obj;
    obj.type_ = objBool;
    obj.boolValue_ = value;
    return obj;
}

CPdfObject CPdfObject::makeInt(int64_t value) {
    CPdfObject obj;
    obj.type_ = objInt;
    obj.intValue_ = value;
    return obj;
}

CPdfObject CPdfObject::makeReal(double value) {
    CPdfObject obj;
    obj.type_ = objReal;
    obj.realValue_ = value;
    return obj;
}

CPdfObject CPdfObject::makeString(std::string bytes) {
    CPdfObject obj;
    obj.type_ = objString;
    obj.text_ = std::move(bytes);
    return obj;
}

CPdfObject CPdfObject::makeName(std::string name) {
    CPdfObject obj;
    obj.type_ = objName;
    obj.text_ = std::move(name);
    return obj;
}

CPdfObject CPdfObject::makeKeyword(std::string text) {
    CPdfObject obj;
    obj.type_ = objKeyword;
    obj.text_ = std::move(text);
    return obj;
}

CPdfObject CPdfObject::makeNull() {
    CPdfObject obj;
    obj.type_ = objNull;
    return obj;
}

CPdfObject CPdfObject::makeError() {
    CPdfObject obj;
    obj.type_ = objError;
    return obj;
}

CPdfObject CPdfObject::makeEOF() {
    CPdfObject obj;
    obj.type_ = objEOF;
    return obj;
}

CPdfObject CPdfObject::makeRef(int num, int gen) {
    CPdfObject obj;
    obj.type_ = objRef;
    obj.refNum_ = num;
    obj.refGen_ = gen;
    return obj;
}

CPdfObject CPdfObject::makeArray(CPdfXRef* xref) {
    CPdfObject obj;
    obj.type_ = objArray;
    obj.container_ = std::make_shared<CPdfArray>(xref);
    return obj;
}

CPdfObject CPdfObject::makeDict(CPdfXRef* xref) {
    CPdfObject obj;
    obj.type_ = objDict;
    obj.container_ = std::make_shared<CPdfDict>(xref);
    return obj;
}

CPdfObject CPdfObject::makeDict(std::shared_ptr<CPdfDict> dict) {
    CPdfObject obj;
    obj.type_ = objDict;
    obj.container_ = std::move(dict);
    return obj;
}

CPdfObject CPdfObject::makeStream(std::shared_ptr<CPdfStream> stream) {
    CPdfObject obj;
    obj.type_ = objStream;
    obj.container_ = std::move(stream);
    return obj;
}

CPdfArray* CPdfObject::getArray() const {
    return type_ == objArray ? static_cast<CPdfArray*>(container_.get()) : nullptr;
}

CPdfDict* CPdfObject::getDict() const {
    return type_ == objDict ? static_cast<CPdfDict*>(container_.get()) : nullptr;
}

CPdfStream* CPdfObject::getStream() const {
    return type_ == objStream ? static_cast<CPdfStream*>(container_.get()) : nullptr;
}

std::shared_ptr<CPdfDict> CPdfObject::shareDict() const {
    return type_ == objDict ? std::static_pointer_cast<CPdfDict>(container_) : nullptr;
}

CPdfDict* CPdfObject::getDictOrStreamDict() const {
    if (type_ == objDict) return getDict();
    if (type_ == objStream && getStream()) return getStream()->getDict().getDict();
    return nullptr;
}

CPdfObject CPdfObject::fetchObject(CPdfXRef* xref) const {
    if (type_ == objRef && xref) return xref->fetchObject(refNum_, refGen_);
    return *this;
}

CPdfObject CPdfArray::getRaw(int i) const {
    if (i < 0 || i >= getLength()) return CPdfObject::makeNull();
    return elements_[static_cast<size_t>(i)];
}

CPdfObject CPdfArray::get(int i) const {
    return getRaw(i).fetchObject(xref_);
}

void CPdfDict::add(const std::string& key, CPdfObject value) {
    entries_.emplace(key, std::move(value));
}

CPdfObject CPdfDict::lookupRaw(const std::string& key) const {
    auto found = entries_.find(key);
    if (found == entries_.end()) return CPdfObject::makeNull();
    return found->second;
}

CPdfObject CPdfDict::lookup(const std::string& key) const {
    return lookupRaw(key).fetchObject(xref_);
}
