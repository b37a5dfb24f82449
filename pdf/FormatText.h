// printf-style formatting into a std::string: the single way Tessel builds exact PDF and console
// text.
#pragma once

#include <string>

std::string formatText(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// The same text as "%.*f" and "%d" give, without printf's cost: boxes, placements and
// annotation rectangles write a handful of numbers for every page of a large document.
std::string fixedText(double value, int precision = 6);
// A number as "%f" gives it with the trailing zeros (and a bare point) dropped: "12.5", "612".
std::string shortNumberText(double value);
std::string intText(long long value);
// Appends the in-use cross-reference line "%010lld %05d n \r"; a table has a line per object.
void appendXRefEntry(std::string& out, long long offset, int gen);

// "num gen R".
std::string refText(int num, int gen);

// "[ x1 y1 x2 y2 ]" as "[ %f %f %f %f ]" writes it; closingSpace false leaves out the space
// before the bracket.
std::string boxArrayText(double x1, double y1, double x2, double y2, bool closingSpace = true);
