#include "levelclient/number_text.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace levelclient {
namespace {

bool is_digit(char c) {
  return c >= '0' && c <= '9';
}

// Whether a decimal number that a double cannot hold is too large (true) or
// too small (false): the position of its first significant digit relative to
// the decimal point, plus its exponent. A double's range ends near 1e308 and
// 1e-324, so the sign of that position tells the two apart.
bool exceeds_one(std::string_view number) {
  std::int64_t integer_digits = 0;
  std::int64_t leading_fraction_zeros = 0;
  bool significant = false;
  bool fraction = false;
  std::size_t i = 0;
  for (; i < number.size(); ++i) {
    const char c = number[i];
    if (c == '.' && !fraction) {
      fraction = true;
      continue;
    }
    if (!is_digit(c)) break;
    if (!significant && c != '0') significant = true;
    if (!fraction && significant) ++integer_digits;
    if (fraction && !significant) ++leading_fraction_zeros;
  }
  if (!significant) return false;
  std::int64_t exponent = 0;
  if (i < number.size() && (number[i] == 'e' || number[i] == 'E')) {
    const IntRead e = read_int(number, i + 1);
    if (e.ok) exponent = e.value;
  }
  const std::int64_t position = integer_digits > 0 ? integer_digits : -leading_fraction_zeros;
  return position + exponent > 0;
}

}  // namespace

bool is_c_space(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::string_view c_text(std::string_view text) {
  const std::size_t zero = text.find('\0');
  return zero == std::string_view::npos ? text : text.substr(0, zero);
}

IntRead read_int(std::string_view text, std::size_t pos) {
  IntRead result{false, 0, pos};
  while (pos < text.size() && is_c_space(text[pos])) ++pos;
  bool negative = false;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
    negative = text[pos] == '-';
    ++pos;
  }
  // Accumulate the magnitude, stopping just past the 32-bit range so that a
  // number of any length can be read without overflow.
  constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
  std::int64_t magnitude = 0;
  const std::size_t first_digit = pos;
  while (pos < text.size() && is_digit(text[pos])) {
    if (magnitude < kLimit) magnitude = magnitude * 10 + (text[pos] - '0');
    ++pos;
  }
  if (pos == first_digit) return result;
  if (magnitude > kLimit) magnitude = kLimit;
  std::int64_t value = negative ? -magnitude : magnitude;
  if (value > std::numeric_limits<std::int32_t>::max()) {
    value = std::numeric_limits<std::int32_t>::max();
  }
  result.ok = true;
  result.value = static_cast<std::int32_t>(value);
  result.end = pos;
  return result;
}

DecimalRead read_decimal(std::string_view text) {
  const DecimalRead none{false, 0.0, 0};
  std::size_t pos = 0;
  while (pos < text.size() && is_c_space(text[pos])) ++pos;
  bool negative = false;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
    negative = text[pos] == '-';
    ++pos;
  }
  // from_chars takes a sign of its own; a second sign is no number.
  if (pos >= text.size() || text[pos] == '+' || text[pos] == '-') return none;
  const char* first = text.data() + pos;
  const char* last = text.data() + text.size();
  double value = 0.0;
  const std::from_chars_result read = std::from_chars(first, last, value);
  if (read.ec == std::errc::invalid_argument) return none;
  if (read.ec == std::errc::result_out_of_range) {
    const std::string_view number(first, static_cast<std::size_t>(read.ptr - first));
    value = exceeds_one(number) ? std::numeric_limits<double>::infinity() : 0.0;
  }
  const auto end = static_cast<std::size_t>(read.ptr - text.data());
  return DecimalRead{true, negative ? -value : value, end};
}

float narrow_to_float(double value) {
  constexpr double kFloatMax = std::numeric_limits<float>::max();
  // Halfway between the largest float and the next power of two: from here on
  // round-to-nearest gives infinity.
  constexpr double kOverflowFrom = 0x1.ffffffp127;
  const double magnitude = std::fabs(value);
  if (std::isnan(value)) return std::numeric_limits<float>::quiet_NaN();
  if (magnitude >= kOverflowFrom) {
    return std::signbit(value) ? -std::numeric_limits<float>::infinity()
                               : std::numeric_limits<float>::infinity();
  }
  if (magnitude > kFloatMax) {
    return std::signbit(value) ? -std::numeric_limits<float>::max()
                               : std::numeric_limits<float>::max();
  }
  return static_cast<float>(value);
}

}  // namespace levelclient
