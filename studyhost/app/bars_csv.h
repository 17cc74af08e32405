// Loading a chart's bars from a CSV file: a header line, then one bar per line
// as `YYYY-MM-DD HH:MM:SS,open,high,low,close,volume` in ascending time.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "studyhost/lib/chart.h"

namespace studyhost::app {

// The host date-time (microseconds since 1899-12-30 00:00) of a calendar date
// and time of day; nothing when the date or the time does not exist.
std::optional<std::int64_t> host_date_time(int year, int month, int day, int hour, int minute,
                                           int second);

// Reads `YYYY-MM-DD HH:MM:SS` (or `YYYY-MM-DD` alone when `date_only`) as the
// whole of `text`.
std::optional<std::int64_t> parse_date_time(std::string_view text, bool date_only = false);

// Parses the text of a bars file. On a bad row returns false, leaves `bars`
// with the rows before it and sets `error` to "line N: reason".
bool parse_bars_csv(std::string_view text, std::vector<Bar>& bars, std::string& error);

// Reads and parses a bars file; errors start with the file's name.
bool load_bars_csv(const std::string& path, std::vector<Bar>& bars, std::string& error);

}  // namespace studyhost::app
