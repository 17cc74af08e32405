// The input kinds as studyhost knows them: one table, a row per kind, with
// the kind's name, how its value is held, how a user's text is read into it
// and how its value is shown. `studyhost run --input`, `studyhost inputs`,
// the dump and `studyhost validate` all go through it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "studyhost/runtime/study_instance.h"

namespace studyhost {

// How a kind's value is held in its slot.
enum class InputForm : std::uint8_t {
  kInteger,  // a 32-bit integer (also every kind this host does not know)
  kYesNo,    // a 32-bit integer, 0 for no
  kFloat,    // a float
  kDouble,   // a double: a number, or days since 1899-12-30 for the calendar kinds
  kColor,    // 0x00BBGGRR
  kList,     // a position in the list's entries
  kText,     // a text, owned by the slot when the host set it
};

struct InputKind {
  std::uint8_t code;  // host::kKind...
  const char* name;   // as `studyhost inputs` shows it
  InputForm form;
  // Sets input `index` from a user's text; false when the text is no value
  // of this kind.
  bool (*parse)(StudyInstance& study, std::int32_t index, std::string_view text);
  // The value as the settings dialog shows it.
  std::string (*format)(const StudyInstance& study, std::int32_t index);
  // What a value of this kind looks like, for the message when a text does
  // not fit ("a number such as 1.5"); the list's entries stand for it on a list.
  const char* expected;
};

// The row of a kind; null for a kind this host does not know.
const InputKind* find_input_kind(std::uint8_t code);

// The readable name of an input kind ("list", "colour", ..., "kind 7").
std::string kind_name(std::uint8_t code);

// How the kind's value is held; kInteger for kinds this host does not know.
InputForm input_form(std::uint8_t code);

// The inputs a study declared (a name, or a kind other than 0), by index.
std::vector<std::int32_t> declared_inputs(const StudyInstance& study);

// An input whose text is a secret: a text input whose name mentions a key,
// in any letter case.
bool is_secret_input(std::uint8_t kind, std::string_view name);

// The text of the list entry a list input has selected, or null when its
// position names no entry.
const char* list_entry_text(const StudyInstance& study, std::int32_t index);

// The value of an input as the settings dialog shows it: list entries by
// their text, colours as #RRGGBB, times as HH:MM:SS; a secret text as ***.
std::string input_value_text(const StudyInstance& study, std::int32_t index);

// Sets input `index` from a user's text by its kind's rule. On failure
// returns false and `why` says what would fit ("takes a number such as 1.5,
// not \"x\"", "takes one of: \"Daily\", \"Weekly\"", or that the kind cannot
// be set from text).
bool set_input_from_text(StudyInstance& study, std::int32_t index, std::string_view text,
                         std::string& why);

// `text` in double quotes, and items joined with ", ": the pieces of the
// messages above.
std::string quoted(std::string_view text);
std::string joined(const std::vector<std::string>& items);

}  // namespace studyhost
