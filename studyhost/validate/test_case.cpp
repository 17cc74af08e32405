#include "studyhost/validate/test_case.h"

#include <functional>

namespace studyhost::validate {

void TestContext::take_failures(const std::vector<std::string>& failures) const {
  for (const std::string& failure : failures) fail(failure);
}

Rng TestContext::rng() const {
  const std::uint64_t salt = std::hash<std::string>{}(result->name);
  std::seed_seq sequence{static_cast<std::uint32_t>(seed), static_cast<std::uint32_t>(seed >> 32),
                         static_cast<std::uint32_t>(salt), static_cast<std::uint32_t>(salt >> 32)};
  return Rng(sequence);
}

std::unique_ptr<StudyLibrary> TestContext::load() const {
  std::string error;
  std::unique_ptr<StudyLibrary> loaded = StudyLibrary::load(library, &error);
  if (!loaded) fail("cannot load the library: " + error);
  return loaded;
}

const std::vector<TestCase>& test_cases() {
  static const std::vector<TestCase> cases = {
      {"exports", false, &check_exports},
      {"defaults", false, &check_defaults},
      {"last_call_after_defaults", false, &check_last_call_after_defaults},
      {"last_call_while_pending", false, &check_last_call_while_pending},
      {"two_instances", false, &check_two_instances},
      {"repeated_lifecycles", false, &check_repeated_lifecycles},
      {"full_redraw", false, &check_full_redraw},
      {"repeated_cycles", false, &check_repeated_cycles},
      {"hostile_responses", true, &check_hostile_responses},
      {"huge_responses", true, &check_huge_responses},
      {"random_session_1", true, &check_random_session_1},
      {"random_session_2", true, &check_random_session_2},
      {"random_session_3", true, &check_random_session_3},
  };
  return cases;
}

}  // namespace studyhost::validate
