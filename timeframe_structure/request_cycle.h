// The download cycle of the timeframe structure study: up to five requests,
// one after the other, driven by the pending timeframe queue. Called on every
// ordinary call after the full-recalculation reset has refilled the queue.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string_view>

#include "host/study_interface.h"
#include "levelclient/response_envelope.h"

namespace timeframe {

// Client data kept between calls in the study's timeframe data block.
struct RequestCycle {
  std::deque<std::int32_t> queue;      // timeframe codes still to download
  std::int32_t current_timeframe = 0;  // code of the request in flight, 0 = none
};

// The study's inputs that go into the query, read by the study (asset class
// entry text, and Symbol and API Key with the "Unset" rule).
struct QueryInputs {
  std::string_view asset_class;
  std::string_view symbol;
  std::string_view api_key;
};

// Receives every dated element of a body, with the timeframe it was asked for.
using PeriodStore = std::function<void(std::int32_t timeframe, const levelclient::PeriodValues&)>;

// Starts a new cycle for the enabled timeframes (bit c - 1 set for timeframe
// code c), in code order: the request is wanted unless a download is still
// pending, whose body is then read for no timeframe before the new cycle
// goes on. `request_state` is the study's persistent slot.
void restart_cycle(RequestCycle& cycle, std::int32_t& request_state, std::uint32_t enabled);

// Takes the next timeframe off the queue and asks the host for it. Returns
// the new request state: pending when accepted, idle when refused (the
// timeframe is then dropped and the current timeframe left as it was).
std::int32_t issue_request(host::StudyInterface& sc, RequestCycle& cycle, std::int32_t& status_id,
                           const QueryInputs& inputs);

// Starts the cycle when a request is wanted and reads a delivered body when
// one is pending. `request_state` and `status_id` are the study's persistent
// slots. Returns true when a body was read successfully on this call, so the
// study rewrites all bars with the new levels.
bool handle_request_cycle(host::StudyInterface& sc, RequestCycle& cycle,
                          std::int32_t& request_state, std::int32_t& status_id,
                          const QueryInputs& inputs, const PeriodStore& store);

}  // namespace timeframe
