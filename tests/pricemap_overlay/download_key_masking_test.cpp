// Download outcomes that once showed more than they should.
#include <gtest/gtest.h>

#include <string>

#include "price_map_fixtures.h"
#include "pricemap_session.h"

namespace pmtest {
namespace {

bool shows(const std::vector<std::string>& lines, const std::string& text) {
  for (const std::string& line : lines) {
    if (line.find(text) != std::string::npos) return true;
  }
  return false;
}

// The service's message repeated the refused key, and the study put it on the
// chart and in the message log as it stood; then the key as it was sent
// (percent-encoded), in lower-case escapes or another letter case, and the
// start of a key cut by a zero byte still showed.
TEST(DownloadRegression, AMessageRepeatingTheKeyShowsItMasked) {
  const std::pair<const char*, const char*> cases[] = {
      {"Invalid key my secret (my%20secret)", "Invalid key *** (***)"},
      {"Invalid key MY%20sECRET (My%20Secret)", "Invalid key *** (***)"},
      {"Invalid key my se\\u0000cret", "Invalid key ***"},
  };
  for (const auto& [message, status] : cases) {
    PriceMapSession s(bars_on_day(kDay20240315, 3));
    s.answer_with(std::string(R"({"message":")") + message + R"(","data":[]})");
    s.study->set_input_text(kInputApiKey, "my secret");
    s.recalculate_and_settle();

    EXPECT_EQ(s.status_text(), status);
    EXPECT_EQ(s.status()->color, kRed);
    EXPECT_FALSE(shows(s.log(), "secret"));
    EXPECT_FALSE(shows(s.log(), "my se"));
    EXPECT_TRUE(shows(s.log(), status));
  }
}

// Masking a one-letter key garbled the study's own text and the service's:
// "Error p***rsing d***t***", "Invalid API ***ey".
TEST(DownloadRegression, ShortKeysLeaveTheStatusTextsAsTheyAre) {
  const std::pair<const char*, const char*> cases[] = {
      {"not json", "Error parsing data"}, {R"({"message":"Invalid API key"})", "Invalid API key"}};
  for (const auto& [body, status] : cases) {
    for (const char* key : {"a", "k"}) {
      PriceMapSession s(bars_on_day(kDay20240315, 3));
      s.answer_with(body);
      s.study->set_input_text(kInputApiKey, key);
      s.recalculate_and_settle();
      EXPECT_EQ(s.status_text(), status) << key;
      EXPECT_EQ(s.log(), std::vector<std::string>{status}) << key;
    }
  }
}

TEST(DownloadRegression, ASuccessfulStatusIsNotMasked) {
  PriceMapSession s(bars_on_day(kDay20240315, 3));
  s.study->set_input_text(kInputApiKey, "2024");
  s.answer_with(price_map_body({fixture_record("2024-03-15", 100.0f)}, "key 2024"));
  s.study->set_input_text(kInputApiKey, "2024");
  s.recalculate_and_settle();
  EXPECT_EQ(s.status_text(), "Price Map Date: 2024-03-15");
}

}  // namespace
}  // namespace pmtest
