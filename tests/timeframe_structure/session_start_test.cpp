#include "timeframe_structure/session_start.h"

#include <gtest/gtest.h>

#include <limits>

namespace timeframe {
namespace {

host::InputSlot input_of(std::uint8_t kind, double value) {
  host::InputSlot slot{};
  host::set_double(slot, kind, value);
  return slot;
}

TEST(SessionStart, TimeOfDayInWholeSeconds) {
  EXPECT_EQ(session_start_seconds(input_of(host::kKindTimeOfDay, 0.7083333333333334)), 61200);
  EXPECT_EQ(session_start_seconds(input_of(host::kKindTimeOfDay, 0.0)), 0);
  // 09:30:00.6 rounds to whole microseconds first, then drops the fraction of a second.
  EXPECT_EQ(session_start_seconds(input_of(host::kKindTimeOfDay, (34200.6) / 86400.0)), 34200);
  EXPECT_EQ(session_start_seconds(input_of(host::kKindTimeOfDay, 1.0)), 0);
}

TEST(SessionStart, DateTimeInputsGiveTheirTimeOfDay) {
  EXPECT_EQ(session_start_seconds(input_of(host::kKindDateTime, 45000.75)), 64800);
  // A date-time before 1899-12-30 18:00 of the previous day is still 18:00.
  EXPECT_EQ(session_start_seconds(input_of(host::kKindDateTime, -0.25)), 64800);
}

TEST(SessionStart, OtherKindsAndNonNumbersGiveMidnight) {
  host::InputSlot yes{};
  host::set_int(yes, host::kKindYesNo, 1);
  EXPECT_EQ(session_start_seconds(yes), 0);
  host::InputSlot integer{};
  host::set_int(integer, host::kKindInteger, 61200);
  EXPECT_EQ(session_start_seconds(integer), 0);
  EXPECT_EQ(session_start_seconds(input_of(host::kKindDate, 45000.75)), 0);
  EXPECT_EQ(session_start_seconds(
                input_of(host::kKindTimeOfDay, std::numeric_limits<double>::quiet_NaN())),
            0);
  const std::int32_t huge = session_start_seconds(
      input_of(host::kKindTimeOfDay, std::numeric_limits<double>::infinity()));
  EXPECT_GE(huge, 0);
  EXPECT_LT(huge, 86400);
}

}  // namespace
}  // namespace timeframe
