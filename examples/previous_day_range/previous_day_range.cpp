#include "examples/previous_day_range/previous_day_range.h"

#include <cstdint>
#include <limits>
#include <string>

#include "levelclient/level_request.h"
#include "levelclient/response_envelope.h"
#include "levelclient/status_text.h"

namespace previous_day_range {
namespace {

// Inputs, outputs and persistent cells, by number.
enum Input : std::int32_t { kAssetClass = 0, kSymbol = 1, kApiKey = 2 };
enum Output : std::int32_t { kHigh = 0, kLow = 1 };
enum IntCell : std::int32_t { kRequestState = 0, kTextId = 1 };
constexpr std::int32_t kRangeCell = 0;  // pointer cell

// The latest daily record: its day at midnight (0 = none) and the previous
// session's high and low it carries.
struct Range {
  std::int64_t date = 0;
  float high = 0.0f;
  float low = 0.0f;
};

const char* text_input(host::StudyInterface& sc, Input number) {
  return host::text_value(host::element(sc.inputs, number));
}

void declare(host::StudyInterface& sc) {
  host::assign(sc.study_name, kStudyName);
  sc.auto_loop = 0;         // one call per update: the study walks the bars itself
  sc.uses_price_scale = 1;  // the outputs are prices
  host::InputSlot& asset_class = host::element(sc.inputs, kAssetClass);
  host::set_name(asset_class, "Asset Class");
  host::set_int(asset_class, host::kKindCustomList, 1);
  host::set_list_entries(asset_class, "Crypto;Futures;Stocks;ETF;Forex");
  host::set_name(host::element(sc.inputs, kSymbol), "Symbol");
  host::set_text_kind(host::element(sc.inputs, kSymbol));
  host::set_name(host::element(sc.inputs, kApiKey), "API Key");
  host::set_text_kind(host::element(sc.inputs, kApiKey));
  const char* names[] = {"Previous Day High", "Previous Day Low"};
  const char* labels[] = {"PDH", "PDL"};
  const std::uint32_t colors[] = {0x0078C850u, 0x005A6EF0u};  // 0x00BBGGRR
  for (const Output n : {kHigh, kLow}) {
    host::SubgraphSlot& output = host::element(sc.subgraphs, n);
    host::assign(output.name, names[n]);
    host::assign(output.short_label, labels[n]);
    output.primary_color = colors[n];
    output.line_width = 2;
    output.draw_style = host::kDrawStyleLineSkipZero;  // bars left at 0 draw nothing
  }
}

// The study's one drawing, a text at the top left of the chart: added once,
// then changed through the identifier the host wrote back. Errors also go to
// the message log.
void show_text(host::StudyInterface& sc, const char* text, bool is_error) {
  std::int32_t& id = *sc.persistent_int(&sc, kTextId);
  host::DrawingRequest record;
  record.identifier = id != 0 ? id : host::kNewDrawing;
  record.kind = host::kDrawingText;
  record.relative_vertical = 1;                 // the position is in percent of the chart:
  record.begin_price = 98.0f;                   // from the bottom,
  record.begin_datetime = host::kMicrosPerDay;  // one day: from the left
  record.color = is_error ? 0x000000FFu : 0x00E0E0E0u;
  record.font_size = 12;
  host::assign(record.text, text);
  sc.use_drawing(&sc, &record);
  id = record.identifier;
  if (is_error) sc.add_log(&sc, text, 0);
}

// Asks the service for the daily records ("D"); the new request state.
std::int32_t request(host::StudyInterface& sc) {
  const levelclient::QueryValues query{
      levelclient::asset_class_text(host::element(sc.inputs, kAssetClass)), text_input(sc, kSymbol),
      "D", text_input(sc, kApiKey)};
  const char* problem = nullptr;
  if (query.api_key.empty()) {
    problem = levelclient::kMissingApiKey;
  } else if (query.symbol.empty()) {
    problem = levelclient::kMissingSymbol;
  } else if (levelclient::send_request(sc, query) != levelclient::RequestOutcome::kAccepted) {
    problem = levelclient::kCouldNotRequest;
  }
  show_text(sc, problem != nullptr ? problem : levelclient::kDownloading, problem != nullptr);
  return problem != nullptr ? levelclient::kIdle : levelclient::kPending;
}

// Reads the body the host delivered into the range; false when unreadable.
bool read_response(host::StudyInterface& sc, const char* body, Range& range) {
  Range latest;
  std::string outcome;
  const bool read = levelclient::read_envelope(body, outcome, [&](const auto& record) {
    if (record.date >= latest.date) latest = {record.date, record.high, record.low};
  });
  if (!read) {
    // A service message may repeat the key: it is masked before it is shown.
    const std::string shown = levelclient::failed_read_status(outcome, text_input(sc, kApiKey));
    show_text(sc, shown.c_str(), true);
    return false;
  }
  range = latest;
  const host::OwnedString high(sc.format_value(&sc, range.high, sc.value_format));
  const host::OwnedString low(sc.format_value(&sc, range.low, sc.value_format));
  host::OwnedString text;
  host::format(text, "Previous day: high %s  low %s", host::text_of(high), host::text_of(low));
  show_text(sc, range.date != 0 ? host::text_of(text) : "Previous day: no record", false);
  return true;
}

// Bars from the record's day on (in chart time) get the range, earlier ones 0.
void write_outputs(host::StudyInterface& sc, const Range& range, std::int32_t first_bar) {
  host::HostArray<float>& high = host::element(sc.subgraphs, kHigh).values;
  host::HostArray<float>& low = host::element(sc.subgraphs, kLow).values;
  const std::int64_t from = range.date != 0 ? sc.convert_to_chart_time(&sc, &range.date)
                                            : std::numeric_limits<std::int64_t>::max();
  for (std::int32_t bar = first_bar; bar < sc.bar_count; ++bar) {
    const bool on = host::element(sc.bar_datetimes, bar) >= from;
    host::element(high, bar) = on ? range.high : 0.0f;
    host::element(low, bar) = on ? range.low : 0.0f;
  }
}

void run_call(host::StudyInterface& sc) {
  if (sc.defaults_call != 0) return declare(sc);
  void*& cell = *sc.persistent_pointer(&sc, kRangeCell);
  if (sc.last_call != 0) {
    delete static_cast<Range*>(cell);
    cell = nullptr;
    return;
  }
  if (cell == nullptr) cell = new Range{};
  Range& range = *static_cast<Range*>(cell);
  if (sc.skip_flag != 0) return;

  std::int32_t& state = *sc.persistent_int(&sc, kRequestState);
  std::int32_t first_bar = sc.first_bar_to_update > 0 ? sc.first_bar_to_update : 0;
  if (sc.full_recalculation != 0) {
    // A full recalculation: the host has removed the text, and the range is
    // downloaded again unless a download is on its way. (An update may start
    // at bar 0 too, on a chart of one bar: only the host knows which it is.)
    *sc.persistent_int(&sc, kTextId) = 0;
    if (state != levelclient::kPending) {
      range = Range{};
      state = request(sc);
    }
  }
  const char* body = sc.http_response;
  if (state == levelclient::kPending && body != nullptr && body[0] != '\0') {
    state = levelclient::kIdle;
    if (read_response(sc, body, range)) first_bar = 0;
  }
  write_outputs(sc, range, first_bar);
}

}  // namespace

// Nothing may leave the study function; the next call starts from the
// persistent cells as they are.
void run_study(host::StudyInterface& sc) noexcept {
  try {
    run_call(sc);
  } catch (...) {
  }
}

}  // namespace previous_day_range
