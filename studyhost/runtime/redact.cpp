#include "studyhost/runtime/redact.h"

#include "studyhost/runtime/host_constants.h"

namespace studyhost {
namespace {

bool ends_url_value(char c) {
  return c == '&' || c == '#';
}

bool ends_text_value(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return ends_url_value(c) || byte <= 0x20 || byte == 0x7F || c == '"' || c == '\'';
}

// The end of the value that starts at `value`.
using ValueEnd = std::size_t (*)(std::string_view text, std::size_t value);

std::size_t url_value_end(std::string_view text, std::size_t value) {
  std::size_t end = value;
  while (end < text.size() && !ends_url_value(text[end])) ++end;
  return end;
}

std::size_t text_value_end(std::string_view text, std::size_t value) {
  // "***" and then the end of the value, or the ": " of "URL: reason": a
  // value hidden before, whose reason must stay.
  const std::string_view hidden = kRedacted;
  if (text.substr(value, hidden.size()) == hidden) {
    const std::size_t after = value + hidden.size();
    if (after == text.size() || ends_text_value(text[after])) return after;
    if (text[after] == ':' && (after + 1 == text.size() || text[after + 1] == ' ')) return after;
  }
  std::size_t end = value;
  while (end < text.size() && !ends_text_value(text[end])) ++end;
  return end;
}

std::string redact(std::string_view text, ValueEnd value_end) {
  const std::string key = std::string(kSecretParameter) + "=";
  std::string out;
  out.reserve(text.size());
  std::size_t from = 0;
  while (from < text.size()) {
    const std::size_t at = text.find(key, from);
    if (at == std::string_view::npos) break;
    const std::size_t value = at + key.size();
    out.append(text.substr(from, value - from));
    out.append(kRedacted);
    from = value_end(text, value);
  }
  out.append(text.substr(from < text.size() ? from : text.size()));
  return out;
}

}  // namespace

std::string redact_url(std::string_view url) {
  return redact(url, url_value_end);
}

std::string redact_text(std::string_view text) {
  return redact(text, text_value_end);
}

}  // namespace studyhost
