// Keeps the API key out of everything a person can read.
#pragma once

#include <string>
#include <string_view>

namespace studyhost {

// The text with the value of every api_key parameter replaced by ***.
std::string redact_url(std::string_view text);

}  // namespace studyhost
