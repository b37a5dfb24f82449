// Filter attachment: reads Filter and DecodeParms and builds the decoder for a stream's data.
#include "pdf/StreamFilters.h"

#include <algorithm>

#include "pdf/CPdfException.h"
#include "pdf/CPdfFlateStream.h"

namespace {

// One filter by name; FlateDecode is the only one Tessel reads.
std::shared_ptr<CPdfStream> makeFilter(std::shared_ptr<CPdfStream> stream, const std::string& name,
                                       const CPdfObject& params) {
    if (name != "FlateDecode" && name != "Fl") throw CPdfException("Stream filter not supported");
    int predictor = 1, columns = 1, colors = 1, bits = 8;
    if (const CPdfDict* dict = params.getDict()) {
        auto intParam = [dict](const char* key, int& value) {
            CPdfObject obj = dict->lookup(key);
            if (obj.isInt()) value = obj.getInt();
        };
        intParam("Predictor", predictor);
        intParam("Columns", columns);
        intParam("Colors", colors);
        intParam("BitsPerComponent", bits);
    }
    return std::make_shared<CPdfFlateStream>(std::move(stream), predictor, columns, colors, bits);
}

}  // namespace

std::shared_ptr<CPdfStream> attachFilters(std::shared_ptr<CPdfStream> stream,
                                          const CPdfObject& dict) {
    const CPdfDict* d = dict.getDict();
    if (!d) return stream;
    CPdfObject filter = d->lookup("Filter");
    if (filter.isNull()) filter = d->lookup("F");
    CPdfObject params = d->lookup("DecodeParms");
    if (params.isNull()) params = d->lookup("DP");

    if (filter.isName()) return makeFilter(std::move(stream), filter.getName(), params);
    if (filter.isArray() && filter.getArray()->getLength() == 1) {
        // A one-element parameters array is not unpacked: it counts as no parameters.
        CPdfObject name = filter.getArray()->get(0);
        return makeFilter(std::move(stream), name.getName(), params);
    }
    if (filter.isNull()) return stream;
    return nullptr;
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
