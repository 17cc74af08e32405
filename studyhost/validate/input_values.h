// The inputs a study declared, and values to give them: plausible ones that
// let a study download, and random ones from the whole range of each kind,
// extremes included (NaN, infinities, the integer limits, huge and empty
// texts, list positions outside the list).
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "studyhost/runtime/study_instance.h"

namespace studyhost::validate {

using Rng = std::mt19937_64;

struct DeclaredInput {
  std::int32_t index = 0;
  std::uint8_t kind = 0;
  std::string name;
  std::vector<std::string> entries;  // list inputs
};

// Every slot the defaults call gave a name or a kind (declared_inputs).
std::vector<DeclaredInput> describe_inputs(const StudyInstance& study);

// Whether the input holds the API key: a secret input (is_secret_input).
bool is_key_input(const DeclaredInput& input);

// Text inputs get a symbol, key inputs the test's key; other inputs keep
// their defaults.
void set_plausible_inputs(StudyInstance& study, const std::vector<DeclaredInput>& inputs,
                          const std::string& key);

// A random value of the input's kind; returns what was set, for the report.
std::string set_random_input(StudyInstance& study, const DeclaredInput& input, Rng& rng,
                             const std::string& key);

}  // namespace studyhost::validate
