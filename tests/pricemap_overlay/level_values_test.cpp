// Fifteen levels of a record in subgraphs 10 to 24, scaled in float.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "price_map_fixtures.h"
#include "pricemap_overlay/level_values.h"
#include "pricemap_overlay/price_map.h"
#include "pricemap_session.h"

namespace pmtest {
namespace {

using namespace pricemap;

const std::vector<std::pair<int, LevelIndex>> kSubgraphLevels{
    {10, kR},      {11, kUP},      {12, kDIR},      {13, kDP},  {14, kCRXPlus},
    {15, kCRPlus}, {16, kCRMinus}, {17, kCRXMinus}, {18, kUT2}, {19, kUT1},
    {20, kDT1},    {21, kDT2},     {22, kMSD},      {23, kAD},  {24, kVAR}};

class LevelValues : public ::testing::Test {
 protected:
  void SetUp() override {
    // A held download keeps the status clear, so the bar calls size and zero
    // the level subgraphs.
    session.transport.hold();
    session.host->full_recalculation();
    for (int i = 0; i < kLevelCount; ++i) record.levels[i] = 4000.3f + static_cast<float>(i) * 1.7f;
  }
  void TearDown() override { session.transport.release(); }

  PriceMapSession session{bars_on_day(kDay20240315, 4)};
  PriceMapRecord record;
};

TEST_F(LevelValues, EachSubgraphCarriesItsLevelTimesTheMultiplierInFloat) {
  const float multiplier = 0.1f;
  write_level_values(session.study->record(), record, 2, 2, multiplier);

  for (const auto& [subgraph, level] : kSubgraphLevels) {
    const float expected = multiplier * record.levels[level];
    EXPECT_EQ(session.values(subgraph).at(2), expected) << "subgraph " << subgraph;
    EXPECT_EQ(session.values(subgraph).at(1), 0.0f);
  }
  EXPECT_TRUE(session.values(9).empty());
  EXPECT_TRUE(session.values(25).empty());
}

TEST_F(LevelValues, WritesExactlyTheBarsOfTheRange) {
  write_level_values(session.study->record(), record, 3, 1, 1.0f);
  EXPECT_EQ(session.values(10), std::vector<float>(4, 0.0f)) << "an empty range writes nothing";

  write_level_values(session.study->record(), record, 1, 2, -2.0f);
  const float r = -2.0f * record.levels[kR];
  EXPECT_EQ(session.values(10), (std::vector<float>{0.0f, r, r, 0.0f}));

  // Indexes outside the chart land on its first and last bars.
  write_level_values(session.study->record(), record, -5, -5, 1.0f);
  write_level_values(session.study->record(), record, 99, 99, 1.0f);
  EXPECT_EQ(session.values(10).front(), record.levels[kR]);
  EXPECT_EQ(session.values(10).back(), record.levels[kR]);
}

}  // namespace
}  // namespace pmtest
