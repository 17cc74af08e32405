// The studyhost command: runs study libraries as the charting host does.
// Each subcommand declares its options in a function of its own and hands
// back what runs when the command line chooses it.
#include <CLI/CLI.hpp>
#include <functional>
#include <iostream>
#include <memory>
#include <vector>

#include "studyhost/app/commands.h"
#include "studyhost/mock_service/fault_plan.h"
#include "studyhost/render/renderer.h"
#include "studyhost/soak/soak.h"
#include "studyhost/validate/validate.h"

namespace {

using namespace studyhost::app;

// A subcommand on the command line, and what runs when it is the one chosen.
struct Subcommand {
  CLI::App* command;
  std::function<int()> run;
};

// One line on a bad command line, naming where help is.
std::string usage_failure(const CLI::App*, const CLI::Error& e) {
  return std::string("studyhost: ") + e.what() + " (see studyhost --help)\n";
}

// Seconds from the command line as the wait for downloads; false past a day.
bool download_wait_of(double seconds, std::chrono::milliseconds& wait) {
  if (!(seconds > 0 && seconds <= 86400)) {
    std::cerr << "studyhost: --timeout must be from 0 to 86400 seconds\n";
    return false;
  }
  wait = std::chrono::milliseconds(static_cast<long long>(seconds * 1000.0));
  return true;
}

Subcommand add_run(CLI::App& app) {
  auto run = std::make_shared<RunOptions>();
  auto wait_seconds = std::make_shared<double>(static_cast<double>(kDefaultDownloadWait.count()));
  auto* cmd = app.add_subcommand(
      "run",
      "Run one study on a chart of bars: defaults call, full recalculation, downloads, then "
      "the inputs given by number with another full recalculation, --recalc, --replay and "
      "--menu in that order, then the outputs");
  cmd->add_option("LIBRARY", run->library, "The study library")->required();
  cmd->add_option("--bars", run->bars, "Bars CSV: a header, then YYYY-MM-DD HH:MM:SS,o,h,l,c,v")
      ->required();
  cmd->add_option("--input", run->inputs,
                  "NAME=VALUE: set a declared input before the study runs; NUMBER=VALUE: "
                  "set an input by its number (one without a name too) once the study "
                  "has run, as the host would from outside (repeatable)");
  cmd->add_option("--price-increment", run->price_increment, "Tick size (default 0.25)");
  cmd->add_option("--value-format", run->value_format, "Decimals of price texts (default 2)");
  cmd->add_option("--tz-offset", run->tz_offset_hours,
                  "Hours from the bars file's times to the chart's time zone");
  cmd->add_option("--chart-number", run->chart_number, "Chart number (default 1)");
  cmd->add_option("--service", run->service,
                  "Base URL for the level data service, or a folder of responses to serve "
                  "on loopback (default: the real service)");
  cmd->add_flag("--recalc", run->recalc, "One more full recalculation after the downloads");
  cmd->add_option("--replay", run->replay,
                  "Start without the last N bars, then add them one at a time");
  cmd->add_option("--menu", run->menus, "Choose the menu entry with this text (repeatable)");
  cmd->add_option("--dump", run->dump, "Write what the host holds as JSON");
  cmd->add_option("--trace", run->trace, "Write each host operation as a JSON line");
  cmd->add_option("--png", run->png, "Render the chart to PNG");
  cmd->add_option("--svg", run->svg, "Render the chart to SVG");
  cmd->add_option("--width", run->width, "Picture width in pixels (default 1600)");
  cmd->add_option("--height", run->height, "Picture height in pixels (default 900)");
  cmd->add_option("--visible-bars", run->visible_bars, "Show only the last N bars (0: all)");
  cmd->add_option("--timeout", *wait_seconds, "Seconds to wait for downloads (default 70)");
  cmd->add_flag("--quiet", run->quiet, "No summary of the study's status and log");
  return {cmd, [run, wait_seconds] {
            if (!download_wait_of(*wait_seconds, run->download_wait)) return 1;
            return run_command(*run, std::cout, std::cerr);
          }};
}

Subcommand add_inputs(CLI::App& app) {
  auto library = std::make_shared<std::string>();
  auto* cmd = app.add_subcommand("inputs", "List a study's inputs as its settings show them");
  cmd->add_option("LIBRARY", *library, "The study library")->required();
  return {cmd, [library] { return inputs_command(*library, std::cout, std::cerr); }};
}

Subcommand add_demo(CLI::App& app) {
  auto demo = std::make_shared<DemoOptions>();
  auto wait_seconds = std::make_shared<double>(static_cast<double>(kDefaultDownloadWait.count()));
  auto* cmd = app.add_subcommand(
      "demo",
      "Both studies on the bundled ES bars and level data, and the price map study in "
      "per-period mode, rendered to PNG and SVG");
  cmd->add_option("--data", demo->data_dir, "The data folder (default: the source tree's)");
  cmd->add_option("--output", demo->output_dir, "Output folder (default ./demo-output)");
  cmd->add_option("--pricemap-library", demo->pricemap_library, "qlx_pricemap_overlay_64 to use");
  cmd->add_option("--timeframe-library", demo->timeframe_library,
                  "qlx_timeframe_structure_64 to use");
  cmd->add_option("--width", demo->width, "Picture width in pixels (default 1600)");
  cmd->add_option("--height", demo->height, "Picture height in pixels (default 900)");
  cmd->add_option("--timeout", *wait_seconds, "Seconds to wait for downloads");
  return {cmd, [demo, wait_seconds] {
            if (!download_wait_of(*wait_seconds, demo->download_wait)) return 1;
            return demo_command(*demo, std::cout, std::cerr);
          }};
}

Subcommand add_serve_levels(CLI::App& app) {
  auto serve = std::make_shared<ServeLevelsOptions>();
  auto* cmd = app.add_subcommand(
      "serve-levels", "Serve a folder of level data responses on 127.0.0.1 until interrupted");
  cmd->add_option("--data", serve->data_dir, "Folder of <assetClass>/<symbol>_<D|W|M|Q|Y>.json")
      ->required();
  cmd->add_option("--port", serve->port, "Port (default 8080; 0 picks a free one)");
  cmd->add_option("--api-key", serve->api_key, "Accept only this key");
  cmd->add_option("--faults", serve->faults,
                  "Misbehave on purpose: kind=probability,... of http500, http401, drop, "
                  "slow, truncated, garbage, zerobyte, delay; all=P for every kind");
  cmd->add_option("--seed", serve->seed,
                  "Seed of the faults: the same seed gives each client's requests the "
                  "same faults (default 1)");
  cmd->add_option("--client-timeout", serve->client_timeout_seconds,
                  "The clients' total time-out in seconds, which a slow body outlasts "
                  "(default 60, studyhost's own)");
  cmd->footer(studyhost::kFaultKindsHelp);
  return {cmd, [serve] { return serve_levels_command(*serve, std::cerr); }};
}

Subcommand add_validate(CLI::App& app) {
  auto validate = std::make_shared<studyhost::validate::ValidateOptions>();
  auto* cmd = app.add_subcommand(
      "validate", "Conformance and stress tests of a study library, each in a process of its own");
  cmd->add_option("LIBRARY", validate->library, "The study library")->required();
  auto* seed = cmd->add_option("--seed", validate->seed,
                               "Seed of the random tests (default: a fresh one, printed)");
  cmd->add_flag("--only-failed", validate->only_failed, "Report only failed tests");
  cmd->add_flag("--json", validate->json, "Write the report as JSON");
  cmd->add_flag("--in-process", validate->in_process,
                "Run the tests in this process, for a debugger");
  return {cmd, [validate, seed] {
            validate->seed_given = seed->count() > 0;
            return studyhost::validate::run_validate(*validate);
          }};
}

Subcommand add_soak(CLI::App& app) {
  auto soak = std::make_shared<studyhost::soak::SoakOptions>();
  auto timeout_ms = std::make_shared<long long>(soak->transfer_timeout.count());
  auto watchdog_s = std::make_shared<long long>(soak->step_watchdog.count());
  auto* cmd = app.add_subcommand(
      "soak",
      "A long live session of K instances of each study on one chart against a level data "
      "service with faults: bars one at a time, a user's changes, then the service heals and "
      "every instance must match a clean session");
  cmd->add_option("LIBRARY", soak->libraries,
                  "Study libraries (default: both studies of this build)");
  cmd->add_option("--bars", soak->bars, "Bars CSV (default: the bundled sample bars)");
  cmd->add_option("--service", soak->service,
                  "Folder of responses the faulty service answers from (default: the "
                  "bundled ones)");
  cmd->add_option("--instances", soak->instances, "Instances of each study (default 2)");
  auto* seed = cmd->add_option("--seed", soak->seed,
                               "Seed of everything random (default: a fresh one, printed)");
  cmd->add_option("--faults", soak->faults,
                  "kind=probability,... of http500, http401, drop, slow, truncated, "
                  "garbage, zerobyte, delay; all=P for every kind (default: all, 0.03 each)");
  cmd->footer(studyhost::kFaultKindsHelp);
  cmd->add_option("--max-bars", soak->max_bars, "Use only the first N bars (default: all)");
  cmd->add_option("--start-bars", soak->start_bars,
                  "Bars on the chart before the replay starts (default 100)");
  cmd->add_option("--max-updates", soak->max_updates,
                  "Updates of the last bar per new bar, at most (default 3)");
  cmd->add_option("--action-every", soak->action_every,
                  "Steps between a user's actions, on average (default 40)");
  cmd->add_option("--transfer-timeout", *timeout_ms,
                  "The transport's time-outs in ms, which a slow body outlasts (default 500)");
  cmd->add_option("--step-watchdog", *watchdog_s,
                  "Seconds a step may take before it is a hang, more than twice "
                  "--transfer-timeout and 2 s (default 60)");
  cmd->add_option("--symbols", soak->symbols,
                  "Symbols the user switches between, the first where it starts and ends "
                  "(default ES NQ)");
  cmd->add_flag("--json", soak->json, "Write the report as JSON");
  cmd->add_flag("--in-process", soak->in_process,
                "Run the session in this process, for a debugger");
  return {cmd, [soak, seed, timeout_ms, watchdog_s] {
            soak->seed_given = seed->count() > 0;
            soak->transfer_timeout = std::chrono::milliseconds(*timeout_ms);
            if (*watchdog_s < 1 || *watchdog_s > 86400) {
              std::cerr << "studyhost: --step-watchdog must be from 1 to 86400 seconds\n";
              return 1;
            }
            soak->step_watchdog = std::chrono::seconds(*watchdog_s);
            return studyhost::soak::soak_command(*soak, std::cout, std::cerr);
          }};
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"studyhost: loads a study library and runs it as the charting host does"};
  app.failure_message(usage_failure);
  app.require_subcommand(1);
  const std::vector<Subcommand> subcommands = {add_run(app),      add_inputs(app),
                                               add_demo(app),     add_serve_levels(app),
                                               add_validate(app), add_soak(app)};
  CLI11_PARSE(app, argc, argv);

  int status = 1;
  try {
    for (const Subcommand& subcommand : subcommands) {
      if (*subcommand.command) status = subcommand.run();
    }
  } catch (const std::exception& e) {
    // Out of memory on a huge file, say: one line, not a crash.
    std::cerr << "studyhost: " << e.what() << '\n';
  }
  studyhost::release_render_caches();
  return status;
}
