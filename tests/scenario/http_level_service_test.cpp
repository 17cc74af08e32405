// The mock level data service over HTTP on 127.0.0.1: which file answers,
// how keys and malformed queries are refused, what is logged, and how the
// service starts and stops.
#include <gtest/gtest.h>

#include <csignal>
#include <future>
#include <sstream>
#include <string>

#include "http_fixture.h"
#include "studyhost/app/commands.h"
#include "studyhost/mock_service/mock_level_service.h"
#include "studyhost/net/curl_transport.h"

namespace {

using namespace std::chrono_literals;
using httptest::ScratchDir;
using studyhost::HttpResult;
using studyhost::MockLevelService;

constexpr char kKey[] = "K3Y-9f8e7d";
const std::string kPath = "/wp-json/fernhollow/v1/getcsv";

// A service over a scratch folder "served" with one file in it, and a file
// beside the folder that must never be reachable.
class LevelService : public ::testing::Test {
 protected:
  void SetUp() override {
    scratch.write("served/Futures/ES_D.json", kBody);
    scratch.write("secret_D.json", "TOP SECRET");
    scratch.write("served/Futures/secret_D.json/placeholder", "");
    service.set_log([this](const std::string& line) { log.add(line); });
  }

  void start(std::optional<std::string> key) {
    std::string error;
    ASSERT_TRUE(service.start((scratch.path / "served").string(), 0, std::move(key), &error))
        << error;
  }

  HttpResult get(const std::string& target) {
    return transport.fetch("http://127.0.0.1:" + std::to_string(service.port()) + target);
  }
  HttpResult query(const std::string& q) { return get(kPath + "?" + q); }

  static constexpr char kBody[] = R"({"data":[{"Date":"2025-10-16","Close":"6700.25"}]})";
  ScratchDir scratch;
  httptest::LogLines log;  // outlives the service, whose threads write to it
  MockLevelService service;
  studyhost::CurlTransport transport;
};

TEST_F(LevelService, AnswersFromTheFileOfAssetClassSymbolAndTimeframe) {
  start(std::nullopt);
  const HttpResult ok = query("assetClass=Futures&symbol=ES&timeframe=D&api_key=anything");
  EXPECT_EQ(ok.status, 200);
  EXPECT_EQ(ok.body, kBody);
  for (const char* q : {"assetClass=Futures&symbol=NQ&timeframe=D&api_key=k",
                        "assetClass=Futures&symbol=ES&timeframe=W&api_key=k",
                        "assetClass=Stocks&symbol=ES&timeframe=D&api_key=k",
                        // a folder where the file should be is no file
                        "assetClass=Futures&symbol=secret&timeframe=D&api_key=k"}) {
    const HttpResult r = query(q);
    EXPECT_EQ(r.status, 404) << q;
    EXPECT_EQ(r.body, R"({"message":"No data"})") << q;
  }
}

TEST_F(LevelService, OnlyTheConfiguredKeyIsAccepted) {
  start(std::string(kKey));
  const std::string q = "assetClass=Futures&symbol=ES&timeframe=D&api_key=";
  EXPECT_EQ(query(q + kKey).status, 200);
  for (const std::string wrong : {"K3Y-9f8e7", "K3Y-9f8e7dX", "k3y-9f8e7d", "Unset"}) {
    const HttpResult r = query(q + wrong);
    EXPECT_EQ(r.status, 401) << wrong;
    EXPECT_EQ(r.body, R"({"message":"Invalid API key"})") << wrong;
  }
  // The key is checked before the file is looked for.
  EXPECT_EQ(query("assetClass=Futures&symbol=NQ&timeframe=D&api_key=wrong").status, 401);
}

TEST_F(LevelService, MalformedQueriesAreRefusedAndNothingOutsideTheFolderIsServed) {
  start(std::nullopt);
  for (const char* q : {
           "symbol=ES&timeframe=D&api_key=k",                      // no asset class
           "assetClass=Futures&timeframe=D&api_key=k",             // no symbol
           "assetClass=Futures&symbol=ES&api_key=k",               // no timeframe
           "assetClass=Futures&symbol=ES&timeframe=D",             // no key
           "assetClass=Futures&symbol=&timeframe=D&api_key=k",     // empty symbol
           "assetClass=Futures&symbol=ES&timeframe=X&api_key=k",   // unknown timeframe
           "assetClass=Futures&symbol=ES&timeframe=d&api_key=k",   // letters are upper case
           "assetClass=Futures&symbol=ES&timeframe=DW&api_key=k",  //
           "assetClass=Futures&symbol=ES&symbol=NQ&timeframe=D&api_key=k",  // repeated
           "assetClass=..&symbol=secret&timeframe=D&api_key=k",             // climbs out
           "assetClass=%2E%2E&symbol=secret&timeframe=D&api_key=k",         // encoded
           "assetClass=Futures&symbol=..%2F..%2Fsecret&timeframe=D&api_key=k",
           "assetClass=Futures%2F..&symbol=..%2Fsecret&timeframe=D&api_key=k",
           "assetClass=Futures&symbol=..%5Csecret&timeframe=D&api_key=k",  // backslash
           "assetClass=Futures&symbol=ES%00&timeframe=D&api_key=k",        // NUL ends a name
           "assetClass=Futures&symbol=E%0AS&timeframe=D&api_key=k",
       }) {
    const HttpResult r = query(q);
    EXPECT_EQ(r.status, 400) << q;
    EXPECT_EQ(r.body, R"({"message":"Bad request"})") << q;
  }
  const HttpResult other = get("/wp-json/fernhollow/v1/other?symbol=ES");
  EXPECT_EQ(other.status, 404);
  EXPECT_EQ(other.body, R"({"message":"Not found"})");
  for (const std::string& line : log.at_least(17)) {
    EXPECT_EQ(line.find("TOP SECRET"), std::string::npos);
  }
}

TEST_F(LevelService, LogsOneLinePerRequestWithTheKeyHidden) {
  start(std::string(kKey));
  query(std::string("assetClass=Futures&symbol=ES&timeframe=D&api_key=") + kKey);
  query("assetClass=Futures&symbol=ES&timeframe=D&api_key=guess-1");
  query(std::string("assetClass=Futures&symbol=E%0AS&timeframe=D&api%5Fkey=") + kKey);
  const std::vector<std::string> lines = log.at_least(3);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "GET " + kPath + "?assetClass=Futures&symbol=ES&timeframe=D&api_key=*** 200");
  EXPECT_EQ(lines[1], "GET " + kPath + "?assetClass=Futures&symbol=ES&timeframe=D&api_key=*** 401");
  // A percent-encoded name is still the key; a line break cannot split the line.
  EXPECT_EQ(lines[2],
            "GET " + kPath + "?assetClass=Futures&symbol=E%0AS&timeframe=D&api%5Fkey=*** 400");
  for (const std::string& line : lines) {
    EXPECT_EQ(line.find(kKey), std::string::npos) << line;
    EXPECT_EQ(line.find("guess-1"), std::string::npos) << line;
  }
}

TEST(LoggableTarget, HidesEveryKeyAndEscapesWhatIsNotPrintable) {
  using studyhost::loggable_target;
  EXPECT_EQ(loggable_target("/p?api_key=a&x=1&api_key=b=c&API_KEY=d"),
            "/p?api_key=***&x=1&api_key=***&API_KEY=d");
  EXPECT_EQ(loggable_target("/p?api_ke%79=s3cret&api+key=v"), "/p?api_ke%79=***&api+key=v");
  EXPECT_EQ(loggable_target("/p\r\n?x=\x01\xff"), "/p%0D%0A?x=%01%FF");
  EXPECT_EQ(loggable_target("/p?api_key"), "/p?api_key");
}

TEST(LevelServiceLifecycle, StartFailuresSayWhy) {
  ScratchDir scratch;
  MockLevelService first;
  std::string error;
  ASSERT_TRUE(first.start(scratch.path.string(), 0, std::nullopt, &error)) << error;
  EXPECT_GT(first.port(), 0);
  EXPECT_FALSE(first.start(scratch.path.string(), 0, std::nullopt, &error));
  EXPECT_NE(error.find("already running"), std::string::npos) << error;

  MockLevelService second;
  EXPECT_FALSE(second.start(scratch.path.string(), first.port(), std::nullopt, &error));
  EXPECT_EQ(error, "port " + std::to_string(first.port()) + " is already in use");
  EXPECT_FALSE(second.start((scratch.path / "missing").string(), 0, std::nullopt, &error));
  EXPECT_NE(error.find("no such folder"), std::string::npos) << error;
  EXPECT_FALSE(second.start(scratch.path.string(), 70000, std::nullopt, &error));
  EXPECT_FALSE(second.running());
  EXPECT_EQ(second.port(), 0);

  // Stopped, the port is free again and the same object serves anew.
  const int port = first.port();
  first.stop();
  first.stop();
  EXPECT_FALSE(first.running());
  ASSERT_TRUE(second.start(scratch.path.string(), port, std::nullopt, &error)) << error;
  EXPECT_EQ(second.port(), port);
  ASSERT_TRUE(first.start(scratch.path.string(), 0, std::nullopt, &error)) << error;
  EXPECT_TRUE(first.running());
}

TEST(ServeLevels, ServesUntilInterruptedThenStopsCleanly) {
  ScratchDir scratch;
  scratch.write("Futures/ES_D.json", "{}");
  const int port = httptest::closed_port();
  std::ostringstream out, err;
  auto serving = std::async(std::launch::async, [&] {
    return studyhost::app::serve_levels({scratch.path.string(), port, std::string(kKey), {}}, out,
                                        err);
  });
  // Ask until it answers; its signal handlers are in place before it listens.
  studyhost::CurlTransport transport;
  const std::string url = "http://127.0.0.1:" + std::to_string(port) + kPath +
                          "?assetClass=Futures&symbol=ES&timeframe=D&api_key=" + kKey;
  HttpResult r;
  for (int i = 0; i < 500 && !r.ok; ++i) {
    r = transport.fetch(url);
    if (!r.ok) std::this_thread::sleep_for(10ms);
  }
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(r.body, "{}");
  std::raise(SIGINT);
  ASSERT_EQ(serving.wait_for(10s), std::future_status::ready);
  EXPECT_EQ(serving.get(), 0);
  EXPECT_NE(out.str().find("http://127.0.0.1:" + std::to_string(port)), std::string::npos);
  EXPECT_NE(out.str().find("api_key=*** 200"), std::string::npos) << out.str();
  EXPECT_EQ(out.str().find(kKey), std::string::npos) << out.str();
  EXPECT_EQ(err.str(), "");
}

TEST(ServeLevels, ReportsAPortInUse) {
  ScratchDir scratch;
  MockLevelService holder;
  std::string error;
  ASSERT_TRUE(holder.start(scratch.path.string(), 0, std::nullopt, &error)) << error;
  std::ostringstream out, err;
  EXPECT_EQ(studyhost::app::serve_levels({scratch.path.string(), holder.port(), std::nullopt, {}},
                                         out, err),
            1);
  EXPECT_NE(err.str().find("already in use"), std::string::npos) << err.str();
}

}  // namespace
