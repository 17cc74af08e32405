#include <gtest/gtest.h>

#include <string>

#include "levelclient/level_request.h"
#include "levelclient/status_text.h"

namespace levelclient {
namespace {

const std::string kBase =
    "https://" + std::string(service_host()) + "/wp-json/fernhollow/v1/getcsv?";

TEST(TimeframeQueryText, CodesOneToFiveAndUnknown) {
  EXPECT_STREQ(timeframe_query_text(1), "D");
  EXPECT_STREQ(timeframe_query_text(2), "W");
  EXPECT_STREQ(timeframe_query_text(3), "M");
  EXPECT_STREQ(timeframe_query_text(4), "Q");
  EXPECT_STREQ(timeframe_query_text(5), "Y");
  EXPECT_STREQ(timeframe_query_text(0), "unk");
  EXPECT_STREQ(timeframe_query_text(6), "unk");
  EXPECT_STREQ(timeframe_query_text(-1), "unk");
}

TEST(PercentEncode, UnreservedBytesPassAndEveryOtherByteBecomesUppercaseHex) {
  EXPECT_EQ(percent_encode("AZaz09-._~"), "AZaz09-._~");
  EXPECT_EQ(percent_encode("AT&T x=1"), "AT%26T%20x%3D1");
  EXPECT_EQ(percent_encode("/?#%+"), "%2F%3F%23%25%2B");
  EXPECT_EQ(percent_encode(std::string("\x00\xff\xc3\xa9", 4)), "%00%FF%C3%A9");
  EXPECT_EQ(percent_encode(""), "");
}

TEST(BuildUrl, ValuesGoIntoTheQueryInOrderAndEncoded) {
  EXPECT_EQ(build_url({"Futures", "ES", "D", "k3y"}),
            kBase + "assetClass=Futures&symbol=ES&timeframe=D&api_key=k3y");
  EXPECT_EQ(build_url({"Forex", "EUR/USD", "Y", "a b&c"}),
            kBase + "assetClass=Forex&symbol=EUR%2FUSD&timeframe=Y&api_key=a%20b%26c");
  EXPECT_EQ(build_url({"", "Unset", "unk", "Unset"}),
            kBase + "assetClass=&symbol=Unset&timeframe=unk&api_key=Unset");
}

TEST(BuildUrl, UrlOfMoreThan254CharactersIsNotBuiltAtAll) {
  const std::string fixed = build_url({"", "", "D", ""});
  ASSERT_FALSE(fixed.empty());
  const std::size_t room = kMaxUrlLength - fixed.size();
  const std::string fits(room, 'k');
  EXPECT_EQ(build_url({"", "", "D", fits}).size(), kMaxUrlLength);
  EXPECT_EQ(build_url({"", "", "D", fits + "k"}), "");
  // The limit counts the encoded URL: one byte that becomes three.
  EXPECT_EQ(build_url({"", "", "D", std::string(room - 2, 'k') + "&"}), "");
  EXPECT_EQ(build_url({"", std::string(1000000, '&'), "D", ""}), "");
}

TEST(MaskApiKey, EveryOccurrenceOfTheKeyAsTypedOrAsSentIsReplaced) {
  EXPECT_EQ(mask_api_key("Invalid key s3cr3t-k3y (s3cr3t-k3y)", "s3cr3t-k3y"),
            "Invalid key *** (***)");
  EXPECT_EQ(mask_api_key("No data", "s3cr3t-k3y"), "No data");
  EXPECT_EQ(mask_api_key(std::string(16, 'a'), std::string(8, 'a')), "******");
  // A key with a space goes out as "my%20secret"; the service may repeat
  // either form.
  EXPECT_EQ(mask_api_key("bad my%20secret, my secret", "my secret"), "bad ***, ***");
  EXPECT_EQ(mask_api_key("x abcdefg%2525 y", "abcdefg%25"), "x *** y");
}

// Every occurrence of a one-letter key was masked: "Invalid API ***ey".
TEST(MaskApiKey, AKeyShorterThanEightCharactersIsNotLookedFor) {
  EXPECT_EQ(mask_api_key("Invalid API key", "k"), "Invalid API key");
  EXPECT_EQ(mask_api_key("Invalid key 1234567", "1234567"), "Invalid key 1234567");
  EXPECT_EQ(mask_api_key("No data", ""), "No data");
}

// With the key "a", "Error parsing data" was shown as "Error p***rsing d***t***".
TEST(FailedReadStatus, TheStudysOwnTextStaysAndAServiceMessageIsMasked) {
  EXPECT_EQ(failed_read_status("Error parsing data", "parsing data"), "Error parsing data");
  EXPECT_EQ(failed_read_status("Error parsing data", "a"), "Error parsing data");
  EXPECT_EQ(failed_read_status("Key parsing data refused", "parsing data"), "Key *** refused");
}

}  // namespace
}  // namespace levelclient
