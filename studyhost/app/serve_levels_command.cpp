// `studyhost serve-levels`: the mock level data service on its own, for
// pointing a study (or this host's --service) at it, well-behaved or with
// faults on purpose.
#include <chrono>
#include <cmath>
#include <csignal>
#include <iostream>
#include <mutex>
#include <optional>
#include <thread>

#include "studyhost/app/commands.h"
#include "studyhost/mock_service/mock_level_service.h"

namespace studyhost::app {
namespace {

// Longer client time-outs than a day are typing mistakes.
constexpr double kLongestClientTimeout = 86400.0;

// Set by the signal handler, read by the serving loop: the only thing a
// handler may safely touch.
volatile std::sig_atomic_t g_stop_requested = 0;

extern "C" void request_stop(int) {
  g_stop_requested = 1;
}

}  // namespace

int serve_levels(const MockServiceOptions& options, std::ostream& out, std::ostream& err) {
  const std::string& dir = options.dir;
  MockLevelService service;
  std::mutex out_mutex;
  service.set_log([&](const std::string& line) {
    std::lock_guard lock(out_mutex);
    out << line << std::endl;
  });
  g_stop_requested = 0;
  const auto previous_int = std::signal(SIGINT, request_stop);
  const auto previous_term = std::signal(SIGTERM, request_stop);
  auto restore_signals = [&] {
    std::signal(SIGINT, previous_int);
    std::signal(SIGTERM, previous_term);
  };

  std::string error;
  if (!service.start(options, &error)) {
    restore_signals();
    err << "serve-levels: " << error << std::endl;
    return 1;
  }
  {
    std::lock_guard lock(out_mutex);
    out << "Serving " << dir << " on http://" << kMockServiceHost << ":" << service.port()
        << (options.api_key ? " (API key required)" : "");
    if (options.faults.any()) {
      out << " with faults " << fault_list_text(options.faults) << " (seed " << options.faults.seed
          << ")";
    }
    out << "; Ctrl-C stops" << std::endl;
  }
  while (g_stop_requested == 0 && service.running()) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  const bool clean = g_stop_requested != 0;
  service.stop();
  restore_signals();
  if (!clean) {
    err << "serve-levels: the service ended unexpectedly" << std::endl;
    return 1;
  }
  std::lock_guard lock(out_mutex);
  out << "Stopped" << std::endl;
  return 0;
}

int serve_levels_command(const ServeLevelsOptions& options, std::ostream& err) {
  if (options.port < 0 || options.port > 65535) {
    err << "studyhost: --port must be from 0 to 65535\n";
    return 1;
  }
  if (!std::isfinite(options.client_timeout_seconds) || options.client_timeout_seconds <= 0.0 ||
      options.client_timeout_seconds > kLongestClientTimeout) {
    err << "studyhost: --client-timeout must be from 0 to 86400 seconds\n";
    return 1;
  }
  MockServiceOptions service;
  service.dir = options.data_dir;
  service.port = options.port;
  if (!options.api_key.empty()) service.api_key = options.api_key;
  std::string error;
  if (!parse_fault_list(options.faults, service.faults, error)) {
    err << "studyhost: " << error << '\n';
    return 1;
  }
  service.faults.seed = options.seed;
  service.faults.client_timeout = std::chrono::milliseconds(
      static_cast<long long>(std::llround(options.client_timeout_seconds * 1000.0)));
  return serve_levels(service, std::cout, std::cerr);
}

}  // namespace studyhost::app
