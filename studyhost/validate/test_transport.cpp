#include "studyhost/validate/test_transport.h"

#include <string_view>

namespace studyhost::validate {
namespace {

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// The api_key value of a URL, with %XX escapes decoded.
std::string key_of(std::string_view url) {
  const std::size_t at = url.find("api_key=");
  if (at == std::string_view::npos) return {};
  std::string_view value = url.substr(at + 8);
  value = value.substr(0, value.find('&'));
  std::string key;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '%' && i + 2 < value.size() && hex_value(value[i + 1]) >= 0 &&
        hex_value(value[i + 2]) >= 0) {
      key += static_cast<char>(hex_value(value[i + 1]) * 16 + hex_value(value[i + 2]));
      i += 2;
    } else {
      key += value[i];
    }
  }
  return key;
}

// A JSON text holding `text`, with what JSON cannot hold as it stands escaped.
std::string json_text(std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out = "\"";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (byte < 0x20) {
      out += "\\u00";
      out += kHex[byte >> 4];
      out += kHex[byte & 0x0F];
    } else {
      out += c;
    }
  }
  return out + "\"";
}

}  // namespace

void TestTransport::answer(std::string body) {
  std::lock_guard lock(mutex_);
  result_ = HttpResult{true, 200, std::move(body), {}};
  echo_key_ = false;
}

void TestTransport::answer_echoing_key() {
  std::lock_guard lock(mutex_);
  echo_key_ = true;
}

void TestTransport::fail(std::string error) {
  std::lock_guard lock(mutex_);
  result_ = HttpResult{false, 0, {}, std::move(error)};
  echo_key_ = false;
}

void TestTransport::answer_once(std::string body) {
  std::lock_guard lock(mutex_);
  once_ = HttpResult{true, 200, std::move(body), {}};
  has_once_ = true;
}

std::size_t TestTransport::fetches() const {
  std::lock_guard lock(mutex_);
  return fetches_;
}

HttpResult TestTransport::fetch(const std::string& url) {
  {
    std::lock_guard lock(mutex_);
    ++fetches_;
  }
  if (!gate_.pass()) return HttpResult{false, 0, {}, "cancelled"};
  std::lock_guard lock(mutex_);
  if (has_once_) {
    has_once_ = false;
    return std::move(once_);
  }
  if (echo_key_) {
    return HttpResult{
        true, 200, "{\"message\":" + json_text("Invalid key " + key_of(url)) + ",\"data\":[]}", {}};
  }
  return result_;
}

}  // namespace studyhost::validate
