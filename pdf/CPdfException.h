// The one exception type of Tessel: a failure that ends a conversion, with its message text.
#pragma once

#include <string>
#include <utility>

class CPdfException {
  public:
    CPdfException() = default;
    explicit CPdfException(std::string message) : message_(std::move(message)) {}

    // The message as given, byte for byte; empty when none was given.
    const std::string& getMessage() const { return message_; }

  private:
    std::string message_;
};
