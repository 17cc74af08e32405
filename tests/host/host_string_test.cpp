#include "host/host_string.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(HostString, AssignCopiesTheGivenLengthAndOwnsIt) {
  host::HostString s = host::make_host_string();
  const char source[] = "Price Map";
  host::assign(s, source, 5);
  EXPECT_STREQ(s.text, "Price");
  EXPECT_NE(s.text, source);
  EXPECT_EQ(s.owns, 1);
  EXPECT_EQ(s.set, 1);
  host::assign(s, "again");  // the first buffer is freed (the leak checker sees it)
  EXPECT_STREQ(s.text, "again");
  host::release(s);
  EXPECT_STREQ(s.text, "");
  EXPECT_EQ(s.owns, 0);
}

TEST(HostString, AssignOfLengthZeroLeavesTheEmptyFallbackMarkedSet) {
  host::HostString s = host::make_host_string();
  host::assign(s, "held");
  host::assign(s, "ignored", 0);
  EXPECT_EQ(s.text, s.fallback);
  EXPECT_EQ(s.owns, 0);
  EXPECT_EQ(s.set, 1);
}

TEST(HostString, AssignOfNullChangesNothingNotEvenTheSetFlag) {
  host::HostString s = host::make_host_string();
  host::assign(s, nullptr, 3);
  EXPECT_EQ(s.set, 0);
  host::assign(s, "kept");
  const char* before = s.text;
  host::assign(s, nullptr);
  EXPECT_EQ(s.text, before);
  EXPECT_STREQ(s.text, "kept");
  host::release(s);
}

TEST(HostString, FormatWritesTheWholeTextAndNullFormatClearsBothFlags) {
  host::HostString s = host::make_host_string();
  host::format(s, "Price Map Date: %s (%d)", "2024-03-01", 25);
  EXPECT_STREQ(s.text, "Price Map Date: 2024-03-01 (25)");
  EXPECT_EQ(s.owns, 1);
  EXPECT_EQ(s.set, 1);
  const std::string long_text(5000, 'x');
  host::format(s, "%s", long_text.c_str());
  EXPECT_EQ(std::string(s.text), long_text);
  host::format(s, nullptr);
  EXPECT_STREQ(s.text, "");
  EXPECT_EQ(s.owns, 0);
  EXPECT_EQ(s.set, 0);
}

TEST(HostString, ConcatMakesAnIndependentCopy) {
  host::HostString a = host::make_host_string();
  host::assign(a, "UT1");
  host::HostString joined = host::concat(a, " 4500.25");
  host::HostString copy = host::concat(a, nullptr);
  host::HostString copy_of_empty_tail = host::concat(a, "");
  host::release(a);
  EXPECT_STREQ(joined.text, "UT1 4500.25");
  EXPECT_STREQ(copy.text, "UT1");
  EXPECT_STREQ(copy_of_empty_tail.text, "UT1");
  EXPECT_EQ(joined.owns, 1);
  EXPECT_EQ(joined.set, 1);
  EXPECT_EQ(copy.set, 1);
  host::release(joined);
  host::release(copy);
  host::release(copy_of_empty_tail);
}

TEST(HostString, ZeroInitialisedStringReadsAsEmpty) {
  host::HostString s{};
  EXPECT_STREQ(host::text_of(s), "");
  EXPECT_TRUE(host::is_empty(s));
  host::release(s);  // nothing owned, nothing freed
  EXPECT_STREQ(host::text_of(s), "");
}

}  // namespace
