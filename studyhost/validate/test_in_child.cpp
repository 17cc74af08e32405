#include "studyhost/validate/test_in_child.h"

#include <exception>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "studyhost/process/child_process.h"

namespace studyhost::validate {
namespace {

std::string to_json(const TestResult& result) {
  nlohmann::json j;
  j["passed"] = result.passed;
  j["failures"] = result.failures;
  j["notes"] = result.notes;
  // Study texts may be any bytes; the report replaces what is not UTF-8.
  return j.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

bool from_json(const std::string& text, TestResult& result) {
  try {
    const nlohmann::json j = nlohmann::json::parse(text);
    result.passed = j.at("passed").get<bool>();
    result.failures = j.at("failures").get<std::vector<std::string>>();
    result.notes = j.at("notes").get<std::vector<std::string>>();
    return true;
  } catch (const nlohmann::json::exception&) {
    return false;
  }
}

}  // namespace

TestResult run_in_child(const std::function<TestResult()>& test, const TestResult& blank,
                        std::chrono::seconds watchdog) {
  auto work = [&](process::ChildProgress&) {
    TestResult result = blank;
    try {
      result = test();
    } catch (const std::exception& e) {
      result.passed = false;
      result.failures.push_back(std::string("the test stopped: ") + e.what());
    } catch (...) {
      result.passed = false;
      result.failures.push_back("the test stopped on an unknown exception");
    }
    return to_json(result);
  };
  const process::ChildOutcome outcome = process::run_child(work, watchdog);
  TestResult result = blank;
  result.passed = false;
  const bool have_result = outcome.have_payload && from_json(outcome.payload, result);
  if (outcome.hung) {
    result.passed = false;
    result.failures.push_back("hung: stopped after " + std::to_string(watchdog.count()) + " s");
  } else if (outcome.signal != 0) {
    result.passed = false;
    result.failures.push_back("crashed: the test's process died on signal " +
                              process::signal_name(outcome.signal));
  } else if (!have_result) {
    result.passed = false;
    result.failures.push_back("the test's process ended without a result (exit status " +
                              std::to_string(outcome.exit_status) + ")");
  }
  if (!result.passed) {
    for (std::string& line : process::last_lines(outcome.errors))
      result.notes.push_back("stderr: " + line);
  }
  return result;
}

}  // namespace studyhost::validate
