// Texts made fit for cairo. Study texts are not checked for UTF-8, and cairo
// stops drawing altogether after one invalid string.
#pragma once

#include <cstddef>
#include <string>

namespace studyhost {

// Longest text drawn, in bytes; anything longer is cut.
inline constexpr std::size_t kMaxDrawnText = 256;

// `text` as valid UTF-8: a byte that starts no valid character becomes '?',
// a control character a space, and the text ends with the character that
// reaches kMaxDrawnText bytes (never inside one).
std::string drawable_text(const std::string& text);

}  // namespace studyhost
