// CurlTransport over real sockets on 127.0.0.1: what counts as a completed
// response, and every way a transfer can fail without leaving a request open.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <string>

#include "http_fixture.h"
#include "studyhost/mock_service/mock_level_service.h"
#include "studyhost/net/curl_transport.h"

namespace {

using namespace std::chrono_literals;
using httptest::RawServer;
using httptest::ScratchDir;
using studyhost::CurlTransport;
using studyhost::CurlTransportOptions;
using studyhost::HttpResult;

constexpr char kKey[] = "K3Y-9f8e7d";

std::string level_url(const std::string& symbol, const std::string& key) {
  return "https://fernhollow.com/wp-json/fernhollow/v1/getcsv?assetClass=Futures&symbol=" + symbol +
         "&timeframe=D&api_key=" + key;
}

CurlTransport transport_to(const std::string& base, std::chrono::milliseconds total = 10s,
                           std::size_t cap = studyhost::kMaxResponseBytes) {
  CurlTransportOptions options;
  options.service_base = base;
  options.total_timeout = total;
  options.max_body_bytes = cap;
  return CurlTransport(options);
}

// Answers every request with `response` as the raw bytes of the reply.
RawServer replying(std::string response) {
  return RawServer(
      [response](int fd, const std::string&, RawServer&) { httptest::send_all(fd, response); });
}

std::string reply_with_length(std::size_t announced, const std::string& body) {
  return "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: " +
         std::to_string(announced) + "\r\nConnection: close\r\n\r\n" + body;
}

TEST(ServiceUrl, RewriteReplacesSchemeAndHostAndKeepsPathAndQuery) {
  using studyhost::rewrite_service_url;
  const std::string base = "http://127.0.0.1:8080";
  EXPECT_EQ(rewrite_service_url("https://fernhollow.com/wp-json/x?a=1&api_key=K", base),
            "http://127.0.0.1:8080/wp-json/x?a=1&api_key=K");
  EXPECT_EQ(rewrite_service_url("https://user:pw@fernhollow.com:8443/p", base),
            "http://127.0.0.1:8080/p");
  EXPECT_EQ(rewrite_service_url("https://fernhollow.com?x=1", base), "http://127.0.0.1:8080/?x=1");
  EXPECT_EQ(rewrite_service_url("https://fernhollow.com/p?u=http://a/b", "http://h/mirror/"),
            "http://h/mirror/p?u=http://a/b");
  EXPECT_EQ(rewrite_service_url("fernhollow.com/p", base), "fernhollow.com/p");
}

TEST(ServiceUrl, OnlyPlainWebOriginsServeAsBase) {
  for (const char* bad : {"", "127.0.0.1:80", "ftp://h", "file:///etc", "http://", "http://:80",
                          "http://a b", "http://h/?q=1", "http://h#f", "http://user@h"}) {
    EXPECT_FALSE(studyhost::check_service_base(bad).empty()) << bad;
    // An empty base means "no rewriting" to the transport.
    if (*bad != '\0') {
      EXPECT_THROW(transport_to(bad), std::invalid_argument) << bad;
    }
  }
  for (const char* good :
       {"http://127.0.0.1:1", "HTTPS://levels.example/base/", "http://[::1]:80"}) {
    EXPECT_EQ(studyhost::check_service_base(good), "") << good;
  }
}

// The level data service answers a bad key or an unknown symbol with a 4xx and
// a JSON message; the study must see those bodies, so they are not failures.
TEST(CurlTransport, EveryCompletedResponseIsDeliveredWithItsStatusAndBody) {
  ScratchDir dir;
  const std::string body = R"({"data":[{"Date":"2025-10-16","High":"6700.25"}]})";
  dir.write("Futures/ES_D.json", body);
  studyhost::MockLevelService service;
  std::string error;
  ASSERT_TRUE(service.start(dir.path.string(), 0, std::string(kKey), &error)) << error;
  CurlTransport transport = transport_to("http://127.0.0.1:" + std::to_string(service.port()));

  struct Case {
    std::string url;
    long status;
    std::string body;
  };
  for (const Case& c : {Case{level_url("ES", kKey), 200, body},
                        Case{level_url("ES", "wrong"), 401, R"({"message":"Invalid API key"})"},
                        Case{level_url("NQ", kKey), 404, R"({"message":"No data"})"},
                        Case{level_url("..", kKey), 400, R"({"message":"Bad request"})"}}) {
    const HttpResult r = transport.fetch(c.url);
    EXPECT_TRUE(r.ok) << c.url << ": " << r.error;
    EXPECT_EQ(r.status, c.status) << c.url;
    EXPECT_EQ(r.body, c.body) << c.url;
  }
}

TEST(CurlTransport, RefusedConnectionFailsWithoutShowingTheKey) {
  CurlTransport transport =
      transport_to("http://127.0.0.1:" + std::to_string(httptest::closed_port()));
  const HttpResult r = transport.fetch(level_url("ES", kKey));
  EXPECT_FALSE(r.ok);
  EXPECT_FALSE(r.error.empty());
  EXPECT_EQ(r.error.find(kKey), std::string::npos) << r.error;
}

TEST(CurlTransport, BodyCutShortIsAFailure) {
  RawServer server = replying(reply_with_length(5000, R"({"data":[{"Date":"2025-10-16",)"));
  const HttpResult r = transport_to(server.base()).fetch(level_url("ES", kKey));
  EXPECT_FALSE(r.ok);
  EXPECT_TRUE(r.body.empty());
}

TEST(CurlTransport, BodyPastTheCapFailsWhetherOrNotItsLengthIsAnnounced) {
  const std::string at_cap(1000, 'x');
  const std::string past_cap(1001, 'x');
  const std::string unannounced = "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n";
  struct Case {
    std::string reply;
    bool ok;
  };
  for (const Case& c :
       {Case{reply_with_length(1000, at_cap), true}, Case{reply_with_length(1001, past_cap), false},
        Case{unannounced + at_cap, true}, Case{unannounced + past_cap, false}}) {
    RawServer server = replying(c.reply);
    const HttpResult r = transport_to(server.base(), 10s, 1000).fetch(level_url("ES", kKey));
    EXPECT_EQ(r.ok, c.ok) << r.error;
    EXPECT_EQ(c.ok ? r.body : r.error, c.ok ? at_cap : "response larger than 1000 bytes");
  }
  EXPECT_EQ(studyhost::body_cap_error(studyhost::kMaxResponseBytes), "response larger than 64 MiB");
}

TEST(CurlTransport, ServerSlowerThanTheTotalTimeOutFails) {
  // Headers at once, then silence until the test ends.
  RawServer server([](int fd, const std::string&, RawServer& self) {
    httptest::send_all(fd, "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n{");
    self.wait_for_stop(20s);
  });
  const HttpResult r = transport_to(server.base(), 300ms).fetch(level_url("ES", kKey));
  EXPECT_FALSE(r.ok);
  EXPECT_NE(r.error.find("timed out"), std::string::npos) << r.error;
}

TEST(CurlTransport, RedirectsAreFollowedOnlyToWebUrls) {
  RawServer server([](int fd, const std::string& head, RawServer&) {
    if (head.rfind("GET /to-file", 0) == 0) {
      httptest::send_all(fd,
                         "HTTP/1.1 302 Found\r\nLocation: file:///etc/hostname\r\n"
                         "Content-Length: 0\r\nConnection: close\r\n\r\n");
    } else if (head.rfind("GET /to-web", 0) == 0) {
      httptest::send_all(fd,
                         "HTTP/1.1 302 Found\r\nLocation: /landed\r\n"
                         "Content-Length: 0\r\nConnection: close\r\n\r\n");
    } else {
      httptest::send_all(fd, reply_with_length(6, "landed"));
    }
  });
  CurlTransport transport;
  const HttpResult to_file = transport.fetch(server.base() + "/to-file");
  EXPECT_FALSE(to_file.ok);
  EXPECT_TRUE(to_file.body.empty());
  const HttpResult to_web = transport.fetch(server.base() + "/to-web");
  EXPECT_TRUE(to_web.ok) << to_web.error;
  EXPECT_EQ(to_web.body, "landed");
}

TEST(CurlTransport, CancelEndsTheFetchesRunningButNotLaterOnes) {
  RawServer silent([](int, const std::string&, RawServer& self) { self.wait_for_stop(30s); });
  CurlTransportOptions options;
  options.total_timeout = 30s;
  CurlTransport transport(options);
  const std::string path = "/wp-json/fernhollow/v1/getcsv?api_key=" + std::string(kKey);
  auto running =
      std::async(std::launch::async, [&] { return transport.fetch(silent.base() + path); });
  while (silent.connections() == 0) std::this_thread::sleep_for(5ms);
  transport.cancel();
  ASSERT_EQ(running.wait_for(10s), std::future_status::ready);
  const HttpResult r = running.get();
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.error, "transfer cancelled");

  RawServer answering = replying(reply_with_length(2, "{}"));
  const HttpResult later = transport.fetch(answering.base() + path);
  EXPECT_TRUE(later.ok) << later.error;
}

}  // namespace
