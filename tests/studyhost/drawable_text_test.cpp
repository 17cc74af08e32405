#include "studyhost/render/drawable_text.h"

#include <gtest/gtest.h>

namespace {

using studyhost::drawable_text;

TEST(DrawableText, KeepsValidUtf8AndReplacesEveryOtherByte) {
  EXPECT_EQ(drawable_text("6700.25 \xc3\xa9 \xe2\x82\xac \xf0\x9d\x84\x9e"),
            "6700.25 \xc3\xa9 \xe2\x82\xac \xf0\x9d\x84\x9e");
  EXPECT_EQ(drawable_text("\xff\xfe\xc0 label \xe2\x82"), "??? label ??");
  EXPECT_EQ(drawable_text("\xc0\x80"), "??");            // overlong
  EXPECT_EQ(drawable_text("\xe0\x80\x80"), "???");       // overlong
  EXPECT_EQ(drawable_text("\xed\xa0\x80"), "???");       // surrogate
  EXPECT_EQ(drawable_text("\xf4\x90\x80\x80"), "????");  // above U+10FFFF
  EXPECT_EQ(drawable_text(std::string("a\tb\0c\x7f", 6)), "a b c?");
}

TEST(DrawableText, CutsALongTextAfterAWholeCharacter) {
  const std::string euro = "\xe2\x82\xac";
  EXPECT_EQ(drawable_text(std::string(studyhost::kMaxDrawnText - 1, 'a') + euro + "bbb"),
            std::string(studyhost::kMaxDrawnText - 1, 'a') + euro);
  EXPECT_EQ(drawable_text(std::string(100000, '\xff')).size(), studyhost::kMaxDrawnText);
}

}  // namespace
