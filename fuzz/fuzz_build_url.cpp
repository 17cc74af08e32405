// The request URL from arbitrary input texts: it is either empty (too long
// to send) or at most 254 characters, it has exactly the four query members
// in their order, every value holds only unreserved characters and %XX
// escapes, and decoding the values gives back the texts the user typed.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/fuzz_host.h"
#include "levelclient/level_request.h"

namespace {

bool is_unreserved(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '.' || c == '_' || c == '~';
}

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;  // lower-case escapes are not what the client writes
}

// Decodes an encoded value, failing the run on anything but unreserved
// characters and well-formed %XX escapes.
std::string decode(std::string_view encoded) {
  std::string out;
  for (std::size_t i = 0; i < encoded.size(); ++i) {
    const char c = encoded[i];
    if (c == '%') {
      qlxfuzz::check(i + 2 < encoded.size(), "cut escape in a value");
      const int high = hex_digit(encoded[i + 1]);
      const int low = hex_digit(encoded[i + 2]);
      qlxfuzz::check(high >= 0 && low >= 0, "malformed escape in a value");
      out += static_cast<char>(high * 16 + low);
      i += 2;
    } else {
      qlxfuzz::check(is_unreserved(c), "reserved character left in a value");
      out += c;
    }
  }
  return out;
}

std::size_t encoded_length(std::string_view value) {
  std::size_t n = 0;
  for (const char c : value) n += is_unreserved(c) ? 1 : 3;
  return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider provider(data, size);
  const std::string asset_class = provider.ConsumeRandomLengthString(400);
  const std::string symbol = provider.ConsumeRandomLengthString(400);
  const std::string timeframe = provider.ConsumeRandomLengthString(40);
  const std::string api_key = provider.ConsumeRemainingBytesAsString();
  const levelclient::QueryValues values{asset_class, symbol, timeframe, api_key};

  const std::string encoded = levelclient::percent_encode(symbol);
  qlxfuzz::check(decode(encoded) == symbol, "percent_encode does not decode to its input");

  const std::string prefix =
      "https://" + std::string(levelclient::service_host()) + levelclient::kServicePath + "?";
  const std::size_t full =
      prefix.size() + std::string_view("assetClass=").size() + std::string_view("&symbol=").size() +
      std::string_view("&timeframe=").size() + std::string_view("&api_key=").size() +
      encoded_length(asset_class) + encoded_length(symbol) + encoded_length(timeframe) +
      encoded_length(api_key);

  const std::string url = levelclient::build_url(values);
  if (url.empty()) {
    qlxfuzz::check(full > levelclient::kMaxUrlLength, "a URL that fits was not built");
  } else {
    qlxfuzz::check(url.size() <= levelclient::kMaxUrlLength, "URL longer than 254 characters");
    qlxfuzz::check(url.size() == full, "URL length differs from its parts");
    qlxfuzz::check(url.compare(0, prefix.size(), prefix) == 0, "URL does not start as it should");
    const std::string_view query = std::string_view(url).substr(prefix.size());
    const char* names[] = {"assetClass=", "symbol=", "timeframe=", "api_key="};
    const std::string* expected[] = {&asset_class, &symbol, &timeframe, &api_key};
    std::size_t at = 0;
    for (int i = 0; i < 4; ++i) {
      const std::string_view name = names[i];
      qlxfuzz::check(query.compare(at, name.size(), name) == 0, "query member out of place");
      at += name.size();
      std::size_t end = query.find('&', at);
      if (end == std::string_view::npos) end = query.size();
      qlxfuzz::check((i == 3) == (end == query.size()), "query has the wrong number of members");
      qlxfuzz::check(decode(query.substr(at, end - at)) == *expected[i],
                     "a query value does not decode to its input");
      at = end + 1;
    }
  }

  // What reaches the host is exactly the built URL, and nothing when it is
  // too long.
  qlxfuzz::FuzzHost fake;
  const levelclient::RequestOutcome outcome = levelclient::send_request(fake.sc, values);
  if (url.empty()) {
    qlxfuzz::check(fake.urls.empty(), "a URL too long was sent");
    qlxfuzz::check(outcome == levelclient::RequestOutcome::kUrlTooLong,
                   "too long URL not reported as such");
  } else {
    qlxfuzz::check(fake.urls.size() == 1 && fake.urls[0] == url, "the host got another URL");
  }
  return 0;
}
