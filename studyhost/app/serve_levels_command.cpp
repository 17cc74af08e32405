// `studyhost serve-levels`: the mock level data service on its own, for
// pointing a study (or this host's --service) at it, well-behaved or with
// faults on purpose.
#include <cmath>
#include <optional>

#include "studyhost/app/commands.h"
#include "studyhost/lib/mock_level_service.h"

namespace studyhost::app {
namespace {

// Longer client time-outs than a day are typing mistakes.
constexpr double kLongestClientTimeout = 86400.0;

}  // namespace

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
  return run_serve_levels(service);
}

}  // namespace studyhost::app
