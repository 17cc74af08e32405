// Charts and level data service responses for a validation run: random bars,
// a valid response dated on the chart's days, and hostile ones (truncated,
// huge, deeply nested, wrong member types, prices that are no numbers,
// random bytes, an empty body, a message that repeats the API key).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "studyhost/runtime/chart.h"
#include "studyhost/validate/input_values.h"

namespace studyhost::validate {

// `count` bars in time order from a random day, spaced a minute to a day.
std::vector<Bar> random_bars(Rng& rng, std::int32_t count);

// A valid response: one record per day of the chart (its latest days) and
// one before it, each with a name, all price map levels, and high, low and
// close.
std::string levels_body(const std::vector<Bar>& bars, Rng& rng);

struct NamedBody {
  std::string name;
  std::string body;
  bool echo_key = false;  // a message repeating the key of the request instead
};

// The hostile responses of ordinary size.
std::vector<NamedBody> hostile_bodies(const std::vector<Bar>& bars, Rng& rng);

// Responses of 50 MB: a message of that size, and a valid body followed by
// that many blanks.
std::vector<NamedBody> huge_bodies(const std::vector<Bar>& bars, Rng& rng);

}  // namespace studyhost::validate
