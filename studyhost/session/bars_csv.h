// Loading a chart's bars from a CSV file: a header line, then one bar per line
// as `YYYY-MM-DD HH:MM:SS,open,high,low,close,volume` in ascending time.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "studyhost/runtime/chart.h"

namespace studyhost::session {

// Parses the text of a bars file. On a bad row returns false, leaves `bars`
// with the rows before it and sets `error` to "line N: reason".
bool parse_bars_csv(std::string_view text, std::vector<Bar>& bars, std::string& error);

// Reads and parses a bars file; errors start with the file's name.
bool load_bars_csv(const std::string& path, std::vector<Bar>& bars, std::string& error);

}  // namespace studyhost::session
