#include "studyhost/lib/redact.h"

#include "studyhost/lib/host_constants.h"

namespace studyhost {

std::string redact_url(std::string_view text) {
  const std::string key = std::string(kSecretParameter) + "=";
  std::string out;
  out.reserve(text.size());
  std::size_t from = 0;
  while (from < text.size()) {
    const std::size_t at = text.find(key, from);
    if (at == std::string_view::npos) break;
    const std::size_t value = at + key.size();
    std::size_t end = value;
    while (end < text.size() && text[end] != '&' && text[end] != '#' && text[end] != ' ' &&
           text[end] != '\n' && text[end] != '\r' && text[end] != '\t') {
      ++end;
    }
    out.append(text.substr(from, value - from));
    out.append(kRedacted);
    from = end;
  }
  out.append(text.substr(from < text.size() ? from : text.size()));
  return out;
}

}  // namespace studyhost
