// Client side of the level data service request: the URL, the host's HTTP
// request operation and the request state kept between calls.
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

// A full recalculation wants a new download, unless one is still pending:
// that body is read when it arrives.
inline void want_download(std::int32_t& request_state) {
  if (request_state != kPending) request_state = kRequestWanted;
}

// The host name of the level data service, fixed when the studies are built.
std::string_view service_host();

// The path on the service's host that every request goes to.
inline constexpr char kServicePath[] = "/wp-json/fernhollow/v1/getcsv";

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

// kUrlTooLong: the URL would exceed kMaxUrlLength and was never sent; asking
// again cannot help until the inputs change. kRefused: the host did not take
// the request (one in flight, no memory, no request operation).
enum class RequestOutcome { kAccepted, kRefused, kUrlTooLong };

// Builds the URL once and hands it to the host.
RequestOutcome send_request(host::StudyInterface& sc, const QueryValues& values);

}  // namespace levelclient
