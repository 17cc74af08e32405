// Sessions of a study on a well-behaved service: the measure a soaked
// instance is held to, both for what it may hold while the session runs and
// for what it must show at the end.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "studyhost/runtime/host.h"
#include "studyhost/runtime/transport.h"

namespace studyhost::soak {

// The price map's period mode: an input without a name, which the study sets
// to 0 when it creates its state, so it is set from outside after the first
// full recalculation. 2 draws each day with its own price map.
inline constexpr std::int32_t kPeriodModeInput = 36;
inline constexpr std::int32_t kPeriodModes = 3;
inline constexpr std::int32_t kPerPeriodMode = 2;

// What a user types into a new study's settings.
struct TypedInputs {
  std::string asset_class;
  std::string symbol;
  std::string key;
};

// The inputs a study declared that the soak drives, by number; -1 when the
// study has none.
struct DrivenInputs {
  std::int32_t asset_class = -1;
  std::int32_t symbol = -1;
  std::int32_t key = -1;
  std::int32_t time_frame = -1;        // a list
  bool period_mode = false;            // an unnamed integer at kPeriodModeInput
  std::vector<std::int32_t> switches;  // yes/no inputs with a name
};
DrivenInputs driven_inputs(const StudyInstance& study);

// Sets the typed inputs the study declared.
void type_inputs(StudyInstance& study, const DrivenInputs& driven, const TypedInputs& typed);

// Copies every declared input but `skip` from one instance to another.
void copy_inputs(const StudyInstance& from, StudyInstance& to, std::int32_t skip);

// The most a study holds in one clean session on these bars.
struct HeldLimits {
  std::size_t drawings = 0;
  std::size_t menu_entries = 0;
  std::size_t host_strings = 0;
};

// Clean sessions in the configurations that draw the most (every switch on,
// the per-period mode, each Time Frame in turn): the most any configuration
// the soak reaches can hold. False with `error` set when one does not settle.
bool most_held(const StudyLibrary& library, const std::vector<Bar>& bars, Transport& clean,
               const TypedInputs& typed, std::chrono::milliseconds wait, HeldLimits& limits,
               std::string& error);

struct Comparison {
  bool identical = false;
  std::string difference;  // the first, for a person
  std::size_t clean_drawings = 0;
};

// A clean session on the instance's bars and inputs, and the instance's dump
// beside its dump: drawings (as a set, their identifiers aside), values per
// bar, inputs, menu (identifiers aside) and status. The message log and the
// requests differ by design and are not compared.
Comparison compare_with_clean(const Host& host, StudyInstance& soaked, Transport& clean,
                              std::chrono::milliseconds wait);

}  // namespace studyhost::soak
