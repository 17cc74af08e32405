// Date-times between the platform and the studies. The studies count
// microseconds since 1899-12-30; the platform's SCDateTime is a count of days
// in some versions of its SDK and of microseconds in others, so the bridge
// goes only through its day and time-of-day accessors and constructors.
#pragma once

#include <cstdint>
#include <limits>

#include "host/study_interface.h"
#include "sierrachart.h"

namespace qlx_platform {

inline constexpr std::int64_t kMicrosPerSecond = 1000000;
inline constexpr std::int64_t kMicrosPerMillisecond = 1000;

// The furthest day either way that every SDK's SCDateTime holds with any
// time of day: the SDKs that count microseconds in 64 bits hold about 292,000
// years each way (those that count days in a double hold more).
inline constexpr std::int64_t kMaxPlatformDays =
    std::numeric_limits<std::int64_t>::max() / host::kMicrosPerDay - 1;

// Whole days and whole seconds of the day; a negative count is a day before
// the base date (the label anchors "k days before" it). A date-time past what
// the platform holds becomes the furthest day it holds on that side, so a
// label anchored very far right of the last bar stays far right.
inline SCDateTime to_platform_time(std::int64_t micros) {
  std::int64_t days = micros / host::kMicrosPerDay;
  std::int64_t rest = micros % host::kMicrosPerDay;
  if (rest < 0) {
    rest += host::kMicrosPerDay;
    --days;
  }
  if (days > kMaxPlatformDays) return SCDateTime(static_cast<int>(kMaxPlatformDays), 0);
  if (days < -kMaxPlatformDays) return SCDateTime(static_cast<int>(-kMaxPlatformDays), 0);
  return SCDateTime(static_cast<int>(days), static_cast<int>(rest / kMicrosPerSecond));
}

inline std::int64_t from_platform_time(const SCDateTime& time) {
  return static_cast<std::int64_t>(time.GetDate()) * host::kMicrosPerDay +
         static_cast<std::int64_t>(time.GetTimeInMilliseconds()) * kMicrosPerMillisecond;
}

}  // namespace qlx_platform
