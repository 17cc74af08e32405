// What a transfer that failed, or whose body is too large to hand a study,
// looks like to the study and in the message log. Every host that runs the
// studies gives the same texts, so a study shows the same outcome in each.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace host {

// The largest response body a host hands a study: far above any answer of
// the level data service (about 15 KB), low enough that reading it cannot
// hold up a chart. A larger body ends the request as a failed transfer.
inline constexpr std::size_t kMaxResponseBytes = 16u * 1024u * 1024u;
inline constexpr const char* kResponseTooLarge = "response larger than 16 MiB";
// A body that is empty, or whose text ends at once in a zero byte: a study
// would take it for a download still on its way.
inline constexpr const char* kEmptyResponse = "empty response";

// What a failed transfer hands the study as its response text: short and not
// JSON, so the study's request ends with a parse error instead of waiting
// forever.
inline constexpr const char* kHttpErrorPrefix = "HTTP error: ";
// The message log line of a failed transfer starts with this, then the URL
// (api_key shown as ***) and the reason.
inline constexpr const char* kHttpFailureLogPrefix = "HTTP request failed: ";

// The message log line for a failed transfer of `url`; the key of the URL is
// masked wherever the reason names it (a host name built from it).
std::string failed_transfer_line(std::string_view url, std::string_view reason);
// The response text the study gets for it, the key masked as in the line.
std::string failed_transfer_response(std::string_view url, std::string_view reason);

}  // namespace host
