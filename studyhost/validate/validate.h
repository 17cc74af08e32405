// `studyhost validate`: a conformance and stress run over a study library.
// Each test runs in a child process of its own, so a crash or a hang is that
// test's failure and the run goes on; the report says which tests failed and
// with which seed the random ones ran.
#pragma once

#include <chrono>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace studyhost::validate {

struct ValidateOptions {
  std::string library;
  std::uint64_t seed = 0;
  bool seed_given = false;  // false: a fresh seed, printed with the report
  bool only_failed = false;
  bool json = false;
  bool in_process = false;  // run the tests in this process (for a debugger)
  // A test still running after this long is stopped and reported as hung
  // (four times as long in a sanitizer build).
  std::chrono::seconds watchdog{60};
  // Run only the tests with these names (all when empty).
  std::vector<std::string> tests;
};

struct TestResult {
  std::string name;
  bool passed = false;
  bool random = false;  // the seed reproduces it
  double seconds = 0;
  std::vector<std::string> failures;
  std::vector<std::string> notes;
};

struct ValidateReport {
  std::string library;
  std::uint64_t seed = 0;
  std::vector<TestResult> results;
  bool passed() const;
};

// The names of every test, in the order they run.
std::vector<std::string> test_names();

// Runs the tests and returns what they found; never throws for what a study
// does.
ValidateReport validate(const ValidateOptions& options);

// The report as text, or as JSON; with `only_failed` the passing tests are
// left out.
void print_text(const ValidateReport& report, bool only_failed, std::ostream& out);
void print_json(const ValidateReport& report, bool only_failed, std::ostream& out);

// The subcommand: validates, prints the report to standard output and
// returns 0 only when every test passed.
int run_validate(const ValidateOptions& options);

}  // namespace studyhost::validate
