// The checks the validator makes on every call, against studies written here
// that break one rule each, and the child process a test runs in.
#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <stdexcept>
#include <string>

#include "host/drawing_record.h"
#include "host/study_interface.h"
#include "studyhost/runtime/library_loader.h"
#include "studyhost/validate/study_session.h"
#include "studyhost/validate/test_in_child.h"

namespace {

using studyhost::validate::StudySession;

// The body every instance of the in-process study runs on ordinary calls.
std::function<void(host::StudyInterface&)>& study_body() {
  static std::function<void(host::StudyInterface&)> body;
  return body;
}

void study_function(host::StudyInterface* sc) {
  if (sc->defaults_call != 0) {
    host::assign(sc->study_name, "Rule Breaker");
    host::InputSlot& key = host::element(sc->inputs, 0);
    host::set_name(key, "API Key");
    host::set_text_kind(key);
    sc->auto_loop = 0;
    return;
  }
  if (sc->last_call == 0 && study_body()) study_body()(*sc);
}

std::int32_t draw_line(host::StudyInterface& sc, float price, std::int32_t id = host::kNewDrawing) {
  host::DrawingRecord record;
  host::init(record);
  record.chart_number = sc.chart_number;
  record.kind = host::kDrawingLine;
  record.identifier = id;
  record.begin_price = price;
  record.end_price = price;
  sc.use_drawing(&sc, &record);
  const std::int32_t made = record.identifier;
  host::release(record);
  return made;
}

bool reported(const StudySession& session, const std::string& text) {
  for (const std::string& failure : session.checker.failures()) {
    if (failure.find(text) != std::string::npos) return true;
  }
  return false;
}

// Two instances of the study on one chart, both given the test's inputs,
// then a full recalculation.
struct TwoInstances {
  explicit TwoInstances(std::function<void(host::StudyInterface&)> body)
      : library(studyhost::StudyLibrary::in_process(&study_function, "Rule Breaker")),
        session(std::vector<studyhost::Bar>{
            studyhost::Bar{45000 * host::kMicrosPerDay, 1, 1, 1, 1, 1}}) {
    study_body() = std::move(body);
    first = &session.add(*library);
    session.give_plausible_inputs(*first);
    second = &session.add(*library);
    session.give_plausible_inputs(*second);
    session.host.full_recalculation();
    session.checker.check_now();
  }
  ~TwoInstances() { study_body() = nullptr; }

  std::unique_ptr<studyhost::StudyLibrary> library;
  StudySession session;
  studyhost::StudyInstance* first = nullptr;
  studyhost::StudyInstance* second = nullptr;
};

TEST(ValidateInvariants, ASoundStudyLeavesNoFailure) {
  TwoInstances chart([](host::StudyInterface& sc) {
    std::int32_t& id = *sc.persistent_int(&sc, 1);
    id = draw_line(sc, 100.0f, id != 0 ? id : host::kNewDrawing);
  });
  EXPECT_FALSE(chart.session.checker.failed()) << chart.session.checker.failures().front();
  EXPECT_EQ(chart.session.checker.drawings_of(chart.first->id()), 1u);
}

TEST(ValidateInvariants, ADrawingAtNoPriceIsReportedAsItIsRequested) {
  TwoInstances chart([](host::StudyInterface& sc) {
    // Made and deleted in one call: only the request itself shows it.
    const std::int32_t id = draw_line(sc, std::numeric_limits<float>::infinity());
    sc.delete_drawing(&sc, sc.chart_number, 0, id);
  });
  EXPECT_TRUE(reported(chart.session, "price that is not finite"));
}

TEST(ValidateInvariants, DeletingOrChangingAnotherInstancesDrawingIsReported) {
  TwoInstances deleting([](host::StudyInterface& sc) {
    // Every identifier but its own: the other instance's line among them.
    const std::int32_t own = draw_line(sc, 1.0f);
    for (std::int32_t id = 1; id <= 4; ++id) {
      if (id != own) sc.delete_drawing(&sc, sc.chart_number, 0, id);
    }
  });
  EXPECT_TRUE(reported(deleting.session, "deleted drawing"));

  TwoInstances changing([](host::StudyInterface& sc) {
    draw_line(sc, 1.0f);
    // Identifier 1 is the first instance's drawing.
    draw_line(sc, 2.0f, 1);
  });
  EXPECT_TRUE(reported(changing.session, "changed drawing 1 of instance 1"));
}

TEST(ValidateInvariants, ARequestTheHostCannotReadIsReported) {
  TwoInstances chart([](host::StudyInterface& sc) {
    host::DrawingRecord record;
    host::init(record);
    record.record_size = 100;
    record.kind = host::kDrawingLine;
    sc.use_drawing(&sc, &record);
    host::release(record);
  });
  EXPECT_TRUE(reported(chart.session, "refused a drawing request"));
}

TEST(ValidateInvariants, TheKeyInALogLineOrADrawingTextIsReported) {
  TwoInstances chart([](host::StudyInterface& sc) {
    const char* key = host::text_value(host::element(sc.inputs, 0));
    sc.add_log(&sc, key, 0);
  });
  EXPECT_TRUE(reported(chart.session, "the API key is shown in the message log"));

  TwoInstances masked([](host::StudyInterface& sc) { sc.add_log(&sc, "key ***", 0); });
  EXPECT_FALSE(masked.session.checker.failed());
}

studyhost::validate::TestResult blank() {
  studyhost::validate::TestResult result;
  result.name = "child";
  return result;
}

TEST(ValidateChildProcess, ResultsExceptionsAndDeathsComeBackAsResults) {
  using studyhost::validate::run_in_child;
  using studyhost::validate::TestResult;
  const std::chrono::seconds watchdog(20);

  const TestResult passed = run_in_child(
      [] {
        TestResult r = blank();
        r.passed = true;
        r.notes.push_back("\xFF not UTF-8");
        return r;
      },
      blank(), watchdog);
  EXPECT_TRUE(passed.passed);
  ASSERT_EQ(passed.notes.size(), 1u);

  const TestResult thrown = run_in_child(
      []() -> TestResult { throw std::runtime_error("no memory"); }, blank(), watchdog);
  EXPECT_FALSE(thrown.passed);
  ASSERT_EQ(thrown.failures.size(), 1u);
  EXPECT_EQ(thrown.failures[0], "the test stopped: no memory");

  const TestResult killed = run_in_child(
      []() -> TestResult {
        std::fputs("last words\n", stderr);
        std::raise(SIGKILL);
        return blank();
      },
      blank(), watchdog);
  EXPECT_FALSE(killed.passed);
  ASSERT_FALSE(killed.failures.empty());
  EXPECT_NE(killed.failures[0].find("signal 9"), std::string::npos) << killed.failures[0];
  EXPECT_NE(std::find(killed.notes.begin(), killed.notes.end(), "stderr: last words"),
            killed.notes.end());
}

}  // namespace
