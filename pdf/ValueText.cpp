// PDF text of parsed values, and the encryption entries of an output's trailer.
#include "pdf/ValueText.h"

#include "pdf/CPdfXRef.h"
#include "pdf/FormatText.h"
#include "pdf/PdfTextScan.h"

namespace {

// Direct values nest at most this deep when written out as text.
constexpr int kMaxValueDepth = 64;

}  // namespace

void appendValueText(const CPdfObject& value, std::string& out, int depth) {
    if (depth > kMaxValueDepth) {
        out += "null";
        return;
    }
    switch (value.getType()) {
        case objBool:
            out += value.getBool() ? "true" : "false";
            break;
        case objInt:
            out += intText(value.getInt64());
            break;
        case objReal:
            out += shortNumberText(value.getReal());
            break;
        case objString:
            out += '<';
            for (unsigned char c : value.getString()) out += formatText("%02X", c);
            out += '>';
            break;
        case objName:
            out += '/' + encodeName(value.getName());
            break;
        case objArray: {
            out += '[';
            CPdfArray* array = value.getArray();
            for (int i = 0; i < array->getLength(); i++) {
                if (i > 0) out += ' ';
                appendValueText(array->getRaw(i), out, depth + 1);
            }
            out += ']';
            break;
        }
        case objDict: {
            out += "<<";
            for (const auto& entry : value.getDict()->entries()) {
                appendValueText(CPdfObject::makeName(entry.first), out, depth + 1);
                out += ' ';
                appendValueText(entry.second, out, depth + 1);
                out += ' ';
            }
            out += ">>";
            break;
        }
        case objRef:
            out += formatText("%d %d R", value.getRefNum(), value.getRefGen());
            break;
        default:
            out += "null";
            break;
    }
}

std::string encryptionTrailerEntries(const CPdfXRef& xref) {
    if (!xref.getSecurity()) return "";
    const CPdfDict* trailer = xref.getTrailer().getDict();
    std::string entries = "/Encrypt ";
    appendValueText(trailer->lookupRaw("Encrypt"), entries);
    CPdfObject ids = trailer->lookup("ID");
    if (ids.isArray()) {
        entries += "\n/ID ";
        appendValueText(ids, entries);
    }
    return entries + "\n";
}
