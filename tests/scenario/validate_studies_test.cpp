// The validator on the built study libraries and the test study: every test
// passes, so a failure here is a fault of a study (or of the host) that the
// validator found.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "studyhost/validate/validate.h"

namespace {

using studyhost::validate::ValidateOptions;
using studyhost::validate::ValidateReport;

constexpr std::uint64_t kSeed = 20240315;

ValidateReport validated(const std::string& library) {
  ValidateOptions options;
  options.library = library;
  options.seed = kSeed;
  options.seed_given = true;
  return studyhost::validate::validate(options);
}

std::string text_of(const ValidateReport& report) {
  std::ostringstream out;
  studyhost::validate::print_text(report, true, out);
  return out.str();
}

void expect_all_pass(const std::string& library) {
  const ValidateReport report = validated(library);
  EXPECT_TRUE(report.passed()) << text_of(report);
  EXPECT_EQ(report.results.size(), studyhost::validate::test_names().size());
}

#ifdef QLX_PRICEMAP_OVERLAY_64_PATH
TEST(ValidateStudies, PriceMapOverlayPassesEveryTest) {
  expect_all_pass(QLX_PRICEMAP_OVERLAY_64_PATH);
}
#endif

#ifdef QLX_TIMEFRAME_STRUCTURE_64_PATH
TEST(ValidateStudies, TimeframeStructurePassesEveryTest) {
  expect_all_pass(QLX_TIMEFRAME_STRUCTURE_64_PATH);
}
#endif

#ifdef QLX_PREVIOUS_DAY_RANGE_64_PATH
TEST(ValidateStudies, ExampleStudyPassesEveryTest) {
  expect_all_pass(QLX_PREVIOUS_DAY_RANGE_64_PATH);
}
#endif

#ifdef QLX_TEST_STUDY_64_PATH
TEST(ValidateStudies, TestStudyPassesEveryTest) {
  expect_all_pass(QLX_TEST_STUDY_64_PATH);
}
#endif

}  // namespace
