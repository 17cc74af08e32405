// Client side of the level data service request: the URL, the host's HTTP
// request operation, the request state kept between calls and the status text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "host/study_interface.h"

namespace levelclient {

// Timeframe codes.
enum TimeframeCode : std::int32_t {
  kTimeframeNone = 0,
  kTimeframeSession = 1,
  kTimeframeWeek = 2,
  kTimeframeMonth = 3,
  kTimeframeQuarter = 4,
  kTimeframeYear = 5,
};

// Request state, kept in a persistent integer slot.
enum RequestState : std::int32_t {
  kIdle = 0,
  kRequestWanted = 1,
  kPending = 2,
};

// The host name of the level data service, fixed when the studies are built.
std::string_view service_host();

// "D", "W", "M", "Q", "Y", or "unk" for any other code.
const char* timeframe_query_text(std::int32_t code);

// The four query values, in the order they appear in the URL.
struct QueryValues {
  std::string_view asset_class;
  std::string_view symbol;
  std::string_view timeframe;
  std::string_view api_key;
};

// The longest URL the client sends.
inline constexpr std::size_t kMaxUrlLength = 254;

// Every byte other than A-Z a-z 0-9 - . _ ~ becomes %XX.
std::string percent_encode(std::string_view value);

// The request URL; empty when it would exceed kMaxUrlLength.
std::string build_url(const QueryValues& values);

// Query values read from the study's inputs: the Asset Class entry text (empty
// when the host reports none), and Symbol and API Key with the "Unset" rule.
std::string_view asset_class_text(const host::InputSlot& asset_class);
std::string_view request_text(const host::InputSlot& text_input);

enum class RequestOutcome { kAccepted, kRefused };

// Builds the URL and hands it to the host. A URL that would be too long is
// never sent and counts as refused.
RequestOutcome send_request(host::StudyInterface& sc, const QueryValues& values);

// Adds or replaces the study's one status text drawing; `status_id` is the
// persistent slot holding its identifier (0 = none yet). With `log` set the
// text also goes to the host's message log.
void show_status(host::StudyInterface& sc, std::int32_t& status_id, const char* text, bool is_error,
                 bool log);

// A service message with every occurrence of the API key, as typed or as sent
// in the URL (percent-encoded), replaced by "***": the chart and the message
// log never show the key, also when the service repeats it. A key shorter than
// kShortestMaskedKey is not looked for: inside a message it cannot be told
// apart from ordinary words, and a key that short is no secret worth a
// garbled message.
inline constexpr std::string_view kMaskedKey = "***";
inline constexpr std::size_t kShortestMaskedKey = 8;
std::string mask_api_key(std::string_view message, std::string_view api_key);

// The status text of a body that could not be read: the study's own
// "Error parsing data" as it stands, a service message with the key masked.
std::string failed_read_status(std::string_view outcome, std::string_view api_key);

// Status texts.
inline constexpr const char* kMissingApiKey = "Missing API Key";
inline constexpr const char* kMissingSymbol = "Missing Symbol Name";
inline constexpr const char* kCouldNotRequest = "Could not request data";
inline constexpr const char* kDownloading = "Downloading...";
inline constexpr const char* kCycleDone = " ";
inline constexpr const char* kErrorParsing = "Error parsing data";

inline constexpr std::uint32_t kStatusErrorColor = 0x000000FFu;   // RGB(255, 0, 0)
inline constexpr std::uint32_t kStatusOkColor = 0x00008000u;      // RGB(0, 128, 0)
inline constexpr std::uint32_t kStatusSecondColor = 0x00FF0000u;  // RGB(0, 0, 255)

}  // namespace levelclient
