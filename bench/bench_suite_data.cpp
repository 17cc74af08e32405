// Generated charts and level data service responses for the suite. Every
// figure is deterministic, so two runs measure the same work.
#include <array>
#include <chrono>
#include <cstdio>
#include <stdexcept>

#include "bench_suite_fixtures.h"
#include "pricemap_overlay/price_map.h"
#include "studyhost/runtime/value_text.h"

namespace bench_suite {
namespace {

constexpr std::int32_t kMinutesPerDay = 1440;

// Day 0 (1899-12-30) was a Saturday.
bool is_weekend(std::int32_t day) {
  return day % 7 < 2;
}

std::int32_t next_weekday(std::int32_t day) {
  do {
    ++day;
  } while (is_weekend(day));
  return day;
}

// Where each level of a day's price map stands from the day's DIR, in the
// order of pricemap::kLevelKeys; APMD, VAR, AD and MSD are widths.
constexpr std::array<double, pricemap::kLevelCount> kLevelOffsets = {
    47.75,  1.25,   2.00,   2.75,   -5.50,  27.50,  55.00,  51.00,  47.00,  41.25, 37.25,
    33.00,  27.50,  20.75,  13.75,  8.25,   5.50,   2.75,   0.00,   -2.75,  -5.50, -8.25,
    -13.75, -20.75, -27.50, -33.00, -37.25, -41.25, -47.00, -51.00, -55.00, -27.50};

void append_price(std::string& body, const char* key, double value) {
  char text[64];
  std::snprintf(text, sizeof text, ", \"%s\": \"%.2f\"", key, value);
  body += text;
}

}  // namespace

std::vector<studyhost::Bar> minute_bars(std::int32_t count) {
  std::vector<studyhost::Bar> bars;
  bars.reserve(static_cast<std::size_t>(count));
  std::int32_t day = kFirstBarDay;
  std::int32_t minute = 0;
  for (std::int32_t i = 0; i < count; ++i) {
    // A slow wave, so prices move without any randomness.
    const float price = 4000.0f + static_cast<float>((i / 97) % 400) * 0.25f;
    bars.push_back(studyhost::Bar{day * kDay + minute * kMinute, price, price + 0.75f, price - 0.5f,
                                  price + 0.25f, static_cast<float>(100 + i % 50)});
    if (++minute == kMinutesPerDay) {
      minute = 0;
      day = next_weekday(day);
    }
  }
  return bars;
}

std::int32_t last_weekday(std::int32_t first_day, std::int32_t count) {
  std::int32_t day = first_day;
  for (std::int32_t k = 1; k < count; ++k) day = next_weekday(day);
  return day;
}

std::vector<std::int32_t> weekdays_ending(std::int32_t last_day, std::int32_t count) {
  std::vector<std::int32_t> days(static_cast<std::size_t>(count));
  std::int32_t day = last_day;
  for (std::int32_t k = count; k-- > 0;) {
    while (is_weekend(day)) --day;
    days[static_cast<std::size_t>(k)] = day--;
  }
  return days;
}

std::string level_response(const std::vector<std::int32_t>& days) {
  std::string body = "{\"message\": \"\", \"data\": [";
  body.reserve(days.size() * 1024 + 64);
  for (std::size_t k = 0; k < days.size(); ++k) {
    if (k > 0) body += ", ";
    const double dir = 4000.0 + static_cast<double>(k % 800) * 1.25;
    body += "{\"Name\": \"ES\", \"Date\": \"" + studyhost::date_text(days[k]) + "\"";
    append_price(body, "High", dir + 30.0);
    append_price(body, "Low", dir - 25.5);
    append_price(body, "Close", dir + 2.25);
    for (int i = 0; i < pricemap::kLevelCount; ++i) {
      const double offset = kLevelOffsets[static_cast<std::size_t>(i)];
      append_price(body, pricemap::kLevelKeys[i], i < 4 ? offset : dir + offset);
    }
    body += '}';
  }
  body += "]}";
  return body;
}

std::string ten_year_map(std::int32_t bars) {
  const std::int32_t chart_days = (bars + kMinutesPerDay - 1) / kMinutesPerDay;
  return level_response(weekdays_ending(last_weekday(kFirstBarDay, chart_days), kDailyRecords));
}

std::string bars_csv(const std::vector<studyhost::Bar>& bars) {
  std::string text = "DateTime,Open,High,Low,Close,Volume\n";
  text.reserve(bars.size() * 56 + text.size());
  char line[128];
  for (const studyhost::Bar& bar : bars) {
    const std::int64_t day = bar.datetime / kDay;
    const std::int64_t seconds = (bar.datetime % kDay) / 1000000;
    const int written =
        std::snprintf(line, sizeof line, "%s %02d:%02d:%02d,%.2f,%.2f,%.2f,%.2f,%.0f\n",
                      studyhost::date_text(static_cast<std::int32_t>(day)).c_str(),
                      static_cast<int>(seconds / 3600), static_cast<int>(seconds / 60 % 60),
                      static_cast<int>(seconds % 60), static_cast<double>(bar.open),
                      static_cast<double>(bar.high), static_cast<double>(bar.low),
                      static_cast<double>(bar.close), static_cast<double>(bar.volume));
    text.append(line, static_cast<std::size_t>(written));
  }
  return text;
}

std::unique_ptr<studyhost::StudyLibrary> load_study(const char* path) {
  std::string error;
  auto library = studyhost::StudyLibrary::load(path, &error);
  if (!library) throw std::runtime_error(error);
  return library;
}

void settle(studyhost::Host& host) {
  if (!host.settle_downloads(std::chrono::seconds(30))) {
    throw std::runtime_error("downloads did not end");
  }
}

}  // namespace bench_suite
