// The studyhost command: runs study libraries as the charting host does.
#include <CLI/CLI.hpp>
#include <iostream>

#include "studyhost/app/commands.h"
#include "studyhost/mock_service/fault_plan.h"
#include "studyhost/render/renderer.h"
#include "studyhost/soak/soak.h"
#include "studyhost/validate/validate.h"

namespace {

// One line on a bad command line, naming where help is.
std::string usage_failure(const CLI::App*, const CLI::Error& e) {
  return std::string("studyhost: ") + e.what() + " (see studyhost --help)\n";
}

}  // namespace

int main(int argc, char** argv) {
  using namespace studyhost::app;
  CLI::App app{"studyhost: loads a study library and runs it as the charting host does"};
  app.failure_message(usage_failure);
  app.require_subcommand(1);

  RunOptions run;
  double wait_seconds = static_cast<double>(kDefaultDownloadWait.count());
  auto* run_cmd = app.add_subcommand(
      "run",
      "Run one study on a chart of bars: defaults call, full recalculation, downloads, then "
      "the inputs given by number with another full recalculation, --recalc, --replay and "
      "--menu in that order, then the outputs");
  run_cmd->add_option("LIBRARY", run.library, "The study library")->required();
  run_cmd->add_option("--bars", run.bars, "Bars CSV: a header, then YYYY-MM-DD HH:MM:SS,o,h,l,c,v")
      ->required();
  run_cmd->add_option("--input", run.inputs,
                      "NAME=VALUE: set a declared input before the study runs; NUMBER=VALUE: "
                      "set an input by its number (one without a name too) once the study "
                      "has run, as the host would from outside (repeatable)");
  run_cmd->add_option("--price-increment", run.price_increment, "Tick size (default 0.25)");
  run_cmd->add_option("--value-format", run.value_format, "Decimals of price texts (default 2)");
  run_cmd->add_option("--tz-offset", run.tz_offset_hours,
                      "Hours from the bars file's times to the chart's time zone");
  run_cmd->add_option("--chart-number", run.chart_number, "Chart number (default 1)");
  run_cmd->add_option("--service", run.service,
                      "Base URL for the level data service, or a folder of responses to serve "
                      "on loopback (default: the real service)");
  run_cmd->add_flag("--recalc", run.recalc, "One more full recalculation after the downloads");
  run_cmd->add_option("--replay", run.replay,
                      "Start without the last N bars, then add them one at a time");
  run_cmd->add_option("--menu", run.menus, "Choose the menu entry with this text (repeatable)");
  run_cmd->add_option("--dump", run.dump, "Write what the host holds as JSON");
  run_cmd->add_option("--trace", run.trace, "Write each host operation as a JSON line");
  run_cmd->add_option("--png", run.png, "Render the chart to PNG");
  run_cmd->add_option("--svg", run.svg, "Render the chart to SVG");
  run_cmd->add_option("--width", run.width, "Picture width in pixels (default 1600)");
  run_cmd->add_option("--height", run.height, "Picture height in pixels (default 900)");
  run_cmd->add_option("--visible-bars", run.visible_bars, "Show only the last N bars (0: all)");
  run_cmd->add_option("--timeout", wait_seconds, "Seconds to wait for downloads (default 70)");
  run_cmd->add_flag("--quiet", run.quiet, "No summary of the study's status and log");

  std::string inputs_library;
  auto* inputs_cmd =
      app.add_subcommand("inputs", "List a study's inputs as its settings show them");
  inputs_cmd->add_option("LIBRARY", inputs_library, "The study library")->required();

  DemoOptions demo;
  double demo_wait_seconds = static_cast<double>(kDefaultDownloadWait.count());
  auto* demo_cmd = app.add_subcommand(
      "demo",
      "Both studies on the bundled ES bars and level data, and the price map study in "
      "per-period mode, rendered to PNG and SVG");
  demo_cmd->add_option("--data", demo.data_dir, "The data folder (default: the source tree's)");
  demo_cmd->add_option("--output", demo.output_dir, "Output folder (default ./demo-output)");
  demo_cmd->add_option("--pricemap-library", demo.pricemap_library,
                       "qlx_pricemap_overlay_64 to use");
  demo_cmd->add_option("--timeframe-library", demo.timeframe_library,
                       "qlx_timeframe_structure_64 to use");
  demo_cmd->add_option("--width", demo.width, "Picture width in pixels (default 1600)");
  demo_cmd->add_option("--height", demo.height, "Picture height in pixels (default 900)");
  demo_cmd->add_option("--timeout", demo_wait_seconds, "Seconds to wait for downloads");

  ServeLevelsOptions serve;
  auto* serve_cmd = app.add_subcommand(
      "serve-levels", "Serve a folder of level data responses on 127.0.0.1 until interrupted");
  serve_cmd
      ->add_option("--data", serve.data_dir, "Folder of <assetClass>/<symbol>_<D|W|M|Q|Y>.json")
      ->required();
  serve_cmd->add_option("--port", serve.port, "Port (default 8080; 0 picks a free one)");
  serve_cmd->add_option("--api-key", serve.api_key, "Accept only this key");
  serve_cmd->add_option("--faults", serve.faults,
                        "Misbehave on purpose: kind=probability,... of http500, http401, drop, "
                        "slow, truncated, garbage, zerobyte, delay; all=P for every kind");
  serve_cmd->add_option("--seed", serve.seed,
                        "Seed of the faults: the same seed gives each client's requests the "
                        "same faults (default 1)");
  serve_cmd->add_option("--client-timeout", serve.client_timeout_seconds,
                        "The clients' total time-out in seconds, which a slow body outlasts "
                        "(default 60, studyhost's own)");
  serve_cmd->footer(studyhost::kFaultKindsHelp);

  studyhost::validate::ValidateOptions validate;
  auto* validate_cmd = app.add_subcommand(
      "validate", "Conformance and stress tests of a study library, each in a process of its own");
  validate_cmd->add_option("LIBRARY", validate.library, "The study library")->required();
  auto* seed_option = validate_cmd->add_option(
      "--seed", validate.seed, "Seed of the random tests (default: a fresh one, printed)");
  validate_cmd->add_flag("--only-failed", validate.only_failed, "Report only failed tests");
  validate_cmd->add_flag("--json", validate.json, "Write the report as JSON");
  validate_cmd->add_flag("--in-process", validate.in_process,
                         "Run the tests in this process, for a debugger");

  studyhost::soak::SoakOptions soak;
  long long soak_timeout_ms = soak.transfer_timeout.count();
  long long soak_watchdog_s = soak.step_watchdog.count();
  auto* soak_cmd = app.add_subcommand(
      "soak",
      "A long live session of K instances of each study on one chart against a level data "
      "service with faults: bars one at a time, a user's changes, then the service heals and "
      "every instance must match a clean session");
  soak_cmd->add_option("LIBRARY", soak.libraries,
                       "Study libraries (default: both studies of this build)");
  soak_cmd->add_option("--bars", soak.bars, "Bars CSV (default: the bundled sample bars)");
  soak_cmd->add_option("--service", soak.service,
                       "Folder of responses the faulty service answers from (default: the "
                       "bundled ones)");
  soak_cmd->add_option("--instances", soak.instances, "Instances of each study (default 2)");
  auto* soak_seed = soak_cmd->add_option(
      "--seed", soak.seed, "Seed of everything random (default: a fresh one, printed)");
  soak_cmd->add_option("--faults", soak.faults,
                       "kind=probability,... of http500, http401, drop, slow, truncated, "
                       "garbage, zerobyte, delay; all=P for every kind (default: all, 0.03 each)");
  soak_cmd->footer(studyhost::kFaultKindsHelp);
  soak_cmd->add_option("--max-bars", soak.max_bars, "Use only the first N bars (default: all)");
  soak_cmd->add_option("--start-bars", soak.start_bars,
                       "Bars on the chart before the replay starts (default 100)");
  soak_cmd->add_option("--max-updates", soak.max_updates,
                       "Updates of the last bar per new bar, at most (default 3)");
  soak_cmd->add_option("--action-every", soak.action_every,
                       "Steps between a user's actions, on average (default 40)");
  soak_cmd->add_option("--transfer-timeout", soak_timeout_ms,
                       "The transport's time-outs in ms, which a slow body outlasts (default 500)");
  soak_cmd->add_option("--step-watchdog", soak_watchdog_s,
                       "Seconds a step may take before it is a hang, more than twice "
                       "--transfer-timeout and 2 s (default 60)");
  soak_cmd->add_option("--symbols", soak.symbols,
                       "Symbols the user switches between, the first where it starts and ends "
                       "(default ES NQ)");
  soak_cmd->add_flag("--json", soak.json, "Write the report as JSON");
  soak_cmd->add_flag("--in-process", soak.in_process,
                     "Run the session in this process, for a debugger");

  CLI11_PARSE(app, argc, argv);

  auto wait_of = [](double seconds) {
    return std::chrono::milliseconds(static_cast<long long>(seconds * 1000.0));
  };
  auto dispatch = [&]() -> int {
    if (*run_cmd) {
      if (!(wait_seconds > 0 && wait_seconds <= 86400)) {
        std::cerr << "studyhost: --timeout must be from 0 to 86400 seconds\n";
        return 1;
      }
      run.download_wait = wait_of(wait_seconds);
      return run_command(run, std::cout, std::cerr);
    }
    if (*inputs_cmd) return inputs_command(inputs_library, std::cout, std::cerr);
    if (*demo_cmd) {
      if (!(demo_wait_seconds > 0 && demo_wait_seconds <= 86400)) {
        std::cerr << "studyhost: --timeout must be from 0 to 86400 seconds\n";
        return 1;
      }
      demo.download_wait = wait_of(demo_wait_seconds);
      return demo_command(demo, std::cout, std::cerr);
    }
    if (*serve_cmd) return serve_levels_command(serve, std::cerr);
    if (*soak_cmd) {
      soak.seed_given = soak_seed->count() > 0;
      soak.transfer_timeout = std::chrono::milliseconds(soak_timeout_ms);
      if (soak_watchdog_s < 1 || soak_watchdog_s > 86400) {
        std::cerr << "studyhost: --step-watchdog must be from 1 to 86400 seconds\n";
        return 1;
      }
      soak.step_watchdog = std::chrono::seconds(soak_watchdog_s);
      return studyhost::soak::soak_command(soak, std::cout, std::cerr);
    }
    if (*validate_cmd) {
      validate.seed_given = seed_option->count() > 0;
      return studyhost::validate::run_validate(validate);
    }
    return 1;
  };
  int status = 1;
  try {
    status = dispatch();
  } catch (const std::exception& e) {
    // Out of memory on a huge file, say: one line, not a crash.
    std::cerr << "studyhost: " << e.what() << '\n';
  }
  studyhost::release_render_caches();
  return status;
}
