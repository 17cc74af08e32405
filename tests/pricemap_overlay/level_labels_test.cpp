#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "pricemap_overlay/level_labels.h"

namespace pricemap {
namespace {

// A record whose levels are far apart, so that no level is near R, +c or -c
// unless a test puts it there.
PriceMapRecord spread_record() {
  PriceMapRecord record;
  for (int i = 0; i < kLevelCount; ++i) record.levels[i] = 1000.0f + 10.0f * static_cast<float>(i);
  record.levels[kR] = 5.0f;
  record.levels[kPlusC] = 7.0f;
  record.levels[kMinusC] = 9.0f;
  return record;
}

const LevelLabel& entry_for(const std::vector<LevelLabel>& labels, const std::string& text) {
  for (const LevelLabel& label : labels) {
    if (label.text == text) return label;
  }
  ADD_FAILURE() << "no entry " << text;
  return labels.front();
}

TEST(LevelLabels, ListsTheTwentyFiveLevelsTopToBottomWithTheirPricesAndTiers) {
  PriceMapRecord record = spread_record();
  const std::vector<LevelLabel> labels = build_level_labels(record, 0.25f);

  const std::vector<std::string> texts = {
      "UT4", "**", "*",    "UT3", "**", "*",   "UT2", "*",  "UT1", "CRX+", "UP", "CR+", "DIR",
      "CR-", "DP", "CRX-", "DT1", "*",  "DT2", "*",   "**", "DT3", "*",    "**", "DT4"};
  const std::vector<int> tiers = {4, 0, 0, 3, 0, 0, 2, 0, 1, 0, 0, 0, 0,
                                  0, 0, 0, 1, 0, 2, 0, 0, 3, 0, 0, 4};
  ASSERT_EQ(labels.size(), 25u);
  for (std::size_t i = 0; i < labels.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(labels[i].text, texts[i]);
    EXPECT_EQ(labels[i].tier, tiers[i]);
    // Entries follow the record from UT4 (index 6) to DT4 (index 30).
    EXPECT_EQ(labels[i].price, record.levels[6 + i]);
    EXPECT_EQ(labels[i].is_up, i == 10);
    EXPECT_EQ(labels[i].is_dir, i == 12);
    EXPECT_EQ(labels[i].is_dp, i == 14);
  }
}

TEST(LevelLabels, WithoutNearnessOnlyTiersAndPivotsAreKeyLevels) {
  PriceMapRecord record = spread_record();
  record.levels[kR] = record.levels[kUL08];  // would be near with any increment above 0
  const std::vector<LevelLabel> labels = build_level_labels(record, 0.0f);

  EXPECT_EQ(record.proximity, 0.0f);
  int key_levels = 0;
  for (const LevelLabel& label : labels) {
    EXPECT_FALSE(label.near_r || label.near_plus_c || label.near_minus_c) << label.text;
    EXPECT_EQ(label.is_key, label.tier >= 1 || label.is_up || label.is_dir || label.is_dp)
        << label.text;
    key_levels += label.is_key ? 1 : 0;
  }
  EXPECT_EQ(key_levels, 11);
}

TEST(LevelLabels, NearnessToAReferenceMakesAnyLevelKey) {
  PriceMapRecord record = spread_record();
  record.levels[kUL07] = record.levels[kR];
  record.levels[kCRPlus] = record.levels[kPlusC];
  record.levels[kDL04] = record.levels[kMinusC];
  const std::vector<LevelLabel> labels = build_level_labels(record, 0.25f);

  EXPECT_EQ(record.proximity, 0.025f);
  EXPECT_TRUE(labels[2].near_r);
  EXPECT_TRUE(labels[2].is_key);
  EXPECT_TRUE(entry_for(labels, "CR+").near_plus_c);
  EXPECT_TRUE(entry_for(labels, "CR+").is_key);
  EXPECT_TRUE(labels[19].near_minus_c);
  EXPECT_TRUE(labels[19].is_key);
  // A critical range level far from every reference is not key.
  EXPECT_FALSE(entry_for(labels, "CR-").is_key);
  EXPECT_FALSE(entry_for(labels, "CRX+").is_key);
}

TEST(LevelLabels, NearnessIsStrictInSinglePrecision) {
  // Increment 10 gives a proximity of exactly 1.
  EXPECT_FALSE(is_near(1.0f, 101.0f, 100.0f));
  EXPECT_TRUE(is_near(1.0f, 100.5f, 100.0f));
  EXPECT_TRUE(is_near(1.0f, 99.5f, 100.0f));
  // A distance equal to the proximity is not near.
  EXPECT_FALSE(is_near(0.1f, 0.1f, 0.0f));
  EXPECT_FALSE(is_near(1.0f, std::numeric_limits<float>::quiet_NaN(), 100.0f));
  EXPECT_FALSE(is_near(std::numeric_limits<float>::infinity(),
                       std::numeric_limits<float>::infinity(), 0.0f));

  PriceMapRecord record = spread_record();
  record.levels[kR] = 100.0f;
  record.levels[kUL08] = 101.0f;
  record.levels[kUL07] = 100.5f;
  const std::vector<LevelLabel> labels = build_level_labels(record, 10.0f);
  EXPECT_FALSE(labels[1].near_r);
  EXPECT_TRUE(labels[2].near_r);
}

TEST(LevelLabels, FirstListIsCachedInTheRecordWhateverTheLaterIncrement) {
  PriceMapRecord record = spread_record();
  record.levels[kUL08] = record.levels[kR] + 0.5f;
  const std::vector<LevelLabel> first = build_level_labels(record, 10.0f);
  ASSERT_TRUE(first[1].near_r);
  EXPECT_FALSE(record.labels_stale);
  ASSERT_EQ(record.labels.size(), 25u);

  // The result is the caller's copy: changing it leaves the cache alone.
  std::vector<LevelLabel> mine = build_level_labels(record, 0.0f);
  EXPECT_EQ(record.proximity, 1.0f);
  EXPECT_TRUE(mine[1].near_r);
  mine[1].text = "changed";
  EXPECT_EQ(record.labels[1].text, "**");
}

TEST(LevelLabels, ZeroAndNonFiniteLevelsKeepTheirEntries) {
  PriceMapRecord empty;
  const std::vector<LevelLabel> zeros = build_level_labels(empty, 0.25f);
  ASSERT_EQ(zeros.size(), 25u);
  for (const LevelLabel& label : zeros) {
    // Every level sits on R, +c and -c at 0.
    EXPECT_EQ(label.price, 0.0f);
    EXPECT_TRUE(label.near_r && label.near_plus_c && label.near_minus_c && label.is_key);
  }

  PriceMapRecord hostile = spread_record();
  hostile.levels[kR] = std::numeric_limits<float>::quiet_NaN();
  hostile.levels[kUT1] = std::numeric_limits<float>::infinity();
  hostile.levels[kUL02] = std::numeric_limits<float>::quiet_NaN();
  const std::vector<LevelLabel> labels = build_level_labels(hostile, 0.25f);
  ASSERT_EQ(labels.size(), 25u);
  EXPECT_TRUE(std::isinf(labels[8].price));
  EXPECT_TRUE(std::isnan(labels[7].price));
  for (const LevelLabel& label : labels) EXPECT_FALSE(label.near_r) << label.text;
  EXPECT_FALSE(labels[7].is_key);
}

}  // namespace
}  // namespace pricemap
