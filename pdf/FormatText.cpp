// printf-style formatting into a std::string.
#include "pdf/FormatText.h"

#include <cstdarg>
#include <cstdio>

std::string formatText(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    va_list again;
    va_copy(again, args);
    int length = std::vsnprintf(nullptr, 0, fmt, args);
    va_end(args);
    std::string text;
    if (length > 0) {
        text.resize(static_cast<size_t>(length) + 1);
        std::vsnprintf(&text[0], text.size(), fmt, again);
        text.resize(static_cast<size_t>(length));
    }
    va_end(again);
    return text;
}
