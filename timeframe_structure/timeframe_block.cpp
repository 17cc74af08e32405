#include "timeframe_structure/timeframe_block.h"

#include <new>

#include "timeframe_structure/study_declaration.h"

namespace timeframe {

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
  status_id = 0;
  clear_periods(block.periods);
  if (request_state != levelclient::kPending) request_state = levelclient::kRequestWanted;
  block.cycle.queue.clear();
  block.cycle.current_timeframe = levelclient::kTimeframeNone;
  for (std::int32_t code = levelclient::kTimeframeSession; code <= levelclient::kTimeframeYear;
       ++code) {
    if (host::yes_no_value(host::element(sc.inputs, input::kFirstEnabled + code - 1)))
      block.cycle.queue.push_back(code);
  }
}

}  // namespace timeframe
