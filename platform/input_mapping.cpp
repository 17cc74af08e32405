#include "platform/input_mapping.h"

#include <cstdint>
#include <cstring>

namespace qlx_platform {
namespace {

enum class Holds { kNothing, kIndex, kInteger, kFloat, kYesNo, kColor, kDays, kDouble, kText };

struct KindOf {
  std::uint8_t kind;
  Holds holds;
};

// The slot kind of each platform value type, and which of the platform's
// value members carries it.
KindOf kind_of(unsigned platform_type) {
  switch (platform_type) {
    case OHLC_VALUE:
      return {host::kKindBarData, Holds::kIndex};
    case FLOAT_VALUE:
      return {host::kKindFloat, Holds::kFloat};
    case STUDYINDEX_VALUE:
      return {host::kKindStudyIndex, Holds::kIndex};
    case SUBGRAPHINDEX_VALUE:
      return {host::kKindSubgraphIndex, Holds::kIndex};
    case YESNO_VALUE:
      return {host::kKindYesNo, Holds::kYesNo};
    case MOVAVGTYPE_VALUE:
      return {host::kKindMovingAverage, Holds::kIndex};
    case DATE_VALUE:
      return {host::kKindDate, Holds::kDays};
    case TIME_VALUE:
      return {host::kKindTimeOfDay, Holds::kDays};
    case DATETIME_VALUE:
      return {host::kKindDateTime, Holds::kDays};
    case INT_VALUE:
      return {host::kKindInteger, Holds::kInteger};
    case STUDYID_VALUE:
      return {host::kKindStudyId, Holds::kIndex};
    case COLOR_VALUE:
      return {host::kKindColor, Holds::kColor};
    case ALERT_SOUND_NUMBER_VALUE:
      return {host::kKindAlertSound, Holds::kIndex};
    case CANDLESTICK_PATTERNS_VALUE:
      return {host::kKindCandlePattern, Holds::kIndex};
    case TIME_PERIOD_LENGTH_UNIT_VALUE:
      return {host::kKindTimePeriodUnit, Holds::kIndex};
    case CHART_NUMBER:
      return {host::kKindChartNumber, Holds::kInteger};
    case CUSTOM_STRING_VALUE:
      return {host::kKindCustomList, Holds::kIndex};
    case DOUBLE_VALUE:
      return {host::kKindDouble, Holds::kDouble};
    case TIMEZONE_VALUE:
      return {host::kKindTimeZone, Holds::kIndex};
    case TIME_WITH_TIMEZONE_VALUE:
      return {host::kKindDateTimeWithInteger, Holds::kDays};
    case STRING_VALUE:
      return {host::kKindText, Holds::kText};
    case PATH_AND_FILE_NAME_VALUE:
      return {host::kKindTextB, Holds::kText};
    case FIND_SYMBOL_VALUE:
      return {host::kKindTextC, Holds::kText};
    default:
      // Values that name another chart's study carry no single value a
      // study of ours reads.
      return {host::kKindNone, Holds::kNothing};
  }
}

std::int32_t as_int32(unsigned value) {
  std::int32_t result;
  std::memcpy(&result, &value, sizeof result);
  return result;
}

}  // namespace

void read_platform_input(const s_SCInput_145& in, host::InputSlot& slot,
                         std::string& selected_entry) {
  const KindOf k = kind_of(in.ValueType);
  slot.text = nullptr;
  slot.selected_entry_text = nullptr;
  slot.value_after_double = 0;
  switch (k.holds) {
    case Holds::kNothing:
      host::set_int(slot, k.kind, 0);
      break;
    case Holds::kIndex:
      host::set_int(slot, k.kind, as_int32(in.IndexValue));
      break;
    case Holds::kInteger:
      host::set_int(slot, k.kind, in.IntValue);
      break;
    case Holds::kFloat:
      host::set_float(slot, in.FloatValue);
      break;
    case Holds::kYesNo:
      host::set_int(slot, k.kind, as_int32(in.BooleanValue));
      break;
    case Holds::kColor:
      host::set_int(slot, k.kind, as_int32(in.ColorValue));
      break;
    case Holds::kDays:
      host::set_double(slot, k.kind, in.DateTimeValue);
      if (k.kind == host::kKindDateTimeWithInteger) {
        slot.value_after_double = as_int32(in.TimeZoneValue);
      }
      break;
    case Holds::kDouble:
      host::set_double(slot, k.kind, in.DoubleValue);
      break;
    case Holds::kText:
      host::set_int(slot, k.kind, 0);
      // The platform's buffer: the slot reads it and never frees it.
      slot.text = const_cast<char*>(in.StringValue);
      break;
  }
  if (k.kind == host::kKindCustomList) {
    selected_entry.assign(in.SelectedCustomInputString != nullptr ? in.SelectedCustomInputString
                                                                  : "");
    slot.selected_entry_text =
        in.SelectedCustomInputString != nullptr ? selected_entry.c_str() : nullptr;
  }
}

bool write_platform_input(const host::InputSlot& slot, s_SCInput_145& in) {
  switch (slot.kind) {
    case host::kKindNone:
      return true;
    case host::kKindFloat:
      in.SetFloat(host::stored_float(slot));
      return true;
    case host::kKindYesNo:
      in.SetYesNo(host::stored_bits(slot) != 0 ? 1u : 0u);
      return true;
    case host::kKindInteger:
      in.SetInt(host::stored_int(slot));
      return true;
    case host::kKindColor:
      in.SetColor(host::stored_bits(slot));
      return true;
    case host::kKindCustomList:
      in.SetCustomInputIndex(host::stored_bits(slot));
      return true;
    case host::kKindTimeOfDay:
      in.SetTimeAsSCDateTime(SCDateTime(host::stored_double(slot)));
      return true;
    case host::kKindDateTime:
      in.SetDateTime(SCDateTime(host::stored_double(slot)));
      return true;
    case host::kKindDouble:
      in.SetDouble(host::stored_double(slot));
      return true;
    case host::kKindText:
      // Without a text the platform's input, like the slot, reads "Unset".
      in.SetString(slot.text);
      return true;
    default:
      return false;
  }
}

PlatformInputs::PlatformInputs(Slots& slots) : slots_(slots) {
  for (std::size_t s = 0; s < slots_.size(); ++s) snapshots_[s] = snapshot_of(slots_[s]);
}

PlatformInputs::Snapshot PlatformInputs::snapshot_of(const host::InputSlot& slot) {
  Snapshot snapshot;
  std::memcpy(&snapshot.value, slot.value, sizeof snapshot.value);
  snapshot.text = slot.text;
  snapshot.value_after_double = slot.value_after_double;
  snapshot.kind = slot.kind;
  return snapshot;
}

bool PlatformInputs::unchanged(const Snapshot& snapshot, const host::InputSlot& slot) {
  std::uint64_t value;
  std::memcpy(&value, slot.value, sizeof value);
  return value == snapshot.value && slot.text == snapshot.text && slot.kind == snapshot.kind &&
         slot.value_after_double == snapshot.value_after_double;
}

void PlatformInputs::read(s_sc& sc, std::size_t index) {
  read_platform_input(sc.Input[static_cast<int>(index)], slots_[index], selected_entries_[index]);
  snapshots_[index] = snapshot_of(slots_[index]);
}

void PlatformInputs::before_call(s_sc& sc, bool starts_over) {
  if (!starts_over && read_once_) return;
  for (std::size_t s = 0; s < slots_.size(); ++s) read(sc, s);
  read_once_ = true;
}

bool PlatformInputs::after_call(s_sc& sc) {
  // Runs on every call, once per bar in a full recalculation: a few loads
  // and compares per slot.
  bool all_set = true;
  for (std::size_t s = 0; s < slots_.size(); ++s) {
    if (unchanged(snapshots_[s], slots_[s])) continue;
    if (!write_platform_input(slots_[s], sc.Input[static_cast<int>(s)])) all_set = false;
    read(sc, s);
  }
  return all_set;
}

bool PlatformInputs::declare(s_sc& sc) const {
  bool all_declared = true;
  for (std::size_t s = 0; s < slots_.size(); ++s) {
    const host::InputSlot& slot = slots_[s];
    if (slot.kind == host::kKindNone && host::is_empty(slot.name)) continue;
    s_SCInput_145& input = sc.Input[static_cast<int>(s)];
    if (!host::is_empty(slot.name)) input.Name = host::text_of(slot.name);
    if (!write_platform_input(slot, input)) all_declared = false;
    if (slot.display_order != 0) input.DisplayOrder = slot.display_order;
  }
  return all_declared;
}

}  // namespace qlx_platform
