// The study's one status text on the chart, and its copy in the message log.
#include "levelclient/status_text.h"

#include "host/drawing_record.h"
#include "host/host_string.h"
#include "levelclient/level_request.h"

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
  if (api_key.size() < kShortestMaskedKey) return std::string(message);
  constexpr std::size_t kNone = std::string_view::npos;
  const std::string sent = percent_encode(api_key);
  std::string masked;
  masked.reserve(message.size());
  std::size_t from = 0;
  std::size_t typed = message.find(api_key);
  std::size_t encoded = sent == api_key ? kNone : message.find(sent);
  while (typed != kNone || encoded != kNone) {
    // Where both forms start at the same place, the form sent, which is
    // never the shorter, is the one masked.
    const bool encoded_first = encoded != kNone && (typed == kNone || encoded <= typed);
    const std::size_t at = encoded_first ? encoded : typed;
    masked.append(message, from, at - from);
    masked += kMaskedKey;
    from = at + (encoded_first ? sent.size() : api_key.size());
    if (typed != kNone && typed < from) typed = message.find(api_key, from);
    if (encoded != kNone && encoded < from) encoded = message.find(sent, from);
  }
  masked.append(message, from);
  return masked;
}

std::string failed_read_status(std::string_view outcome, std::string_view api_key) {
  if (outcome == kErrorParsing) return std::string(outcome);
  return mask_api_key(outcome, api_key);
}

}  // namespace levelclient
