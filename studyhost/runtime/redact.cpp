#include "studyhost/runtime/redact.h"

#include "host/secret_text.h"
#include "studyhost/runtime/host_constants.h"

namespace studyhost {
namespace {

bool ends_text_value(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return c == '&' || c == '#' || byte <= 0x20 || byte == 0x7F || c == '"' || c == '\'';
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

}  // namespace

std::string redact_text(std::string_view text) {
  return host::redact_key_values(text, text_value_end);
}

}  // namespace studyhost
