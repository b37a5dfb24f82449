// printf-style formatting into a std::string: the single way Tessel builds exact PDF and console
// text.
#pragma once

#include <string>

std::string formatText(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
