// The one exception type of Tessel: a failure that ends a conversion, with its message text.
#pragma once

#include <string>
#include <utility>

class CPdfException {
  public:
    // The failures a caller tells apart from the others, by kind, never by message.
    enum class Kind {
        failure,            // any other
        encrypted,          // the document is encrypted
        unsupportedFilter,  // a stream's filter cannot be decoded here
    };

    CPdfException() = default;
    explicit CPdfException(std::string message, Kind kind = Kind::failure)
        : message_(std::move(message)), kind_(kind) {}

    // The message as given, byte for byte; empty when none was given.
    const std::string& getMessage() const { return message_; }
    Kind getKind() const { return kind_; }

  private:
    std::string message_;
    Kind kind_ = Kind::failure;
};
