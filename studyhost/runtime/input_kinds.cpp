#include "studyhost/runtime/input_kinds.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "host/input_slot.h"
#include "host/study_interface.h"
#include "host/text_case.h"
#include "studyhost/runtime/value_text.h"

namespace studyhost {
namespace {

// The whole of `text` as one number.
template <typename Number>
bool parse_whole(std::string_view text, Number& value) {
  if (text.empty()) return false;
  const char* last = text.data() + text.size();
  const auto [end, ec] = std::from_chars(text.data(), last, value);
  return ec == std::errc() && end == last;
}

template <typename Number>
std::string shortest(Number value) {
  char buffer[64];
  const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  return ec == std::errc() ? std::string(buffer, end) : std::string("?");
}

double days_of(std::int64_t datetime) {
  return static_cast<double>(datetime) / static_cast<double>(host::kMicrosPerDay);
}

// Readers of a user's text, one per form of value.

bool parse_integer(StudyInstance& study, std::int32_t index, std::string_view text) {
  std::int32_t number = 0;
  if (!parse_whole(text, number)) return false;
  study.set_input_int(index, number);
  return true;
}

bool parse_float(StudyInstance& study, std::int32_t index, std::string_view text) {
  float number = 0.0f;
  if (!parse_whole(text, number) || !std::isfinite(number)) return false;
  study.set_input_float(index, number);
  return true;
}

bool parse_double(StudyInstance& study, std::int32_t index, std::string_view text) {
  double number = 0.0;
  if (!parse_whole(text, number) || !std::isfinite(number)) return false;
  study.set_input_double(index, number);
  return true;
}

bool parse_yes_no(StudyInstance& study, std::int32_t index, std::string_view text) {
  if (host::equal_ignoring_case(text, "yes") || text == "1") {
    study.set_input_yes_no(index, true);
  } else if (host::equal_ignoring_case(text, "no") || text == "0") {
    study.set_input_yes_no(index, false);
  } else {
    return false;
  }
  return true;
}

bool parse_colour(StudyInstance& study, std::int32_t index, std::string_view text) {
  if (text.size() != 7 || text[0] != '#') return false;
  std::uint32_t rgb = 0;
  for (std::size_t i = 1; i < 7; ++i) {
    const char c = host::lower_ascii(text[i]);
    int digit = 0;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else {
      return false;
    }
    rgb = (rgb << 4) | static_cast<std::uint32_t>(digit);
  }
  // The host keeps colours as 0x00BBGGRR: red in the low byte.
  const std::uint32_t red = (rgb >> 16) & 0xFFu;
  const std::uint32_t green = (rgb >> 8) & 0xFFu;
  const std::uint32_t blue = rgb & 0xFFu;
  study.set_input_color(index, red | (green << 8) | (blue << 16));
  return true;
}

// HH:MM:SS, stored as a fraction of a day.
bool parse_time_of_day(StudyInstance& study, std::int32_t index, std::string_view text) {
  const auto at = parse_date_time("1899-12-30 " + std::string(text));
  if (!at) return false;
  study.set_input_double(index, days_of(*at));
  return true;
}

bool parse_date(StudyInstance& study, std::int32_t index, std::string_view text) {
  const auto at = parse_date_time(text, true);
  if (!at) return false;
  study.set_input_double(index, days_of(*at));
  return true;
}

bool parse_date_and_time(StudyInstance& study, std::int32_t index, std::string_view text) {
  const auto at = parse_date_time(text);
  if (!at) return false;
  study.set_input_double(index, days_of(*at));
  return true;
}

// A list entry by its text, exactly or else ignoring letter case.
bool parse_list_entry(StudyInstance& study, std::int32_t index, std::string_view text) {
  const auto& entries = study.list_entries(index);
  auto match = std::find(entries.begin(), entries.end(), text);
  if (match == entries.end()) {
    match = std::find_if(entries.begin(), entries.end(), [&](const std::string& entry) {
      return host::equal_ignoring_case(entry, text);
    });
  }
  if (match == entries.end()) return false;
  study.set_input_int(index, static_cast<std::int32_t>(match - entries.begin()));
  return true;
}

// Any text, held in a process-heap buffer the input owns.
bool parse_text(StudyInstance& study, std::int32_t index, std::string_view text) {
  study.set_input_text(index, std::string(text));
  return true;
}

// Writers of the value as the settings dialog shows it.

std::string integer_text(const StudyInstance& study, std::int32_t index) {
  return std::to_string(host::stored_int(study.input(index)));
}

std::string float_text(const StudyInstance& study, std::int32_t index) {
  return shortest(host::stored_float(study.input(index)));
}

std::string double_text(const StudyInstance& study, std::int32_t index) {
  return shortest(host::stored_double(study.input(index)));
}

std::string yes_no_text(const StudyInstance& study, std::int32_t index) {
  return host::yes_no_value(study.input(index)) ? "yes" : "no";
}

std::string colour_text(const StudyInstance& study, std::int32_t index) {
  const std::uint32_t colour = host::stored_bits(study.input(index));
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "#%02X%02X%02X", colour & 0xFFu, (colour >> 8) & 0xFFu,
                (colour >> 16) & 0xFFu);
  return buffer;
}

std::string time_of_day_text(const StudyInstance& study, std::int32_t index) {
  const double fraction = host::stored_double(study.input(index));
  if (!std::isfinite(fraction)) return "not a time";
  const std::int64_t micros =
      host::round_to_int64(fraction * static_cast<double>(host::kMicrosPerDay));
  return date_time_text(micros, 0).substr(11);
}

std::string calendar_text(const StudyInstance& study, std::int32_t index, std::int32_t format) {
  const double days = host::stored_double(study.input(index));
  if (!std::isfinite(days)) return "not a date";
  return date_time_text(host::round_to_int64(days * static_cast<double>(host::kMicrosPerDay)),
                        format);
}

std::string date_only_text(const StudyInstance& study, std::int32_t index) {
  return calendar_text(study, index, host::kDateFormatYmd);
}

std::string date_and_time_text(const StudyInstance& study, std::int32_t index) {
  return calendar_text(study, index, 0);
}

std::string list_text(const StudyInstance& study, std::int32_t index) {
  const char* entry = list_entry_text(study, index);
  return entry != nullptr ? std::string(entry)
                          : "entry " + std::to_string(host::stored_int(study.input(index)));
}

std::string text_shown(const StudyInstance& study, std::int32_t index) {
  const host::InputSlot& slot = study.input(index);
  if (slot.text == nullptr) return "(no text)";
  const bool hidden = is_secret_input(slot.kind, host::text_of(slot.name)) && slot.text[0] != '\0';
  return hidden ? "***" : std::string(slot.text);
}

constexpr const char* kWholeNumber = "a whole number such as 7";
constexpr const char* kNumber = "a number such as 1.5";
constexpr const char* kDateTime = "a date-time as YYYY-MM-DD HH:MM:SS";

constexpr InputKind integer_kind(std::uint8_t code) {
  return {code, "integer", InputForm::kInteger, parse_integer, integer_text, kWholeNumber};
}

constexpr InputKind text_kind(std::uint8_t code) {
  return {code, "text", InputForm::kText, parse_text, text_shown, nullptr};
}

constexpr std::array kKinds = {
    integer_kind(host::kKindBarData),
    InputKind{host::kKindFloat, "float", InputForm::kFloat, parse_float, float_text, kNumber},
    integer_kind(host::kKindStudyIndex),
    integer_kind(host::kKindSubgraphIndex),
    InputKind{host::kKindYesNo, "yes/no", InputForm::kYesNo, parse_yes_no, yes_no_text,
              "yes, no, 1 or 0"},
    integer_kind(host::kKindMovingAverage),
    InputKind{host::kKindDate, "date", InputForm::kDouble, parse_date, date_only_text,
              "a date as YYYY-MM-DD"},
    InputKind{host::kKindTimeOfDay, "time", InputForm::kDouble, parse_time_of_day, time_of_day_text,
              "a time of day as HH:MM:SS"},
    InputKind{host::kKindDateTime, "date-time", InputForm::kDouble, parse_date_and_time,
              date_and_time_text, kDateTime},
    integer_kind(host::kKindInteger),
    integer_kind(host::kKindStudyId),
    InputKind{host::kKindColor, "colour", InputForm::kColor, parse_colour, colour_text,
              "a colour as #RRGGBB"},
    integer_kind(host::kKindAlertSound),
    integer_kind(host::kKindCandlePattern),
    integer_kind(host::kKindTimePeriodUnit),
    integer_kind(host::kKindChartNumber),
    InputKind{host::kKindCustomList, "list", InputForm::kList, parse_list_entry, list_text,
              nullptr},
    InputKind{host::kKindDouble, "double", InputForm::kDouble, parse_double, double_text, kNumber},
    integer_kind(host::kKindTimeZone),
    InputKind{host::kKindDateTimeWithInteger, "date-time", InputForm::kDouble, parse_date_and_time,
              date_and_time_text, kDateTime},
    text_kind(host::kKindText),
    text_kind(host::kKindTextB),
    text_kind(host::kKindTextC),
};

}  // namespace

const InputKind* find_input_kind(std::uint8_t code) {
  const auto row = std::find_if(kKinds.begin(), kKinds.end(),
                                [code](const InputKind& kind) { return kind.code == code; });
  return row != kKinds.end() ? &*row : nullptr;
}

std::string kind_name(std::uint8_t code) {
  const InputKind* kind = find_input_kind(code);
  return kind != nullptr ? kind->name : "kind " + std::to_string(code);
}

InputForm input_form(std::uint8_t code) {
  const InputKind* kind = find_input_kind(code);
  return kind != nullptr ? kind->form : InputForm::kInteger;
}

std::vector<std::int32_t> declared_inputs(const StudyInstance& study) {
  std::vector<std::int32_t> list;
  for (std::int32_t i = 0; i < kInputSlots; ++i) {
    const host::InputSlot& slot = study.input(i);
    if (slot.kind != host::kKindNone || !host::is_empty(slot.name)) list.push_back(i);
  }
  return list;
}

bool is_secret_input(std::uint8_t kind, std::string_view name) {
  return host::is_text_kind(kind) && host::contains_ignoring_case(name, "key");
}

const char* list_entry_text(const StudyInstance& study, std::int32_t index) {
  // The host's own list of entries, not the slot's selected text, which is
  // brought up to date only before a call.
  const host::InputSlot& slot = study.input(index);
  const auto& entries = study.list_entries(index);
  const std::int32_t position = host::stored_int(slot);
  if (slot.kind != host::kKindCustomList || position < 0 ||
      static_cast<std::size_t>(position) >= entries.size()) {
    return nullptr;
  }
  return entries[static_cast<std::size_t>(position)].c_str();
}

std::string input_value_text(const StudyInstance& study, std::int32_t index) {
  const InputKind* kind = find_input_kind(study.input(index).kind);
  return kind != nullptr ? kind->format(study, index) : integer_text(study, index);
}

bool set_input_from_text(StudyInstance& study, std::int32_t index, std::string_view text,
                         std::string& why) {
  const std::uint8_t code = study.input(index).kind;
  const InputKind* kind = find_input_kind(code);
  if (kind == nullptr) {
    why = "is of " + kind_name(code) + ", which this host cannot set from text";
    return false;
  }
  if (kind->parse(study, index, text)) return true;
  if (kind->form == InputForm::kList) {
    std::vector<std::string> listed;
    for (const auto& entry : study.list_entries(index)) listed.push_back(quoted(entry));
    why = "takes one of: " + joined(listed);
  } else if (kind->expected != nullptr) {
    why = std::string("takes ") + kind->expected + ", not " + quoted(text);
  }
  return false;
}

std::string quoted(std::string_view text) {
  // Built by appending: GCC 12 at -O3 misreads `"\"" + std::string` as an
  // overlapping copy (-Wrestrict) and the bench preset would not build.
  std::string result;
  result.reserve(text.size() + 2);
  result += '"';
  result.append(text);
  result += '"';
  return result;
}

std::string joined(const std::vector<std::string>& items) {
  std::string out;
  for (const auto& item : items) {
    if (!out.empty()) out += ", ";
    out += item;
  }
  return out;
}

}  // namespace studyhost
