// Response texts of the level data service for the price map tests, and bars
// to put them on.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "studyhost/runtime/chart.h"

namespace pmtest {

// Day numbers of the dates the tests use most.
inline constexpr std::int32_t kDay20240314 = 45365;
inline constexpr std::int32_t kDay20240315 = 45366;
inline constexpr std::int32_t kDay20240318 = 45369;

// Level `index` of a fixture record: base + index × 0.25, exact in float.
float fixture_level(float base, int index);

// One record with "Name", "Date" and all 32 levels as price texts.
nlohmann::json fixture_record(const std::string& date, float base, const std::string& name = "ES");

// {"data": [records...]}, with a "message" member when `message` is given.
std::string price_map_body(const std::vector<nlohmann::json>& records);
std::string price_map_body(const std::vector<nlohmann::json>& records, const std::string& message);

// `count` bars on `day`, one hour apart from 01:00.
std::vector<studyhost::Bar> bars_on_day(std::int32_t day, int count);
// The bars of several days, in order.
std::vector<studyhost::Bar> bars_on_days(const std::vector<std::pair<std::int32_t, int>>& days);
studyhost::Bar bar_at(std::int32_t day, int hour);

}  // namespace pmtest
