#include "timeframe_structure/request_cycle.h"

#include <string>

#include "levelclient/level_request.h"
#include "levelclient/status_text.h"

namespace timeframe {

using levelclient::kIdle;
using levelclient::kPending;
using levelclient::kRequestWanted;
using levelclient::show_status;

namespace {

// Checks the inputs and starts the cycle with the first queued timeframe.
std::int32_t start_cycle(host::StudyInterface& sc, RequestCycle& cycle, std::int32_t& status_id,
                         const QueryInputs& inputs) {
  if (inputs.api_key.empty()) {
    show_status(sc, status_id, levelclient::kMissingApiKey, true, true);
    return kIdle;
  }
  if (inputs.symbol.empty()) {
    show_status(sc, status_id, levelclient::kMissingSymbol, true, true);
    return kIdle;
  }
  // No timeframe enabled: nothing to fetch and nothing to report.
  if (cycle.queue.empty()) return kIdle;
  return issue_request(sc, cycle, status_id, inputs);
}

}  // namespace

void restart_cycle(RequestCycle& cycle, std::int32_t& request_state, std::uint32_t enabled) {
  levelclient::want_download(request_state);
  cycle.queue.clear();
  cycle.current_timeframe = levelclient::kTimeframeNone;
  for (std::int32_t code = levelclient::kTimeframeSession; code <= levelclient::kTimeframeYear;
       ++code) {
    if (enabled & (1u << (code - 1))) cycle.queue.push_back(code);
  }
}

std::int32_t issue_request(host::StudyInterface& sc, RequestCycle& cycle, std::int32_t& status_id,
                           const QueryInputs& inputs) {
  if (cycle.queue.empty()) return kIdle;
  const std::int32_t code = cycle.queue.front();
  cycle.queue.pop_front();
  const levelclient::QueryValues values{inputs.asset_class, inputs.symbol,
                                        levelclient::timeframe_query_text(code), inputs.api_key};
  if (levelclient::send_request(sc, values) != levelclient::RequestOutcome::kAccepted) {
    show_status(sc, status_id, levelclient::kCouldNotRequest, true, true);
    return kIdle;
  }
  cycle.current_timeframe = code;
  show_status(sc, status_id, levelclient::kDownloading, false, false);
  return kPending;
}

bool handle_request_cycle(host::StudyInterface& sc, RequestCycle& cycle,
                          std::int32_t& request_state, std::int32_t& status_id,
                          const QueryInputs& inputs, const PeriodStore& store) {
  if (request_state == kRequestWanted) {
    request_state = start_cycle(sc, cycle, status_id, inputs);
  }
  if (request_state != kPending) return false;

  // The host keeps the response text empty from acceptance until the body of
  // that request is complete.
  const char* body = sc.http_response;
  if (body == nullptr || body[0] == '\0') return false;

  if (cycle.current_timeframe == levelclient::kTimeframeNone) {
    // The body answers a request made before the last full recalculation,
    // which cleared the records it would fill and rebuilt the queue: its
    // outcome, a failure included, is not this cycle's. It is left unread and
    // the rebuilt cycle starts, with the inputs it now has.
    request_state = start_cycle(sc, cycle, status_id, inputs);
    return false;
  }

  std::string outcome;
  const std::int32_t timeframe = cycle.current_timeframe;
  const bool read =
      levelclient::read_envelope(body, outcome, [&](const levelclient::PeriodValues& values) {
        if (store) store(timeframe, values);
      });
  if (!read) {
    // The service's message goes to the chart and the log; it must not
    // carry the key there.
    const std::string shown = levelclient::failed_read_status(outcome, inputs.api_key);
    show_status(sc, status_id, shown.c_str(), true, true);
    request_state = kIdle;
    return false;
  }
  if (!cycle.queue.empty()) {
    request_state = issue_request(sc, cycle, status_id, inputs);
  } else {
    show_status(sc, status_id, levelclient::kCycleDone, false, false);
    request_state = kIdle;
  }
  return true;
}

}  // namespace timeframe
