#include "studyhost/render/drawable_text.h"

#include <algorithm>

namespace studyhost {
namespace {

// Bytes in the UTF-8 sequence that lead byte `c` starts; 0 when it starts
// none, or is a control character.
std::size_t sequence_length(unsigned char c) {
  if (c < 0x80) return c < 0x20 || c == 0x7F ? 0 : 1;
  if ((c & 0xE0) == 0xC0 && c >= 0xC2) return 2;
  if ((c & 0xF0) == 0xE0) return 3;
  if ((c & 0xF8) == 0xF0 && c <= 0xF4) return 4;
  return 0;
}

// Whether the `length` bytes at `i` are one valid sequence: continuation
// bytes only, no overlong form, no surrogate, nothing above U+10FFFF.
bool valid_sequence(const std::string& text, std::size_t i, std::size_t length) {
  if (length == 0 || i + length > text.size()) return false;
  for (std::size_t k = 1; k < length; ++k) {
    if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
  }
  const auto c = static_cast<unsigned char>(text[i]);
  const auto c1 = length > 1 ? static_cast<unsigned char>(text[i + 1]) : 0;
  if (length == 3) return !(c == 0xE0 && c1 < 0xA0) && !(c == 0xED && c1 >= 0xA0);
  if (length == 4) return !(c == 0xF0 && c1 < 0x90) && !(c == 0xF4 && c1 >= 0x90);
  return true;
}

}  // namespace

std::string drawable_text(const std::string& text) {
  std::string out;
  out.reserve(std::min(text.size(), kMaxDrawnText));
  std::size_t i = 0;
  while (i < text.size() && out.size() < kMaxDrawnText) {
    const auto c = static_cast<unsigned char>(text[i]);
    const std::size_t length = sequence_length(c);
    if (valid_sequence(text, i, length)) {
      out.append(text, i, length);
      i += length;
    } else {
      out.push_back(c < 0x20 ? ' ' : '?');
      ++i;
    }
  }
  return out;
}

}  // namespace studyhost
