#include "timeframe_structure/timeframe_block.h"

#include <new>

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

void restart_download_cycle(host::StudyInterface& sc, TimeframeBlock& block,
                            std::int32_t& request_state, std::int32_t& status_id) {
  std::uint32_t enabled_codes = 0;
  for (std::int32_t code = levelclient::kTimeframeSession; code <= levelclient::kTimeframeYear;
       ++code) {
    if (enabled(sc, code)) enabled_codes |= 1u << (code - 1);
  }
  status_id = 0;
  clear_periods(block.periods);
  restart_cycle(block.cycle, request_state, enabled_codes);
}

}  // namespace timeframe
