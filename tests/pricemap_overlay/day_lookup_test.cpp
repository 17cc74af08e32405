#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "pricemap_overlay/day_lookup.h"
#include "pricemap_overlay/study_state.h"

namespace pricemap {
namespace {

constexpr std::int64_t kDay = host::kMicrosPerDay;

int g_conversions = 0;

// A conversion no real host would make: it moves each midnight by a
// pseudo-random amount of up to six days either way and flings some far into
// the past or future, so converted midnights are out of day order.
std::int64_t scrambled(host::StudyInterface*, const std::int64_t* t) {
  ++g_conversions;
  std::uint64_t x = static_cast<std::uint64_t>(*t) * 0x9E3779B97F4A7C15ull;
  x ^= x >> 29;
  if (x % 37 == 0) return *t + 4000 * kDay;
  if (x % 41 == 0) return *t - 4000 * kDay;
  const std::int64_t shift = static_cast<std::int64_t>(x % 13) - 6;
  return *t + shift * kDay + static_cast<std::int64_t>(x % 1000);
}

std::int64_t identity(host::StudyInterface*, const std::int64_t* t) {
  ++g_conversions;
  return *t;
}

host::StudyInterface host_with(host::ConvertDateTimeFn convert) {
  host::StudyInterface sc{};
  sc.convert_to_chart_time = convert;
  return sc;
}

// Days 45000 onwards with gaps of one to four days, as weekends and holidays leave them.
StudyState state_with_days(int count) {
  StudyState state;
  std::mt19937 gen(7);
  std::int32_t day = 45000;
  for (int i = 0; i < count; ++i) {
    state.records[day].levels[kUT1] = static_cast<float>(i);
    day += 1 + static_cast<std::int32_t>(gen() % 4);
  }
  return state;
}

TEST(DayLookup, AgreesWithTheRecordByRecordWalkForAnOutOfOrderConversion) {
  const StudyState state = state_with_days(400);
  host::StudyInterface sc = host_with(&scrambled);
  DayLookup lookup;
  build_day_lookup(lookup, state.records, sc);

  std::vector<std::int64_t> times = {std::numeric_limits<std::int64_t>::min(),
                                     std::numeric_limits<std::int64_t>::max(), 0, -1};
  // Every converted midnight itself and its neighbours: the comparison is "not after".
  for (const auto& [day, record] : state.records) {
    const std::int64_t midnight = midnight_of(day);
    const std::int64_t converted = scrambled(&sc, &midnight);
    for (std::int64_t delta : {-1LL, 0LL, 1LL}) times.push_back(converted + delta);
  }
  std::mt19937_64 gen(11);
  const std::int64_t first = midnight_of(state.records.begin()->first) - 5000 * kDay;
  const std::int64_t span =
      (state.records.rbegin()->first - state.records.begin()->first + 10000) * kDay;
  for (int i = 0; i < 20000; ++i) {
    times.push_back(first + static_cast<std::int64_t>(gen() % static_cast<std::uint64_t>(span)));
  }

  int distinct_answers = 0;
  std::int32_t previous = -1;
  for (std::int64_t t : times) {
    const std::int32_t expected = day_at_or_before(state, sc, t);
    ASSERT_EQ(day_for(lookup, t), expected) << "t=" << t;
    if (expected != previous) ++distinct_answers;
    previous = expected;
  }
  // The scrambling really does make the answers jump around.
  EXPECT_GT(distinct_answers, 1000);
}

TEST(DayLookup, ConvertsEachMidnightOnceAndFindsTheLatestDayNotAfterABar) {
  const StudyState state = state_with_days(50);
  host::StudyInterface sc = host_with(&identity);
  g_conversions = 0;
  DayLookup lookup;
  build_day_lookup(lookup, state.records, sc);
  EXPECT_EQ(g_conversions, 50);

  const std::int32_t second = std::next(state.records.begin())->first;
  const std::int32_t third = std::next(state.records.begin(), 2)->first;
  EXPECT_EQ(day_for(lookup, midnight_of(state.records.begin()->first) - 1), 0);
  EXPECT_EQ(day_for(lookup, midnight_of(second)), second);
  EXPECT_EQ(day_for(lookup, midnight_of(third) - 1), second);
  EXPECT_EQ(day_for(lookup, std::numeric_limits<std::int64_t>::max()),
            state.records.rbegin()->first);
}

TEST(DayLookup, AnEmptyRecordsMapGivesNoDay) {
  const StudyState state;
  host::StudyInterface sc = host_with(&identity);
  DayLookup lookup;
  build_day_lookup(lookup, state.records, sc);
  EXPECT_EQ(day_for(lookup, 50000 * kDay), 0);
  EXPECT_EQ(day_at_or_before(state, sc, 50000 * kDay), 0);
}

TEST(DayLookup, MidnightOfADaySaturatesPastSixtyFourBits) {
  EXPECT_EQ(midnight_of(45366), 45366 * kDay);
  EXPECT_EQ(midnight_of(-3), -3 * kDay);
  EXPECT_EQ(midnight_of(std::numeric_limits<std::int32_t>::max()),
            std::numeric_limits<std::int64_t>::max());
  EXPECT_EQ(midnight_of(std::numeric_limits<std::int32_t>::min()),
            std::numeric_limits<std::int64_t>::min());
}

}  // namespace
}  // namespace pricemap

namespace pricemap {
namespace {

TEST(RecordsMapQueries, LatestDayAndCopiesOfPresentAndMissingDays) {
  StudyState state;
  EXPECT_EQ(latest_day(state), 0);
  state.records[45366].name = "ES";
  state.records[45366].levels[kDIR] = 4500.25f;
  state.records[45366].labels_stale = false;
  state.records[45365].name = "older";
  EXPECT_EQ(latest_day(state), 45366);

  const PriceMapRecord copy = copy_record(state, 45366);
  EXPECT_EQ(copy.name, "ES");
  EXPECT_EQ(copy.levels[kDIR], 4500.25f);
  EXPECT_FALSE(copy.labels_stale);

  const PriceMapRecord missing = copy_record(state, 45364);
  EXPECT_TRUE(missing.name.empty());
  EXPECT_TRUE(missing.date_text.empty());
  EXPECT_EQ(missing.levels[kDIR], 0.0f);
  EXPECT_EQ(missing.proximity, 0.0f);
  EXPECT_TRUE(missing.labels_stale);
  EXPECT_TRUE(missing.labels.empty());
}

}  // namespace
}  // namespace pricemap
