// One chart in studyhost with the real price map overlay library on it, and
// readers for what the host holds afterwards.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "studyhost/runtime/studyhost.h"

namespace pmtest {

inline constexpr std::int32_t kInputSymbol = 39;
inline constexpr std::int32_t kInputApiKey = 41;
inline constexpr std::int32_t kInputTimeFrame = 40;
inline constexpr std::int32_t kInputAssetClass = 38;
inline constexpr std::int32_t kInputPeriodMode = 36;
inline constexpr std::int32_t kInputMultiplier = 16;

inline constexpr std::uint32_t kRed = 0x000000FFu;
inline constexpr std::uint32_t kGreen = 0x00008000u;

struct PriceMapSession {
  // The study on a chart with `bars`; nothing is called but the defaults call.
  explicit PriceMapSession(std::vector<studyhost::Bar> bars);

  // Symbol "ES" and a key, every request answered with `body`.
  void answer_with(const std::string& body);
  // A full recalculation, then every download delivered.
  void recalculate_and_settle();
  void settle();

  // The study's status text drawing, null when there is none.
  const studyhost::DrawingState* status() const;
  std::string status_text() const;
  // Level drawings: everything the study drew but the status text.
  std::vector<studyhost::DrawingState> level_drawings() const;
  std::vector<std::string> log() const { return study->log(); }
  std::vector<std::string> requests() const { return transport.requests(); }
  std::vector<float> values(std::int32_t subgraph) const {
    return study->subgraph_values(subgraph);
  }
  // The study's menu entries, separator first.
  std::vector<studyhost::MenuEntry> menu() const;
  const studyhost::MenuEntry* menu_entry(const std::string& text_suffix) const;

  studyhost::ScriptedTransport transport;
  std::unique_ptr<studyhost::StudyLibrary> library;
  std::unique_ptr<studyhost::Host> host;
  studyhost::StudyInstance* study = nullptr;
};

inline constexpr std::chrono::milliseconds kSettleTimeout{5000};

}  // namespace pmtest
