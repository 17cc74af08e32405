// Reading numbers out of record texts the way the C library's scanf "%d" and
// strtod read them, but without their hazards: no locale (a host process may
// have switched the decimal point), no overflow into undefined behaviour, and
// no reliance on a terminating zero. Used by the date and price conversions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace levelclient {

// White space as the C locale knows it: space, \t, \n, \v, \f, \r.
bool is_c_space(char c);

// The text up to its first zero byte: what a C reader of the same text sees.
std::string_view c_text(std::string_view text);

struct IntRead {
  bool ok;             // at least one digit was read
  std::int32_t value;  // saturated at the 32-bit limits
  std::size_t end;     // position after the last digit read
};

// One "%d" conversion starting at `pos`: leading white space, an optional
// sign, then decimal digits.
IntRead read_int(std::string_view text, std::size_t pos);

struct DecimalRead {
  bool ok;          // a number was read
  double value;     // 0 when none was
  std::size_t end;  // position after the number read
};

// The text read as a decimal number: leading white space skipped, reading
// stops at the first character that does not fit, no number gives 0 and not
// ok. A number beyond the range of a double gives the signed infinity, one
// too small for it gives zero.
DecimalRead read_decimal(std::string_view text);

// A double narrowed to float with round-to-nearest, written out so that values
// beyond the float range give the signed infinity instead of undefined
// behaviour.
float narrow_to_float(double value);

}  // namespace levelclient
