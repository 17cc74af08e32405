// Charts and level data service responses for a validation run: random bars,
// a valid response dated on the chart's days, and hostile ones (truncated,
// huge, deeply nested, wrong member types, prices that are no numbers or hold
// none, random bytes, an empty body, a message too long for a status line or
// repeating the API key in any spelling).
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

// How a message that repeats the key of the request spells it.
enum class KeyEcho {
  kNone,              // the response is the body itself
  kAsTyped,           // "Invalid key K3Y+..."
  kLowerCaseEscapes,  // as sent in the URL, with lower-case hex digits
  kOtherLetterCase,   // as typed, every letter in the other case
  kPartlyEncoded,     // as typed, every other byte percent-encoded
  kCutByZeroByte,     // as typed, a zero byte in its middle
};

// What a study must show after a response, beyond what holds after every
// call.
enum class Expect {
  kAnything,
  kNoLevels,    // no more levels than after a body that cannot be read at all
  kShortTexts,  // no text or log line longer than a status line could hold
};

struct NamedBody {
  std::string name;
  std::string body;
  KeyEcho echo = KeyEcho::kNone;  // a message repeating the key instead of the body
  Expect expect = Expect::kAnything;
};

// The hostile responses of ordinary size.
std::vector<NamedBody> hostile_bodies(const std::vector<Bar>& bars, Rng& rng);

// Responses near the largest body a host hands a study (16 MiB): a message
// just under it, a valid body followed by blanks up to it, and a body one
// byte past it, which the host refuses as a failed transfer.
std::vector<NamedBody> huge_bodies(const std::vector<Bar>& bars, Rng& rng);

// The longest text or log line a study may show after a response; a status
// line is far shorter.
inline constexpr std::size_t kLongestShownText = 1024;

}  // namespace studyhost::validate
