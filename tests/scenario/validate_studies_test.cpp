// The validator on the built study libraries and the test study: every test
// passes, so a failure here is a fault of a study (or of the host) that the
// validator found.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "built_targets.h"
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

TEST(ValidateStudies, PriceMapOverlayPassesEveryTest) {
  SKIP_UNLESS_BUILT(scenario::kPriceMapStudy);
  expect_all_pass(scenario::kPriceMapStudy.path);
}

TEST(ValidateStudies, TimeframeStructurePassesEveryTest) {
  SKIP_UNLESS_BUILT(scenario::kTimeframeStudy);
  expect_all_pass(scenario::kTimeframeStudy.path);
}

TEST(ValidateStudies, ExampleStudyPassesEveryTest) {
  SKIP_UNLESS_BUILT(scenario::kExampleStudy);
  expect_all_pass(scenario::kExampleStudy.path);
}

TEST(ValidateStudies, TestStudyPassesEveryTest) {
  SKIP_UNLESS_BUILT(scenario::kTestStudy);
  expect_all_pass(scenario::kTestStudy.path);
}

}  // namespace
