// What a validation test gets and how it reports: the library to load, the
// run's seed, and the result it fills in.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "studyhost/runtime/library_loader.h"
#include "studyhost/validate/input_values.h"
#include "studyhost/validate/validate.h"

namespace studyhost::validate {

struct TestContext {
  std::string library;
  std::uint64_t seed = 0;
  TestResult* result = nullptr;

  void fail(const std::string& what) const { result->failures.push_back(what); }
  void note(const std::string& what) const { result->notes.push_back(what); }
  // Every failure the checker saw, as the test's own.
  void take_failures(const std::vector<std::string>& failures) const;

  // A generator for this test alone: the run's seed mixed with the test's
  // name, so each random test reproduces from the seed printed with it.
  Rng rng() const;

  // Loads the library; on failure records the loader's error and returns null.
  std::unique_ptr<StudyLibrary> load() const;
};

using TestFunction = void (*)(const TestContext&);

struct TestCase {
  const char* name;
  bool random;  // uses the seed
  TestFunction run;
};

// Every test, in the order they run.
const std::vector<TestCase>& test_cases();

// The tests of each group, defined beside them.
void check_exports(const TestContext& context);
void check_defaults(const TestContext& context);
void check_last_call_after_defaults(const TestContext& context);
void check_last_call_while_pending(const TestContext& context);
void check_two_instances(const TestContext& context);
void check_repeated_lifecycles(const TestContext& context);
void check_random_session_1(const TestContext& context);
void check_random_session_2(const TestContext& context);
void check_random_session_3(const TestContext& context);
void check_hostile_responses(const TestContext& context);
void check_huge_responses(const TestContext& context);
void check_full_redraw(const TestContext& context);
void check_repeated_cycles(const TestContext& context);

}  // namespace studyhost::validate
