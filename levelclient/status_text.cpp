// The study's one status text on the chart, and its copy in the message log.
#include "levelclient/status_text.h"

#include <algorithm>

#include "host/drawing_record.h"
#include "host/host_string.h"
#include "levelclient/number_text.h"

namespace levelclient {
namespace {

// Top-left of the chart area, read by the host as relative coordinates with
// relative vertical values set below.
constexpr float kStatusVertical = 98.0f;
constexpr std::int64_t kStatusHorizontal = host::kMicrosPerDay;
constexpr std::int32_t kStatusFontSize = 13;
constexpr std::int32_t kStatusAlignment = 0;
constexpr std::uint16_t kStatusLineWidth = 5;
constexpr std::int32_t kStatusRelativeVertical = 1;

}  // namespace

void show_status(host::StudyInterface& sc, std::int32_t& status_id, const char* text, bool is_error,
                 bool log) {
  if (text == nullptr) text = "";
  host::DrawingRequest record;
  record.kind = host::kDrawingText;
  record.chart_number = sc.chart_number;
  record.region = 0;
  host::assign(record.text, text);
  record.color = is_error ? kStatusErrorColor : kStatusOkColor;
  record.second_color = kStatusSecondColor;
  record.font_size = kStatusFontSize;
  record.text_alignment = kStatusAlignment;
  record.begin_price = kStatusVertical;
  record.begin_datetime = kStatusHorizontal;
  record.add_mode = host::kAddOrUpdate;
  record.line_width = kStatusLineWidth;
  record.relative_vertical = kStatusRelativeVertical;
  // One status text per study instance: each status replaces the last one.
  if (status_id != 0) record.identifier = status_id;

  if (sc.use_drawing != nullptr) {
    sc.use_drawing(&sc, &record);
    status_id = record.identifier;
  }
  if (log && sc.add_log != nullptr) sc.add_log(&sc, text, 0);
}

std::string mask_api_key(std::string_view message, std::string_view api_key) {
  return host::mask_secret(message, api_key);
}

std::string service_message_status(std::string_view message, std::string_view api_key) {
  constexpr std::string_view kCutMark = "...";
  const std::string_view shown = c_text(message);
  // A key begun before the cut, in its longest spelling (every byte
  // escaped), ends within this many bytes: nothing further can be shown.
  const std::size_t window = kLongestServiceStatus + 3 * api_key.size();
  const bool past_window = shown.size() > window;
  const bool cut = shown.size() < message.size() || past_window;
  std::string status = host::mask_secret(shown.substr(0, window), api_key,
                                         cut ? host::TextEnd::kCut : host::TextEnd::kWhole);
  if (!past_window && status.size() <= kLongestServiceStatus) return status;
  std::size_t keep = std::min(status.size(), kLongestServiceStatus - kCutMark.size());
  // Not inside a character of several bytes: its continuation bytes are
  // 10xxxxxx.
  while (keep > 0 && keep < status.size() &&
         (static_cast<unsigned char>(status[keep]) & 0xC0u) == 0x80u) {
    --keep;
  }
  status.resize(keep);
  status += kCutMark;
  return status;
}

std::string failed_read_status(std::string_view outcome, std::string_view api_key) {
  if (outcome == kErrorParsing) return std::string(outcome);
  return service_message_status(outcome, api_key);
}

}  // namespace levelclient
