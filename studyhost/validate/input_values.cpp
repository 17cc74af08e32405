#include "studyhost/validate/input_values.h"

#include <limits>

#include "host/input_slot.h"
#include "studyhost/runtime/input_kinds.h"

namespace studyhost::validate {
namespace {

constexpr const char* kSymbol = "ES";
// Long enough for any URL, menu key or label buffer a study might keep.
constexpr std::size_t kHugeText = 100000;

template <typename T>
T pick(Rng& rng, std::initializer_list<T> values) {
  std::uniform_int_distribution<std::size_t> at(0, values.size() - 1);
  return *(values.begin() + at(rng));
}

bool chance(Rng& rng, int percent) {
  return std::uniform_int_distribution<int>(0, 99)(rng) < percent;
}

float random_float(Rng& rng) {
  constexpr float kInf = std::numeric_limits<float>::infinity();
  if (chance(rng, 30)) return std::uniform_real_distribution<float>(-100.0f, 100.0f)(rng);
  return pick(rng, {0.0f, 1.0f, -1.0f, 0.5f, 2.0f, 1.0e-30f, 1.0e30f, 3.4e38f, -3.4e38f,
                    std::numeric_limits<float>::denorm_min(),
                    std::numeric_limits<float>::quiet_NaN(), kInf, -kInf});
}

std::int32_t random_int(Rng& rng) {
  constexpr auto kMin = std::numeric_limits<std::int32_t>::min();
  constexpr auto kMax = std::numeric_limits<std::int32_t>::max();
  if (chance(rng, 30)) return std::uniform_int_distribution<std::int32_t>(-50, 50)(rng);
  return pick(rng, {0, 1, -1, 2, 7, 255, 65536, kMin, kMax, kMin + 1, kMax - 1});
}

double random_time(Rng& rng) {
  constexpr double kInf = std::numeric_limits<double>::infinity();
  if (chance(rng, 40)) return std::uniform_real_distribution<double>(0.0, 1.0)(rng);
  return pick(rng, {0.0, 0.5, 0.7083333333333334, 0.99999999999, 1.0, -1.0, -0.25, 45366.75,
                    1.0e300, -1.0e300, std::numeric_limits<double>::quiet_NaN(), kInf, -kInf});
}

std::string random_text(Rng& rng, bool key_input, const std::string& key) {
  // Keys and other texts never coincide, so a symbol on the chart is never
  // taken for a key shown there.
  const char first = key_input ? 'K' : 'S';
  switch (std::uniform_int_distribution<int>(0, 8)(rng)) {
    case 0:
      return "";
    case 1:
      return std::string(kHugeText, first);
    case 2:
      return std::string(1, first) + "&T 03-25/=?#%";
    case 3:
      return std::string(1, first) +
             "\xC3\xA9\xE2\x82\xAC \xFF\xFE";  // UTF-8 and bytes that are none
    case 4:
      return std::string(70, first);  // past a 64-byte menu key
    case 5:
      return "\x01\t\n";
    default:
      return key_input ? key : std::string(kSymbol);
  }
}

}  // namespace

std::vector<DeclaredInput> describe_inputs(const StudyInstance& study) {
  std::vector<DeclaredInput> inputs;
  for (const std::int32_t i : declared_inputs(study)) {
    const host::InputSlot& slot = study.input(i);
    inputs.push_back(DeclaredInput{i, slot.kind, host::text_of(slot.name), study.list_entries(i)});
  }
  return inputs;
}

bool is_key_input(const DeclaredInput& input) {
  return is_secret_input(input.kind, input.name);
}

void set_plausible_inputs(StudyInstance& study, const std::vector<DeclaredInput>& inputs,
                          const std::string& key) {
  for (const DeclaredInput& input : inputs) {
    if (!host::is_text_kind(input.kind)) continue;
    study.set_input_text(input.index, is_key_input(input) ? key : std::string(kSymbol));
  }
}

std::string set_random_input(StudyInstance& study, const DeclaredInput& input, Rng& rng,
                             const std::string& key) {
  const std::string label = "input " + std::to_string(input.index) + " \"" + input.name + "\"";
  switch (input_form(input.kind)) {
    case InputForm::kFloat: {
      const float value = random_float(rng);
      study.set_input_float(input.index, value);
      return label + " := " + std::to_string(value);
    }
    case InputForm::kDouble: {
      const double value = random_time(rng);
      study.set_input_double(input.index, value);
      return label + " := " + std::to_string(value);
    }
    case InputForm::kText: {
      if (chance(rng, 10)) {
        // Back to no text at all, as a freshly added study has.
        host::set_text_kind(study.input(input.index));
        return label + " := no text";
      }
      const std::string text = random_text(rng, is_key_input(input), key);
      study.set_input_text(input.index, text);
      return label + " := text of " + std::to_string(text.size()) + " bytes";
    }
    case InputForm::kList: {
      const auto count = static_cast<std::int32_t>(input.entries.size());
      const std::int32_t value = chance(rng, 70)
                                     ? std::uniform_int_distribution<std::int32_t>(-1, count)(rng)
                                     : random_int(rng);
      study.set_input_int(input.index, value);
      return label + " := entry " + std::to_string(value);
    }
    case InputForm::kColor: {
      const auto value = static_cast<std::uint32_t>(rng());
      study.set_input_color(input.index, chance(rng, 10) ? 0xFF000000u : value);
      return label + " := colour";
    }
    case InputForm::kYesNo: {
      const std::int32_t value =
          chance(rng, 80) ? static_cast<std::int32_t>(rng() & 1) : random_int(rng);
      study.set_input_int(input.index, value);
      return label + " := " + std::to_string(value);
    }
    case InputForm::kInteger:
      break;
  }
  const std::int32_t value = random_int(rng);
  study.set_input_int(input.index, value);
  return label + " := " + std::to_string(value);
}

}  // namespace studyhost::validate
