// The study's one status text on the chart, its copy in the message log, and
// the API key kept out of both.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "host/secret_text.h"
#include "host/study_interface.h"

namespace levelclient {

// Adds or replaces the study's one status text drawing; `status_id` is the
// persistent slot holding its identifier (0 = none yet). With `log` set the
// text also goes to the host's message log.
void show_status(host::StudyInterface& sc, std::int32_t& status_id, const char* text, bool is_error,
                 bool log);

// A text with the API key masked wherever it stands, however it is spelled:
// as typed, as sent in the URL (percent-encoded), with lower-case escapes,
// partly encoded, in another letter case. A key shorter than
// kShortestMaskedKey is not looked for: inside a message it cannot be told
// apart from ordinary words, and a key that short is no secret worth a
// garbled message.
inline constexpr std::string_view kMaskedKey = host::kMaskedSecret;
inline constexpr std::size_t kShortestMaskedKey = host::kShortestMaskedSecret;
std::string mask_api_key(std::string_view message, std::string_view api_key);

// The longest status text a service message becomes, "..." included: one
// line at the top of a chart. A longer message is cut and ends in "...".
inline constexpr std::size_t kLongestServiceStatus = 300;

// The status text of a service message: what the chart can show of it (the
// text up to its first zero byte), the key masked (also the start of a key
// cut there), cut to kLongestServiceStatus. Reads only as much of a huge
// message as can be shown.
std::string service_message_status(std::string_view message, std::string_view api_key);

// The status text of a body that could not be read: the study's own
// "Error parsing data" as it stands, a service message as
// service_message_status makes it.
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
