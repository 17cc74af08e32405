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

}  // namespace qlx_platform
