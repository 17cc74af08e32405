#include "studyhost/validate/level_responses.h"

#include <algorithm>
#include <cstdio>
#include <set>

#include "host/study_interface.h"
#include "studyhost/runtime/value_text.h"

namespace studyhost::validate {
namespace {

constexpr std::int64_t kDay = host::kMicrosPerDay;
constexpr std::int64_t kMinute = 60000000;
constexpr std::size_t kHugeBytes = 50u * 1024u * 1024u;
constexpr std::size_t kDeepNesting = 100000;
constexpr std::size_t kMaxRecordDays = 20;

// The member names of a price map record's levels.
constexpr const char* kLevelKeys[] = {"APMD", "VAR",  "AD",   "MSD",  "R",    "+c",   "UT4", "UL08",
                                      "UL07", "UT3",  "UL05", "UL04", "UT2",  "UL02", "UT1", "CRX+",
                                      "UP",   "CR+",  "DIR",  "CR-",  "DP",   "CRX-", "DT1", "DL02",
                                      "DT2",  "DL04", "DL05", "DT3",  "DL07", "DL08", "DT4", "-c"};

std::string price_text(double value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.2f", value);
  return buffer;
}

std::string quoted(const std::string& text) {
  return "\"" + text + "\"";
}

// One record; `price` gives the text of each level and of high, low, close
// by its position among them.
template <typename Price>
std::string record(const std::string& date, Price price) {
  std::string r = "{\"Name\":\"ES\",\"Date\":" + quoted(date);
  int position = 0;
  for (const char* key : kLevelKeys) r += ",\"" + std::string(key) + "\":" + price(position++);
  r += ",\"High\":" + price(position++);
  r += ",\"Low\":" + price(position++);
  r += ",\"Close\":" + price(position++);
  return r + "}";
}

std::string valid_record(const std::string& date, double base) {
  return record(date, [base](int position) {
    switch (position) {
      case 1:  // VAR
        return quoted(price_text(2.0));
      case 2:  // AD
        return quoted(price_text(1.25));
      case 3:  // MSD
        return quoted(price_text(3.5));
      default:
        return quoted(price_text(base + 12.0 - static_cast<double>(position - 6) * 0.75));
    }
  });
}

std::vector<std::int32_t> chart_days(const std::vector<Bar>& bars) {
  std::set<std::int32_t> days;
  for (const Bar& bar : bars) days.insert(static_cast<std::int32_t>(bar.datetime / kDay));
  std::vector<std::int32_t> list(days.begin(), days.end());
  if (list.size() > kMaxRecordDays) list.erase(list.begin(), list.end() - kMaxRecordDays);
  // A day before the chart, so that some bars fall on no price map.
  list.insert(list.begin(), list.empty() ? 45366 : list.front() - 3);
  return list;
}

double base_price(const std::vector<Bar>& bars) {
  return bars.empty() ? 4500.0 : static_cast<double>(bars.back().close);
}

std::string nested(std::size_t depth) {
  return std::string(depth, '[') + std::string(depth, ']');
}

std::string repeated_text(std::size_t bytes, char c) {
  return std::string(bytes, c);
}

}  // namespace

std::vector<Bar> random_bars(Rng& rng, std::int32_t count) {
  std::vector<Bar> bars;
  bars.reserve(static_cast<std::size_t>(std::max(count, 0)));
  // A day between 2019 and 2030, at a random time of day.
  std::int64_t t = std::uniform_int_distribution<std::int64_t>(43466, 47484)(rng) * kDay +
                   std::uniform_int_distribution<std::int64_t>(0, 1439)(rng) * kMinute;
  const std::int64_t step =
      std::vector<std::int64_t>{kMinute, 5 * kMinute, 60 * kMinute, 240 * kMinute, kDay}[rng() % 5];
  float price = std::uniform_real_distribution<float>(10.0f, 20000.0f)(rng);
  for (std::int32_t i = 0; i < count; ++i) {
    const float move = std::uniform_real_distribution<float>(-1.0f, 1.0f)(rng);
    price = std::max(1.0f, price + move);
    bars.push_back(Bar{t, price, price + 1.0f, price - 1.0f, price + move * 0.5f, 100.0f});
    t += step;
  }
  return bars;
}

std::string levels_body(const std::vector<Bar>& bars, Rng& rng) {
  const double base = base_price(bars);
  std::string body = "{\"data\":[";
  bool first = true;
  for (const std::int32_t day : chart_days(bars)) {
    if (!first) body += ",";
    first = false;
    const double drift = std::uniform_real_distribution<double>(-5.0, 5.0)(rng);
    body += valid_record(date_text(day), base + drift);
  }
  return body + "]}";
}

std::vector<NamedBody> hostile_bodies(const std::vector<Bar>& bars, Rng& rng) {
  const std::vector<std::int32_t> days = chart_days(bars);
  const std::string last_date = date_text(days.back());
  const std::string valid = levels_body(bars, rng);
  std::vector<NamedBody> bodies;

  const std::size_t cut = std::uniform_int_distribution<std::size_t>(1, valid.size() - 1)(rng);
  bodies.push_back({"truncated", valid.substr(0, cut)});
  bodies.push_back({"deeply nested", nested(kDeepNesting)});
  bodies.push_back({"deeply nested date", "{\"data\":[{\"Date\":" + nested(kDeepNesting) + "}]}"});
  bodies.push_back({"message of another type", "{\"message\":42,\"data\":[]}"});
  bodies.push_back({"data of another type", "{\"data\":{\"Date\":" + quoted(last_date) + "}}"});
  bodies.push_back({"prices as numbers", "{\"data\":[" + record(last_date, [](int) {
                                           return std::string("101.5");
                                         }) + "]}"});
  bodies.push_back({"null members", "{\"message\":null,\"data\":[" + record(last_date, [](int) {
                                      return std::string("null");
                                    }) + "]}"});
  bodies.push_back({"date of another type", "{\"data\":[{\"Date\":20240315,\"Name\":[1]}]}"});
  bodies.push_back({"prices that are no numbers", "{\"data\":[" + record(last_date, [](int p) {
                                                    const char* texts[] = {"\"nan\"",  "\"inf\"",
                                                                           "\"-inf\"", "\"1e999\"",
                                                                           "\"0/0\"",  "\"1/0\""};
                                                    return std::string(texts[p % 6]);
                                                  }) + "]}"});
  bodies.push_back({"prices at the float limit", "{\"data\":[" + record(last_date, [](int p) {
                                                   return std::string(p % 2 == 0 ? "\"3.4e38\""
                                                                                 : "\"-3.4e38\"");
                                                 }) + "]}"});
  std::string random_bytes(std::uniform_int_distribution<std::size_t>(1, 4096)(rng), '\0');
  for (char& c : random_bytes) c = static_cast<char>(rng() & 0xFF);
  bodies.push_back({"random bytes", random_bytes});
  bodies.push_back({"empty body", ""});
  bodies.push_back({"not JSON", "<html><body>502 Bad Gateway</body></html>"});
  bodies.push_back({"root array", "[1,2,3]"});
  bodies.push_back({"message repeating the API key", "", true});
  bodies.push_back(
      {"zero bytes in texts", "{\"message\":\"a\\u0000b\",\"data\":[" + record(last_date, [](int) {
                                return std::string("\"1\\u00002\"");
                              }) + "]}"});
  return bodies;
}

std::vector<NamedBody> huge_bodies(const std::vector<Bar>& bars, Rng& rng) {
  return {{"50 MB message", "{\"message\":\"" + repeated_text(kHugeBytes, 'm') + "\",\"data\":[]}"},
          {"50 MB of blanks after a valid body",
           levels_body(bars, rng) + repeated_text(kHugeBytes, ' ')}};
}

}  // namespace studyhost::validate
