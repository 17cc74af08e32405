#include "pricemap_overlay/download.h"

#include <string>
#include <string_view>

#include "levelclient/level_request.h"
#include "levelclient/status_text.h"
#include "pricemap_overlay/drawing_passes.h"
#include "pricemap_overlay/level_values.h"
#include "pricemap_overlay/price_map_parser.h"

namespace pricemap {
namespace {

std::int32_t& request_state(host::StudyInterface& sc) {
  return persistent_int(sc, slot::kRequestState);
}

MapInputs current_map_inputs(host::StudyInterface& sc) {
  return MapInputs{std::string(levelclient::asset_class_text(input_at(sc, input::kAssetClass))),
                   std::string(levelclient::request_text(input_at(sc, input::kSymbol))),
                   time_frame_letter(host::int_value(input_at(sc, input::kTimeFrame)))};
}

// A problem that stops the download until the next full recalculation.
void stop_with_error(host::StudyInterface& sc, StudyState& state, const char* text) {
  set_status(state, true, text);
  request_state(sc) = levelclient::kIdle;
  show_state_status(sc, state, true);
}

}  // namespace

const char* time_frame_letter(std::int32_t entry_index) {
  if (entry_index < 0 || entry_index > 4) return "unk";
  return levelclient::timeframe_query_text(entry_index + levelclient::kTimeframeSession);
}

void show_state_status(host::StudyInterface& sc, const StudyState& state, bool log) {
  levelclient::show_status(sc, persistent_int(sc, slot::kStatusId),
                           host::text_of(state.status_text), state.error_showing, log);
}

void drop_map_of_other_inputs(host::StudyInterface& sc, StudyState& state) {
  if (!state.map_inputs) {
    // Records a failed read left behind; its values went when it failed.
    state.records.clear();
    return;
  }
  if (*state.map_inputs == current_map_inputs(sc)) return;
  state.records.clear();
  state.map_inputs.reset();
  clear_level_values(sc);
}

void request_step(host::StudyInterface& sc, StudyState& state) {
  const std::string_view api_key = levelclient::request_text(input_at(sc, input::kApiKey));
  if (api_key.empty()) {
    stop_with_error(sc, state, levelclient::kMissingApiKey);
    return;
  }
  const std::string_view symbol = levelclient::request_text(input_at(sc, input::kSymbol));
  if (symbol.empty()) {
    stop_with_error(sc, state, levelclient::kMissingSymbol);
    return;
  }

  const levelclient::QueryValues values{
      levelclient::asset_class_text(input_at(sc, input::kAssetClass)), symbol,
      time_frame_letter(host::int_value(input_at(sc, input::kTimeFrame))), api_key};

  switch (levelclient::send_request(sc, values)) {
    case levelclient::RequestOutcome::kAccepted:
      state.requested_inputs = MapInputs{std::string(values.asset_class),
                                         std::string(values.symbol), std::string(values.timeframe)};
      state.requested_api_key = api_key;
      request_state(sc) = levelclient::kPending;
      set_status(state, false, levelclient::kDownloading);
      show_state_status(sc, state, false);
      return;
    case levelclient::RequestOutcome::kRefused:
      // The request stays wanted: the host is asked again on the next call.
      set_status(state, true, levelclient::kCouldNotRequest);
      show_state_status(sc, state, true);
      return;
    case levelclient::RequestOutcome::kUrlTooLong:
      // A URL too long for the request buffer is neither cut nor sent.
      // Retrying cannot help until the inputs change, so the download stops
      // here instead of being refused again on every call.
      stop_with_error(sc, state, levelclient::kCouldNotRequest);
      return;
  }
}

bool response_step(host::StudyInterface& sc, StudyState& state) {
  const char* const response = sc.http_response;
  if (response == nullptr || response[0] == '\0') return false;
  if (state.requested_inputs != current_map_inputs(sc) ||
      state.requested_api_key != levelclient::request_text(input_at(sc, input::kApiKey))) {
    // The body answers a request for inputs changed while it was on its way:
    // shown, it would be another instrument's or period's map under these
    // inputs, or the answer to another key. It is left unread, and the map
    // the inputs now name is asked for.
    request_state(sc) = levelclient::kRequestWanted;
    request_step(sc, state);
    return false;
  }
  parse_price_map(state, sc, &sc.http_response);
  if (state.error_showing) {
    // Nothing of a failed read is shown: its drawings go with the redraw
    // below, and no bar keeps the values of an earlier map.
    state.map_inputs.reset();
    clear_level_values(sc);
  } else {
    state.map_inputs = state.requested_inputs;
  }
  show_state_status(sc, state, true);
  redraw_all_levels(sc);
  request_state(sc) = levelclient::kIdle;
  return true;
}

}  // namespace pricemap
