#include "host/drawing_record.h"

#include <gtest/gtest.h>

#include <cstring>
#include <utility>

namespace {

template <typename T>
T at(const host::DrawingRecord& record, std::size_t offset) {
  T value;
  std::memcpy(&value, reinterpret_cast<const unsigned char*>(&record) + offset, sizeof value);
  return value;
}

TEST(DrawingRecord, InitWritesTheInitialBytesAtTheirOffsets) {
  host::DrawingRecord record;
  std::memset(&record, 0x5A, sizeof record);
  host::init(record);
  EXPECT_EQ(at<std::int32_t>(record, 0), 992);
  EXPECT_EQ(at<std::int32_t>(record, 4), 0);
  EXPECT_EQ(at<std::int32_t>(record, 12), -1);
  EXPECT_EQ(at<std::int32_t>(record, 24), -1);
  EXPECT_EQ(at<std::uint32_t>(record, 32), 0x00800000u);
  EXPECT_EQ(at<std::uint32_t>(record, 36), 0x00800000u);
  EXPECT_EQ(at<std::int32_t>(record, 40), -1);
  EXPECT_EQ(at<std::uint32_t>(record, 44), 0xFF000000u);
  EXPECT_EQ(at<std::int32_t>(record, 56), -1);
  EXPECT_EQ(at<std::int64_t>(record, 192), 0);
  EXPECT_EQ(at<std::int32_t>(record, 232), 0);
  EXPECT_EQ(at<std::uint16_t>(record, 236), 0xFFFF);
  EXPECT_EQ(at<std::uint16_t>(record, 238), 0xFFFF);
  EXPECT_EQ(at<std::int32_t>(record, 240), 3);
  EXPECT_EQ(at<std::int32_t>(record, 244), 2628);
  EXPECT_EQ(at<std::int32_t>(record, 248), -1);
  EXPECT_EQ(at<std::int32_t>(record, 280), -1);
  EXPECT_EQ(at<std::int32_t>(record, 288), -1);
  EXPECT_EQ(at<std::int32_t>(record, 292), -1);
  EXPECT_EQ(at<std::uint32_t>(record, 296), 0xFF000000u);
  EXPECT_EQ(at<std::int32_t>(record, 324), -1);
  EXPECT_EQ(at<std::int32_t>(record, 328), -1);
  EXPECT_EQ(at<std::int32_t>(record, 828), 0);
  for (std::size_t offset = 953; offset < 992; ++offset) {
    EXPECT_EQ(at<unsigned char>(record, offset), 0xFF) << offset;
  }
  // Fields no request sets still read as unset integers.
  EXPECT_EQ(at<std::int32_t>(record, 8), -1);
  EXPECT_EQ(at<std::int32_t>(record, 400), -1);
  for (const host::HostString* s : {&record.text, &record.font_face, &record.third_text}) {
    EXPECT_STREQ(s->text, "");
    EXPECT_EQ(s->owns, 0);
  }
}

TEST(DrawingRecord, ResetFreesTextsAndRestoresTheInitialState) {
  host::DrawingRecord fresh;
  host::init(fresh);
  host::DrawingRecord record;
  host::init(record);
  host::assign(record.text, "UT1");
  host::assign(record.font_face, "Ariel");
  host::assign(record.third_text, "x");
  record.identifier = 17;
  record.begin_price = 4500.25f;
  host::reset(record);  // the three buffers are freed (the leak checker sees it)
  EXPECT_EQ(record.identifier, -1);
  EXPECT_TRUE(host::is_unset_price(record.begin_price));
  EXPECT_EQ(std::memcmp(&record, &fresh, sizeof record), 0);
  EXPECT_STREQ(record.text.text, "");
}

TEST(DrawingRecord, AMovedRequestTakesItsTextsWithIt) {
  host::DrawingRequest first;
  host::assign(first.text, "UT1");
  host::assign(first.font_face, "Ariel");
  const char* text = first.text.text;
  host::DrawingRequest second(std::move(first));
  EXPECT_EQ(second.text.text, text);
  EXPECT_STREQ(host::text_of(second.font_face), "Ariel");
  // Each request frees only its own texts when it goes: no buffer twice.
  EXPECT_TRUE(host::is_empty(first.text));
  EXPECT_EQ(first.text.owns, 0);
}

}  // namespace
