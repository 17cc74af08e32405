// The request URL of the level data service and handing it to the host.
#include "levelclient/level_request.h"

#include "host/host_string.h"
#include "host/input_slot.h"

#ifndef QLX_SERVICE_HOST
#define QLX_SERVICE_HOST "fernhollow.com"
#endif

namespace levelclient {
namespace {

constexpr std::string_view kScheme = "https://";

bool is_unreserved(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '.' || c == '_' || c == '~';
}

void append_encoded(std::string& out, char c) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  const auto byte = static_cast<unsigned char>(c);
  if (is_unreserved(byte)) {
    out += c;
  } else {
    out += '%';
    out += kHex[byte >> 4];
    out += kHex[byte & 0x0F];
  }
}

// Appends "name=" and the encoded value; false once the URL is past the
// longest one sent, so that a huge input is not encoded in full for nothing.
bool append_query(std::string& url, std::string_view name, std::string_view value) {
  url += name;
  url += '=';
  for (const char c : value) {
    if (url.size() > kMaxUrlLength) return false;
    append_encoded(url, c);
  }
  return url.size() <= kMaxUrlLength;
}

}  // namespace

std::string_view service_host() {
  return QLX_SERVICE_HOST;
}

const char* timeframe_query_text(std::int32_t code) {
  switch (code) {
    case kTimeframeSession:
      return "D";
    case kTimeframeWeek:
      return "W";
    case kTimeframeMonth:
      return "M";
    case kTimeframeQuarter:
      return "Q";
    case kTimeframeYear:
      return "Y";
    default:
      return "unk";
  }
}

std::string percent_encode(std::string_view value) {
  std::string encoded;
  encoded.reserve(value.size());
  for (const char c : value) append_encoded(encoded, c);
  return encoded;
}

std::string build_url(const QueryValues& values) {
  // The values are percent-encoded: a symbol such as "AT&T" or "ES 03-25"
  // must reach the service as one value, not split the query or add members.
  std::string url;
  url.reserve(kMaxUrlLength + 4);
  url += kScheme;
  url += service_host();
  url += kServicePath;
  url += '?';
  const bool fits = append_query(url, "assetClass", values.asset_class) &&
                    append_query(url, "&symbol", values.symbol) &&
                    append_query(url, "&timeframe", values.timeframe) &&
                    append_query(url, "&api_key", values.api_key);
  // A URL that does not fit is not sent at all; a cut one would ask for
  // another symbol or carry a wrong key.
  if (!fits) return {};
  return url;
}

std::string_view asset_class_text(const host::InputSlot& asset_class) {
  const char* text = host::selected_entry_text(asset_class);
  return text != nullptr ? std::string_view(text) : std::string_view();
}

std::string_view request_text(const host::InputSlot& text_input) {
  return host::text_value(text_input);
}

RequestOutcome send_request(host::StudyInterface& sc, const QueryValues& values) {
  const std::string url = build_url(values);
  if (url.empty()) return RequestOutcome::kUrlTooLong;
  if (sc.http_request == nullptr) return RequestOutcome::kRefused;
  host::OwnedString text;
  host::assign(text, url.data(), url.size());
  // Without memory for the text there is no URL to send.
  std::int32_t accepted = 0;
  if (!host::is_empty(text)) accepted = sc.http_request(&sc, &text);
  return accepted != 0 ? RequestOutcome::kAccepted : RequestOutcome::kRefused;
}

}  // namespace levelclient
