// The response envelope of the level data service and the conversions of its
// record texts: dates into host date-times, price texts into floats.
#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

namespace levelclient {

// A record text that cannot be read (a price text that is empty or gives no
// finite number). Caught, with the JSON library's own exceptions, at the
// boundary of each response reader.
class RecordError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The member's text; empty when the value is not an object or lacks the
// member; throws when the member holds anything but text.
std::string member_text(const nlohmann::json& value, const char* name);

// Days since 1899-12-30 of a "%d-%d-%d" date text, 0 when it is no valid date
// between 1901 and 2039.
std::int32_t date_text_to_day(std::string_view text);
// The same date as a host date-time at midnight, 0 when invalid.
std::int64_t date_text_to_datetime(std::string_view text);

// Price text conversion in 32-bit float steps: decimals, fractions
// ("105 3/4"), quarters in eighths ("450-2") and 32nds ("110-16", "110-165").
// Throws RecordError for an empty text and for one that gives no finite
// float ("inf", "nan", "1e39").
float price_text_to_float(const std::string& text);
// The member's price text converted.
float price_member(const nlohmann::json& object, const char* name);

std::vector<std::string> split(std::string_view text, char a, char b);
std::string trim(std::string_view text);

// Parses a response text; throws on invalid JSON. Deep nesting and huge texts
// are handled without recursion limits of the caller's stack.
nlohmann::json parse_response(const char* text);

// One dated element of a timeframe record response.
struct PeriodValues {
  std::int64_t date;
  float high;
  float low;
  float close;
};

// Reads a timeframe record response. `store` receives every element with a
// valid date, in array order. Returns true on success; otherwise `outcome` is
// the status text to show ("Error parsing data" or the service's message).
bool read_envelope(const char* text, std::string& outcome,
                   const std::function<void(const PeriodValues&)>& store);

}  // namespace levelclient
