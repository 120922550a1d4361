// The checks of the end-to-end run, as a library: comparing screenshots and
// captures, and reading the flight recorder's lines.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "toolkit/surface.h"

namespace e2e {

// Pixels at which two pictures differ, counted inside `only` (the whole
// picture when absent) and outside every `exclude` area. Pictures of
// different sizes compare over the part they share; the rest counts as
// different.
int64_t CountDifferences(const tk::Surface& a, const tk::Surface& b, const std::optional<tk::Rect>& only,
                         const std::vector<tk::Rect>& exclude);

// The smallest rectangle holding every differing pixel inside `within`.
std::optional<tk::Rect> DifferenceBox(const tk::Surface& a, const tk::Surface& b, const tk::Rect& within);

// "x,y,w,h" -> a rectangle.
bool ParseRect(const std::string& text, tk::Rect& out);

// One trace line: a flat JSON object. Strings are unescaped; numbers and
// booleans are kept as written; an array becomes its items joined by ','.
using TraceFields = std::map<std::string, std::string>;
bool ParseTraceLine(const std::string& line, TraceFields& out);

// The events named `event` in a trace file, in order; lines that are not
// complete objects (a line still being written) are skipped.
std::vector<TraceFields> ReadEvents(const std::string& path, const std::string& event);

}  // namespace e2e
