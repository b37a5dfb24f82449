// Filter attachment: reads Filter and DecodeParms and builds the decoders for a stream's data.
#include "pdf/StreamFilters.h"

#include <algorithm>

#include "pdf/CPdfAscii85Stream.h"
#include "pdf/CPdfAsciiHexStream.h"
#include "pdf/CPdfException.h"
#include "pdf/CPdfFlateStream.h"
#include "pdf/CPdfLzwStream.h"
#include "pdf/CPdfRunLengthStream.h"

namespace {

// Real files chain two or three filters; a longer chain is hostile.
constexpr int kMaxFilters = 8;

CPdfException unsupportedFilter() {
    return CPdfException("Stream filter not supported", CPdfException::Kind::unsupportedFilter);
}

struct DecodeParams {
    int predictor = 1;
    int columns = 1;
    int colors = 1;
    int bits = 8;
    int earlyChange = 1;
};

DecodeParams readParams(const CPdfObject& params) {
    DecodeParams result;
    const CPdfDict* dict = params.getDict();
    if (!dict) return result;
    auto intParam = [dict](const char* key, int& value) {
        CPdfObject obj = dict->lookup(key);
        if (obj.isInt()) value = obj.getInt();
    };
    intParam("Predictor", result.predictor);
    intParam("Columns", result.columns);
    intParam("Colors", result.colors);
    intParam("BitsPerComponent", result.bits);
    intParam("EarlyChange", result.earlyChange);
    return result;
}

// One filter by its name or its short name; images' own filters are not decoded.
std::shared_ptr<CPdfStream> makeFilter(std::shared_ptr<CPdfStream> stream, const std::string& name,
                                       const CPdfObject& params, bool decrypted) {
    if (decrypted && name == "Crypt") return stream;
    DecodeParams p = readParams(params);
    if (name == "FlateDecode" || name == "Fl") {
        return std::make_shared<CPdfFlateStream>(std::move(stream), p.predictor, p.columns,
                                                 p.colors, p.bits);
    }
    if (name == "LZWDecode" || name == "LZW") {
        auto lzw = std::make_shared<CPdfLzwStream>(std::move(stream), p.earlyChange != 0);
        lzw->setPredictor(p.predictor, p.columns, p.colors, p.bits);
        return lzw;
    }
    if (name == "ASCIIHexDecode" || name == "AHx") {
        return std::make_shared<CPdfAsciiHexStream>(std::move(stream));
    }
    if (name == "ASCII85Decode" || name == "A85") {
        return std::make_shared<CPdfAscii85Stream>(std::move(stream));
    }
    if (name == "RunLengthDecode" || name == "RL") {
        return std::make_shared<CPdfRunLengthStream>(std::move(stream));
    }
    throw unsupportedFilter();
}

// The parameters of filter i: the i-th element of a parameters array (null standing for none),
// or a lone dictionary for the first filter.
CPdfObject paramsOf(const CPdfObject& params, int i) {
    if (params.isArray()) {
        const CPdfArray* array = params.getArray();
        return i < array->getLength() ? array->get(i) : CPdfObject::makeNull();
    }
    return i == 0 ? params : CPdfObject::makeNull();
}

}  // namespace

std::shared_ptr<CPdfStream> attachFilters(std::shared_ptr<CPdfStream> stream,
                                          const CPdfObject& dict, bool decrypted) {
    const CPdfDict* d = dict.getDict();
    if (!d) return stream;
    CPdfObject filter = d->lookup("Filter");
    if (filter.isNull()) filter = d->lookup("F");
    CPdfObject params = d->lookup("DecodeParms");
    if (params.isNull()) params = d->lookup("DP");

    if (filter.isName())
        return makeFilter(std::move(stream), filter.getName(), paramsOf(params, 0), decrypted);
    if (filter.isNull()) return stream;
    if (!filter.isArray()) return nullptr;
    // The filters apply in array order: the first decodes the stored bytes.
    const CPdfArray* filters = filter.getArray();
    if (filters->getLength() > kMaxFilters) throw unsupportedFilter();
    for (int i = 0; i < filters->getLength(); i++) {
        CPdfObject name = filters->get(i);
        if (!name.isName()) return nullptr;
        stream = makeFilter(std::move(stream), name.getName(), paramsOf(params, i), decrypted);
    }
    return stream;
}

std::vector<uint8_t> readStreamBytes(CPdfStream& stream, size_t maxBytes) {
    stream.reset();
    std::vector<uint8_t> bytes;
    uint8_t chunk[4096];
    while (bytes.size() < maxBytes) {
        size_t want = std::min(sizeof(chunk), maxBytes - bytes.size());
        size_t got = stream.getBytes(chunk, want);
        bytes.insert(bytes.end(), chunk, chunk + got);
        if (got < want) break;
    }
    return bytes;
}
