// Price texts: plain decimals, fractions ("105 3/4"), quarters written in
// eighths ("450-2") and 32nds ("110-16", with a third digit for the fraction
// of a 32nd: "110-165"). Every step is done in float, as the levels are held
// and drawn in float.
#include "levelclient/price_text.h"

#include <cmath>
#include <cstdint>

#include "levelclient/number_text.h"

namespace levelclient {
namespace {

constexpr std::string_view kWhiteSpace = " \t\n\v\f\r";
constexpr float kThirtySecond = 0.03125f;
// The suffix after the dash is read into a 25-character buffer.
constexpr std::size_t kMaxSuffixLength = 24;

// A number directly followed by a comma and a digit is written with a
// thousands separator ("1,234.00") or a decimal comma ("0,5"); read up to the
// comma it would be a plainly wrong price.
bool comma_and_digit_at(std::string_view text, std::size_t at) {
  return at + 1 < text.size() && text[at] == ',' && text[at + 1] >= '0' && text[at + 1] <= '9';
}

struct Decimal {
  bool number;  // a number was read
  float value;  // 0 when none was
};

// The text as a C reader sees it, read as a decimal number.
Decimal decimal_piece(std::string_view text) {
  const std::string_view c = c_text(text);
  const DecimalRead read = read_decimal(c);
  if (read.ok && comma_and_digit_at(c, read.end)) {
    throw RecordError("price text with a comma inside its number");
  }
  return Decimal{read.ok, narrow_to_float(read.value)};
}

// A text that is all decimal number; one in which no number can be read
// ("N/A", "-", blanks) is missing data, not a price of 0.
float decimal_float(std::string_view text) {
  const Decimal read = decimal_piece(text);
  if (!read.number) throw RecordError("price text holds no number");
  return read.value;
}

// Hands each trimmed, non-empty piece of `text` between delimiters to
// `visit`, which returns false to stop early. Linear in the text, so a
// hostile text of millions of delimiters costs no more than its length.
template <typename Visit>
void split_pieces(std::string_view text, char a, char b, Visit visit) {
  const char delimiters[2] = {a, b};
  const std::string_view set(delimiters, 2);
  std::size_t start = 0;
  while (true) {
    const std::size_t at = text.find_first_of(set, start);
    const std::string_view part =
        text.substr(start, at == std::string_view::npos ? std::string_view::npos : at - start);
    std::string piece = trim(part);
    if (!piece.empty() && !visit(piece)) return;
    if (at == std::string_view::npos) return;
    start = at + 1;
  }
}

// "W N/D" or "N/D"; any other count of pieces, or a denominator that is not
// positive, gives 0. A piece without a number reads as 0, but a text none of
// whose pieces holds a number ("N/A", "/") cannot be read.
float fraction_value(std::string_view text) {
  float values[3] = {0.0f, 0.0f, 0.0f};
  std::size_t count = 0;
  bool any_number = false;
  split_pieces(text, ' ', '/', [&](std::string& piece) {
    const Decimal read = decimal_piece(piece);
    if (count < 3) values[count] = read.value;
    any_number = any_number || read.number;
    ++count;
    // Past three pieces the value is 0 either way; only whether the text
    // holds a number at all is still open.
    return count <= 3 || !any_number;
  });
  if (!any_number) throw RecordError("price text holds no number");
  float whole = 0.0f;
  float numerator = 0.0f;
  float denominator = 0.0f;
  if (count == 3) {
    whole = values[0];
    numerator = values[1];
    denominator = values[2];
  } else if (count == 2) {
    numerator = values[0];
    denominator = values[1];
  } else {
    return 0.0f;
  }
  if (!(denominator > 0.0f)) return 0.0f;
  const float ratio = numerator / denominator;
  return ratio + whole;
}

// The value of the leading digits of a short suffix, 0 when it does not
// start with a digit.
std::int32_t leading_digits(std::string_view suffix) {
  std::int32_t n = 0;
  std::size_t i = 0;
  for (; i < suffix.size() && suffix[i] >= '0' && suffix[i] <= '9'; ++i) {
    n = n * 10 + (suffix[i] - '0');
  }
  if (i > 0 && comma_and_digit_at(suffix, i)) {
    throw RecordError("price text with a comma inside its number");
  }
  return n;
}

// "whole-suffix" as "%d-%24s" reads it; when that does not give both parts
// the text is a plain decimal (a negative number, an exponent "1e-5").
float dashed_value(std::string_view text) {
  const IntRead whole = read_int(text, 0);
  if (!whole.ok || whole.end >= text.size() || text[whole.end] != '-') {
    return decimal_float(text);
  }
  std::size_t start = whole.end + 1;
  while (start < text.size() && is_c_space(text[start])) ++start;
  std::size_t end = start;
  while (end < text.size() && end - start < kMaxSuffixLength && !is_c_space(text[end])) ++end;
  const std::string_view suffix = text.substr(start, end - start);
  if (suffix.empty()) return decimal_float(text);

  const float base = static_cast<float>(whole.value);
  switch (suffix.size()) {
    case 1: {
      // Quarters written in eighths: 2, 4 and 6 are 1/4, 1/2 and 3/4.
      switch (leading_digits(suffix)) {
        case 2:
          return base + 0.25f;
        case 4:
          return base + 0.5f;
        case 6:
          return base + 0.75f;
        default:
          return base;
      }
    }
    case 2:
      return base + static_cast<float>(leading_digits(suffix)) * kThirtySecond;
    case 3: {
      // 32nds and a last digit for the fraction of a 32nd: 2, 5 and 7 are
      // 1/4, 1/2 and 3/4 of it.
      const std::int32_t n = leading_digits(suffix);
      const std::int32_t digit = n % 10;
      const float part = digit == 2 ? 0.25f : digit == 5 ? 0.5f : digit == 7 ? 0.75f : 0.0f;
      return base + (static_cast<float>(n / 10) + part) * kThirtySecond;
    }
    default:
      return 0.0f;
  }
}

}  // namespace

std::string trim(std::string_view text) {
  const std::size_t first = text.find_first_not_of(kWhiteSpace);
  if (first == std::string_view::npos) return {};
  const std::size_t last = text.find_last_not_of(kWhiteSpace);
  return std::string(text.substr(first, last - first + 1));
}

std::vector<std::string> split(std::string_view text, char a, char b) {
  std::vector<std::string> pieces;
  split_pieces(text, a, b, [&](std::string& piece) {
    pieces.push_back(std::move(piece));
    return true;
  });
  return pieces;
}

float price_text_to_float(const std::string& text) {
  float value = 0.0f;
  if (text.find('/') != std::string::npos) {
    value = fraction_value(text);
  } else if (text.empty()) {
    throw RecordError("empty price text");
  } else if (text.find('-', 1) == std::string::npos) {
    value = decimal_float(text);
  } else {
    value = dashed_value(c_text(text));
  }
  // Infinity and NaN ("inf", "nan", "1e39", "1/1e-45") are no price. Read as
  // 0 they would stand on the chart as levels at 0; the record cannot be
  // read, as when the price is missing.
  if (!std::isfinite(value)) throw RecordError("price text gives no finite number");
  return value;
}

}  // namespace levelclient
