// A studyhost chart with the price map overlay library on it, for driving the
// drawing code directly: the study's inputs carry their declared defaults,
// and the study state is the test's own, so no study call ever draws.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "pricemap_overlay/display_settings.h"
#include "pricemap_overlay/study_state.h"
#include "pricemap_session.h"
#include "studyhost/runtime/studyhost.h"

namespace pmdraw {

inline constexpr std::int64_t kDay = host::kMicrosPerDay;
inline constexpr std::int64_t kHour = 3600000000LL;
inline constexpr std::int32_t kDayA = 45365;  // 2024-03-14
inline constexpr std::int32_t kDayB = 45366;  // 2024-03-15

inline studyhost::Bar bar_at(std::int64_t datetime) {
  return studyhost::Bar{datetime, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f};
}

// `per_day` bars on each day, one hour apart from 01:00.
inline std::vector<studyhost::Bar> bars_on(const std::vector<std::pair<std::int32_t, int>>& days) {
  std::vector<studyhost::Bar> bars;
  for (const auto& [day, count] : days) {
    for (int h = 0; h < count; ++h) bars.push_back(bar_at(day * kDay + (h + 1) * kHour));
  }
  return bars;
}

// Levels one point apart from UT4 at base + 12 down to DT4 at base - 12, DIR
// at base, R, +c and -c far away, and VAR 0.5, AD 1.25, MSD 2.
inline pricemap::PriceMapRecord ladder_record(float base) {
  pricemap::PriceMapRecord r;
  for (int i = pricemap::kUT4; i <= pricemap::kDT4; ++i) {
    r.levels[i] = base + 12.0f - static_cast<float>(i - pricemap::kUT4);
  }
  r.levels[pricemap::kR] = 10.0f;
  r.levels[pricemap::kPlusC] = 20.0f;
  r.levels[pricemap::kMinusC] = 30.0f;
  r.levels[pricemap::kVAR] = 0.5f;
  r.levels[pricemap::kAD] = 1.25f;
  r.levels[pricemap::kMSD] = 2.0f;
  return r;
}

struct DrawingChart : pmtest::PriceMapSession {
  explicit DrawingChart(std::vector<studyhost::Bar> bars) : PriceMapSession(std::move(bars)) {
    // The state is ours: the study finds it created and never makes its own.
    state.error_showing = false;
    *study->persistent_pointer_cell(pricemap::slot::kStatePointer) = &state;
    *study->persistent_int_cell(pricemap::slot::kStateCreated) = 1;
    host->set_observer([this](const studyhost::HostCall& call) { calls.push_back(call); });
  }

  ~DrawingChart() {
    // The study's last call must not free the test's state.
    *study->persistent_pointer_cell(pricemap::slot::kStatePointer) = nullptr;
    host.reset();
  }

  host::StudyInterface& sc() { return study->record(); }
  pricemap::DisplaySettings settings() { return pricemap::build_display_settings(sc()); }

  const studyhost::DrawingState& drawing(std::int32_t id) const {
    static const studyhost::DrawingState none{};
    const studyhost::DrawingState* d = host->drawing_store().find(id);
    EXPECT_NE(d, nullptr) << "no drawing " << id;
    return d != nullptr ? *d : none;
  }

  std::vector<studyhost::DrawingState> drawings_of_kind(std::int32_t kind) const {
    std::vector<studyhost::DrawingState> found;
    for (const auto& [id, d] : host->drawings()) {
      if (d.kind == kind) found.push_back(d);
    }
    return found;
  }

  std::vector<std::string> operations(const std::string& name) const {
    std::vector<std::string> found;
    for (const studyhost::HostCall& call : calls) {
      if (call.operation == name) found.push_back(call.arguments);
    }
    return found;
  }

  pricemap::StudyState state;
  std::vector<studyhost::HostCall> calls;
};

}  // namespace pmdraw
