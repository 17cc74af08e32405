// The validation run: each test in a child process of its own (or in this
// one, for a debugger), the report as text or JSON, and the exit status.
#include <algorithm>
#include <chrono>
#include <iomanip>
#include <iostream>
#include <random>
#include <sstream>

#include <nlohmann/json.hpp>

#include "studyhost/process/heap_usage.h"
#include "studyhost/validate/test_case.h"
#include "studyhost/validate/test_in_child.h"
#include "studyhost/validate/validate.h"

namespace studyhost::validate {
namespace {

std::uint64_t fresh_seed() {
  std::random_device device;
  const std::uint64_t high = device();
  const std::uint64_t now =
      static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
  // Small enough to type back in with --seed.
  return ((high << 32) ^ device() ^ now) % 1000000000ull;
}

TestResult run_test(const TestCase& test, const ValidateOptions& options, std::uint64_t seed) {
  TestResult blank;
  blank.name = test.name;
  blank.random = test.random;
  auto body = [&]() {
    TestResult result = blank;
    TestContext context{options.library, seed, &result};
    test.run(context);
    // In a build with the leak sanitizer: what the study left unreachable.
    if (!options.in_process && process::leaks_found()) {
      result.failures.push_back("memory was left unreachable (see the leak report)");
    }
    result.passed = result.failures.empty();
    return result;
  };
  // Sanitizers slow every test down several times; the watchdog allows for it.
  const std::chrono::seconds watchdog = options.watchdog * (process::sanitized_build() ? 4 : 1);
  const auto start = std::chrono::steady_clock::now();
  TestResult result = options.in_process ? body() : run_in_child(body, blank, watchdog);
  result.name = test.name;
  result.random = test.random;
  result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return result;
}

bool wanted(const ValidateOptions& options, const std::string& name) {
  return options.tests.empty() ||
         std::find(options.tests.begin(), options.tests.end(), name) != options.tests.end();
}

std::string seconds_text(double seconds) {
  std::ostringstream out;
  out << std::fixed << std::setprecision(1) << seconds << " s";
  return out.str();
}

}  // namespace

bool ValidateReport::passed() const {
  return std::all_of(results.begin(), results.end(), [](const TestResult& r) { return r.passed; });
}

std::vector<std::string> test_names() {
  std::vector<std::string> names;
  for (const TestCase& test : test_cases()) names.emplace_back(test.name);
  return names;
}

ValidateReport validate(const ValidateOptions& options) {
  ValidateReport report;
  report.library = options.library;
  report.seed = options.seed_given ? options.seed : fresh_seed();
  for (const TestCase& test : test_cases()) {
    if (wanted(options, test.name)) report.results.push_back(run_test(test, options, report.seed));
  }
  return report;
}

void print_text(const ValidateReport& report, bool only_failed, std::ostream& out) {
  std::size_t failed = 0;
  for (const TestResult& r : report.results) failed += r.passed ? 0 : 1;
  out << "validate " << report.library << " (seed " << report.seed << ")\n";
  for (const TestResult& r : report.results) {
    if (only_failed && r.passed) continue;
    out << (r.passed ? "PASS " : "FAIL ") << r.name;
    if (r.random) out << " (seed " << report.seed << ")";
    out << "  " << seconds_text(r.seconds) << "\n";
    for (const std::string& failure : r.failures) out << "    " << failure << "\n";
    if (!r.passed) {
      for (const std::string& note : r.notes) out << "    note: " << note << "\n";
    }
  }
  out << report.results.size() - failed << " passed, " << failed << " failed";
  if (failed > 0) out << "; reproduce with --seed " << report.seed;
  out << "\n";
}

void print_json(const ValidateReport& report, bool only_failed, std::ostream& out) {
  nlohmann::json j;
  j["library"] = report.library;
  j["seed"] = report.seed;
  j["passed"] = report.passed();
  j["tests"] = nlohmann::json::array();
  for (const TestResult& r : report.results) {
    if (only_failed && r.passed) continue;
    nlohmann::json t;
    t["name"] = r.name;
    t["passed"] = r.passed;
    if (r.random) t["seed"] = report.seed;
    t["seconds"] = r.seconds;
    t["failures"] = r.failures;
    t["notes"] = r.notes;
    j["tests"].push_back(std::move(t));
  }
  out << j.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
}

int run_validate(const ValidateOptions& options) {
  const ValidateReport report = validate(options);
  if (options.json) {
    print_json(report, options.only_failed, std::cout);
  } else {
    print_text(report, options.only_failed, std::cout);
  }
  std::cout.flush();
  return report.passed() ? 0 : 1;
}

}  // namespace studyhost::validate
