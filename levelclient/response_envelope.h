// The response envelope of the level data service: an object with an optional
// "message" text and an optional "data" array of dated records.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include <nlohmann/json.hpp>

namespace levelclient {

// The member's text; empty when the value is not an object or lacks the
// member; throws when the member holds anything but text.
std::string member_text(const nlohmann::json& value, const char* name);

// The member's price text converted; throws as member_text and
// price_text_to_float do.
float price_member(const nlohmann::json& object, const char* name);

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
// "Error parsing data" or the service's message as sent, which
// failed_read_status turns into the status text to show.
bool read_envelope(const char* text, std::string& outcome,
                   const std::function<void(const PeriodValues&)>& store);

}  // namespace levelclient
