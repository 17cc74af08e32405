#include <gtest/gtest.h>

#include <string>

#include "levelclient/date_text.h"

namespace levelclient {
namespace {

constexpr std::int32_t k20240307 = 45358;

TEST(DateText, DayNumbersCountFrom18991230) {
  EXPECT_EQ(date_text_to_day("2024-01-01"), 45292);
  EXPECT_EQ(date_text_to_datetime("2024-01-01"), 45292LL * 86400000000LL);
  EXPECT_EQ(date_text_to_day("2024-03-15"), 45366);
  EXPECT_EQ(date_text_to_day("2000-03-01"), 36586);
}

TEST(DateText, YearsFrom1901To2039AreValid) {
  EXPECT_EQ(date_text_to_day("1901-01-01"), 367);
  EXPECT_EQ(date_text_to_day("2039-12-31"), 51135);
  EXPECT_EQ(date_text_to_day("1900-12-31"), 0);
  EXPECT_EQ(date_text_to_day("2040-01-01"), 0);
  EXPECT_EQ(date_text_to_datetime("2040-01-01"), 0);
}

TEST(DateText, LeapDaysFollowTheGregorianRules) {
  EXPECT_EQ(date_text_to_day("2024-02-29"), 45351);
  EXPECT_EQ(date_text_to_day("2000-02-29"), 36585);  // divisible by 400
  EXPECT_EQ(date_text_to_day("1904-02-29"), 1521);
  EXPECT_EQ(date_text_to_day("2023-02-29"), 0);
  EXPECT_EQ(date_text_to_day("2024-02-30"), 0);
}

TEST(DateText, MonthAndDayMustExist) {
  for (const char* text : {"2024-04-31", "2024-06-31", "2024-13-01", "2024-00-10", "2024-01-00",
                           "2024-01-32", "2024--1-01"}) {
    EXPECT_EQ(date_text_to_day(text), 0) << text;
  }
}

TEST(DateText, NumbersAreReadAsThreeDashSeparatedIntegers) {
  EXPECT_EQ(date_text_to_day("2024-03-07"), k20240307);
  EXPECT_EQ(date_text_to_day("2024-3-7"), k20240307);
  EXPECT_EQ(date_text_to_day("2024-03-07T00:00:00"), k20240307);
  EXPECT_EQ(date_text_to_day(" 2024-\t03- 07"), k20240307);
  EXPECT_EQ(date_text_to_day("+2024-+3-+7"), k20240307);
  EXPECT_EQ(date_text_to_day("2024-03-000000000000000000000007"), k20240307);
}

TEST(DateText, TextsThatAreNotYearMonthDayAreInvalid) {
  for (const char* text : {"", "abc", "2024", "2024-03", "2024-03-", "15-03-2024", "2024 -03-07",
                           "2024/03/07", "07.03.2024"}) {
    EXPECT_EQ(date_text_to_day(text), 0) << text;
  }
}

TEST(DateText, HostileTextsNeitherOverflowNorOverrun) {
  EXPECT_EQ(date_text_to_day("2024-03-07" + std::string(10000, 'x')), k20240307);
  EXPECT_EQ(date_text_to_day(std::string(10000, '9')), 0);
  EXPECT_EQ(date_text_to_day(std::string(10000, '9') + "-03-07"), 0);
  // 2^32 + 2024 would wrap round to 2024 in a 32-bit reading.
  EXPECT_EQ(date_text_to_day("4294969320-03-07"), 0);
  EXPECT_EQ(date_text_to_day("2024-4294967299-07"), 0);
  EXPECT_EQ(date_text_to_day("-2147483649-03-07"), 0);
  // A C reader stops at a zero byte.
  EXPECT_EQ(date_text_to_day(std::string("2024\0-03-07", 11)), 0);
  EXPECT_EQ(date_text_to_day(std::string("2024-03-07\0x", 12)), k20240307);
}

}  // namespace
}  // namespace levelclient
