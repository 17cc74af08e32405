// `studyhost serve-levels`: the mock level data service on its own, for
// pointing a study (or this host's --service) at it.
#include <optional>

#include "studyhost/app/commands.h"
#include "studyhost/lib/mock_level_service.h"

namespace studyhost::app {

int serve_levels_command(const std::string& data_dir, int port, const std::string& api_key,
                         std::ostream& err) {
  if (port < 0 || port > 65535) {
    err << "studyhost: --port must be from 0 to 65535\n";
    return 1;
  }
  std::optional<std::string> key;
  if (!api_key.empty()) key = api_key;
  return run_serve_levels(data_dir, port, key);
}

}  // namespace studyhost::app
