// The timeframe data block: the study's state between calls, one per study
// instance, reached through persistent pointer 1. Created on the first
// ordinary call and freed on the last.
#pragma once

#include <cstdint>

#include "host/study_interface.h"
#include "levelclient/level_request.h"
#include "timeframe_structure/period_levels.h"
#include "timeframe_structure/request_cycle.h"

namespace timeframe {

struct TimeframeBlock {
  PeriodRecords periods{};
  RequestCycle cycle;  // pending timeframe queue and current timeframe
};

// Persistent slots of the study instance.
namespace slot {
inline constexpr std::int32_t kBlockCreated = 1;  // integer: 1 once the block exists
inline constexpr std::int32_t kRequestState = 2;  // integer: idle, request wanted, pending
inline constexpr std::int32_t kStatusId = 3;      // integer: status text drawing, 0 = none
inline constexpr std::int32_t kBlock = 1;         // pointer: the timeframe data block
}  // namespace slot

// A new all-zero block; null when memory runs out.
TimeframeBlock* create_block() noexcept;
void destroy_block(TimeframeBlock* block) noexcept;

// A full recalculation forgets the levels and the status text and starts a
// new download cycle for the enabled timeframes, in code order. A download
// still pending keeps its state: its body is read when it arrives and fills
// no record, then the new cycle goes on.
void restart_download_cycle(host::StudyInterface& sc, TimeframeBlock& block,
                            std::int32_t& request_state, std::int32_t& status_id);

}  // namespace timeframe
