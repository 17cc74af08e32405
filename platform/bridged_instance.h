// One study instance in the platform: the study interface record the study
// sees with the slots behind it (a host::StudyRecord), its inputs' exchange
// with the platform, the bar date-times converted so far and the kinds of the
// drawings the study made. Kept behind a persistent pointer of the instance,
// so two charts share nothing.
#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "host/study_interface.h"
#include "host/study_record.h"
#include "platform/bridge.h"
#include "platform/http_exchange.h"
#include "platform/input_mapping.h"
#include "sierrachart.h"

namespace qlx_platform {

// The persistent pointer key that holds the bridge's state; studies keep
// their own state under other keys.
inline constexpr int kBridgeStateKey = 0x514C5842;

// Slots mirrored per instance; a study reading past them gets the last one,
// as the platform's own arrays do.
inline constexpr std::int32_t kInputSlots = host::kInputSlots;
inline constexpr std::int32_t kSubgraphSlots = host::kSubgraphSlots;

// What the platform could not be asked to do, each reported once per instance.
enum class Refusal : std::uint32_t {
  kDrawingLayout = 1u << 0,   // a drawing request of another size or add mode
  kDrawingKind = 1u << 1,     // a kind of drawing the platform has no tool for here
  kUnknownDrawing = 1u << 2,  // an update of a drawing this instance did not make
  kInputKind = 1u << 3,       // an input kind the bridge cannot declare
  kSubgraphStyle = 1u << 4,   // a draw style the bridge cannot map
  kBarTimes = 1u << 5,        // no memory for the bar date-times
};

class BridgedInstance {
 public:
  BridgedInstance();
  BridgedInstance(const BridgedInstance&) = delete;
  BridgedInstance& operator=(const BridgedInstance&) = delete;

  // One call of the study: the record is brought up to date from `sc`, the
  // study runs, and what it declared or changed goes back to `sc`.
  void call(s_sc& sc, StudyRun run);

  // For the host operations, during a call.
  s_sc& platform() { return *platform_; }
  host::StudyInterface& record() { return slots_.record(); }
  // The kind of drawing the study asked for when it made `line_number`;
  // kDrawingNone when this instance did not make it.
  std::int32_t drawing_kind(int line_number) const;
  void remember_drawing(int line_number, std::int32_t kind);
  void forget_drawing(int line_number);
  // Writes one line to the platform's message log, once per kind of refusal.
  void refuse(Refusal refusal, const char* what);
  HttpExchange& http() { return http_; }
  // The first bar at or after `date_time` on this chart; past the last bar,
  // the last bar; an empty chart gives 0.
  std::int32_t first_bar_at_or_after(std::int64_t date_time);

 private:
  static BridgedInstance* in_call(void* handle);
  static void take_list_entries(void* handle, const char* entries);
  static void attach_subgraph(void* handle);
  static void attach_bar_times(void* instance);
  void convert_bar_times();

  void prepare(s_sc& sc);
  void finish(s_sc& sc);
  void write_declarations(s_sc& sc);

  host::StudyRecord slots_;
  PlatformInputs inputs_;
  std::vector<std::int64_t> bar_times_;
  std::int32_t bar_times_converted_ = 0;
  std::int32_t attached_bar_count_ = -1;
  std::unordered_map<int, std::int32_t> drawing_kinds_;
  HttpExchange http_;
  s_sc* platform_ = nullptr;
  std::uint32_t refused_ = 0;
};

}  // namespace qlx_platform
