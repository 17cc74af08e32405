#include "timeframe_structure/session_start.h"

#include "host/study_interface.h"

namespace timeframe {

std::int32_t session_start_seconds(const host::InputSlot& input) {
  if (input.kind != host::kKindTimeOfDay && input.kind != host::kKindDateTime &&
      input.kind != host::kKindDateTimeWithInteger)
    return 0;
  const double days = host::stored_double(input);
  const std::int64_t micros =
      days == 0.0 ? 0 : host::round_to_int64(days * static_cast<double>(host::kMicrosPerDay));
  std::int64_t time_of_day = micros % host::kMicrosPerDay;
  // A date-time before 1899-12-30 still has its time of day counted from its
  // own midnight, not a negative offset that would end sessions before bars.
  if (time_of_day < 0) time_of_day += host::kMicrosPerDay;
  const std::int64_t seconds = time_of_day / 1000000;
  return seconds >= 86400 ? 0 : static_cast<std::int32_t>(seconds);
}

}  // namespace timeframe
