// The input slot: one study input as the host keeps it, with the readers and
// writers both studies use. Readers are total: every kind gives some value.
#pragma once

#include <cstdint>

#include "host/host_string.h"

namespace host {

// Input value kinds: what the value of an input holds.
enum InputKind : std::uint8_t {
  kKindNone = 0,
  kKindBarData = 1,  // a price of the bar (open, high, ...), by position
  kKindFloat = 2,
  kKindStudyIndex = 3,
  kKindSubgraphIndex = 4,
  kKindYesNo = 5,
  kKindMovingAverage = 6,  // a moving average type, by position
  kKindDate = 8,
  kKindTimeOfDay = 9,
  kKindDateTime = 10,
  kKindInteger = 11,
  kKindStudyId = 13,
  kKindColor = 14,
  kKindAlertSound = 15,
  kKindCandlePattern = 16,
  kKindTimePeriodUnit = 17,
  kKindChartNumber = 19,
  kKindCustomList = 22,
  kKindDouble = 23,
  kKindTimeZone = 24,
  kKindDateTimeWithInteger = 25,  // a time of day and a time zone
  kKindText = 26,
  kKindTextB = 27,  // a file path
  kKindTextC = 28,  // a symbol
};

struct InputSlot {
  HostString name;
  std::uint8_t kind;
  std::uint8_t reserved_a;
  std::uint16_t display_order;  // 1 is shown first
  std::uint32_t reserved_b;
  // 32 bits (integer, float, colour, list position), a double for the date
  // and time kinds, or for the text kinds the owns-text flag in its first byte.
  unsigned char value[8];
  std::int32_t value_after_double;  // the integer of kind 25
  std::int32_t reserved_c;
  char* text;  // text kinds; a process-heap buffer when owned
  void (*list_entries)(void* handle, const char* entries);
  void* list_handle;
  const char* selected_entry_text;  // may be null
};

// Raw views of the stored value.
std::int32_t stored_int(const InputSlot& slot);
std::uint32_t stored_bits(const InputSlot& slot);
float stored_float(const InputSlot& slot);
double stored_double(const InputSlot& slot);

// Readers.
std::int32_t int_value(const InputSlot& slot);
// As int_value, but dates give their day number and times their time of day
// in whole seconds.
std::int32_t int_value_calendar(const InputSlot& slot);
bool yes_no_value(const InputSlot& slot);
float float_value(const InputSlot& slot);
std::uint32_t color_value(const InputSlot& slot);
// The text of a text input, or "Unset" when there is none or the kind is not text.
const char* text_value(const InputSlot& slot);
const char* selected_entry_text(const InputSlot& slot);

// Writers.
void set_int(InputSlot& slot, std::uint8_t kind, std::int32_t value);
void set_float(InputSlot& slot, float value);
void set_double(InputSlot& slot, std::uint8_t kind, double value);
void set_text_kind(InputSlot& slot);
void set_list_entries(InputSlot& slot, const char* entries);
void set_name(InputSlot& slot, const char* name);

bool is_text_kind(std::uint8_t kind);
// Kinds that keep a 32-bit integer in `value` (positions, whole numbers,
// colours), and kinds that keep a double there (numbers and the calendar
// kinds, as days since 1899-12-30).
bool holds_int32(std::uint8_t kind);
bool holds_double(std::uint8_t kind);

// Whether the slot owns its text: a text kind with the owns-text flag set.
// Texts the host hands in are its own; a slot owns only one set on it with
// the flag.
bool owns_text(const InputSlot& slot);
// Lets go of the slot's text, freeing it when the slot owns it.
void drop_text(InputSlot& slot);
// Frees what the slot holds: its name and the text it owns.
void release(InputSlot& slot);

// Rounding half away from zero into 32 or 64 bits; NaN gives 0 and values past
// the range saturate, so hostile inputs never reach undefined behaviour.
std::int32_t round_to_int32(double value);
std::int64_t round_to_int64(double value);

}  // namespace host
