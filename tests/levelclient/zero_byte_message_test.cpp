// Envelopes that once ended in a failure the chart could not show.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "levelclient/response_envelope.h"
#include "levelclient/status_text.h"

namespace levelclient {
namespace {

struct Read {
  bool ok;
  std::string outcome;
  std::size_t stored = 0;
};

Read read(const std::string& body) {
  Read r{};
  r.ok = read_envelope(body.c_str(), r.outcome, [&](const PeriodValues&) { ++r.stored; });
  return r;
}

const std::string kRecord = R"({"Date":"2024-03-07","High":"10","Low":"8","Close":"9"})";

// A message starting with a zero byte failed the read with a status text that
// shows nothing, in red, and an empty log line.
TEST(ReadEnvelopeRegression, AMessageEmptyUpToItsFirstZeroByteIsNoMessage) {
  const Read r = read(R"({"message":"\u0000Invalid key","data":[)" + kRecord + "]}");
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.outcome, "");
  EXPECT_EQ(r.stored, 1u);
}

TEST(ReadEnvelopeRegression, AMessageIsShownUpToItsFirstZeroByte) {
  const Read r = read(R"({"message":"Invalid\u0000 key"})");
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(failed_read_status(r.outcome, "no key given"), "Invalid");
}

}  // namespace
}  // namespace levelclient
