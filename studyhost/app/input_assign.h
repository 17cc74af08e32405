// Setting a study's declared inputs by name from text, as a user would in the
// host's settings dialog.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "studyhost/lib/study_instance.h"

namespace studyhost::app {

// The inputs a study declared (a name, or a kind other than 0), by index.
std::vector<std::int32_t> declared_inputs(const StudyInstance& instance);

// The readable name of an input kind ("list", "colour", ...).
std::string kind_name(std::uint8_t kind);

// The text of the list entry a list input has selected, or null when its
// position names no entry.
const char* list_entry_text(const StudyInstance& instance, std::int32_t index);

// An input whose text is a secret: a text input whose name mentions a key.
bool is_secret_input(const host::InputSlot& slot);

// The value of an input as the settings dialog shows it: list entries by
// their text, colours as #RRGGBB, times as HH:MM:SS; a secret text as ***.
std::string input_value_text(const StudyInstance& instance, std::int32_t index);

// Splits `NAME=VALUE` at the first '='; false when there is none or the name
// is empty.
bool split_assignment(std::string_view assignment, std::string& name, std::string& value);

// Sets the declared input called `name` from `value`:
//   list      the entry text ("Weekly")
//   yes/no    yes, no, 1 or 0
//   integer   a whole number; float a finite number
//   colour    #RRGGBB, stored as 0x00BBGGRR
//   time      HH:MM:SS, stored as a fraction of a day
//   text      any text (held in a process-heap buffer the input owns)
// On failure returns false and `error` says what would fit: the input names,
// the list's entries or the expected form. The value itself is never quoted
// back for a secret input.
bool assign_input(StudyInstance& instance, std::string_view name, std::string_view value,
                  std::string& error);

// Whether the NAME of an assignment is an input number (digits alone), the
// way to an input that has no name; `number` is then set.
bool input_number(std::string_view name, std::int32_t& number);

// Whether the study declared an input with this number; when not, `error`
// says so and lists the numbers it declared.
bool input_number_declared(const StudyInstance& instance, std::int32_t number, std::string& error);

// Sets the declared input with this number from `value`, by the rules of
// assign_input.
bool assign_input_number(StudyInstance& instance, std::int32_t number, std::string_view value,
                         std::string& error);

}  // namespace studyhost::app
