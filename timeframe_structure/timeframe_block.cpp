#include "timeframe_structure/timeframe_block.h"

#include <new>
#include <utility>

#include "levelclient/level_request.h"
#include "timeframe_structure/study_declaration.h"

namespace timeframe {
namespace {

bool enabled(host::StudyInterface& sc, std::int32_t code) {
  return host::yes_no_value(host::element(sc.inputs, input::kFirstEnabled + code - 1));
}

}  // namespace

TimeframeBlock* create_block() noexcept {
  try {
    return new (std::nothrow) TimeframeBlock{};
  } catch (...) {  // the queue's own first allocation may still throw
    return nullptr;
  }
}

void destroy_block(TimeframeBlock* block) noexcept {
  delete block;
}

CycleInputs current_cycle_inputs(host::StudyInterface& sc) {
  CycleInputs inputs;
  inputs.asset_class = levelclient::asset_class_text(host::element(sc.inputs, input::kAssetClass));
  inputs.symbol = levelclient::request_text(host::element(sc.inputs, input::kSymbol));
  inputs.api_key = levelclient::request_text(host::element(sc.inputs, input::kApiKey));
  for (std::int32_t code = levelclient::kTimeframeSession; code <= levelclient::kTimeframeYear;
       ++code) {
    if (enabled(sc, code)) inputs.enabled |= 1u << (code - 1);
  }
  return inputs;
}

void restart_download_cycle(host::StudyInterface& sc, TimeframeBlock& block,
                            std::int32_t& request_state, std::int32_t& status_id) {
  // Read first: running out of memory here leaves the old cycle as it was.
  CycleInputs inputs = current_cycle_inputs(sc);
  status_id = 0;
  clear_periods(block.periods);
  restart_cycle(block.cycle, request_state, inputs.enabled);
  block.cycle_inputs = std::move(inputs);
}

}  // namespace timeframe
