#include "price_map_fixtures.h"

#include <cstdio>

#include "host/study_interface.h"
#include "pricemap_overlay/price_map.h"

namespace pmtest {

float fixture_level(float base, int index) {
  return base + static_cast<float>(index) * 0.25f;
}

nlohmann::json fixture_record(const std::string& date, float base, const std::string& name) {
  nlohmann::json record{{"Name", name}, {"Date", date}};
  for (int i = 0; i < pricemap::kLevelCount; ++i) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", static_cast<double>(fixture_level(base, i)));
    record[pricemap::kLevelKeys[i]] = text;
  }
  return record;
}

std::string price_map_body(const std::vector<nlohmann::json>& records) {
  return nlohmann::json{{"data", records}}.dump();
}

std::string price_map_body(const std::vector<nlohmann::json>& records, const std::string& message) {
  return nlohmann::json{{"message", message}, {"data", records}}.dump();
}

studyhost::Bar bar_at(std::int32_t day, int hour) {
  const std::int64_t t = day * host::kMicrosPerDay + hour * (host::kMicrosPerDay / 24);
  return studyhost::Bar{t, 100.0f, 101.0f, 99.0f, 100.5f, 10.0f};
}

std::vector<studyhost::Bar> bars_on_day(std::int32_t day, int count) {
  std::vector<studyhost::Bar> bars;
  for (int i = 0; i < count; ++i) bars.push_back(bar_at(day, 1 + i));
  return bars;
}

std::vector<studyhost::Bar> bars_on_days(const std::vector<std::pair<std::int32_t, int>>& days) {
  std::vector<studyhost::Bar> bars;
  for (const auto& [day, count] : days) {
    for (const studyhost::Bar& bar : bars_on_day(day, count)) bars.push_back(bar);
  }
  return bars;
}

}  // namespace pmtest
