// The download cycle as the host sees it: which URL goes out, when a request
// is (not) repeated, and the status text and log lines of each outcome.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "price_map_fixtures.h"
#include "pricemap_session.h"

namespace pmtest {
namespace {

constexpr const char* kCouldNotRequest = "Could not request data";

std::string query_of(const std::string& url) {
  const auto q = url.find('?');
  return q == std::string::npos ? std::string() : url.substr(q + 1);
}

long count_of(const std::vector<std::string>& lines, const std::string& text) {
  return std::count(lines.begin(), lines.end(), text);
}

TEST(Download, FreshStudySendsUnsetSymbolAndKeyAndShowsDownloading) {
  PriceMapSession s(bars_on_day(kDay20240315, 3));
  s.transport.hold();
  s.host->full_recalculation();

  ASSERT_EQ(s.study->requests().size(), 1u);
  EXPECT_EQ(query_of(s.study->requests()[0]),
            "assetClass=Crypto&symbol=Unset&timeframe=D&api_key=Unset");
  EXPECT_EQ(s.status_text(), "Downloading...");
  EXPECT_EQ(s.status()->color, kGreen);
  EXPECT_TRUE(s.log().empty());
  s.transport.release();
}

TEST(Download, QueryCarriesAssetClassTextAndTimeFrameLetter) {
  struct Case {
    std::int32_t time_frame;
    const char* letter;
  };
  for (const Case c : {Case{1, "W"}, Case{4, "Y"}, Case{5, "unk"}, Case{-1, "unk"}}) {
    PriceMapSession s(bars_on_day(kDay20240315, 2));
    s.study->set_input_text(kInputSymbol, "NQ");
    s.study->set_input_text(kInputApiKey, "k");
    s.study->set_input_int(kInputAssetClass, 1);
    s.study->set_input_int(kInputTimeFrame, c.time_frame);
    s.transport.hold();
    s.host->full_recalculation();
    ASSERT_EQ(s.study->requests().size(), 1u);
    EXPECT_EQ(query_of(s.study->requests()[0]),
              std::string("assetClass=Futures&symbol=NQ&timeframe=") + c.letter + "&api_key=k");
    s.transport.release();
  }
}

TEST(Download, MissingInputStopsTheDownloadUntilTheNextFullRecalculation) {
  struct Case {
    const char* symbol;
    const char* key;
    const char* status;
  };
  for (const Case c : {Case{"ES", "", "Missing API Key"}, Case{"", "KEY", "Missing Symbol Name"},
                       Case{"", "", "Missing API Key"}}) {
    PriceMapSession s(bars_on_day(kDay20240315, 4));
    s.study->set_input_text(kInputSymbol, c.symbol);
    s.study->set_input_text(kInputApiKey, c.key);
    s.host->full_recalculation();
    EXPECT_EQ(s.status_text(), c.status);
    EXPECT_EQ(s.status()->color, kRed);
    EXPECT_EQ(s.log(), std::vector<std::string>{c.status});

    s.host->add_bar(bar_at(kDay20240315, 20));
    s.host->update_last_bar();
    EXPECT_EQ(s.log().size(), 1u) << "no retry before the next full recalculation";

    s.host->full_recalculation();
    EXPECT_EQ(s.log().size(), 2u);
    EXPECT_TRUE(s.study->requests().empty());
    EXPECT_TRUE(s.values(10).empty()) << "no values while the status is an error";
  }
}

// While a transfer of its own is still in flight the host refuses the
// study's request; the study asks again on every call until it is accepted.
TEST(Download, RefusedRequestIsRetriedAndLoggedOnEveryCallUntilAccepted) {
  PriceMapSession s(bars_on_day(kDay20240315, 4));
  s.answer_with(price_map_body({fixture_record("2024-03-15", 4000.0f)}));
  s.transport.hold();
  ASSERT_TRUE(s.study->http().request("https://blocking.example/"));
  s.host->full_recalculation();
  EXPECT_EQ(s.status_text(), kCouldNotRequest);
  EXPECT_EQ(s.status()->color, kRed);
  EXPECT_EQ(count_of(s.log(), kCouldNotRequest), 4) << "one refusal per bar call";

  s.host->update_last_bar();
  EXPECT_EQ(count_of(s.log(), kCouldNotRequest), 5);

  s.transport.release();
  s.settle();
  ASSERT_EQ(s.study->requests().size(), 2u);
  EXPECT_NE(s.study->requests()[1].find("symbol=ES&"), std::string::npos);
  EXPECT_EQ(s.status_text(), "Price Map Date: 2024-03-15");
  EXPECT_EQ(count_of(s.log(), kCouldNotRequest), 5);
}

// A URL past the request buffer is neither cut nor sent, and asking again
// cannot help: the download stops until the next full recalculation.
TEST(Download, TooLongUrlIsNeverSentNorRetried) {
  PriceMapSession s(bars_on_day(kDay20240315, 4));
  s.answer_with(price_map_body({fixture_record("2024-03-15", 4000.0f)}));
  s.study->set_input_text(kInputSymbol, std::string(240, 'S'));
  s.host->full_recalculation();
  s.host->update_last_bar();

  EXPECT_TRUE(s.study->requests().empty());
  EXPECT_TRUE(s.transport.requests().empty());
  EXPECT_EQ(s.status_text(), kCouldNotRequest);
  EXPECT_EQ(s.status()->color, kRed);
  EXPECT_EQ(s.log(), std::vector<std::string>{kCouldNotRequest});
}

TEST(Download, FullRecalculationWhilePendingSendsNoSecondRequest) {
  PriceMapSession s(bars_on_day(kDay20240315, 3));
  s.answer_with(price_map_body({fixture_record("2024-03-15", 4000.0f)}));
  s.transport.hold();
  s.host->full_recalculation();
  s.host->full_recalculation();

  EXPECT_EQ(s.study->requests().size(), 1u);
  EXPECT_EQ(s.status_text(), "Downloading...") << "the kept status is shown again";
  EXPECT_TRUE(s.log().empty());

  s.transport.release();
  s.settle();
  EXPECT_EQ(s.study->requests().size(), 1u);
  EXPECT_EQ(s.status_text(), "Price Map Date: 2024-03-15");
  EXPECT_EQ(s.log(), std::vector<std::string>{"Price Map Date: 2024-03-15"});
}

// The Symbol changes while ES's map is on its way: ES's body must not be
// shown as NQ's map; NQ's is asked for once ES's has come.
TEST(Download, ABodyForInputsChangedOnItsWayIsNotShownAndTheNewInputsAreAskedFor) {
  struct Change {
    std::int32_t input;
    const char* value;
    const char* second_request;
  };
  for (const Change& c :
       {Change{kInputSymbol, "NQ", "symbol=NQ&"}, Change{kInputApiKey, "key-2", "api_key=key-2"}}) {
    PriceMapSession s(bars_on_day(kDay20240315, 3));
    s.answer_with(price_map_body({fixture_record("2024-03-15", 4000.0f)}));
    s.transport.hold();
    s.host->full_recalculation();
    s.study->set_input_text(c.input, c.value);
    s.host->full_recalculation();
    s.transport.release();
    ASSERT_TRUE(s.host->settle_downloads(kSettleTimeout));

    ASSERT_EQ(s.requests().size(), 2u) << c.value;
    EXPECT_NE(s.requests()[0].find("symbol=ES&"), std::string::npos);
    EXPECT_NE(s.requests()[1].find(c.second_request), std::string::npos);
    EXPECT_EQ(s.log(), std::vector<std::string>{"Price Map Date: 2024-03-15"})
        << "the first body was neither read nor logged";
  }
}

// The status texts the chart holds for the study.
std::vector<std::string> status_texts(const PriceMapSession& s) {
  std::vector<std::string> texts;
  for (const auto& [id, drawing] : s.host->drawings()) {
    if (drawing.owner == s.study->id() && drawing.relative_vertical == 1)
      texts.push_back(drawing.text);
  }
  return texts;
}

// On a chart of one bar the update that picks up a body is a bar-0 call, a
// full recalculation to the study, which forgets its status text and draws a
// new one. The host removed drawings only before its own full
// recalculations, so "Downloading..." stayed beside the new status.
TEST(Download, AChartOfOneBarOrGrowingFromOneKeepsOneStatusText) {
  PriceMapSession s(bars_on_day(kDay20240315, 1));
  s.answer_with(price_map_body({fixture_record("2024-03-15", 4000.0f)}));
  s.recalculate_and_settle();
  EXPECT_EQ(status_texts(s), std::vector<std::string>{"Price Map Date: 2024-03-15"});

  for (int hour = 2; hour <= 3; ++hour) {
    s.host->add_bar(bar_at(kDay20240315, hour));
    s.settle();
    EXPECT_EQ(status_texts(s), std::vector<std::string>{"Price Map Date: 2024-03-15"});
  }
}

}  // namespace
}  // namespace pmtest
