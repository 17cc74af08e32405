// What a downloaded price map response shows: the status text, its colour and
// the log line, for a good map and for every way a response can fail.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "price_map_fixtures.h"
#include "pricemap_session.h"

namespace pmtest {
namespace {

struct Outcome {
  const char* name;
  std::string body;
  std::string status;
  bool is_error;
};

nlohmann::json with(nlohmann::json record, const char* key, nlohmann::json value) {
  record[key] = std::move(value);
  return record;
}

nlohmann::json without(nlohmann::json record, const char* key) {
  record.erase(key);
  return record;
}

std::vector<nlohmann::json> dated(const std::vector<std::string>& dates) {
  std::vector<nlohmann::json> records;
  for (const std::string& d : dates) records.push_back(fixture_record(d, 4000.0f));
  return records;
}

const nlohmann::json kGood = fixture_record("2024-03-15", 4000.0f);
const std::string kError = "Error parsing data";

std::vector<Outcome> outcomes() {
  return {
      {"GoodMap", price_map_body({kGood}), "Price Map Date: 2024-03-15", false},
      {"NotJson", "<html>502 Bad Gateway</html>", kError, true},
      {"RootNotObject", "[1, 2]", kError, true},
      {"DataNotArray", R"({"data": {"Date": "2024-03-15"}})", kError, true},
      {"MessageOnly", R"({"message": "Invalid key"})", "Invalid key", true},
      {"MessageWithEmptyData", price_map_body({}, "No data"), "No data", true},
      {"MessageWithRecords", price_map_body({kGood}, "No data"), "Price Map Date: 2024-03-15",
       false},
      {"EmptyMessageExplainsNothing", price_map_body({}, ""), kError, true},
      {"MessageNotText", R"({"message": 5, "data": []})", kError, true},
      {"LevelAsNumber", price_map_body({with(kGood, "UT4", 101.5)}), kError, true},
      {"MissingApmd", price_map_body({without(kGood, "APMD")}), kError, true},
      {"EmptyLevelText", price_map_body({with(kGood, "-c", "")}), kError, true},
      // Read as 0 they drew "0.00 UT3" lines and VAR lines on every level.
      {"InfiniteLevelText", price_map_body({with(kGood, "UT3", "inf")}), kError, true},
      {"NanVarText", price_map_body({with(kGood, "VAR", "nan")}), kError, true},
      {"LevelBeyondFloat", price_map_body({with(kGood, "DT1", "1e39")}), kError, true},
      {"FractionBeyondFloat", price_map_body({with(kGood, "AD", "3e38 3e38/0.5")}), kError, true},
      // Read as levels at 0, and a thousands separator as a decimal end ("1").
      {"LevelWithoutANumber", price_map_body({with(kGood, "UT1", "N/A")}), kError, true},
      {"LevelOfADash", price_map_body({with(kGood, "DIR", "-")}), kError, true},
      {"LevelWithThousandsSeparator", price_map_body({with(kGood, "UP", "1,234.00")}), kError,
       true},
      {"NameNotText", price_map_body({with(kGood, "Name", nullptr)}), kError, true},
      {"DateNotText", price_map_body({with(kGood, "Date", 20240315)}), kError, true},
      {"OutOfOrderDatesNameTheLatest",
       price_map_body(dated({"2024-03-15", "2024-03-18", "2024-03-14"})),
       "Price Map Date: 2024-03-18", false},
      {"RangeEdgesAccepted", price_map_body(dated({"2039-12-31", "1901-01-01"})),
       "Price Map Date: 2039-12-31", false},
      {"OutsideRangeSkipped", price_map_body(dated({"1900-12-31", "2040-01-01"})), kError, true},
      {"ImpossibleDaySkipped", price_map_body(dated({"2023-02-29", "2024-04-31"})), kError, true},
      {"LeapDayAndTimePartAccepted", price_map_body(dated({"2024-02-29", "2024-03-15T00:00:00"})),
       "Price Map Date: 2024-03-15", false},
      {"DayMonthYearSkipped", price_map_body(dated({"15-03-2024"})), kError, true},
      {"DeeplyNested", std::string(100000, '[') + std::string(100000, ']'), kError, true},
      {"InvalidBytes", "{\"message\": \"\xff\xfe\"}\x01", kError, true},
      {"UndatedElementWithBadLevelsSkipped",
       price_map_body({with(without(kGood, "Date"), "UT4", 1), kGood}),
       "Price Map Date: 2024-03-15", false},
  };
}

class ParseOutcome : public ::testing::TestWithParam<Outcome> {};

TEST_P(ParseOutcome, IsShownInItsColourAndLogged) {
  const Outcome& o = GetParam();
  PriceMapSession s(bars_on_day(kDay20240315, 3));
  s.answer_with(o.body);
  s.recalculate_and_settle();

  EXPECT_EQ(s.status_text(), o.status);
  EXPECT_EQ(s.status()->color, o.is_error ? kRed : kGreen);
  ASSERT_FALSE(s.log().empty());
  EXPECT_EQ(s.log().back(), o.status);
  EXPECT_EQ(s.level_drawings().empty(), o.is_error) << "levels are drawn only from a good map";
}

INSTANTIATE_TEST_SUITE_P(Responses, ParseOutcome, ::testing::ValuesIn(outcomes()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace pmtest
