#include "host/input_slot.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "host/process_heap.h"

namespace {

host::InputSlot slot_of_kind(std::uint8_t kind) {
  host::InputSlot slot{};
  slot.name = host::make_host_string();
  slot.kind = kind;
  return slot;
}

TEST(InputSlot, FloatInputRoundsHalfAwayFromZero) {
  host::InputSlot slot = slot_of_kind(host::kKindFloat);
  const float cases[][2] = {{2.5f, 3}, {-2.5f, -3}, {1.5f, 2}, {-1.5f, -2}, {0.49f, 0}, {2.4f, 2}};
  for (const auto& c : cases) {
    host::set_float(slot, c[0]);
    EXPECT_EQ(host::int_value(slot), static_cast<std::int32_t>(c[1])) << c[0];
  }
  host::set_double(slot, host::kKindDouble, -2.5);
  EXPECT_EQ(host::int_value(slot), -3);
}

TEST(InputSlot, HostileNumbersReadWithoutOverflow) {
  host::InputSlot slot = slot_of_kind(host::kKindFloat);
  host::set_float(slot, std::numeric_limits<float>::quiet_NaN());
  EXPECT_EQ(host::int_value(slot), 0);
  EXPECT_TRUE(host::yes_no_value(slot));  // NaN is not zero
  host::set_float(slot, 1e20f);
  EXPECT_EQ(host::int_value(slot), std::numeric_limits<std::int32_t>::max());
  host::set_double(slot, host::kKindDouble, -1e300);
  EXPECT_EQ(host::int_value(slot), std::numeric_limits<std::int32_t>::min());
  // Days past any date-time saturate instead of overflowing: still a time
  // of day, in seconds.
  host::set_double(slot, host::kKindTimeOfDay, 1e300);
  const std::int32_t seconds = host::int_value_calendar(slot);
  EXPECT_GE(seconds, 0);
  EXPECT_LT(seconds, 86400);
}

TEST(InputSlot, YesNoHoldingSevenReadsAsOneInEveryForm) {
  host::InputSlot slot = slot_of_kind(host::kKindYesNo);
  host::set_int(slot, host::kKindYesNo, 7);
  EXPECT_EQ(host::int_value(slot), 1);
  EXPECT_EQ(host::float_value(slot), 1.0f);
  EXPECT_EQ(host::color_value(slot), 0x00FFFFFFu);
  EXPECT_TRUE(host::yes_no_value(slot));
  host::set_int(slot, host::kKindYesNo, 0);
  EXPECT_EQ(host::color_value(slot), 0u);
  EXPECT_EQ(host::float_value(slot), 0.0f);
}

TEST(InputSlot, IntegerKindsReadSignedOrUnsignedAsTheirKindSays) {
  host::InputSlot slot = slot_of_kind(11);
  host::set_int(slot, 11, -1);
  EXPECT_EQ(host::float_value(slot), -1.0f);
  host::set_int(slot, 1, -1);
  EXPECT_EQ(host::float_value(slot), 4294967295.0f);
  host::set_int(slot, host::kKindColor, 0x00112233);
  EXPECT_EQ(host::color_value(slot), 0x00112233u);
  EXPECT_EQ(host::int_value(slot), 0x00112233);
  host::set_int(slot, 30, 5);  // an unknown kind reads as nothing
  EXPECT_EQ(host::int_value(slot), 0);
  EXPECT_FALSE(host::yes_no_value(slot));
}

TEST(InputSlot, CalendarFormGivesTimeOfDayInSecondsAndDayNumbers) {
  host::InputSlot slot = slot_of_kind(host::kKindTimeOfDay);
  host::set_double(slot, host::kKindTimeOfDay, 0.7083333333333334);  // 17:00:00
  EXPECT_EQ(host::int_value_calendar(slot), 61200);
  EXPECT_EQ(host::int_value(slot), 0);
  host::set_double(slot, host::kKindDateTimeWithInteger, 45000.5);  // noon on some day
  slot.value_after_double = 77;
  EXPECT_EQ(host::int_value_calendar(slot), 43200);
  EXPECT_EQ(host::int_value(slot), 77);
  host::set_double(slot, host::kKindDate, 45000.0);
  EXPECT_EQ(host::int_value_calendar(slot), 45000);
  host::set_double(slot, host::kKindDate, 0.0);
  EXPECT_EQ(host::int_value_calendar(slot), 0);
}

TEST(InputSlot, TextReaderSaysUnsetUnlessATextIsHeld) {
  host::InputSlot slot = slot_of_kind(host::kKindInteger);
  EXPECT_STREQ(host::text_value(slot), "Unset");
  host::set_text_kind(slot);
  EXPECT_STREQ(host::text_value(slot), "Unset");
  char* typed = host::heap_alloc_text(8);
  std::memcpy(typed, "ABC123", 6);
  slot.text = typed;
  EXPECT_STREQ(host::text_value(slot), "ABC123");
  // Declaring the input again frees the text it owned.
  host::set_text_kind(slot);
  EXPECT_EQ(slot.text, nullptr);
  EXPECT_STREQ(host::text_value(slot), "Unset");
}

struct EntriesSeen {
  std::string text;
  int calls = 0;
};

void record_entries(void* handle, const char* entries) {
  auto* seen = static_cast<EntriesSeen*>(handle);
  seen->text = entries;
  ++seen->calls;
}

TEST(InputSlot, ListEntriesGoToTheSlotsOperationWhenItHasOne) {
  host::InputSlot slot = slot_of_kind(host::kKindCustomList);
  host::set_list_entries(slot, "Daily;Weekly");  // no operation: nothing happens
  EntriesSeen seen;
  slot.list_entries = &record_entries;
  slot.list_handle = &seen;
  host::set_list_entries(slot, "Daily;Weekly");
  EXPECT_EQ(seen.calls, 1);
  EXPECT_EQ(seen.text, "Daily;Weekly");
  EXPECT_EQ(host::selected_entry_text(slot), nullptr);
}

}  // namespace
