// `--input NAME=VALUE`: each input kind set from its text the way the
// settings dialog takes it, and the listing of what would fit when it does
// not.
#include <gtest/gtest.h>

#include <bit>
#include <cstring>

#include "host/study_interface.h"
#include "studyhost/runtime/host.h"
#include "studyhost/runtime/input_kinds.h"
#include "studyhost/runtime/library_loader.h"
#include "studyhost/runtime/scripted_transport.h"
#include "studyhost/session/input_assign.h"

namespace {

using studyhost::input_value_text;
using studyhost::session::assign_input;
using studyhost::session::split_assignment;

// A study that declares one input of every kind a study can set from text.
enum Slot : std::int32_t {
  kList = 0,
  kYesNo = 1,
  kInteger = 2,
  kFloat = 3,
  kColour = 4,
  kTime = 5,
  kText = 6,
  kKey = 7,
  kDate = 8,
  kDouble = 9,
  kUnnamed = 12,
};

extern "C" void every_kind_study(host::StudyInterface* sc) {
  if (sc->defaults_call == 0) return;
  host::assign(sc->study_name, "EVERY KIND");
  auto input = [&](std::int32_t i, const char* name) -> host::InputSlot& {
    host::InputSlot& slot = host::element(sc->inputs, i);
    host::set_name(slot, name);
    return slot;
  };
  host::InputSlot& list = input(kList, "Time Frame");
  host::set_list_entries(list, "Daily;Weekly;Monthly");
  host::set_int(list, host::kKindCustomList, 0);
  host::set_int(input(kYesNo, "Show AD"), host::kKindYesNo, 1);
  host::set_int(input(kInteger, "Label offset"), host::kKindInteger, 7);
  host::set_float(input(kFloat, "Multiplier"), 1.0f);
  host::set_int(input(kColour, "R Level Color"), host::kKindColor, 0x0000FF00);
  host::set_double(input(kTime, "Trading Session Start Time"), host::kKindTimeOfDay,
                   0.7083333333333334);
  host::set_text_kind(input(kText, "Symbol"));
  host::set_text_kind(input(kKey, "API Key"));
  host::set_double(input(kDate, "Start Date"), host::kKindDate, 0.0);
  host::set_double(input(kDouble, "Scale"), host::kKindDouble, 2.0);
  host::set_int(host::element(sc->inputs, kUnnamed), host::kKindInteger, 0);
}

class InputAssign : public ::testing::Test {
 protected:
  InputAssign()
      : library_(studyhost::StudyLibrary::in_process(&every_kind_study, "every_kind")),
        host_(transport_),
        study_(host_.add_study(*library_)) {}

  bool set(const char* name, const char* value) {
    error_.clear();
    return assign_input(study_, name, value, error_);
  }
  const host::InputSlot& slot(std::int32_t i) { return study_.input(i); }

  studyhost::ScriptedTransport transport_;
  std::unique_ptr<studyhost::StudyLibrary> library_;
  studyhost::Host host_;
  studyhost::StudyInstance& study_;
  std::string error_;
};

TEST_F(InputAssign, AListTakesTheTextOfAnEntryAndShowsItAsSelected) {
  ASSERT_TRUE(set("Time Frame", "Weekly")) << error_;
  EXPECT_EQ(host::stored_int(slot(kList)), 1);
  EXPECT_STREQ(host::selected_entry_text(slot(kList)), "Weekly");
  ASSERT_TRUE(set("time frame", "monthly")) << error_;
  EXPECT_EQ(host::stored_int(slot(kList)), 2);
  EXPECT_FALSE(set("Time Frame", "Hourly"));
  EXPECT_EQ(error_, "input \"Time Frame\" takes one of: \"Daily\", \"Weekly\", \"Monthly\"");
  EXPECT_EQ(host::stored_int(slot(kList)), 2) << "a refused value changes nothing";
}

TEST_F(InputAssign, YesNoTakesYesNoOneOrZero) {
  ASSERT_TRUE(set("Show AD", "no"));
  EXPECT_EQ(host::stored_int(slot(kYesNo)), 0);
  ASSERT_TRUE(set("Show AD", "1"));
  EXPECT_EQ(host::stored_int(slot(kYesNo)), 1);
  ASSERT_TRUE(set("Show AD", "0"));
  ASSERT_TRUE(set("Show AD", "YES"));
  EXPECT_EQ(host::stored_int(slot(kYesNo)), 1);
  EXPECT_EQ(slot(kYesNo).kind, host::kKindYesNo);
  EXPECT_FALSE(set("Show AD", "true"));
  EXPECT_EQ(error_, "input \"Show AD\" takes yes, no, 1 or 0, not \"true\"");
}

TEST_F(InputAssign, NumbersMustBeWholeAndFitTheirKind) {
  ASSERT_TRUE(set("Label offset", "-12"));
  EXPECT_EQ(host::stored_int(slot(kInteger)), -12);
  EXPECT_FALSE(set("Label offset", "7.5"));
  EXPECT_EQ(error_, "input \"Label offset\" takes a whole number such as 7, not \"7.5\"");
  EXPECT_FALSE(set("Label offset", "2147483648"));
  EXPECT_FALSE(set("Label offset", ""));
  EXPECT_EQ(host::stored_int(slot(kInteger)), -12);

  ASSERT_TRUE(set("Multiplier", "2.5"));
  EXPECT_EQ(slot(kFloat).kind, host::kKindFloat);
  EXPECT_EQ(host::stored_float(slot(kFloat)), 2.5f);
  EXPECT_FALSE(set("Multiplier", "nan"));
  EXPECT_FALSE(set("Multiplier", "1e40"));
  EXPECT_FALSE(set("Multiplier", "2,5"));
  EXPECT_EQ(error_, "input \"Multiplier\" takes a number such as 1.5, not \"2,5\"");

  ASSERT_TRUE(set("Scale", "0.125"));
  EXPECT_EQ(host::stored_double(slot(kDouble)), 0.125);
}

TEST_F(InputAssign, AColourIsWrittenAsRgbAndStoredWithRedInTheLowByte) {
  ASSERT_TRUE(set("R Level Color", "#FF8000"));
  EXPECT_EQ(host::stored_bits(slot(kColour)), 0x000080FFu);
  EXPECT_EQ(input_value_text(study_, kColour), "#FF8000");
  ASSERT_TRUE(set("R Level Color", "#c1b6ff"));
  EXPECT_EQ(host::stored_bits(slot(kColour)), 0x00FFB6C1u);
  EXPECT_FALSE(set("R Level Color", "FF8000"));
  EXPECT_EQ(error_, "input \"R Level Color\" takes a colour as #RRGGBB, not \"FF8000\"");
  EXPECT_FALSE(set("R Level Color", "#GG0000"));
  EXPECT_FALSE(set("R Level Color", "#FF80001"));
}

TEST_F(InputAssign, ATimeOfDayIsStoredAsAFractionOfADay) {
  ASSERT_TRUE(set("Trading Session Start Time", "18:00:00"));
  EXPECT_EQ(host::stored_double(slot(kTime)), 0.75);
  ASSERT_TRUE(set("Trading Session Start Time", "17:00:00"));
  // Bit for bit the value the study declares as its default.
  EXPECT_EQ(std::bit_cast<std::uint64_t>(host::stored_double(slot(kTime))),
            std::bit_cast<std::uint64_t>(0.7083333333333334));
  EXPECT_EQ(host::int_value_calendar(slot(kTime)), 61200);
  EXPECT_EQ(input_value_text(study_, kTime), "17:00:00");
  EXPECT_FALSE(set("Trading Session Start Time", "24:00:00"));
  EXPECT_FALSE(set("Trading Session Start Time", "17:00"));
  EXPECT_EQ(error_,
            "input \"Trading Session Start Time\" takes a time of day as HH:MM:SS, not \"17:00\"");

  ASSERT_TRUE(set("Start Date", "1900-01-01"));
  EXPECT_EQ(host::stored_double(slot(kDate)), 2.0);
}

TEST_F(InputAssign, ATextIsCopiedIntoAProcessHeapBufferTheInputOwns) {
  ASSERT_TRUE(set("Symbol", "ES"));
  EXPECT_STREQ(host::text_value(slot(kText)), "ES");
  EXPECT_EQ(slot(kText).value[0], 1) << "owns-text flag";
  // Replacing frees the first buffer (the sanitizer build would see a leak).
  ASSERT_TRUE(set("Symbol", "NQ=F & more"));
  EXPECT_STREQ(host::text_value(slot(kText)), "NQ=F & more");
  ASSERT_TRUE(set("Symbol", ""));
  EXPECT_STREQ(host::text_value(slot(kText)), "");
}

TEST_F(InputAssign, TheKeyIsNeverShownBack) {
  EXPECT_EQ(input_value_text(study_, kKey), "(no text)");
  ASSERT_TRUE(set("API Key", "secret-123"));
  EXPECT_STREQ(host::text_value(slot(kKey)), "secret-123");
  EXPECT_EQ(input_value_text(study_, kKey), "***");
}

TEST_F(InputAssign, AnUnknownNameListsTheNamedInputs) {
  EXPECT_FALSE(set("Api Kee", "secret-123"));
  EXPECT_EQ(error_,
            "unknown input \"Api Kee\"; the study's inputs are: \"Time Frame\", \"Show AD\", "
            "\"Label offset\", \"Multiplier\", \"R Level Color\", \"Trading Session Start Time\", "
            "\"Symbol\", \"API Key\", \"Start Date\", \"Scale\"");
  EXPECT_EQ(error_.find("secret"), std::string::npos);
  EXPECT_FALSE(set("", "1")) << "the unnamed input cannot be reached by name";
}

TEST_F(InputAssign, AnInputIsReachedByItsNumberAlsoWithoutAName) {
  std::int32_t number = -1;
  ASSERT_TRUE(studyhost::session::input_number("12", number));
  EXPECT_EQ(number, 12);
  for (const char* name : {"", "1a", "-1", "+2", "99999999999"}) {
    EXPECT_FALSE(studyhost::session::input_number(name, number)) << name;
  }
  ASSERT_TRUE(studyhost::session::assign_input_number(study_, kUnnamed, "2", error_)) << error_;
  EXPECT_EQ(host::stored_int(slot(kUnnamed)), 2);
  ASSERT_TRUE(studyhost::session::assign_input_number(study_, kList, "Weekly", error_)) << error_;
  EXPECT_EQ(host::stored_int(slot(kList)), 1);
  EXPECT_FALSE(studyhost::session::assign_input_number(study_, kUnnamed, "x", error_));
  EXPECT_EQ(error_, "input 12 (no name) takes a whole number such as 7, not \"x\"");
  EXPECT_FALSE(studyhost::session::assign_input_number(study_, 11, "1", error_));
  EXPECT_EQ(
      error_,
      "no input number 11; the study's inputs are numbered: 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 12");
}

TEST(InputAssignment, SplitsAtTheFirstEqualsSign) {
  std::string name, value;
  ASSERT_TRUE(split_assignment("Time Frame=Weekly", name, value));
  EXPECT_EQ(name, "Time Frame");
  EXPECT_EQ(value, "Weekly");
  ASSERT_TRUE(split_assignment("Symbol=A=B", name, value));
  EXPECT_EQ(name, "Symbol");
  EXPECT_EQ(value, "A=B");
  ASSERT_TRUE(split_assignment("Symbol=", name, value));
  EXPECT_EQ(value, "");
  EXPECT_FALSE(split_assignment("=ES", name, value));
  EXPECT_FALSE(split_assignment("Symbol", name, value));
}

}  // namespace
