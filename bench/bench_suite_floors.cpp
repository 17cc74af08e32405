// The floors: studies that do nothing but write their outputs through the
// host's accessors, run by the same host as the real studies. A real study
// can be no cheaper than its floor; the ratio to it is the study's own cost.
#include <array>

#include "bench_suite_fixtures.h"
#include "host/host_string.h"

namespace bench_suite {
namespace {

// The price map study's level value subgraphs and its 15 values.
constexpr std::int32_t kFirstLevelSubgraph = 10;
constexpr std::int32_t kLevelValues = 15;
constexpr std::array<float, kLevelValues> kLevels = {
    4100.25f, 4105.5f,  4100.0f,  4094.5f, 4108.25f, 4102.75f, 4097.25f, 4091.75f,
    4127.5f,  4113.75f, 4086.25f, 4072.5f, 2.75f,    2.0f,     1.25f};

void level_values_study(host::StudyInterface* sc) {
  if (sc->defaults_call != 0) {
    host::assign(sc->study_name, "Level Values Floor");
    sc->auto_loop = 1;
    return;
  }
  if (sc->last_call != 0) return;
  for (std::int32_t k = 0; k < kLevelValues; ++k) {
    host::HostArray<float>& values = host::element(sc->subgraphs, kFirstLevelSubgraph + k).values;
    host::element(values, sc->current_index) = kLevels[static_cast<std::size_t>(k)];
  }
}

// The timeframe structure study's 20 outputs: five groups of high, low,
// close and mid.
constexpr std::int32_t kPeriodOutputs = 20;

void period_outputs_study(host::StudyInterface* sc) {
  if (sc->defaults_call != 0) {
    host::assign(sc->study_name, "Period Outputs Floor");
    sc->auto_loop = 0;
    return;
  }
  if (sc->last_call != 0) return;
  std::array<host::HostArray<float>*, kPeriodOutputs> outputs{};
  for (std::int32_t n = 0; n < kPeriodOutputs; ++n) {
    outputs[static_cast<std::size_t>(n)] = &host::element(sc->subgraphs, n).values;
  }
  const float base = 4000.0f;
  for (std::int32_t bar = sc->first_bar_to_update; bar < sc->bar_count; ++bar) {
    for (std::int32_t n = 0; n < kPeriodOutputs; ++n) {
      host::element(*outputs[static_cast<std::size_t>(n)], bar) = base + static_cast<float>(n);
    }
  }
}

}  // namespace

std::unique_ptr<studyhost::StudyLibrary> level_values_floor() {
  return studyhost::StudyLibrary::in_process(&level_values_study, "Level Values Floor");
}

std::unique_ptr<studyhost::StudyLibrary> period_outputs_floor() {
  return studyhost::StudyLibrary::in_process(&period_outputs_study, "Period Outputs Floor");
}

}  // namespace bench_suite
