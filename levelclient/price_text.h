// Price texts of the level data service into 32-bit floats, and the splitting
// and trimming they are read with.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace levelclient {

// A record text that cannot be read (a price text that is empty, holds no
// number, writes a number with a comma inside it or gives no finite number).
// Caught, with the JSON library's own exceptions, at the boundary of each
// response reader.
class RecordError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Price text conversion in 32-bit float steps: decimals, fractions
// ("105 3/4"), quarters in eighths ("450-2") and 32nds ("110-16", "110-165").
// Throws RecordError for an empty text, one in which no number can be read
// ("N/A", "-", "/"), one with a number directly followed by a comma and a
// digit ("1,234.00") and one that gives no finite float ("inf", "1e39"). A
// fraction or 32nds text that holds a number keeps the value its form gives,
// also where a piece of it holds none ("1/x" and "1/0" give 0).
float price_text_to_float(const std::string& text);

// The trimmed, non-empty pieces of `text` between the delimiters `a` and `b`.
std::vector<std::string> split(std::string_view text, char a, char b);
// `text` without leading and trailing C white space.
std::string trim(std::string_view text);

}  // namespace levelclient
