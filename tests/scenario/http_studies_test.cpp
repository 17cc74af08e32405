// Both study libraries on the bundled sample bars, downloading over real HTTP
// from the mock level data service (or a misbehaving server) on 127.0.0.1.
// The studies request https://<service host>/...; the transport sends that to
// the local server in its place.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <chrono>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "built_targets.h"
#include "http_fixture.h"
#include "studyhost/mock_service/mock_level_service.h"
#include "studyhost/net/curl_transport.h"
#include "studyhost/runtime/studyhost.h"

namespace {

using namespace std::chrono_literals;
using httptest::RawServer;

constexpr char kKey[] = "K3Y-9f8e7d-secret";
constexpr auto kSettle = 20s;

// Price map overlay inputs.
constexpr std::int32_t kPmAssetClass = 38;
constexpr std::int32_t kPmSymbol = 39;
constexpr std::int32_t kPmTimeFrame = 40;
constexpr std::int32_t kPmApiKey = 41;
// Timeframe structure inputs.
constexpr std::int32_t kTfAssetClass = 0;
constexpr std::int32_t kTfSymbol = 1;
constexpr std::int32_t kTfApiKey = 2;
constexpr std::int32_t kFutures = 1;  // entry of the Asset Class lists

nlohmann::json latest_record(const std::string& timeframe) {
  std::ifstream in(httptest::kLevelsDir + "/Futures/ES_" + timeframe + ".json");
  return nlohmann::json::parse(in).at("data").back();
}

float level(const nlohmann::json& record, const char* key) {
  return std::stof(record.at(key).get<std::string>());
}

// One chart with the sample bars whose HTTP goes to `base` through libcurl.
struct Chart {
  explicit Chart(const std::string& library_path, const std::string& base,
                 std::chrono::milliseconds total_timeout = 10s)
      : transport(options(base, total_timeout)) {
    std::string error;
    library = studyhost::StudyLibrary::load(library_path, &error);
    if (!library) throw std::runtime_error(error);
    host = std::make_unique<studyhost::Host>(transport);
    host->set_bars(httptest::sample_bars());
    study = &host->add_study(*library);
  }

  static studyhost::CurlTransportOptions options(const std::string& base,
                                                 std::chrono::milliseconds total) {
    studyhost::CurlTransportOptions o;
    o.service_base = base;
    o.total_timeout = total;
    return o;
  }

  void download() {
    host->full_recalculation();
    ASSERT_TRUE(host->settle_downloads(kSettle));
  }

  std::string status_text() const {
    for (const auto& [id, drawing] : host->drawings()) {
      if (drawing.owner == study->id() && drawing.relative_vertical == 1) return drawing.text;
    }
    return "<no status>";
  }

  std::size_t level_drawings() const {
    std::size_t n = 0;
    for (const auto& [id, drawing] : host->drawings()) {
      n += drawing.owner == study->id() && drawing.relative_vertical != 1 ? 1 : 0;
    }
    return n;
  }

  bool draws_at(float price) const {
    for (const auto& [id, drawing] : host->drawings()) {
      if (drawing.owner == study->id() && drawing.has_begin_price && drawing.begin_price == price) {
        return true;
      }
    }
    return false;
  }

  std::int32_t bar_at(const std::string& time) const {
    const std::int64_t t = httptest::host_datetime(time);
    const auto& bars = host->bars();
    for (std::size_t i = 0; i < bars.size(); ++i) {
      if (bars[i].datetime == t) return static_cast<std::int32_t>(i);
    }
    throw std::runtime_error("no bar at " + time);
  }

  float value(std::int32_t subgraph, const std::string& time) const {
    return study->subgraph_values(subgraph).at(static_cast<std::size_t>(bar_at(time)));
  }

  void expect_key_never_logged() const {
    for (const std::string& line : study->log()) {
      EXPECT_EQ(line.find(kKey), std::string::npos) << line;
    }
  }

  studyhost::CurlTransport transport;
  std::unique_ptr<studyhost::StudyLibrary> library;
  std::unique_ptr<studyhost::Host> host;
  studyhost::StudyInstance* study = nullptr;
};

// The mock service over the bundled responses, requiring kKey.
struct BundledService {
  BundledService() {
    service.set_log([this](const std::string& line) { log.add(line); });
    std::string error;
    if (!service.start(httptest::kLevelsDir, 0, std::string(kKey), &error)) {
      throw std::runtime_error(error);
    }
  }
  std::string base() const { return "http://127.0.0.1:" + std::to_string(service.port()); }
  void expect_key_never_logged() const {
    for (const std::string& line : log.snapshot()) {
      EXPECT_EQ(line.find(kKey), std::string::npos) << line;
    }
  }
  httptest::LogLines log;  // outlives the service, whose threads write to it
  studyhost::MockLevelService service;
};

// A server that announces a longer body than it sends, then hangs up.
RawServer cutting_server() {
  return RawServer([](int fd, const std::string&, RawServer&) {
    httptest::send_all(fd,
                       "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\n"
                       "Content-Length: 4000\r\nConnection: close\r\n\r\n"
                       R"({"data":[{"Name":"ES","Date":"2025-10-16","APMD":"4)");
  });
}

// A server that accepts and then says nothing until the test ends.
RawServer silent_server() {
  return RawServer([](int, const std::string&, RawServer& self) { self.wait_for_stop(60s); });
}

bool has_failure_line(const std::vector<std::string>& log, const char* reason) {
  for (const std::string& line : log) {
    if (line.rfind(studyhost::kHttpFailureLogPrefix, 0) == 0 &&
        line.find("api_key=***") != std::string::npos && line.find(reason) != std::string::npos) {
      return true;
    }
  }
  return false;
}

class PriceMapOverHttp : public ::testing::Test {
  void SetUp() override { SKIP_UNLESS_BUILT(scenario::kPriceMapStudy); }
};

struct PriceMapChart : Chart {
  explicit PriceMapChart(const std::string& base, std::chrono::milliseconds total = 10s)
      : Chart(scenario::kPriceMapStudy.path, base, total) {}
  void ask(const std::string& symbol, const std::string& key) {
    study->set_input_int(kPmAssetClass, kFutures);
    study->set_input_int(kPmTimeFrame, 0);  // Daily
    study->set_input_text(kPmSymbol, symbol);
    study->set_input_text(kPmApiKey, key);
  }
};

TEST_F(PriceMapOverHttp, DownloadsTheBundledDailyMapAndDrawsTheLatestDay) {
  BundledService service;
  PriceMapChart chart(service.base());
  chart.ask("ES", kKey);
  chart.download();

  const nlohmann::json latest = latest_record("D");
  EXPECT_EQ(chart.status_text(), "Price Map Date: " + latest.at("Date").get<std::string>());
  EXPECT_GT(chart.level_drawings(), 25u);
  for (const char* key : {"UT4", "DIR", "DT4"}) {
    EXPECT_TRUE(chart.draws_at(level(latest, key))) << key;
  }
  ASSERT_EQ(chart.study->requests().size(), 1u);
  EXPECT_NE(chart.study->requests()[0].find("assetClass=Futures&symbol=ES&timeframe=D"),
            std::string::npos);
  const std::vector<std::string> served = service.log.at_least(1);
  ASSERT_EQ(served.size(), 1u);
  EXPECT_EQ(served[0],
            "GET /wp-json/fernhollow/v1/getcsv?assetClass=Futures&symbol=ES&timeframe=D&"
            "api_key=*** 200");
  service.expect_key_never_logged();
  chart.expect_key_never_logged();
}

TEST_F(PriceMapOverHttp, ShowsTheServiceMessageForAWrongKeyOrAnUnknownSymbol) {
  BundledService service;
  struct Case {
    const char* symbol;
    std::string key;
    const char* status;
  };
  for (const Case& c :
       {Case{"ES", "not-the-key", "Invalid API key"}, Case{"ZZ", kKey, "No data"}}) {
    PriceMapChart chart(service.base());
    chart.ask(c.symbol, c.key);
    chart.download();
    EXPECT_EQ(chart.status_text(), c.status);
    EXPECT_EQ(chart.level_drawings(), 0u);
    chart.expect_key_never_logged();
  }
  service.expect_key_never_logged();
}

TEST_F(PriceMapOverHttp, ABodyCutShortEndsTheRequestWithAParseError) {
  RawServer server = cutting_server();
  PriceMapChart chart(server.base());
  chart.ask("ES", kKey);
  chart.download();
  EXPECT_EQ(chart.status_text(), "Error parsing data");
  EXPECT_EQ(chart.level_drawings(), 0u);
  EXPECT_FALSE(chart.host->downloads_pending());
  EXPECT_TRUE(has_failure_line(chart.study->log(), ""))
      << ::testing::PrintToString(chart.study->log());
  chart.expect_key_never_logged();
}

TEST_F(PriceMapOverHttp, AServerSlowerThanTheTimeOutDoesNotKeepTheStudyWaiting) {
  RawServer server = silent_server();
  PriceMapChart chart(server.base(), 500ms);
  chart.ask("ES", kKey);
  chart.download();
  EXPECT_EQ(chart.status_text(), "Error parsing data");
  EXPECT_TRUE(has_failure_line(chart.study->log(), "timed out"))
      << ::testing::PrintToString(chart.study->log());
  chart.expect_key_never_logged();
}

class TimeframeStructureOverHttp : public ::testing::Test {
  void SetUp() override { SKIP_UNLESS_BUILT(scenario::kTimeframeStudy); }
};

struct TimeframeChart : Chart {
  explicit TimeframeChart(const std::string& base, std::chrono::milliseconds total = 10s)
      : Chart(scenario::kTimeframeStudy.path, base, total) {}
  void ask(const std::string& symbol, const std::string& key) {
    study->set_input_int(kTfAssetClass, kFutures);
    study->set_input_text(kTfSymbol, symbol);
    study->set_input_text(kTfApiKey, key);
  }
  std::vector<std::string> timeframes_requested() const {
    std::vector<std::string> letters;
    for (const std::string& url : study->requests()) {
      const auto at = url.find("timeframe=");
      letters.push_back(at == std::string::npos ? "?" : url.substr(at + 10, 1));
    }
    return letters;
  }
  // High, low, close and mid of one period group at a bar.
  void expect_period(std::int32_t first_output, const std::string& time,
                     const nlohmann::json& record) const {
    const float high = level(record, "High");
    const float low = level(record, "Low");
    EXPECT_EQ(value(first_output, time), high) << time;
    EXPECT_EQ(value(first_output + 1, time), low) << time;
    EXPECT_EQ(value(first_output + 2, time), level(record, "Close")) << time;
    EXPECT_EQ(value(first_output + 3, time), (low + high) * 0.5f) << time;
  }
};

TEST_F(TimeframeStructureOverHttp, FetchesAllFiveTimeframesAndWritesThePreviousPeriods) {
  BundledService service;
  TimeframeChart chart(service.base());
  chart.ask("ES", kKey);
  chart.download();

  EXPECT_EQ(chart.timeframes_requested(), (std::vector<std::string>{"D", "W", "M", "Q", "Y"}));
  EXPECT_EQ(chart.status_text(), " ");
  // Each latest record is dated the first trading day after its period and is
  // drawn over that period: the session of 16 October, the week of 6 to 10
  // October, September, and the third quarter.
  chart.expect_period(0, "2025-10-16 12:00:00", latest_record("D"));
  chart.expect_period(4, "2025-10-08 12:00:00", latest_record("W"));
  chart.expect_period(8, "2025-09-24 12:00:00", latest_record("M"));
  chart.expect_period(12, "2025-09-24 12:00:00", latest_record("Q"));
  EXPECT_EQ(chart.value(0, "2025-10-17 12:00:00"), 0.0f);
  EXPECT_EQ(chart.value(4, "2025-10-15 12:00:00"), 0.0f);
  EXPECT_EQ(chart.value(8, "2025-10-15 12:00:00"), 0.0f);

  EXPECT_EQ(service.log.at_least(5).size(), 5u);
  service.expect_key_never_logged();
  chart.expect_key_never_logged();
}

TEST_F(TimeframeStructureOverHttp, AWrongKeyStopsTheCycleWithTheServiceMessage) {
  BundledService service;
  TimeframeChart chart(service.base());
  chart.ask("ES", "not-the-key");
  chart.download();
  EXPECT_EQ(chart.timeframes_requested(), (std::vector<std::string>{"D"}));
  EXPECT_EQ(chart.status_text(), "Invalid API key");
  service.expect_key_never_logged();
}

TEST_F(TimeframeStructureOverHttp, ABodyCutShortEndsTheCycleWithAParseError) {
  RawServer server = cutting_server();
  TimeframeChart chart(server.base());
  chart.ask("ES", kKey);
  chart.download();
  EXPECT_EQ(chart.timeframes_requested(), (std::vector<std::string>{"D"}));
  EXPECT_EQ(chart.status_text(), "Error parsing data");
  EXPECT_TRUE(has_failure_line(chart.study->log(), ""));
  chart.expect_key_never_logged();
}

}  // namespace
