#include "studyhost/validate/test_transport.h"

#include <string_view>

#include "host/secret_text.h"

namespace studyhost::validate {
namespace {

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
        true,
        200,
        "{\"message\":" + json_text("Invalid key " + host::key_of_url(url)) + ",\"data\":[]}",
        {}};
  }
  return result_;
}

}  // namespace studyhost::validate
