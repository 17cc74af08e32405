// Setting a study's declared inputs by name or number from text, as a user
// would in the host's settings dialog. Each kind's rule is in the table of
// input kinds (studyhost/runtime/input_kinds.h).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "studyhost/runtime/study_instance.h"

namespace studyhost::session {

// Splits `NAME=VALUE` at the first '='; false when there is none or the name
// is empty.
bool split_assignment(std::string_view assignment, std::string& name, std::string& value);

// Sets the declared input called `name` (exactly, else the one name that
// matches ignoring letter case) from `value`:
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

}  // namespace studyhost::session
