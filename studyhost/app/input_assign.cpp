#include "studyhost/app/input_assign.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "host/study_interface.h"
#include "studyhost/app/bars_csv.h"
#include "studyhost/lib/value_text.h"

namespace studyhost::app {
namespace {

char lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equal_ignoring_case(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [](char x, char y) { return lower(x) == lower(y); });
}

bool contains_ignoring_case(std::string_view text, std::string_view part) {
  if (part.size() > text.size()) return false;
  for (std::size_t i = 0; i + part.size() <= text.size(); ++i) {
    if (equal_ignoring_case(text.substr(i, part.size()), part)) return true;
  }
  return false;
}

bool holds_integer(std::uint8_t kind) {
  switch (kind) {
    case 1:
    case 3:
    case 4:
    case 6:
    case host::kKindInteger:
    case 13:
    case 15:
    case 16:
    case 17:
    case 19:
    case 24:
      return true;
    default:
      return false;
  }
}

template <typename Number>
bool parse_whole(std::string_view text, Number& value) {
  if (text.empty()) return false;
  const char* last = text.data() + text.size();
  const auto [end, ec] = std::from_chars(text.data(), last, value);
  return ec == std::errc() && end == last;
}

bool parse_hex_colour(std::string_view text, std::uint32_t& colour) {
  if (text.size() != 7 || text[0] != '#') return false;
  std::uint32_t rgb = 0;
  for (std::size_t i = 1; i < 7; ++i) {
    const char c = lower(text[i]);
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
  colour = red | (green << 8) | (blue << 16);
  return true;
}

// HH:MM:SS as a fraction of a day.
bool parse_time_of_day(std::string_view text, double& fraction) {
  const auto at = parse_date_time("1899-12-30 " + std::string(text));
  if (!at) return false;
  fraction = static_cast<double>(*at) / static_cast<double>(host::kMicrosPerDay);
  return true;
}

std::string colour_text(std::uint32_t colour) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "#%02X%02X%02X", colour & 0xFFu, (colour >> 8) & 0xFFu,
                (colour >> 16) & 0xFFu);
  return buffer;
}

std::string time_text(double fraction) {
  if (!std::isfinite(fraction)) return "not a time";
  const std::int64_t micros =
      host::round_to_int64(fraction * static_cast<double>(host::kMicrosPerDay));
  return date_time_text(micros, 0).substr(11);
}

std::string shortest(double value) {
  char buffer[64];
  const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  return ec == std::errc() ? std::string(buffer, end) : std::string("?");
}

std::string shortest(float value) {
  char buffer[64];
  const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  return ec == std::errc() ? std::string(buffer, end) : std::string("?");
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

// Finds the declared input by its exact name, else by a unique match that
// ignores letter case. -1 when there is none.
std::int32_t find_input(const StudyInstance& instance, std::string_view name) {
  // An input without a name is hidden from the user, so no name reaches it.
  if (name.empty()) return -1;
  const auto declared = declared_inputs(instance);
  for (const std::int32_t i : declared) {
    if (host::text_of(instance.input(i).name) == name) return i;
  }
  std::int32_t found = -1;
  for (const std::int32_t i : declared) {
    if (!equal_ignoring_case(host::text_of(instance.input(i).name), name)) continue;
    if (found >= 0) return -1;
    found = i;
  }
  return found;
}

}  // namespace

std::vector<std::int32_t> declared_inputs(const StudyInstance& instance) {
  std::vector<std::int32_t> list;
  for (std::int32_t i = 0; i < kInputSlots; ++i) {
    const host::InputSlot& slot = instance.input(i);
    if (slot.kind != 0 || !host::is_empty(slot.name)) list.push_back(i);
  }
  return list;
}

std::string kind_name(std::uint8_t kind) {
  switch (kind) {
    case host::kKindFloat:
      return "float";
    case host::kKindYesNo:
      return "yes/no";
    case host::kKindDate:
      return "date";
    case host::kKindTimeOfDay:
      return "time";
    case host::kKindDateTime:
      return "date-time";
    case host::kKindInteger:
      return "integer";
    case host::kKindColor:
      return "colour";
    case host::kKindCustomList:
      return "list";
    case host::kKindDouble:
      return "double";
    case host::kKindDateTimeWithInteger:
      return "date-time";
    case host::kKindText:
    case host::kKindTextB:
    case host::kKindTextC:
      return "text";
    default:
      return holds_integer(kind) ? "integer" : "kind " + std::to_string(kind);
  }
}

const char* list_entry_text(const StudyInstance& instance, std::int32_t index) {
  // The host's own list of entries, not the slot's selected text, which is
  // brought up to date only before a call.
  const host::InputSlot& slot = instance.input(index);
  const auto& entries = instance.list_entries(index);
  const std::int32_t position = host::stored_int(slot);
  if (slot.kind != host::kKindCustomList || position < 0 ||
      static_cast<std::size_t>(position) >= entries.size()) {
    return nullptr;
  }
  return entries[static_cast<std::size_t>(position)].c_str();
}

bool is_secret_input(const host::InputSlot& slot) {
  return host::is_text_kind(slot.kind) && contains_ignoring_case(host::text_of(slot.name), "key");
}

std::string input_value_text(const StudyInstance& instance, std::int32_t index) {
  const host::InputSlot& slot = instance.input(index);
  switch (slot.kind) {
    case host::kKindCustomList: {
      const char* entry = list_entry_text(instance, index);
      return entry != nullptr ? std::string(entry)
                              : "entry " + std::to_string(host::stored_int(slot));
    }
    case host::kKindYesNo:
      return host::yes_no_value(slot) ? "yes" : "no";
    case host::kKindFloat:
      return shortest(host::stored_float(slot));
    case host::kKindColor:
      return colour_text(host::stored_bits(slot));
    case host::kKindTimeOfDay:
      return time_text(host::stored_double(slot));
    case host::kKindDouble:
      return shortest(host::stored_double(slot));
    case host::kKindDate:
    case host::kKindDateTime:
    case host::kKindDateTimeWithInteger: {
      const double days = host::stored_double(slot);
      if (!std::isfinite(days)) return "not a date";
      const std::int64_t micros =
          host::round_to_int64(days * static_cast<double>(host::kMicrosPerDay));
      return date_time_text(micros, slot.kind == host::kKindDate ? host::kDateFormatYmd : 0);
    }
    default:
      break;
  }
  if (host::is_text_kind(slot.kind)) {
    if (slot.text == nullptr) return "(no text)";
    return is_secret_input(slot) && slot.text[0] != '\0' ? "***" : std::string(slot.text);
  }
  return std::to_string(host::stored_int(slot));
}

bool split_assignment(std::string_view assignment, std::string& name, std::string& value) {
  const std::size_t equals = assignment.find('=');
  if (equals == std::string_view::npos || equals == 0) return false;
  name = std::string(assignment.substr(0, equals));
  value = std::string(assignment.substr(equals + 1));
  return true;
}

namespace {

// Sets the declared input `index` from `value`.
bool assign_declared(StudyInstance& instance, std::int32_t index, std::string_view value,
                     std::string& error) {
  const host::InputSlot& slot = instance.input(index);
  const char* name = host::text_of(slot.name);
  const std::string label =
      "input " + (name[0] != '\0' ? quoted(name) : std::to_string(index) + " (no name)");
  const std::uint8_t kind = slot.kind;

  if (host::is_text_kind(kind)) {
    instance.set_input_text(index, std::string(value));
    return true;
  }
  if (kind == host::kKindCustomList) {
    const auto& entries = instance.list_entries(index);
    auto match = std::find(entries.begin(), entries.end(), value);
    if (match == entries.end()) {
      match = std::find_if(entries.begin(), entries.end(), [&](const std::string& entry) {
        return equal_ignoring_case(entry, value);
      });
    }
    if (match == entries.end()) {
      std::vector<std::string> listed;
      for (const auto& entry : entries) listed.push_back(quoted(entry));
      error = label + " takes one of: " + joined(listed);
      return false;
    }
    instance.set_input_int(index, static_cast<std::int32_t>(match - entries.begin()));
    return true;
  }
  if (kind == host::kKindYesNo) {
    if (equal_ignoring_case(value, "yes") || value == "1") {
      instance.set_input_yes_no(index, true);
    } else if (equal_ignoring_case(value, "no") || value == "0") {
      instance.set_input_yes_no(index, false);
    } else {
      error = label + " takes yes, no, 1 or 0, not " + quoted(value);
      return false;
    }
    return true;
  }
  if (kind == host::kKindFloat) {
    float number = 0.0f;
    if (!parse_whole(value, number) || !std::isfinite(number)) {
      error = label + " takes a number such as 1.5, not " + quoted(value);
      return false;
    }
    instance.set_input_float(index, number);
    return true;
  }
  if (kind == host::kKindDouble) {
    double number = 0.0;
    if (!parse_whole(value, number) || !std::isfinite(number)) {
      error = label + " takes a number such as 1.5, not " + quoted(value);
      return false;
    }
    instance.set_input_double(index, number);
    return true;
  }
  if (kind == host::kKindColor) {
    std::uint32_t colour = 0;
    if (!parse_hex_colour(value, colour)) {
      error = label + " takes a colour as #RRGGBB, not " + quoted(value);
      return false;
    }
    instance.set_input_color(index, colour);
    return true;
  }
  if (kind == host::kKindTimeOfDay) {
    double fraction = 0.0;
    if (!parse_time_of_day(value, fraction)) {
      error = label + " takes a time of day as HH:MM:SS, not " + quoted(value);
      return false;
    }
    instance.set_input_double(index, fraction);
    return true;
  }
  if (kind == host::kKindDate || kind == host::kKindDateTime ||
      kind == host::kKindDateTimeWithInteger) {
    const bool date_only = kind == host::kKindDate;
    const auto at = parse_date_time(value, date_only);
    if (!at) {
      error = label +
              (date_only ? " takes a date as YYYY-MM-DD, not "
                         : " takes a date-time as YYYY-MM-DD HH:MM:SS, not ") +
              quoted(value);
      return false;
    }
    instance.set_input_double(index,
                              static_cast<double>(*at) / static_cast<double>(host::kMicrosPerDay));
    return true;
  }
  if (holds_integer(kind)) {
    std::int32_t number = 0;
    if (!parse_whole(value, number)) {
      error = label + " takes a whole number such as 7, not " + quoted(value);
      return false;
    }
    instance.set_input_int(index, number);
    return true;
  }
  error = label + " is of " + kind_name(kind) + ", which this host cannot set from text";
  return false;
}

}  // namespace

bool assign_input(StudyInstance& instance, std::string_view name, std::string_view value,
                  std::string& error) {
  const std::int32_t index = find_input(instance, name);
  if (index < 0) {
    std::vector<std::string> names;
    for (const std::int32_t i : declared_inputs(instance)) {
      const char* text = host::text_of(instance.input(i).name);
      if (text[0] != '\0') names.push_back(quoted(text));
    }
    error = "unknown input " + quoted(name) + "; the study's inputs are: " + joined(names);
    return false;
  }
  return assign_declared(instance, index, value, error);
}

bool input_number(std::string_view name, std::int32_t& number) {
  if (name.empty() ||
      !std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return false;
  }
  return parse_whole(name, number);
}

bool input_number_declared(const StudyInstance& instance, std::int32_t number, std::string& error) {
  const std::vector<std::int32_t> declared = declared_inputs(instance);
  if (std::find(declared.begin(), declared.end(), number) != declared.end()) return true;
  std::vector<std::string> numbers;
  for (const std::int32_t i : declared) numbers.push_back(std::to_string(i));
  error = "no input number " + std::to_string(number) +
          "; the study's inputs are numbered: " + joined(numbers);
  return false;
}

bool assign_input_number(StudyInstance& instance, std::int32_t number, std::string_view value,
                         std::string& error) {
  if (!input_number_declared(instance, number, error)) return false;
  return assign_declared(instance, number, value, error);
}

}  // namespace studyhost::app
