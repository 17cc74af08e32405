// The ordered steps of one call of the timeframe structure study.
#include "timeframe_structure/study_entry.h"

#include "host/study_interface.h"
#include "levelclient/level_request.h"
#include "timeframe_structure/period_levels.h"
#include "timeframe_structure/request_cycle.h"
#include "timeframe_structure/session_start.h"
#include "timeframe_structure/study_declaration.h"
#include "timeframe_structure/timeframe_block.h"

namespace timeframe {
namespace {

// The study's mark in the record's entry marker, written first on every call
// so that a host that reads the field sees the study was entered even on a
// call that ends early (a skipped chart, no memory). What the value means is
// the host's; neither studyhost nor the platform bridge reads it. 4 marks this
// study's calls, and a test holds it there so that it does not drift.
constexpr std::int32_t kEntryMarker = 4;

std::int32_t& persistent_int(host::StudyInterface& sc, std::int32_t key) {
  return *sc.persistent_int(&sc, key);
}

host::InputSlot& input_at(host::StudyInterface& sc, std::int32_t number) {
  return host::element(sc.inputs, number);
}

QueryInputs query_inputs(host::StudyInterface& sc) {
  return QueryInputs{
      levelclient::asset_class_text(input_at(sc, input::kAssetClass)),
      levelclient::request_text(input_at(sc, input::kSymbol)),
      levelclient::request_text(input_at(sc, input::kApiKey)),
  };
}

void run_call(host::StudyInterface& sc) {
  if (sc.defaults_call != 0) {
    declare_study(sc);
    return;
  }

  std::int32_t& block_created = persistent_int(sc, slot::kBlockCreated);
  std::int32_t& request_state = persistent_int(sc, slot::kRequestState);
  std::int32_t& status_id = persistent_int(sc, slot::kStatusId);
  void*& block_slot = *sc.persistent_pointer(&sc, slot::kBlock);

  if (sc.last_call != 0) {
    destroy_block(static_cast<TimeframeBlock*>(block_slot));
    block_slot = nullptr;
    return;
  }
  if (block_created == 0) {
    block_slot = create_block();
    if (block_slot == nullptr) return;  // out of memory: try again on the next call
    block_created = 1;
  }
  // Null here means the last call has already freed the block.
  auto* block = static_cast<TimeframeBlock*>(block_slot);
  if (block == nullptr) return;

  // Only a full recalculation starts the download cycle over; on a chart of
  // one bar every update, the one that picks up a body included, also starts
  // at bar 0.
  if (sc.full_recalculation != 0) restart_download_cycle(sc, *block, request_state, status_id);

  std::int32_t start_bar = sc.first_bar_to_update;
  const PeriodStore store = [block](std::int32_t timeframe,
                                    const levelclient::PeriodValues& values) {
    store_period(block->periods, timeframe, values.date, values.high, values.low, values.close);
  };
  // A newly read body changes levels on any bar, so every bar is rewritten.
  if (handle_request_cycle(sc, block->cycle, request_state, status_id, query_inputs(sc), store))
    start_bar = 0;

  const bool crypto = host::yes_no_value(input_at(sc, input::kIsCrypto));
  const std::int32_t session_start = session_start_seconds(input_at(sc, input::kSessionStartTime));
  write_period_levels(sc, block->periods, start_bar, sc.bar_count - 1, session_start, crypto);
}

}  // namespace

void run_study(host::StudyInterface& sc) noexcept {
  sc.entry_marker = kEntryMarker;
  try {
    run_call(sc);
  } catch (...) {
    // Nothing may cross into the host. What can still throw here is running
    // out of memory; the next chart update runs the call again.
  }
}

}  // namespace timeframe
