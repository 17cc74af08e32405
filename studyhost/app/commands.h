// The studyhost command's subcommands as functions, so tests can drive them
// as the command line does. Each returns the process exit code and writes
// one line to `err` for each failure.
#pragma once

#include <chrono>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "studyhost/runtime/host_constants.h"

namespace studyhost {
struct MockServiceOptions;
}

namespace studyhost::app {

// How long a run waits for downloads before it gives up on them: a little
// longer than one transfer may take, so a transfer's own time-out is
// reported as such rather than as the host giving up.
inline constexpr std::chrono::seconds kDefaultDownloadWait = kConnectTimeout + kTotalTimeout;

struct RunOptions {
  std::string library;
  std::string bars;
  std::vector<std::string> inputs;  // NAME=VALUE, or NUMBER=VALUE set after the first recalculation
  float price_increment = kDefaultPriceIncrement;
  std::int32_t value_format = kDefaultValueFormat;
  double tz_offset_hours = 0;
  std::int32_t chart_number = kDefaultChartNumber;
  std::string service;  // base URL, or a folder of responses; empty: the real service
  bool recalc = false;
  std::int32_t replay = 0;
  std::vector<std::string> menus;
  std::string dump;
  std::string trace;
  std::string png;
  std::string svg;
  int width = 1600;
  int height = 900;
  std::int32_t visible_bars = 0;
  std::chrono::milliseconds download_wait = kDefaultDownloadWait;
  bool quiet = false;  // no summary on the output stream
};

// `studyhost run`: loads the bars and the library, runs the host's call
// sequence with what the options ask, and writes the outputs.
int run_command(const RunOptions& options, std::ostream& out, std::ostream& err);

// `studyhost inputs`: the study's inputs as the settings dialog shows them.
int inputs_command(const std::string& library, std::ostream& out, std::ostream& err);

struct DemoOptions {
  std::string data_dir;  // empty: the source tree's data folder
  std::string output_dir = "demo-output";
  std::string pricemap_library;   // empty: the one built with this command
  std::string timeframe_library;  // empty: the one built with this command
  int width = 1600;
  int height = 900;
  std::chrono::milliseconds download_wait = kDefaultDownloadWait;
};

// `studyhost demo`: both studies on the bundled bars against the bundled
// responses, and the price map study in per-period mode, rendered into the
// output folder.
int demo_command(const DemoOptions& options, std::ostream& out, std::ostream& err);

struct ServeLevelsOptions {
  std::string data_dir;
  int port = 8080;
  std::string api_key;  // empty: any key
  std::string faults;   // a fault list; empty: none
  std::uint64_t seed = 1;
  double client_timeout_seconds = static_cast<double>(kTotalTimeout.count());
};

// `studyhost serve-levels`: serves a folder of responses until interrupted,
// with the faults asked for.
int serve_levels_command(const ServeLevelsOptions& options, std::ostream& err);

// Serves until SIGINT or SIGTERM, writing the address and then one line per
// request to `out`, errors to `err`. Returns 0 after a clean stop, 1 when the
// service could not start.
int serve_levels(const MockServiceOptions& options, std::ostream& out, std::ostream& err);

}  // namespace studyhost::app
