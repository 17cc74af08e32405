// The records map that parse_price_map leaves behind, beyond what the status
// text shows.
#include <gtest/gtest.h>

#include <string>

#include "price_map_fixtures.h"
#include "pricemap_overlay/price_map_parser.h"
#include "pricemap_overlay/study_state.h"
#include "pricemap_session.h"

namespace pmtest {
namespace {

class PriceMapParser : public ::testing::Test {
 protected:
  void parse(const std::string& body) {
    const char* text = body.c_str();
    pricemap::parse_price_map(state, session.study->record(), &text);
  }
  std::string status() const { return host::text_of(state.status_text); }

  void TearDown() override { host::release(state.status_text); }

  PriceMapSession session{bars_on_day(kDay20240315, 2)};
  pricemap::StudyState state;
};

TEST_F(PriceMapParser, LaterElementOfADayReplacesTheEarlierOneAndDaysAreOrdered) {
  parse(price_map_body({fixture_record("2024-03-15", 4000.0f, "first"),
                        fixture_record("2024-03-14", 3000.0f),
                        fixture_record("2024-03-15T08:00", 5000.0f, "second")}));

  ASSERT_EQ(state.records.size(), 2u);
  EXPECT_EQ(state.records.begin()->first, kDay20240314);
  const pricemap::PriceMapRecord& r = state.records.at(kDay20240315);
  EXPECT_EQ(r.name, "second");
  EXPECT_EQ(r.date_text, "2024-03-15T08:00");
  for (int i = 0; i < pricemap::kLevelCount; ++i) {
    EXPECT_EQ(r.levels[i], fixture_level(5000.0f, i)) << pricemap::kLevelKeys[i];
  }
  EXPECT_EQ(r.proximity, 0.0f);
  EXPECT_TRUE(r.labels_stale);
  EXPECT_TRUE(r.labels.empty());
  EXPECT_FALSE(state.error_showing);
}

TEST_F(PriceMapParser, LevelsAreReadAsPriceTexts) {
  nlohmann::json record = fixture_record("2024-03-15", 100.0f);
  record["UT1"] = "105 3/4";
  record["UT2"] = "110-16";
  record["DT1"] = "110-165";
  parse(price_map_body({record}));

  const pricemap::PriceMapRecord& r = state.records.at(kDay20240315);
  EXPECT_EQ(r.levels[pricemap::kUT1], 105.75f);
  EXPECT_EQ(r.levels[pricemap::kUT2], 110.5f);
  EXPECT_EQ(r.levels[pricemap::kDT1], 110.515625f);
}

TEST_F(PriceMapParser, RecordsStoredBeforeAFailureStay) {
  nlohmann::json bad = fixture_record("2024-03-15", 4000.0f);
  bad["UT4"] = 101.5;
  parse(price_map_body(
      {fixture_record("2024-03-14", 3000.0f), bad, fixture_record("2024-03-18", 3000.0f)}));

  EXPECT_TRUE(state.error_showing);
  EXPECT_EQ(status(), "Error parsing data");
  ASSERT_EQ(state.records.size(), 1u);
  EXPECT_EQ(state.records.begin()->first, kDay20240314);
}

TEST_F(PriceMapParser, EveryParseStartsFromAnEmptyMap) {
  parse(price_map_body({fixture_record("2024-03-15", 4000.0f)}));
  ASSERT_EQ(state.records.size(), 1u);

  parse(price_map_body({fixture_record("2024-03-14", 4000.0f)}, "No data"));
  EXPECT_EQ(state.records.size(), 1u);
  EXPECT_EQ(state.records.count(kDay20240315), 0u);

  parse("{\"data\": [");
  EXPECT_TRUE(state.records.empty());
  EXPECT_TRUE(state.error_showing);
}

TEST_F(PriceMapParser, AbsentResponseTextReadsAsEmpty) {
  const char* absent = nullptr;
  pricemap::parse_price_map(state, session.study->record(), &absent);
  EXPECT_TRUE(state.error_showing);
  EXPECT_EQ(status(), "Error parsing data");

  pricemap::parse_price_map(state, session.study->record(), nullptr);
  EXPECT_EQ(status(), "Error parsing data");
}

}  // namespace
}  // namespace pmtest
