#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "levelclient/response_envelope.h"

namespace levelclient {
namespace {

constexpr std::int64_t kDay = 86400000000LL;

struct Read {
  bool ok;
  std::string outcome;
  std::vector<PeriodValues> stored;
};

Read read(const std::string& body) {
  Read r{};
  r.ok = read_envelope(body.c_str(), r.outcome,
                       [&](const PeriodValues& values) { r.stored.push_back(values); });
  return r;
}

std::string record(const std::string& date, const std::string& close) {
  return R"({"Date":)" + date + R"(,"High":"10","Low":"8","Close":)" + close + "}";
}

TEST(ReadEnvelope, DatedRecordsAreStoredInArrayOrder) {
  const Read r = read(R"({"data":[)" + record(R"("2024-03-07")", R"("9")") + "," +
                      record(R"("2024-03-08")", R"("110-16")") + "]}");
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.outcome, "");
  ASSERT_EQ(r.stored.size(), 2u);
  EXPECT_EQ(r.stored[0].date, 45358 * kDay);
  EXPECT_EQ(r.stored[0].high, 10.0f);
  EXPECT_EQ(r.stored[0].low, 8.0f);
  EXPECT_EQ(r.stored[0].close, 9.0f);
  EXPECT_EQ(r.stored[1].date, 45359 * kDay);
  EXPECT_EQ(r.stored[1].close, 110.5f);
}

TEST(ReadEnvelope, RecordsWithoutAValidDateAreSkippedWithoutLookingAtPrices) {
  const Read r =
      read(R"({"data":[)" + record(R"("2040-01-01")", R"("")") + "," + record(R"("")", "1") + "," +
           R"({"High":"1"},)" + R"("text",)" + record(R"("2023-02-29")", "null") + "," +
           record(R"("2039-12-31")", R"("7")") + "]}");
  EXPECT_TRUE(r.ok);
  ASSERT_EQ(r.stored.size(), 1u);
  EXPECT_EQ(r.stored[0].date, 51135 * kDay);
}

TEST(ReadEnvelope, NonEmptyMessageFailsTheReadButKeepsTheRecords) {
  const Read r =
      read(R"({"message":"Invalid key","data":[)" + record(R"("2024-03-07")", R"("9")") + "]}");
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.outcome, "Invalid key");
  EXPECT_EQ(r.stored.size(), 1u);

  const Read alone = read(R"({"message":"No data"})");
  EXPECT_FALSE(alone.ok);
  EXPECT_EQ(alone.outcome, "No data");
}

TEST(ReadEnvelope, EmptyMessageIsNoMessage) {
  const Read r = read(R"({"message":"","data":[)" + record(R"("2024-03-07")", R"("9")") + "]}");
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.stored.size(), 1u);
}

TEST(ReadEnvelope, BodiesWithoutDataSucceedWithNothingStored) {
  for (const char* body : {"{}", R"({"data":"none"})", R"({"data":{"Date":"2024-03-07"}})", "[]",
                           "[{\"data\":[]}]", "42", "null", "\"text\""}) {
    const Read r = read(body);
    EXPECT_TRUE(r.ok) << body;
    EXPECT_TRUE(r.stored.empty()) << body;
  }
}

TEST(ReadEnvelope, MalformedEnvelopesAreParseErrors) {
  const std::string dated = R"("2024-03-07")";
  for (const std::string& body : std::vector<std::string>{
           "",
           "not json",
           R"({"data":[)",
           R"({"data":[]} trailing)",
           R"({"message":42})",
           R"({"message":null,"data":[]})",
           R"({"data":[)" + record("20240307", R"("9")") + "]}",
           R"({"data":[)" + record(dated, R"("")") + "]}",
           // No finite price: once read as a high or low at 0.
           R"({"data":[)" + record(dated, R"("inf")") + "]}",
           R"({"data":[)" + record(dated, R"("1e39")") + "]}",
           R"({"data":[)" + record(dated, "101.5") + "]}",
           R"({"data":[)" + record(dated, "null") + "]}",
           R"({"data":[{"Date":"2024-03-07","High":"1","Low":"1"}]})",
       }) {
    const Read r = read(body);
    EXPECT_FALSE(r.ok) << body;
    EXPECT_EQ(r.outcome, "Error parsing data") << body;
  }
}

TEST(ReadEnvelope, ParseErrorReplacesTheMessageAndKeepsEarlierRecords) {
  const Read r =
      read(R"({"message":"Partial","data":[)" + record(R"("2024-03-07")", R"("9")") + "," +
           record(R"("2024-03-08")", R"("")") + "," + record(R"("2024-03-09")", R"("9")") + "]}");
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.outcome, "Error parsing data");
  ASSERT_EQ(r.stored.size(), 1u);
  EXPECT_EQ(r.stored[0].date, 45358 * kDay);
}

TEST(ReadEnvelope, NullResponseTextIsAParseError) {
  std::string outcome;
  EXPECT_FALSE(read_envelope(nullptr, outcome, {}));
  EXPECT_EQ(outcome, "Error parsing data");
}

TEST(MemberText, MissingMembersAreEmptyAndOtherTypesThrow) {
  const nlohmann::json element = {{"Name", "UT1"}, {"Count", 3}, {"List", {1, 2}}};
  EXPECT_EQ(member_text(element, "Name"), "UT1");
  EXPECT_EQ(member_text(element, "Date"), "");
  EXPECT_EQ(member_text(nlohmann::json::array({"Date"}), "Date"), "");
  EXPECT_EQ(member_text(nlohmann::json("Date"), "Date"), "");
  EXPECT_THROW(member_text(element, "Count"), nlohmann::json::type_error);
  EXPECT_THROW(member_text(element, "List"), nlohmann::json::type_error);
}

// Bodies a broken or hostile service could send: each ends as a parse
// error or a plain result, never a crash, a hang or a read past the text.
TEST(ReadEnvelopeHostile, DeeplyNestedArraysAreReadWithoutExhaustingTheStack) {
  constexpr int kDepth = 100000;
  const std::string nested = std::string(kDepth, '[') + std::string(kDepth, ']');
  EXPECT_TRUE(read(nested).ok);
  EXPECT_FALSE(read(std::string(kDepth, '[')).ok);
  const Read in_record = read(R"({"data":[{"Date":)" + nested + "}]}");
  EXPECT_FALSE(in_record.ok);
  EXPECT_EQ(in_record.outcome, "Error parsing data");
}

TEST(ReadEnvelopeHostile, TextThatIsNotUtf8IsAParseError) {
  const Read r = read("{\"message\":\"\xff\xfe\",\"data\":[]}");
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.outcome, "Error parsing data");
}

TEST(ReadEnvelopeHostile, FiftyMegabyteBodyIsReadWhole) {
  constexpr std::size_t kSize = 50u << 20;
  std::string body = R"({"message":")";
  body.append(kSize, 'x');
  body += R"("})";
  const Read r = read(body);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.outcome.size(), kSize);
}

TEST(ReadEnvelopeHostile, HundredThousandRecordsAreStoredInOrder) {
  constexpr int kRecords = 100000;
  std::string body = R"({"data":[)";
  const std::string element = record(R"("2024-03-07")", R"("110-16")") + ",";
  for (int i = 1; i < kRecords; ++i) body += element;
  body += record(R"("2024-03-08")", R"("9")") + "]}";
  const Read r = read(body);
  EXPECT_TRUE(r.ok);
  ASSERT_EQ(r.stored.size(), static_cast<std::size_t>(kRecords));
  EXPECT_EQ(r.stored.front().close, 110.5f);
  EXPECT_EQ(r.stored.back().date, 45359 * kDay);
}

TEST(ReadEnvelopeHostile, LongFieldTextsAreReadAsTheirNumbers) {
  const std::string long_date = R"("2024-03-07 )" + std::string(10000, '7') + R"(")";
  const std::string long_price = R"(")" + std::string(100000, '1') + "-16" + R"(")";
  const Read r = read(R"({"data":[)" + record(long_date, long_price) + "]}");
  EXPECT_TRUE(r.ok);
  ASSERT_EQ(r.stored.size(), 1u);
  EXPECT_EQ(r.stored[0].date, 45358 * kDay);
  EXPECT_EQ(r.stored[0].close, 2147483648.0f);
}

}  // namespace
}  // namespace levelclient
