#include "studyhost/session/bars_csv.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <limits>

#include "host/study_interface.h"
#include "studyhost/runtime/value_text.h"

namespace studyhost::session {
namespace {

std::string_view trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// One price or volume field; the whole field must be a finite number.
bool parse_number(std::string_view field, float& value) {
  field = trim(field);
  if (field.empty()) return false;
  const char* first = field.data();
  const char* last = field.data() + field.size();
  const auto [end, ec] = std::from_chars(first, last, value);
  return ec == std::errc() && end == last && std::isfinite(value);
}

constexpr const char* kFieldNames[] = {"date-time", "open", "high", "low", "close", "volume"};
constexpr int kFields = 6;

// Parses one data row into `bar`; on failure returns the reason.
const char* parse_row(std::string_view line, Bar& bar) {
  std::string_view fields[kFields];
  int count = 0;
  std::size_t from = 0;
  while (true) {
    const std::size_t comma = line.find(',', from);
    if (count < kFields) {
      fields[count] = line.substr(from, comma == std::string_view::npos ? comma : comma - from);
    }
    ++count;
    if (comma == std::string_view::npos) break;
    from = comma + 1;
  }
  if (count != kFields)
    return count < kFields ? "too few fields (expected 6)" : "too many fields (expected 6)";
  const auto datetime = parse_date_time(trim(fields[0]));
  if (!datetime) return "date-time is not a valid YYYY-MM-DD HH:MM:SS";
  bar.datetime = *datetime;
  float* targets[] = {&bar.open, &bar.high, &bar.low, &bar.close, &bar.volume};
  static const char* const kBadNumber[] = {
      "open is not a finite number", "high is not a finite number", "low is not a finite number",
      "close is not a finite number", "volume is not a finite number"};
  for (int i = 1; i < kFields; ++i) {
    if (!parse_number(fields[i], *targets[i - 1])) return kBadNumber[i - 1];
  }
  if (bar.high < bar.low) return "high is below low";
  if (bar.open < bar.low || bar.open > bar.high) return "open is outside the low to high range";
  if (bar.close < bar.low || bar.close > bar.high) return "close is outside the low to high range";
  if (bar.volume < 0.0f) return "volume is negative";
  return nullptr;
}

}  // namespace

bool parse_bars_csv(std::string_view text, std::vector<Bar>& bars, std::string& error) {
  bars.clear();
  // Sample rows run near 50 characters; one reservation keeps the loop free
  // of reallocations on ordinary files.
  bars.reserve(text.size() / 40 + 1);
  std::size_t line_number = 0;
  std::size_t from = 0;
  while (from < text.size()) {
    const std::size_t newline = text.find('\n', from);
    const std::size_t end = newline == std::string_view::npos ? text.size() : newline;
    std::string_view line = text.substr(from, end - from);
    from = end + 1;
    ++line_number;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (trim(line).empty()) continue;
    // The first line names the columns; a file that starts with a bar has no
    // header, and that bar is not dropped.
    if (line_number == 1 && !(line.front() >= '0' && line.front() <= '9')) continue;
    Bar bar{};
    if (const char* reason = parse_row(line, bar)) {
      error = "line " + std::to_string(line_number) + ": " + reason;
      return false;
    }
    if (!bars.empty() && bar.datetime <= bars.back().datetime) {
      error = "line " + std::to_string(line_number) + ": time is not after the previous bar's (" +
              date_time_text(bars.back().datetime, 0) + ")";
      return false;
    }
    if (bars.size() >= static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
      error = "line " + std::to_string(line_number) + ": more bars than a chart holds";
      return false;
    }
    bars.push_back(bar);
  }
  if (bars.empty()) {
    error = "no bars";
    return false;
  }
  return true;
}

bool load_bars_csv(const std::string& path, std::vector<Bar>& bars, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = path + ": cannot open the file";
    return false;
  }
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  if (size < 0) {
    error = path + ": cannot read the file";
    return false;
  }
  in.seekg(0, std::ios::beg);
  std::string text(static_cast<std::size_t>(size), '\0');
  if (size > 0 && !in.read(text.data(), size)) {
    error = path + ": cannot read the file";
    return false;
  }
  std::string reason;
  if (!parse_bars_csv(text, bars, reason)) {
    error = path + ": " + reason;
    return false;
  }
  return true;
}

}  // namespace studyhost::session
