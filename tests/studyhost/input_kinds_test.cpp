#include "studyhost/runtime/input_kinds.h"

#include <gtest/gtest.h>

#include "host/input_slot.h"

namespace {

using studyhost::InputForm;

// A kind the host names but the table lacks would be listed as "kind N" and
// refused by --input; the table and the host's list of kinds must agree.
TEST(InputKinds, EveryKindTheHostNamesHasARowHeldAsTheSlotHoldsIt) {
  for (int code = 1; code < 256; ++code) {
    const auto kind = static_cast<std::uint8_t>(code);
    const bool named = host::holds_int32(kind) || host::holds_double(kind) ||
                       host::is_text_kind(kind) || kind == host::kKindFloat ||
                       kind == host::kKindYesNo;
    const studyhost::InputKind* row = studyhost::find_input_kind(kind);
    ASSERT_EQ(row != nullptr, named) << code;
    if (row == nullptr) continue;
    EXPECT_EQ(row->form == InputForm::kDouble, host::holds_double(kind)) << code;
    EXPECT_EQ(row->form == InputForm::kText, host::is_text_kind(kind)) << code;
  }
  EXPECT_EQ(studyhost::kind_name(7), "kind 7");
  EXPECT_EQ(studyhost::input_form(7), InputForm::kInteger);
}

TEST(InputKinds, ASecretIsATextInputWhoseNameSaysKeyInAnyCase) {
  EXPECT_TRUE(studyhost::is_secret_input(host::kKindText, "API Key"));
  EXPECT_TRUE(studyhost::is_secret_input(host::kKindTextC, "apikey"));
  EXPECT_FALSE(studyhost::is_secret_input(host::kKindInteger, "Key Level"));
  EXPECT_FALSE(studyhost::is_secret_input(host::kKindText, "Symbol"));
}

}  // namespace
