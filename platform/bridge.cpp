#include "platform/bridge.h"

#include <memory>
#include <new>

#include "platform/bridged_instance.h"
#include "platform/scope_exit.h"

namespace qlx_platform {

void run_in_platform(SCStudyInterfaceRef sc, StudyRun run) {
  // A DLL of this name built for studyhost would read the platform's
  // structure as studyhost's record; this one, handed studyhost's record,
  // leaves it alone in the same way.
  if (host::is_studyhost_record(&sc)) return;
  try {
    if (sc.SetDefaults != 0) {
      // The declarations go straight to the platform; nothing is kept, so a
      // defaults call on an instance the platform then drops leaves nothing.
      const auto declaring = std::make_unique<BridgedInstance>();
      declaring->call(sc, run);
      return;
    }
    void*& cell = sc.GetPersistentPointer(kBridgeStateKey);
    auto* bridge = static_cast<BridgedInstance*>(cell);
    if (bridge == nullptr) {
      bridge = new (std::nothrow) BridgedInstance();
      // Without memory for the bridge the study cannot run on this call; the
      // platform calls again with the next update.
      if (bridge == nullptr) return;
      cell = bridge;
    }
    // No call follows the last one: its state goes however the call ends.
    const bool last_call = sc.LastCallToFunction != 0;
    const ScopeExit free_after_last_call([&cell, bridge, last_call] {
      if (!last_call) return;
      cell = nullptr;
      delete bridge;
    });
    bridge->call(sc, run);
  } catch (...) {
    // Nothing may cross into the platform; what can throw here is running out
    // of memory, and the next call starts from the persistent cells as they are.
  }
}

}  // namespace qlx_platform
