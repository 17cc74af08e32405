#include "studyhost/session/input_assign.h"

#include <algorithm>
#include <charconv>
#include <vector>

#include "host/text_case.h"
#include "studyhost/runtime/input_kinds.h"

namespace studyhost::session {
namespace {

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
    if (!host::equal_ignoring_case(host::text_of(instance.input(i).name), name)) continue;
    if (found >= 0) return -1;
    found = i;
  }
  return found;
}

// Sets the declared input `index` from `value`.
bool assign_declared(StudyInstance& instance, std::int32_t index, std::string_view value,
                     std::string& error) {
  std::string why;
  if (set_input_from_text(instance, index, value, why)) return true;
  const char* name = host::text_of(instance.input(index).name);
  error = "input " + (name[0] != '\0' ? quoted(name) : std::to_string(index) + " (no name)") + " " +
          why;
  return false;
}

}  // namespace

bool split_assignment(std::string_view assignment, std::string& name, std::string& value) {
  const std::size_t equals = assignment.find('=');
  if (equals == std::string_view::npos || equals == 0) return false;
  name = std::string(assignment.substr(0, equals));
  value = std::string(assignment.substr(equals + 1));
  return true;
}

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
  const char* last = name.data() + name.size();
  const auto [end, ec] = std::from_chars(name.data(), last, number);
  return ec == std::errc() && end == last;
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

}  // namespace studyhost::session
