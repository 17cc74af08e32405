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
  // A key whose end is also its start, standing twice overlapped: the rest
  // of the second was left beside the mask ("***cab").
  EXPECT_EQ(mask_api_key(std::string(16, 'a'), std::string(8, 'a')), "***");
  EXPECT_EQ(mask_api_key("x abcabcabcab y", "abcabcab"), "x *** y");
  // A key with a space goes out as "my%20secret"; the service may repeat
  // either form.
  EXPECT_EQ(mask_api_key("bad my%20secret, my secret", "my secret"), "bad ***, ***");
  EXPECT_EQ(mask_api_key("x abcdefg%2525 y", "abcdefg%25"), "x *** y");
}

// Lower-case escapes, a partly encoded key and another letter case showed the
// key; so did the start of a key cut by a zero byte, or by an escape cut there.
TEST(MaskApiKey, TheKeyIsMaskedHoweverItIsSpelled) {
  using namespace std::string_literals;
  const std::string key = "My+S\xC3\xA9\x63ret/Key";  // sent as My%2BS%C3%A9cret%2FKey
  EXPECT_EQ(mask_api_key("a my%2bs%c3%a9cret%2fkey b", key), "a *** b");
  EXPECT_EQ(mask_api_key("a My+S%C3%A9cret%2FKey b", key), "a *** b");
  EXPECT_EQ(mask_api_key("a MY+S\xC3\xA9\x43RET/KEY b", key), "a *** b");
  // An escape that takes the first letters of a key typed as it is.
  EXPECT_EQ(mask_api_key("x%abcdefgh12", "abcdefgh12"), "x%***");
  EXPECT_EQ(service_message_status("Invalid key My+S\xC3\0\xA9"
                                   "cret/Key"s,
                                   key),
            "Invalid key ***");
  EXPECT_EQ(service_message_status("Invalid key My%2BS%C\0"
                                   "3"s,
                                   key),
            "Invalid key ***");
  // What is no start of the key stays.
  EXPECT_EQ(service_message_status("Invalid key\0My+S"s, key), "Invalid key");
}

// A 60 MB message became a 60 MB status text and log line.
TEST(ServiceMessageStatus, ALongMessageIsCutToAStatusLineEndingInDots) {
  const std::string key = "0123456789";
  const std::string m290(290, 'm');
  EXPECT_EQ(service_message_status(std::string(300, 'm'), key), std::string(300, 'm'));
  EXPECT_EQ(service_message_status(std::string(60000000, 'm'), key), std::string(297, 'm') + "...");
  // The key is masked before the message is cut, so no piece of it is left
  // at the cut; a message that fits once masked is not cut.
  EXPECT_EQ(service_message_status(m290 + key + "zz", key), m290 + "***zz");
  EXPECT_EQ(service_message_status(m290 + key + std::string(10, 'z'), key), m290 + "***zzzz...");
  EXPECT_EQ(service_message_status(m290 + "mmmmmm" + key + std::string(100, 'z'), key),
            m290 + "mmmmmm*...");
  // Not inside a character of two bytes.
  EXPECT_EQ(service_message_status(m290 + "mmmmmm\xC3\xA9" + std::string(9, 'z'), key),
            m290 + "mmmmmm...");
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
