// The validator on studies broken on purpose: each fault is reported as the
// failure of the test that met it, the validator itself carries on and ends
// normally, and a seed reproduces a run.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

#include "built_targets.h"
#include "studyhost/validate/validate.h"

namespace {

using studyhost::validate::TestResult;
using studyhost::validate::ValidateOptions;
using studyhost::validate::ValidateReport;

constexpr std::uint64_t kSeed = 7;

ValidateOptions options_for(const std::string& library, std::vector<std::string> tests = {}) {
  ValidateOptions options;
  options.library = library;
  options.seed = kSeed;
  options.seed_given = true;
  // The broken study hangs on purpose; no need to wait the full minute.
  options.watchdog = std::chrono::seconds(5);
  options.tests = std::move(tests);
  return options;
}

const TestResult& result_of(const ValidateReport& report, const std::string& name) {
  for (const TestResult& result : report.results) {
    if (result.name == name) return result;
  }
  static const TestResult missing{"missing", false, false, 0, {"no such test in the report"}, {}};
  ADD_FAILURE() << "no result for " << name;
  return missing;
}

bool mentions(const TestResult& result, const std::string& text) {
  for (const std::string& failure : result.failures) {
    if (failure.find(text) != std::string::npos) return true;
  }
  return false;
}

std::string text_of(const ValidateReport& report, bool only_failed = false) {
  std::ostringstream out;
  studyhost::validate::print_text(report, only_failed, out);
  return out.str();
}

TEST(ValidateReports, EachFaultOfABrokenStudyFailsTheTestThatMetIt) {
  SKIP_UNLESS_BUILT(scenario::kBrokenStudy);
  const ValidateReport report = studyhost::validate::validate(
      options_for(scenario::kBrokenStudy.path,
                  {"exports", "defaults", "last_call_while_pending", "two_instances", "full_redraw",
                   "random_session_1", "hostile_responses"}));
  ASSERT_EQ(report.results.size(), 7u);
  EXPECT_FALSE(report.passed());
  const std::string text = text_of(report);
  EXPECT_TRUE(result_of(report, "exports").passed) << text;
  EXPECT_TRUE(result_of(report, "defaults").passed) << text;

  const TestResult& hang = result_of(report, "last_call_while_pending");
  EXPECT_FALSE(hang.passed);
  EXPECT_TRUE(mentions(hang, "hung")) << text;

  // A crash ends the test's process: by the signal, or through the
  // sanitizer's own report and exit in a sanitizer build.
  const TestResult& crash = result_of(report, "full_redraw");
  EXPECT_FALSE(crash.passed);
  EXPECT_TRUE(mentions(crash, "crashed") || mentions(crash, "without a result")) << text;

  EXPECT_TRUE(mentions(result_of(report, "random_session_1"), "not finite")) << text;
  EXPECT_TRUE(mentions(result_of(report, "two_instances"), "differs from the same study alone"))
      << text;
  EXPECT_TRUE(mentions(result_of(report, "hostile_responses"),
                       "a drawing that the host removed at a full recalculation"))
      << text;
}

TEST(ValidateReports, TheSameSeedReproducesTheSameFailures) {
  SKIP_UNLESS_BUILT(scenario::kBrokenStudy);
  const ValidateOptions options =
      options_for(scenario::kBrokenStudy.path, {"random_session_2", "hostile_responses"});
  const ValidateReport first = studyhost::validate::validate(options);
  const ValidateReport second = studyhost::validate::validate(options);
  ASSERT_EQ(first.results.size(), 2u);
  ASSERT_EQ(second.results.size(), 2u);
  EXPECT_EQ(first.seed, kSeed);
  for (std::size_t i = 0; i < first.results.size(); ++i) {
    EXPECT_FALSE(first.results[i].passed);
    EXPECT_EQ(first.results[i].failures, second.results[i].failures);
  }
  const std::string text = text_of(first);
  EXPECT_NE(text.find("FAIL random_session_2 (seed 7)"), std::string::npos) << text;
  EXPECT_NE(text.find("reproduce with --seed 7"), std::string::npos) << text;
}

TEST(ValidateReports, OnlyFailedAndJsonLeaveOutThePassingTests) {
  SKIP_UNLESS_BUILT(scenario::kBrokenStudy);
  const ValidateReport report = studyhost::validate::validate(
      options_for(scenario::kBrokenStudy.path, {"exports", "random_session_1"}));
  const std::string text = text_of(report, true);
  EXPECT_EQ(text.find("exports"), std::string::npos) << text;
  EXPECT_NE(text.find("FAIL random_session_1"), std::string::npos) << text;

  std::ostringstream out;
  studyhost::validate::print_json(report, true, out);
  const nlohmann::json j = nlohmann::json::parse(out.str());
  EXPECT_FALSE(j.at("passed").get<bool>());
  EXPECT_EQ(j.at("seed").get<std::uint64_t>(), kSeed);
  ASSERT_EQ(j.at("tests").size(), 1u);
  EXPECT_EQ(j.at("tests")[0].at("name"), "random_session_1");
  EXPECT_EQ(j.at("tests")[0].at("seed").get<std::uint64_t>(), kSeed);
  EXPECT_FALSE(j.at("tests")[0].at("failures").empty());
}

TEST(ValidateReports, AStudyThatKeepsAllocatingFailsTheHeapChecks) {
  SKIP_UNLESS_BUILT(scenario::kLeakyStudy);
  const ValidateReport report = studyhost::validate::validate(options_for(
      scenario::kLeakyStudy.path, {"repeated_cycles", "repeated_lifecycles", "exports"}));
  const std::string text = text_of(report);
  EXPECT_FALSE(result_of(report, "repeated_cycles").passed) << text;
  EXPECT_FALSE(result_of(report, "repeated_lifecycles").passed) << text;
  EXPECT_TRUE(result_of(report, "exports").passed) << text;
}

// The command's exit status: 0 only when every test passed.
int run_command(const std::string& arguments, std::string& output) {
  const std::string command =
      std::string(scenario::kStudyhostProgram.path) + " validate " + arguments;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return -1;
  char buffer[4096];
  std::size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
  const int status = ::pclose(pipe);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(ValidateReports, TheCommandExitsWithOneOnAFailureAndZeroWhenAllPass) {
  SKIP_UNLESS_BUILT(scenario::kStudyhostProgram);
  SKIP_UNLESS_BUILT(scenario::kLeakyStudy);
  SKIP_UNLESS_BUILT(scenario::kTestStudy);
  std::string leaky;
  EXPECT_EQ(run_command(std::string(scenario::kLeakyStudy.path) + " --seed 7 --json --only-failed",
                        leaky),
            1);
  const nlohmann::json j = nlohmann::json::parse(leaky);
  EXPECT_FALSE(j.at("passed").get<bool>());
  EXPECT_EQ(j.at("seed").get<std::uint64_t>(), 7u);
  for (const auto& test : j.at("tests")) EXPECT_FALSE(test.at("passed").get<bool>());

  std::string sound;
  EXPECT_EQ(run_command(std::string(scenario::kTestStudy.path) + " --seed 7", sound), 0) << sound;
  EXPECT_NE(sound.find("passed, 0 failed"), std::string::npos) << sound;
}

}  // namespace
