// Comparing texts without regard to letter case, for ASCII letters only: a
// level's name, an input's name, a list entry or a URL's scheme compares the
// same whatever locale the process runs in.
#pragma once

#include <string_view>

namespace host {

// 'A' to 'Z' lowered; every other byte as it is.
constexpr char lower_ascii(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equal_ignoring_case(std::string_view a, std::string_view b);
bool starts_with_ignoring_case(std::string_view text, std::string_view prefix);
bool contains_ignoring_case(std::string_view text, std::string_view part);

}  // namespace host
