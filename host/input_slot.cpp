#include "host/input_slot.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "host/process_heap.h"
#include "host/study_interface.h"

namespace host {
namespace {

constexpr char kUnset[] = "Unset";

// Kinds whose 32 bits read as a whole number that cannot be negative.
bool holds_unsigned(std::uint8_t kind) {
  return holds_int32(kind) && kind != kKindInteger && kind != kKindChartNumber &&
         kind != kKindColor;
}

// Rounding half away from zero into Int; NaN gives 0 and the limits of Int
// (as doubles, the largest rounds up to the next power of two) saturate.
template <typename Int>
Int rounded_to(double value) {
  using Limits = std::numeric_limits<Int>;
  if (std::isnan(value)) return 0;
  const double r = std::round(value);
  if (r >= static_cast<double>(Limits::max())) return Limits::max();
  if (r <= static_cast<double>(Limits::min())) return Limits::min();
  return static_cast<Int>(r);
}

// The first bytes of the stored value read as a T.
template <typename T>
T stored_as(const InputSlot& slot) {
  static_assert(sizeof(T) <= sizeof(InputSlot::value));
  T v;
  std::memcpy(&v, slot.value, sizeof v);
  return v;
}

std::int64_t micros_of_days(double days) {
  return days == 0.0 ? 0 : round_to_int64(days * static_cast<double>(kMicrosPerDay));
}

}  // namespace

bool is_text_kind(std::uint8_t kind) {
  return kind == kKindText || kind == kKindTextB || kind == kKindTextC;
}

bool holds_int32(std::uint8_t kind) {
  switch (kind) {
    case kKindBarData:
    case kKindStudyIndex:
    case kKindSubgraphIndex:
    case kKindMovingAverage:
    case kKindInteger:
    case kKindStudyId:
    case kKindColor:
    case kKindAlertSound:
    case kKindCandlePattern:
    case kKindTimePeriodUnit:
    case kKindChartNumber:
    case kKindCustomList:
    case kKindTimeZone:
      return true;
    default:
      return false;
  }
}

bool holds_double(std::uint8_t kind) {
  return kind == kKindDate || kind == kKindTimeOfDay || kind == kKindDateTime ||
         kind == kKindDouble || kind == kKindDateTimeWithInteger;
}

std::int32_t round_to_int32(double value) {
  return rounded_to<std::int32_t>(value);
}

std::int64_t round_to_int64(double value) {
  return rounded_to<std::int64_t>(value);
}

std::int32_t stored_int(const InputSlot& slot) {
  return stored_as<std::int32_t>(slot);
}

std::uint32_t stored_bits(const InputSlot& slot) {
  return stored_as<std::uint32_t>(slot);
}

float stored_float(const InputSlot& slot) {
  return stored_as<float>(slot);
}

double stored_double(const InputSlot& slot) {
  return stored_as<double>(slot);
}

std::int32_t int_value(const InputSlot& slot) {
  if (holds_int32(slot.kind)) return stored_int(slot);
  switch (slot.kind) {
    case kKindFloat:
      return round_to_int32(stored_float(slot));
    case kKindYesNo:
      return stored_bits(slot) != 0 ? 1 : 0;
    case kKindDouble:
      return round_to_int32(stored_double(slot));
    case kKindDateTimeWithInteger:
      return slot.value_after_double;
    default:
      return 0;
  }
}

std::int32_t int_value_calendar(const InputSlot& slot) {
  switch (slot.kind) {
    case kKindDate:
      return static_cast<std::int32_t>(micros_of_days(stored_double(slot)) / kMicrosPerDay);
    case kKindTimeOfDay:
    case kKindDateTimeWithInteger:
      return static_cast<std::int32_t>(micros_of_days(stored_double(slot)) % kMicrosPerDay /
                                       1000000);
    default:
      return int_value(slot);
  }
}

bool yes_no_value(const InputSlot& slot) {
  if (holds_int32(slot.kind) || slot.kind == kKindYesNo) return stored_bits(slot) != 0;
  if (slot.kind == kKindFloat) return stored_float(slot) != 0.0f;  // NaN counts as not zero
  if (holds_double(slot.kind)) return stored_double(slot) != 0.0;
  return false;
}

float float_value(const InputSlot& slot) {
  if (holds_unsigned(slot.kind)) return static_cast<float>(stored_bits(slot));
  switch (slot.kind) {
    case kKindInteger:
    case kKindChartNumber:
      return static_cast<float>(stored_int(slot));
    case kKindFloat:
      return stored_float(slot);
    case kKindYesNo:
      return stored_bits(slot) != 0 ? 1.0f : 0.0f;
    case kKindDouble:
      return static_cast<float>(stored_double(slot));
    default:
      return 0.0f;
  }
}

std::uint32_t color_value(const InputSlot& slot) {
  if (holds_int32(slot.kind)) return stored_bits(slot);
  if (slot.kind == kKindYesNo) return stored_bits(slot) != 0 ? 0x00FFFFFFu : 0u;
  return 0;
}

const char* text_value(const InputSlot& slot) {
  if (is_text_kind(slot.kind) && slot.text != nullptr) return slot.text;
  return kUnset;
}

const char* selected_entry_text(const InputSlot& slot) {
  return slot.selected_entry_text;
}

void set_int(InputSlot& slot, std::uint8_t kind, std::int32_t value) {
  slot.kind = kind;
  std::memset(slot.value, 0, sizeof slot.value);
  std::memcpy(slot.value, &value, sizeof value);
}

void set_float(InputSlot& slot, float value) {
  slot.kind = kKindFloat;
  std::memset(slot.value, 0, sizeof slot.value);
  std::memcpy(slot.value, &value, sizeof value);
}

void set_double(InputSlot& slot, std::uint8_t kind, double value) {
  slot.kind = kind;
  std::memcpy(slot.value, &value, sizeof value);
}

bool owns_text(const InputSlot& slot) {
  return is_text_kind(slot.kind) && slot.value[0] != 0 && slot.text != nullptr;
}

void drop_text(InputSlot& slot) {
  if (owns_text(slot)) heap_free(slot.text);
  slot.text = nullptr;
}

void release(InputSlot& slot) {
  release(slot.name);
  drop_text(slot);
}

void set_text_kind(InputSlot& slot) {
  drop_text(slot);
  slot.kind = kKindText;
  std::memset(slot.value, 0, sizeof slot.value);
  slot.value[0] = 1;
}

void set_list_entries(InputSlot& slot, const char* entries) {
  if (slot.list_entries != nullptr) slot.list_entries(slot.list_handle, entries);
}

void set_name(InputSlot& slot, const char* name) {
  assign(slot.name, name);
}

}  // namespace host
