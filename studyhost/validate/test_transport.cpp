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

// The key of a URL as `echo` spells it in a message.
std::string spelled_key(std::string_view url, KeyEcho echo) {
  static constexpr char kHex[] = "0123456789abcdef";
  const std::string key = host::key_of_url(url);
  if (echo == KeyEcho::kCutByZeroByte) {
    return key.substr(0, key.size() / 2) + '\0' + key.substr(key.size() / 2);
  }
  std::string out;
  for (std::size_t i = 0; i < key.size(); ++i) {
    const char c = key[i];
    const auto byte = static_cast<unsigned char>(c);
    if (echo == KeyEcho::kLowerCaseEscapes || (echo == KeyEcho::kPartlyEncoded && i % 2 == 1)) {
      out += '%';
      out += kHex[byte >> 4];
      out += kHex[byte & 0x0F];
    } else if (echo == KeyEcho::kOtherLetterCase &&
               ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))) {
      out += static_cast<char>(c ^ 0x20);  // ASCII letters differ in case by this bit alone
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

void TestTransport::answer(std::string body) {
  std::lock_guard lock(mutex_);
  result_ = HttpResult{true, 200, std::move(body), {}};
  echo_ = KeyEcho::kNone;
}

void TestTransport::answer_echoing_key(KeyEcho echo) {
  std::lock_guard lock(mutex_);
  echo_ = echo;
}

void TestTransport::fail(std::string error) {
  std::lock_guard lock(mutex_);
  result_ = HttpResult{false, 0, {}, std::move(error)};
  echo_ = KeyEcho::kNone;
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
  if (echo_ != KeyEcho::kNone) {
    return HttpResult{
        true,
        200,
        "{\"message\":" + json_text("Invalid key " + spelled_key(url, echo_)) + ",\"data\":[]}",
        {}};
  }
  return result_;
}

}  // namespace studyhost::validate
