// printf-style formatting into a std::string.
#include "pdf/FormatText.h"

#include <charconv>
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

std::string fixedText(double value, int precision) {
    // to_chars with a precision formats exactly as printf does in the "C" locale.
    char buffer[400];  // the longest double printed in full with 6 decimals fits
    std::to_chars_result result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, precision);
    if (result.ec != std::errc()) return formatText("%.*f", precision, value);
    return std::string(buffer, result.ptr);
}

std::string shortNumberText(double value) {
    std::string text = fixedText(value);
    if (text.find('.') == std::string::npos) return text;  // inf or nan
    while (text.back() == '0') text.pop_back();
    if (text.back() == '.') text.pop_back();
    return text == "-0" ? "0" : text;
}

std::string intText(long long value) {
    char buffer[24];
    std::to_chars_result result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string boxArrayText(double x1, double y1, double x2, double y2, bool closingSpace) {
    std::string text = "[ ";
    for (double value : {x1, y1, x2, y2}) {
        text += fixedText(value);
        text += ' ';
    }
    if (!closingSpace) text.pop_back();
    return text + "]";
}

std::string refText(int num, int gen) {
    return intText(num) + " " + intText(gen) + " R";
}

void appendXRefEntry(std::string& out, long long offset, int gen) {
    if (offset < 0 || offset > 9999999999LL || gen < 0 || gen > 99999) {
        out += formatText("%010lld %05d n \r", offset, gen);  // wider than the fixed fields
        return;
    }
    char line[20] = {'0', '0', '0', '0', '0', '0', '0', '0', '0', '0',
                     ' ', '0', '0', '0', '0', '0', ' ', 'n', ' ', '\r'};
    for (int i = 9; offset > 0; i--, offset /= 10) line[i] = static_cast<char>('0' + offset % 10);
    for (int i = 15; gen > 0; i--, gen /= 10) line[i] = static_cast<char>('0' + gen % 10);
    out.append(line, sizeof line);
}
