// Floats compared bit for bit: the levels must come out exactly as the
// float steps give them, not merely close.
#pragma once

#include <bit>
#include <cstdint>

namespace levelclient_test {

inline std::uint32_t bits(float value) {
  return std::bit_cast<std::uint32_t>(value);
}

}  // namespace levelclient_test
