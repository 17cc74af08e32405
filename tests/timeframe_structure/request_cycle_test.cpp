#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "levelclient/level_request.h"
#include "levelclient/status_text.h"
#include "tests/levelclient/fake_host.h"
#include "timeframe_structure/request_cycle.h"

namespace timeframe {
namespace {

using levelclient::build_url;
using levelclient::kIdle;
using levelclient::kPending;
using levelclient::kStatusErrorColor;
using levelclient::kStatusOkColor;
using levelclient::PeriodValues;
using levelclient_test::FakeHost;

std::string body_dated(const char* date, const char* close) {
  return std::string(R"({"data":[{"Date":")") + date + R"(","High":"2","Low":"1","Close":")" +
         close + R"("}]})";
}

// One study instance as the timeframe structure study drives the client: the
// two persistent slots, the cycle and the stored period values.
struct Study {
  FakeHost host;
  RequestCycle cycle;
  std::int32_t request_state = 0;
  std::int32_t status_id = 0;
  QueryInputs inputs{"Futures", "ES", "k3y-s3cr3t"};
  std::vector<std::pair<std::int32_t, PeriodValues>> stored;

  // The study's full-recalculation reset: the status text forgotten and the
  // cycle restarted for these timeframes.
  void recalculate(std::vector<std::int32_t> timeframes) {
    status_id = 0;
    std::uint32_t enabled = 0;
    for (const std::int32_t code : timeframes) enabled |= 1u << (code - 1);
    restart_cycle(cycle, request_state, enabled);
  }

  bool call() {
    return handle_request_cycle(host.sc, cycle, request_state, status_id, inputs,
                                [this](std::int32_t timeframe, const PeriodValues& values) {
                                  stored.emplace_back(timeframe, values);
                                });
  }

  std::string status() const { return host.drawings.empty() ? "" : host.last_status().text; }
  std::uint32_t status_color() const { return host.last_status().record.color; }
};

TEST(RequestCycle, MissingKeyStopsTheCycleBeforeTheSymbolIsChecked) {
  Study s;
  s.inputs.api_key = "";
  s.inputs.symbol = "";
  s.recalculate({1, 2});
  EXPECT_FALSE(s.call());
  EXPECT_EQ(s.request_state, kIdle);
  EXPECT_EQ(s.status(), "Missing API Key");
  EXPECT_EQ(s.status_color(), kStatusErrorColor);
  ASSERT_EQ(s.host.log.size(), 1u);
  EXPECT_EQ(s.host.log[0].text, "Missing API Key");
  EXPECT_TRUE(s.host.urls.empty());
}

TEST(RequestCycle, MissingSymbolStopsTheCycle) {
  Study s;
  s.inputs.symbol = "";
  s.recalculate({1});
  s.call();
  EXPECT_EQ(s.request_state, kIdle);
  EXPECT_EQ(s.status(), "Missing Symbol Name");
  EXPECT_EQ(s.host.log.size(), 1u);
  EXPECT_TRUE(s.host.urls.empty());
}

TEST(RequestCycle, EmptyQueueEndsSilently) {
  Study s;
  s.recalculate({});
  EXPECT_FALSE(s.call());
  EXPECT_EQ(s.request_state, kIdle);
  EXPECT_TRUE(s.host.drawings.empty());
  EXPECT_TRUE(s.host.log.empty());
  EXPECT_TRUE(s.host.urls.empty());
}

TEST(RequestCycle, AcceptedRequestIsPendingUntilItsBodyArrives) {
  Study s;
  s.inputs = {"Forex", "Unset", "Unset"};
  s.recalculate({3});
  EXPECT_FALSE(s.call());
  EXPECT_EQ(s.request_state, kPending);
  EXPECT_EQ(s.cycle.current_timeframe, 3);
  EXPECT_EQ(s.status(), "Downloading...");
  EXPECT_EQ(s.status_color(), kStatusOkColor);
  EXPECT_TRUE(s.host.log.empty());
  ASSERT_EQ(s.host.urls.size(), 1u);
  EXPECT_EQ(s.host.urls[0], build_url({"Forex", "Unset", "M", "Unset"}));

  // Nothing happens while the response text is absent or empty.
  EXPECT_FALSE(s.call());
  s.host.deliver("");
  EXPECT_FALSE(s.call());
  EXPECT_EQ(s.request_state, kPending);
  EXPECT_EQ(s.host.drawings.size(), 1u);
}

TEST(RequestCycle, RefusedRequestEndsTheCycleAndDropsTheRestOfTheQueue) {
  Study s;
  s.host.accept_requests = 0;
  s.recalculate({1, 2, 3});
  EXPECT_FALSE(s.call());
  EXPECT_EQ(s.request_state, kIdle);
  EXPECT_EQ(s.status(), "Could not request data");
  EXPECT_EQ(s.status_color(), kStatusErrorColor);
  EXPECT_EQ(s.host.log.size(), 1u);
  EXPECT_EQ(s.cycle.current_timeframe, 0);

  s.host.accept_requests = 1;
  s.call();
  s.call();
  EXPECT_EQ(s.host.urls.size(), 1u);
}

TEST(RequestCycle, TooLongUrlIsReportedAndNeverSent) {
  Study s;
  const std::string symbol(300, 'S');
  s.inputs.symbol = symbol;
  s.recalculate({1, 2});
  s.call();
  EXPECT_EQ(s.request_state, kIdle);
  EXPECT_EQ(s.status(), "Could not request data");
  EXPECT_EQ(s.host.log.size(), 1u);
  EXPECT_TRUE(s.host.urls.empty());
}

TEST(RequestCycle, FiveTimeframesAreFetchedOneAfterTheOtherInOrder) {
  Study s;
  s.recalculate({1, 2, 3, 4, 5});
  EXPECT_FALSE(s.call());
  const char* const letters[] = {"D", "W", "M", "Q", "Y"};
  for (int i = 0; i < 5; ++i) {
    ASSERT_EQ(s.host.urls.size(), static_cast<std::size_t>(i + 1));
    EXPECT_EQ(s.host.urls.back(), build_url({"Futures", "ES", letters[i], "k3y-s3cr3t"}));
    EXPECT_FALSE(s.call()) << "no body yet";
    s.host.deliver(body_dated("2024-03-07", std::to_string(i + 10).c_str()));
    EXPECT_TRUE(s.call()) << "body " << i;
  }
  EXPECT_EQ(s.host.urls.size(), 5u);
  EXPECT_EQ(s.request_state, kIdle);
  EXPECT_EQ(s.status(), " ");
  EXPECT_EQ(s.status_color(), kStatusOkColor);
  EXPECT_TRUE(s.host.log.empty());
  // Every status replaced the same drawing.
  for (const auto& drawing : s.host.drawings) EXPECT_EQ(drawing.identifier, 1);

  ASSERT_EQ(s.stored.size(), 5u);
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(s.stored[i].first, i + 1);
    EXPECT_EQ(s.stored[i].second.close, static_cast<float>(i + 10));
  }
  // The cycle is over: later calls ask for nothing.
  EXPECT_FALSE(s.call());
  EXPECT_EQ(s.host.urls.size(), 5u);
}

TEST(RequestCycle, ServiceMessageStopsTheCycleWithTheRestStillQueued) {
  Study s;
  s.recalculate({1, 2, 3});
  s.call();
  s.host.deliver(body_dated("2024-03-07", "5"));
  EXPECT_TRUE(s.call());
  s.host.deliver(R"({"message":"Invalid key k3y-s3cr3t","data":[]})");
  EXPECT_FALSE(s.call());
  EXPECT_EQ(s.request_state, kIdle);
  // The service's text is shown and logged, without the key.
  EXPECT_EQ(s.status(), "Invalid key ***");
  EXPECT_EQ(s.status_color(), kStatusErrorColor);
  ASSERT_EQ(s.host.log.size(), 1u);
  EXPECT_EQ(s.host.log[0].text, "Invalid key ***");
  s.call();
  EXPECT_EQ(s.host.urls.size(), 2u);
  EXPECT_EQ(s.stored.size(), 1u);
}

TEST(RequestCycle, UnreadableBodyEndsTheCycleWithErrorParsingData) {
  Study s;
  s.recalculate({1, 2});
  s.call();
  s.host.deliver("Transfer failed");
  EXPECT_FALSE(s.call());
  EXPECT_EQ(s.request_state, kIdle);
  EXPECT_EQ(s.status(), "Error parsing data");
  EXPECT_EQ(s.host.log.size(), 1u);
  EXPECT_EQ(s.host.urls.size(), 1u);
}

TEST(RequestCycle, NextRequestRefusedAfterABodyWasReadStillCountsTheRead) {
  Study s;
  s.recalculate({1, 2});
  s.call();
  s.host.accept_requests = 0;
  s.host.deliver(body_dated("2024-03-07", "5"));
  EXPECT_TRUE(s.call());
  EXPECT_EQ(s.request_state, kIdle);
  EXPECT_EQ(s.status(), "Could not request data");
  EXPECT_EQ(s.stored.size(), 1u);
}

TEST(RequestCycle, RecalculationWhilePendingLeavesTheOldBodyUnreadThenGoesOn) {
  for (const char* old_body :
       {R"({"data":[{"Date":"2024-03-07","High":"2","Low":"1","Close":"5"}]})",
        R"({"message":"Invalid API key"})"}) {
    Study s;
    s.recalculate({1, 2});
    s.call();
    s.recalculate({1, 2});
    EXPECT_EQ(s.request_state, kPending);
    EXPECT_FALSE(s.call());
    EXPECT_EQ(s.host.urls.size(), 1u);

    // Neither its records nor its failure belong to the rebuilt cycle.
    s.host.deliver(old_body);
    EXPECT_FALSE(s.call());
    EXPECT_TRUE(s.stored.empty());
    EXPECT_EQ(s.status(), "Downloading...");
    EXPECT_EQ(s.request_state, kPending);
    EXPECT_EQ(s.cycle.current_timeframe, 1);
    EXPECT_EQ(s.host.urls.size(), 2u);
  }
}

}  // namespace
}  // namespace timeframe
