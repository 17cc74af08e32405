// `studyhost soak` in CI: a short soak of both studies against a service
// with every fault, which must pass; studies broken on purpose, whose faults
// it must name with the step they showed at; and options it must refuse.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include <nlohmann/json.hpp>

#include "built_targets.h"
#include "studyhost/app/commands.h"
#include "studyhost/soak/soak.h"

namespace {

using namespace std::chrono_literals;
using studyhost::soak::SoakOptions;
using studyhost::soak::SoakReport;

SoakOptions short_soak(std::vector<std::string> libraries, std::size_t bars) {
  SoakOptions o;
  o.libraries = std::move(libraries);
  o.bars = std::string(QLX_DATA_DIR) + "/bars/es_5min.csv";
  o.service = std::string(QLX_DATA_DIR) + "/levels";
  o.max_bars = bars;
  o.seed = 20251017;
  o.seed_given = true;
  o.transfer_timeout = 250ms;
  return o;
}

std::string report_text(const SoakReport& report) {
  std::ostringstream out;
  studyhost::soak::print_text(report, out);
  return out.str();
}

bool any_failure_holds(const SoakReport& report, const std::string& a, const std::string& b) {
  for (const std::string& failure : report.failures) {
    if (failure.find(a) != std::string::npos && failure.find(b) != std::string::npos) return true;
  }
  return false;
}

TEST(Soak, BothStudiesOutliveAFlakyServiceAndLoseNothing) {
  SKIP_UNLESS_BUILT(scenario::kPriceMapStudy);
  SKIP_UNLESS_BUILT(scenario::kTimeframeStudy);
  SoakOptions o = short_soak({scenario::kPriceMapStudy.path, scenario::kTimeframeStudy.path}, 3000);
  o.json = true;
  std::ostringstream out, err;
  const int status = studyhost::soak::soak_command(o, out, err);
  const nlohmann::json report = nlohmann::json::parse(out.str());
  EXPECT_EQ(status, 0) << out.str() << err.str();
  EXPECT_TRUE(report.at("passed").get<bool>());
  EXPECT_EQ(err.str(), "");
  // The session met what it is meant to meet.
  for (const auto& [kind, count] : report.at("faults_by_kind").items()) {
    EXPECT_GT(count.get<int>(), 0) << kind;
  }
  for (const char* action : {"symbol", "time frame", "period mode", "menu", "switch"}) {
    EXPECT_GT(report.at("user_actions").value(action, 0), 0) << action;
  }
  ASSERT_EQ(report.at("instances_at_end").size(), 4u);
  for (const auto& instance : report.at("instances_at_end")) {
    EXPECT_TRUE(instance.at("identical").get<bool>()) << instance.dump();
  }
}

TEST(Soak, NamesTheStepAStudyLeaksOrCrashesAt) {
  SKIP_UNLESS_BUILT(scenario::kLeakyStudy);
  SKIP_UNLESS_BUILT(scenario::kBrokenStudy);
  const SoakReport leaky = studyhost::soak::run_soak(short_soak({scenario::kLeakyStudy.path}, 600));
  EXPECT_FALSE(leaky.passed());
  EXPECT_TRUE(any_failure_holds(leaky, "memory grows", "step ")) << report_text(leaky);

  SoakOptions o = short_soak({scenario::kBrokenStudy.path}, 400);
  o.action_every = 2;
  const SoakReport broken = studyhost::soak::run_soak(o);
  EXPECT_FALSE(broken.passed());
  EXPECT_TRUE(any_failure_holds(broken, "crash", "menu \"Crash\"")) << report_text(broken);
}

// A Symbol too long for the URL makes each study log "Could not request
// data" once per full recalculation, as it should; the soak took those lines
// for more lines than requests.
TEST(Soak, ASymbolTooLongToSendIsNoFalseAlarm) {
  SKIP_UNLESS_BUILT(scenario::kPriceMapStudy);
  SKIP_UNLESS_BUILT(scenario::kTimeframeStudy);
  SoakOptions o = short_soak({scenario::kPriceMapStudy.path, scenario::kTimeframeStudy.path}, 400);
  o.instances = 1;
  o.action_every = 3;
  o.faults = "none";
  o.symbols = {"ES", std::string(300, 'X')};
  const SoakReport report = studyhost::soak::run_soak(o);
  EXPECT_TRUE(report.passed()) << report_text(report);
  EXPECT_GT(report.user_actions.count("symbol"), 0u);
}

TEST(Soak, BadOptionsAreRefusedInOneLine) {
  SoakOptions o = short_soak({"any.so"}, 10);
  o.faults = "drop=0.5,flood=0.1";
  std::ostringstream out, err;
  EXPECT_EQ(studyhost::soak::soak_command(o, out, err), 1);
  EXPECT_EQ(out.str(), "");
  EXPECT_NE(err.str().find("no fault \"flood\""), std::string::npos) << err.str();
  EXPECT_EQ(err.str().find('\n'), err.str().size() - 1);

  // A watchdog shorter than a step may wait for a slow transfer reported a
  // hang.
  o.faults = "all";
  o.transfer_timeout = 5000ms;
  o.step_watchdog = 10s;
  err.str("");
  EXPECT_EQ(studyhost::soak::soak_command(o, out, err), 1);
  EXPECT_NE(err.str().find("--step-watchdog must be longer"), std::string::npos) << err.str();

  studyhost::app::ServeLevelsOptions serve;
  serve.data_dir = o.service;
  serve.faults = "all=0.5";
  err.str("");
  EXPECT_EQ(studyhost::app::serve_levels_command(serve, err), 1);
  EXPECT_NE(err.str().find("add up to 4"), std::string::npos) << err.str();
}

}  // namespace
