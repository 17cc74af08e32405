#include "studyhost/session/download_wait.h"

#include <unistd.h>

#include <condition_variable>
#include <mutex>
#include <thread>

namespace studyhost::session {

bool stderr_is_terminal() {
  return isatty(STDERR_FILENO) == 1;
}

bool wait_for_downloads(Host& host, std::chrono::milliseconds timeout, std::ostream& err,
                        bool progress) {
  if (!host.downloads_pending()) return true;
  if (!progress) return host.settle_downloads(timeout);

  // The host is only touched on this thread; the progress thread knows
  // nothing but the time.
  std::mutex mutex;
  std::condition_variable done_signal;
  bool done = false;
  std::thread ticker([&] {
    const auto start = std::chrono::steady_clock::now();
    std::unique_lock lock(mutex);
    while (!done_signal.wait_for(lock, std::chrono::milliseconds(500), [&] { return done; })) {
      const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(
          std::chrono::steady_clock::now() - start);
      err << "\rwaiting for downloads... " << seconds.count() << " s" << std::flush;
    }
  });
  const bool settled = host.settle_downloads(timeout);
  {
    std::lock_guard lock(mutex);
    done = true;
  }
  done_signal.notify_one();
  ticker.join();
  err << "\r\033[K" << std::flush;
  return settled;
}

}  // namespace studyhost::session
