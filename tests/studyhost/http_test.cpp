#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "host/secret_text.h"
#include "scripted_study.h"
#include "studyhost/runtime/host.h"
#include "studyhost/runtime/host_constants.h"
#include "studyhost/runtime/scripted_transport.h"

namespace {

using namespace std::chrono_literals;
using studyhost_test::daily_bars;
using studyhost_test::scripted_library;

constexpr char kUrl[] = "https://levels.example/getcsv?symbol=ES&api_key=Secret%2BKey123";
constexpr char kKey[] = "Secret+Key123";

// A study that asks for `url` on a full recalculation and notes, call by call,
// the response text it sees.
struct Downloader {
  std::string url = kUrl;
  std::vector<std::string> seen;
  std::vector<std::int32_t> answers;

  std::unique_ptr<studyhost::StudyLibrary> library() {
    return scripted_library([this](host::StudyInterface& sc) {
      if (sc.defaults_call != 0 || sc.last_call != 0) return;
      seen.emplace_back(sc.http_response != nullptr ? sc.http_response : "<null>");
      if (sc.first_bar_to_update == 0) {
        host::HostString text = host::make_host_string();
        host::assign(text, url.c_str());
        answers.push_back(sc.http_request(&sc, &text));
        host::release(text);
      }
    });
  }
};

// Two daily bars and the study added: its full recalculation asks for the
// URL, and what it saw before the answer is forgotten.
studyhost::StudyInstance& request_once(studyhost::Host& host, studyhost::StudyLibrary& library,
                                       Downloader& downloader) {
  host.set_bars(daily_bars(2));
  studyhost::StudyInstance& study = host.add_study(library);
  host.full_recalculation();
  downloader.seen.clear();
  return study;
}

// Waits until the transport has answered every fetch it was given.
void wait_for_transport(studyhost::StudyInstance& study) {
  for (int i = 0; i < 1000 && !study.http().completed(); ++i) {
    std::this_thread::sleep_for(1ms);
  }
}

TEST(Http, BodyIsPublishedOnlyBetweenUpdatesFollowedByAnUpdateOfTheLastBar) {
  Downloader downloader;
  auto library = downloader.library();
  studyhost::ScriptedTransport transport;
  transport.respond("https://levels.example/", R"({"message":"ok","data":[]})");
  studyhost::Host host(transport);
  host.set_bars(daily_bars(3));
  studyhost::StudyInstance& study = host.add_study(*library);
  host.full_recalculation();
  ASSERT_EQ(downloader.answers, (std::vector<std::int32_t>{1}));
  EXPECT_EQ(study.requests(), (std::vector<std::string>{kUrl}));

  // The transfer has ended, but the next update still sees an empty text.
  wait_for_transport(study);
  EXPECT_EQ(transport.requests(), (std::vector<std::string>{kUrl}));
  host.add_bar(daily_bars(1, 45003)[0]);
  EXPECT_EQ(downloader.seen.back(), "");

  downloader.seen.clear();
  EXPECT_TRUE(host.deliver_downloads(5s));
  EXPECT_EQ(downloader.seen, (std::vector<std::string>{R"({"message":"ok","data":[]})"}));
  EXPECT_EQ(study.record().chosen_menu_id, 0);

  // The text stays until the next accepted request, which empties it at once.
  host.update_last_bar();
  EXPECT_EQ(downloader.seen.back(), R"({"message":"ok","data":[]})");
  downloader.seen.clear();
  transport.hold();
  host.full_recalculation();
  EXPECT_EQ(downloader.seen.front(), R"({"message":"ok","data":[]})");
  EXPECT_EQ(study.http_response(), "");
  EXPECT_EQ(study.record().http_response, std::string());
  transport.release();
  EXPECT_TRUE(host.deliver_downloads(5s));
}

TEST(Http, HeldTransferPublishesNothingUntilItEnds) {
  Downloader downloader;
  auto library = downloader.library();
  studyhost::ScriptedTransport transport;
  transport.respond("https://", "body");
  transport.hold();
  studyhost::Host host(transport);
  studyhost::StudyInstance& study = request_once(host, *library, downloader);
  EXPECT_FALSE(host.deliver_downloads(20ms));
  EXPECT_TRUE(downloader.seen.empty());
  EXPECT_TRUE(host.downloads_pending());
  transport.release();
  EXPECT_TRUE(host.deliver_downloads(5s));
  EXPECT_EQ(downloader.seen, (std::vector<std::string>{"body"}));
  EXPECT_EQ(study.http_response(), "body");
  EXPECT_FALSE(host.downloads_pending());
}

TEST(Http, SecondRequestWhileInFlightAndNonWebUrlsAreRefused) {
  studyhost::ScriptedTransport transport;
  transport.respond("http", "x");
  transport.hold();
  auto library = scripted_library(nullptr);
  studyhost::Host host(transport);
  studyhost::StudyInstance& study = host.add_study(*library);
  host::StudyInterface& sc = study.record();
  auto ask = [&](const char* url) {
    host::HostString text = host::make_host_string();
    host::assign(text, url);
    const std::int32_t answer = sc.http_request(&sc, &text);
    host::release(text);
    return answer;
  };
  for (const char* bad : {"", "ftp://levels.example/x", "file:///etc/passwd", "https://",
                          "levels.example/x", "https://a b", "https://a\r\nX-Evil: 1"}) {
    EXPECT_EQ(ask(bad), 0) << bad;
  }
  EXPECT_EQ(sc.http_request(&sc, nullptr), 0);
  EXPECT_EQ(ask("HTTP://levels.example/first"), 1);
  EXPECT_EQ(ask("https://levels.example/second"), 0);
  EXPECT_EQ(study.requests(), (std::vector<std::string>{"HTTP://levels.example/first"}));
  transport.release();
  EXPECT_TRUE(host.deliver_downloads(5s));
  // Published: the slot takes a new request.
  EXPECT_EQ(ask("https://levels.example/second"), 1);
  EXPECT_TRUE(host.deliver_downloads(5s));
}

TEST(Http, FailedTransferLogsOneRedactedLineAndPublishesAShortErrorText) {
  struct Case {
    const char* name;
    std::function<void(studyhost::ScriptedTransport&)> script;
  };
  const Case cases[] = {
      {"transport failure",
       [](auto& t) { t.fail("https://", "Could not resolve host (api_key=Secret%2BKey123)"); }},
      // A redirect to a host named after the key showed it in the reason.
      {"host name built from the key",
       [](auto& t) { t.fail("https://", "Failed to connect to secret+key123.localhost"); }},
      {"empty body", [](auto& t) { t.respond("https://", "", 204); }},
      {"body over the cap",
       [](auto& t) { t.respond("https://", std::string(studyhost::kMaxResponseBytes + 1, 'x')); }},
      {"nothing answers", [](auto&) {}},
      // A study reads the body as a C text and would see one that starts
      // with a zero byte as still downloading, for ever.
      {"zero byte at the start of the body",
       [](auto& t) { t.respond("https://", std::string("\0{\"data\":[]}", 12)); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Downloader downloader;
    auto library = downloader.library();
    studyhost::ScriptedTransport transport;
    c.script(transport);
    studyhost::Host host(transport);
    studyhost::StudyInstance& study = request_once(host, *library, downloader);
    EXPECT_TRUE(host.deliver_downloads(5s));
    ASSERT_EQ(study.log().size(), 1u);
    const std::string& line = study.log()[0];
    EXPECT_FALSE(host::contains_secret(line, kKey)) << line;
    EXPECT_EQ(
        line.rfind("HTTP request failed: https://levels.example/getcsv?symbol=ES&api_key=***: ", 0),
        0u)
        << line;
    ASSERT_EQ(downloader.seen.size(), 1u);
    const std::string& response = downloader.seen[0];
    EXPECT_EQ(response.rfind("HTTP error: ", 0), 0u) << response;
    EXPECT_FALSE(host::contains_secret(response, kKey)) << response;
    EXPECT_LT(response.size(), 200u);
  }
}

// The platform hands a study the body's text up to its first zero byte;
// studyhost failed the whole transfer, a log line the platform never wrote.
TEST(Http, ABodyEndsAtItsFirstZeroByteAsThePlatformHandsIt) {
  Downloader downloader;
  auto library = downloader.library();
  studyhost::ScriptedTransport transport;
  transport.respond("https://", std::string("{\"data\":[]}\0junk", 16));
  studyhost::Host host(transport);
  studyhost::StudyInstance& study = request_once(host, *library, downloader);
  EXPECT_TRUE(host.deliver_downloads(5s));
  EXPECT_TRUE(study.log().empty());
  ASSERT_FALSE(downloader.seen.empty());
  EXPECT_EQ(downloader.seen[0], "{\"data\":[]}");
}

TEST(Http, ChainedRequestsSettleRoundByRound) {
  int answered = 0;
  auto library = scripted_library([&](host::StudyInterface& sc) {
    if (sc.defaults_call != 0 || sc.last_call != 0) return;
    const bool has_response = sc.http_response != nullptr && sc.http_response[0] != '\0';
    std::int32_t& sent = *sc.persistent_int(&sc, 1);
    if (has_response) ++answered;
    if ((sent == 0 || has_response) && sent < 5) {
      host::HostString url = host::make_host_string();
      host::format(url, "https://levels.example/tf=%d", sent);
      if (sc.http_request(&sc, &url) != 0) ++sent;
      host::release(url);
    }
  });
  studyhost::ScriptedTransport transport;
  transport.respond("https://levels.example/", "{}");
  studyhost::Host host(transport);
  host.set_bars(daily_bars(1));
  host.add_study(*library);
  host.full_recalculation();
  EXPECT_TRUE(host.settle_downloads(10s));
  EXPECT_EQ(answered, 5);
  EXPECT_EQ(transport.requests().size(), 5u);
}

TEST(Http, StudyRemovedOrHostClosedDuringATransferDoesNotWaitForIt) {
  studyhost::ScriptedTransport transport;
  transport.respond("https://", "late");
  transport.hold();
  Downloader downloader;
  auto library = downloader.library();
  {
    studyhost::Host host(transport);
    host.set_bars(daily_bars(2));
    studyhost::StudyInstance& removed = host.add_study(*library);
    host.add_study(*library);
    host.full_recalculation();
    host.remove_study(removed);
    EXPECT_EQ(host.instances().size(), 1u);
  }  // both transfers are still held here; closing cancels them
  EXPECT_EQ(transport.waiting(), 0);
}

}  // namespace
