#include <gtest/gtest.h>

#include <string>

#include "float_bits.h"
#include "levelclient/price_text.h"
#include "levelclient/response_envelope.h"

namespace levelclient {
namespace {

using levelclient_test::bits;

float price(const std::string& text) {
  return price_text_to_float(text);
}

TEST(PriceText, DecimalTextsReadLikeTheCLibraryNarrowedToFloat) {
  EXPECT_EQ(bits(price("4500.25")), bits(4500.25f));
  EXPECT_EQ(bits(price("-1.5")), bits(-1.5f));
  EXPECT_EQ(bits(price("4500.123")), bits(static_cast<float>(4500.123)));
  EXPECT_EQ(bits(price(" \t12.5 points")), bits(12.5f));
  EXPECT_EQ(bits(price("+7")), bits(7.0f));
  EXPECT_EQ(bits(price("1e-5")), bits(static_cast<float>(1e-5)));
  EXPECT_EQ(bits(price(".5")), bits(0.5f));
  EXPECT_EQ(bits(price("0")), bits(0.0f));
  EXPECT_EQ(bits(price("0.00")), bits(0.0f));
  EXPECT_EQ(bits(price("-0")), bits(-0.0f));
  // A comma not followed by a digit ends the number as any other character.
  EXPECT_EQ(bits(price("1,")), bits(1.0f));
  EXPECT_EQ(bits(price("1, 2")), bits(1.0f));
}

TEST(PriceText, FractionsGiveNumeratorOverDenominatorPlusWhole) {
  EXPECT_EQ(bits(price("105 3/4")), bits(105.75f));
  EXPECT_EQ(bits(price("3/4")), bits(0.75f));
  EXPECT_EQ(bits(price("1 / 2")), bits(0.5f));
  EXPECT_EQ(bits(price(" 105  3 / 4 ")), bits(105.75f));
  // Computed in float: the division is rounded to float before the whole is added.
  EXPECT_EQ(bits(price("2 1/3")), bits(1.0f / 3.0f + 2.0f));
  EXPECT_EQ(bits(price("1/0")), bits(0.0f));
  EXPECT_EQ(bits(price("1/-2")), bits(0.0f));
  EXPECT_EQ(bits(price("1 2 3/4")), bits(0.0f));
  EXPECT_EQ(bits(price("7/")), bits(0.0f));
  // A piece without a number reads as 0 while the text holds a number.
  EXPECT_EQ(bits(price("1/x")), bits(0.0f));
  EXPECT_EQ(bits(price("x 1/2")), bits(0.5f));
  EXPECT_EQ(bits(price("a/b/c/d/5")), bits(0.0f));
}

TEST(PriceText, DashSuffixOfOneCharacterIsQuartersInEighths) {
  EXPECT_EQ(bits(price("450-2")), bits(450.25f));
  EXPECT_EQ(bits(price("450-4")), bits(450.5f));
  EXPECT_EQ(bits(price("450-6")), bits(450.75f));
  EXPECT_EQ(bits(price("450-3")), bits(450.0f));
  EXPECT_EQ(bits(price("450-x")), bits(450.0f));
}

TEST(PriceText, DashSuffixOfTwoOrThreeCharactersIsThirtySeconds) {
  EXPECT_EQ(bits(price("110-16")), bits(110.5f));
  EXPECT_EQ(bits(price("110-00")), bits(110.0f));
  EXPECT_EQ(bits(price("110-165")), bits(110.515625f));
  EXPECT_EQ(bits(price("110-162")), bits(110.5078125f));
  EXPECT_EQ(bits(price("110-167")), bits(110.5234375f));
  EXPECT_EQ(bits(price("110-161")), bits(110.5f));
  EXPECT_EQ(bits(price("-110-16")), bits(-109.5f));
  // The suffix is read after white space, as "%s" reads it.
  EXPECT_EQ(bits(price("110- 16")), bits(110.5f));
}

TEST(PriceText, DashSuffixOfAnyOtherLengthGivesZero) {
  EXPECT_EQ(bits(price("110-16.5")), bits(0.0f));
  EXPECT_EQ(bits(price("110-1234")), bits(0.0f));
  EXPECT_EQ(bits(price("110-" + std::string(40, '1'))), bits(0.0f));
}

TEST(PriceText, DashThatIsNoSeparatorFallsBackToTheDecimalReading) {
  EXPECT_EQ(bits(price("110-")), bits(110.0f));
  EXPECT_EQ(bits(price("110-  ")), bits(110.0f));
  EXPECT_EQ(bits(price("2.5e-1")), bits(0.25f));
  EXPECT_EQ(bits(price("  -1.5")), bits(-1.5f));
  EXPECT_EQ(bits(price("110-ab")), bits(110.0f));
}

TEST(PriceText, WholePartIsRoundedToFloatBeforeTheFractionIsAdded) {
  // 16777217 is not a float; in float steps 16777216 + 0.5 stays 16777216,
  // where double arithmetic would give 16777218.
  EXPECT_EQ(bits(price("16777217-16")), bits(16777216.0f));
}

TEST(PriceText, EmptyTextIsARecordError) {
  EXPECT_THROW(price(""), RecordError);
}

// "N/A", "abc" and "-" were read as levels at 0, and "1,234.00" as 1: missing
// data and a thousands separator shown as prices.
TEST(PriceText, TextsWithoutANumberOrWithACommaInsideANumberAreARecordError) {
  for (const char* text : {"N/A", "abc", "-", "--5", "   ", "/", " / ", "a/b/c/d", "abc-16",
                           "1,234.00", "98,765.00", "0,5", "1 1,5/2", "1,110-16", "110-1,5"}) {
    EXPECT_THROW(price(text), RecordError) << text;
  }
  // What a C reader sees ends at a zero byte.
  EXPECT_THROW(price(std::string("\0"
                                 "5",
                                 2)),
               RecordError);
}

TEST(PriceText, NumbersThatAreNoFiniteFloatAreARecordError) {
  for (const char* text : {"nan", "-nan", "inf", "-infinity", "1e39", "-1e39", "1e400", "1/1e-45",
                           "3e38 3e38/0.5", "inf/2", "nan-16"}) {
    EXPECT_THROW(price(text), RecordError) << text;
  }
  EXPECT_THROW(price(std::string(10000, '9')), RecordError);
  // The largest float and tiny numbers are still numbers.
  EXPECT_EQ(bits(price("3.4028235e38")), bits(3.4028235e38f));
  EXPECT_EQ(bits(price("1e-400")), bits(0.0f));
  EXPECT_EQ(bits(price("-1e-400")), bits(-0.0f));
}

TEST(PriceText, HostileTextsAreReadWithoutOverflow) {
  EXPECT_EQ(bits(price("99999999999999999999-16")), bits(2147483648.0f));
  EXPECT_EQ(bits(price("-99999999999999999999-16")), bits(-2147483648.0f));
  std::string many_fractions;
  for (int i = 0; i < 1000000; ++i) many_fractions += "1/";
  EXPECT_EQ(bits(price(many_fractions)), bits(0.0f));
  // A C reader stops at a zero byte.
  EXPECT_EQ(bits(price(std::string("110\0-16", 7))), bits(110.0f));
}

TEST(PriceMember, ReadsTheMemberTextAndFailsOnAnythingElse) {
  const nlohmann::json record = {
      {"High", "105 3/4"}, {"Low", 101.5}, {"Close", ""}, {"Open", nullptr}};
  EXPECT_EQ(bits(price_member(record, "High")), bits(105.75f));
  EXPECT_THROW(price_member(record, "Low"), nlohmann::json::type_error);
  EXPECT_THROW(price_member(record, "Open"), nlohmann::json::type_error);
  EXPECT_THROW(price_member(record, "Close"), RecordError);
  EXPECT_THROW(price_member(record, "Mid"), RecordError);
}

TEST(SplitAndTrim, PiecesAreTrimmedAndEmptyOnesDropped) {
  EXPECT_EQ(split(" 105  3 / 4 ", ' ', '/'), (std::vector<std::string>{"105", "3", "4"}));
  EXPECT_EQ(split("\t1\t/2\r\n", ' ', '/'), (std::vector<std::string>{"1", "2"}));
  EXPECT_TRUE(split(" / ", ' ', '/').empty());
  EXPECT_EQ(trim(" \t\n\v\f\rx y\r\n"), "x y");
  EXPECT_EQ(trim(" \t "), "");
}

}  // namespace
}  // namespace levelclient
