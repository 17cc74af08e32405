// A study written inside a test: the host calls one study function that runs
// whatever body the test gives it and records what every call was told.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "host/study_interface.h"
#include "studyhost/runtime/chart.h"
#include "studyhost/runtime/library_loader.h"
#include "studyhost/runtime/study_instance.h"

namespace studyhost_test {

struct SeenCall {
  std::int32_t instance;
  std::int32_t defaults;
  std::int32_t last;
  std::int32_t index;
  std::int32_t first;
  std::int32_t bars;
  std::int32_t menu;
  std::int32_t full;
  bool operator==(const SeenCall&) const = default;
};

struct ScriptedStudy {
  std::function<void(host::StudyInterface&)> body;
  std::vector<SeenCall> calls;
};

inline ScriptedStudy& scripted_study() {
  static ScriptedStudy study;
  return study;
}

inline void scripted_study_function(host::StudyInterface* sc) {
  const auto* instance = static_cast<const studyhost::StudyInstance*>(sc->host_context);
  scripted_study().calls.push_back(
      SeenCall{instance->id(), sc->defaults_call, sc->last_call, sc->current_index,
               sc->first_bar_to_update, sc->bar_count, sc->chosen_menu_id, sc->full_recalculation});
  // Every study names itself in its defaults call; the host takes one that
  // declares nothing for a library built for another host.
  if (sc->defaults_call != 0) host::assign(sc->study_name, "Scripted Study");
  if (scripted_study().body) scripted_study().body(*sc);
}

// A fresh scripted study: `body` runs on every call, declarations included.
inline std::unique_ptr<studyhost::StudyLibrary> scripted_library(
    std::function<void(host::StudyInterface&)> body) {
  scripted_study() = ScriptedStudy{std::move(body), {}};
  return studyhost::StudyLibrary::in_process(&scripted_study_function, "Scripted Study");
}

// Bars one day apart starting at day `first_day`.
inline std::vector<studyhost::Bar> daily_bars(int count, std::int64_t first_day = 45000) {
  std::vector<studyhost::Bar> bars;
  for (int i = 0; i < count; ++i) {
    const float price = 100.0f + static_cast<float>(i);
    bars.push_back(studyhost::Bar{(first_day + i) * host::kMicrosPerDay, price, price + 1,
                                  price - 1, price, 1000.0f});
  }
  return bars;
}

}  // namespace studyhost_test
