// The normalised file: an OutputFile whose failures read as the normaliser's messages.
#include "normalise/CNormaliseOutput.h"

#include "pdf/CPdfException.h"
#include "pdf/FormatText.h"

CNormaliseOutput::CNormaliseOutput(const std::string& path)
    : file_(owned_), name_(path), named_(true) {}

CNormaliseOutput::CNormaliseOutput(OutputFile& open)
    : file_(open), name_(open.path()), named_(false) {}

void CNormaliseOutput::create() {
    if (named_ && !file_.create(name_)) {
        throw CPdfException(formatText("File output error: '%s'", name_.c_str()));
    }
}

void CNormaliseOutput::write(const char* data, size_t length) {
    try {
        file_.write(data, length);
    } catch (const CPdfException&) {
        throw CPdfException(formatText("Output file write error: '%s'", name_.c_str()));
    }
}

void CNormaliseOutput::finish() {
    try {
        file_.finish();
    } catch (const CPdfException&) {
        throw CPdfException(formatText("Output file write error: '%s'", name_.c_str()));
    }
}
