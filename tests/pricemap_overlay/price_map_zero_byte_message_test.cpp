// Price map responses that once gave a status the chart could not show.
#include <gtest/gtest.h>

#include <string>

#include "price_map_fixtures.h"
#include "pricemap_overlay/price_map_parser.h"
#include "pricemap_overlay/study_state.h"
#include "pricemap_session.h"

namespace pmtest {
namespace {

struct Parsed {
  bool error_showing;
  std::string status;
};

Parsed parse(const std::string& body) {
  PriceMapSession session(bars_on_day(kDay20240315, 2));
  pricemap::StudyState state;
  const char* text = body.c_str();
  pricemap::parse_price_map(state, session.study->record(), &text);
  Parsed parsed{state.error_showing, host::text_of(state.status_text)};
  host::release(state.status_text);
  return parsed;
}

// A message starting with a zero byte became an error status that showed
// nothing at all; the fuzzer found it.
TEST(PriceMapParserRegression, AMessageEmptyUpToItsFirstZeroByteKeepsTheParseError) {
  const Parsed parsed = parse(R"({"message":"\u0000b","data":[]})");
  EXPECT_TRUE(parsed.error_showing);
  EXPECT_EQ(parsed.status, "Error parsing data");
}

TEST(PriceMapParserRegression, AMessageIsShownUpToItsFirstZeroByte) {
  const Parsed parsed = parse(R"({"message":"No data\u0000 today","data":[]})");
  EXPECT_TRUE(parsed.error_showing);
  EXPECT_EQ(parsed.status, "No data");
}

}  // namespace
}  // namespace pmtest
