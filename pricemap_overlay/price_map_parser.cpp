#include "pricemap_overlay/price_map_parser.h"

#include <algorithm>
#include <exception>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "levelclient/date_text.h"
#include "levelclient/level_request.h"
#include "levelclient/number_text.h"
#include "levelclient/price_text.h"
#include "levelclient/response_envelope.h"
#include "levelclient/status_text.h"
#include "pricemap_overlay/price_map.h"

namespace pricemap {
namespace {

// Reads every dated element of "data" into the records map, in array order;
// a later element for the same day replaces the earlier one. Throws on the
// first element whose members cannot be read; records stored before it stay.
std::int32_t read_records(const nlohmann::json& data, RecordsMap& records) {
  std::int32_t latest = 0;
  for (const nlohmann::json& element : data) {
    const std::string date_text = levelclient::member_text(element, "Date");
    const std::int32_t day = levelclient::date_text_to_day(date_text);
    if (day == 0) continue;
    latest = std::max(latest, day);

    PriceMapRecord record;
    record.name = levelclient::member_text(element, "Name");
    record.date_text = date_text;
    for (int i = 0; i < kLevelCount; ++i) {
      record.levels[i] = levelclient::price_member(element, kLevelKeys[i]);
    }
    records.insert_or_assign(day, std::move(record));
  }
  return latest;
}

void set_price_map_date(StudyState& state, host::StudyInterface& sc, std::int32_t latest) {
  const host::OwnedString date(sc.format_datetime(
      &sc, static_cast<std::int64_t>(latest) * host::kMicrosPerDay, host::kDateFormatYmd));
  state.error_showing = false;
  host::format(state.status_text, "Price Map Date: %s", host::text_of(date));
}

}  // namespace

void parse_price_map(StudyState& state, host::StudyInterface& sc, const char* const* response) {
  state.records.clear();
  const char* text = (response != nullptr && *response != nullptr) ? *response : "";

  std::string outcome = levelclient::kErrorParsing;
  std::int32_t latest = 0;
  try {
    const nlohmann::json root = levelclient::parse_response(text);
    if (root.is_object()) {
      if (const auto message = root.find("message"); message != root.end()) {
        // An empty message explains nothing; the outcome keeps its own text.
        // Empty is what the chart shows: the text up to its first zero byte.
        // The service's message may repeat the key it refused; the key never
        // reaches the chart or the message log.
        const std::string& message_text = message->get_ref<const std::string&>();
        if (!levelclient::c_text(message_text).empty()) {
          outcome = levelclient::service_message_status(
              message_text, levelclient::request_text(input_at(sc, input::kApiKey)));
        }
      }
      if (const auto data = root.find("data"); data != root.end() && data->is_array()) {
        latest = read_records(*data, state.records);
      }
    }
  } catch (const std::exception&) {
    // A body that is not JSON, a record whose members cannot be read, or no
    // memory for a huge response: each ends this download as an unreadable
    // body, rather than leaving it pending and reparsed on every call.
    set_status(state, true, levelclient::kErrorParsing);
    return;
  }

  if (latest < 1) {
    set_status(state, true, outcome.c_str());
    return;
  }
  set_price_map_date(state, sc, latest);
}

}  // namespace pricemap
