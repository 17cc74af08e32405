#include "studyhost/process/child_process.h"

#include <poll.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <string>
#include <vector>

namespace studyhost::process {
namespace {

// What is kept of the child's error stream: its end, where a sanitizer or an
// abort writes why it stopped.
constexpr std::size_t kMaxErrorBytes = 64 * 1024;
constexpr std::size_t kErrorLinesShown = 12;

void write_all(int fd, const std::string& text) {
  std::size_t written = 0;
  while (written < text.size()) {
    const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    written += static_cast<std::size_t>(n);
  }
}

[[noreturn]] void child_main(const std::function<std::string(ChildProgress&)>& work,
                             ChildProgress& progress, int result_fd, int error_fd) {
  // Whatever the study prints goes to the error stream, never into the
  // caller's own report.
  ::dup2(error_fd, STDOUT_FILENO);
  ::dup2(error_fd, STDERR_FILENO);
  std::string payload;
  bool done = false;
  try {
    payload = work(progress);
    done = true;
  } catch (const std::exception& e) {
    const std::string line = std::string("the work stopped: ") + e.what() + "\n";
    write_all(STDERR_FILENO, line);
  } catch (...) {
    write_all(STDERR_FILENO, "the work stopped on an unknown exception\n");
  }
  if (done) write_all(result_fd, payload);
  ::close(result_fd);
  // No exit handlers: the parent's buffers and atexit work are not ours.
  ::_exit(done ? 0 : 1);
}

// Memory the child and the parent both see; null when none can be had.
ChildProgress* shared_progress() {
  void* memory = ::mmap(nullptr, sizeof(ChildProgress), PROT_READ | PROT_WRITE,
                        MAP_SHARED | MAP_ANONYMOUS, -1, 0);
  if (memory == MAP_FAILED) return nullptr;
  return new (memory) ChildProgress();
}

void release_progress(ChildProgress* progress) {
  progress->~ChildProgress();
  ::munmap(progress, sizeof(ChildProgress));
}

}  // namespace

void ChildProgress::report(std::uint64_t number, std::string_view description) {
  const std::size_t n = std::min(description.size(), sizeof what - 1);
  std::memcpy(what, description.data(), n);
  what[n] = '\0';
  step.store(number, std::memory_order_release);
}

std::string signal_name(int signal) {
  const char* name = ::strsignal(signal);
  return std::to_string(signal) + (name != nullptr ? std::string(" (") + name + ")" : "");
}

std::vector<std::string> last_lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t from = 0;
  while (from < text.size()) {
    std::size_t end = text.find('\n', from);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(from, end - from);
    if (line.find_first_not_of(" \t\r=") != std::string::npos) lines.push_back(std::move(line));
    from = end + 1;
  }
  // A sanitizer report starts with its ERROR line; keep it when there is one.
  std::vector<std::string> shown;
  for (const std::string& line : lines) {
    if (line.find("ERROR:") != std::string::npos || line.find("SUMMARY:") != std::string::npos ||
        line.find("runtime error") != std::string::npos) {
      shown.push_back(line);
    }
  }
  const std::size_t tail = std::min(lines.size(), kErrorLinesShown);
  for (std::size_t i = lines.size() - tail; i < lines.size(); ++i) shown.push_back(lines[i]);
  return shown;
}

ChildOutcome run_child(const std::function<std::string(ChildProgress&)>& work,
                       std::chrono::milliseconds watchdog) {
  ChildOutcome outcome;
  ChildProgress* progress = shared_progress();
  if (progress == nullptr) {
    outcome.errors = "cannot share memory with the child process\n";
    return outcome;
  }
  int result_pipe[2];
  int error_pipe[2];
  if (::pipe(result_pipe) != 0) {
    release_progress(progress);
    outcome.errors = "cannot create a pipe for the child process\n";
    return outcome;
  }
  if (::pipe(error_pipe) != 0) {
    ::close(result_pipe[0]);
    ::close(result_pipe[1]);
    release_progress(progress);
    outcome.errors = "cannot create a pipe for the child process\n";
    return outcome;
  }
  const pid_t pid = ::fork();
  if (pid < 0) {
    for (int fd : {result_pipe[0], result_pipe[1], error_pipe[0], error_pipe[1]}) ::close(fd);
    release_progress(progress);
    outcome.errors = std::string("cannot start the child process: ") + std::strerror(errno) + "\n";
    return outcome;
  }
  if (pid == 0) {
    ::close(result_pipe[0]);
    ::close(error_pipe[0]);
    child_main(work, *progress, result_pipe[1], error_pipe[1]);
  }
  ::close(result_pipe[1]);
  ::close(error_pipe[1]);

  std::uint64_t seen_step = progress->step.load(std::memory_order_acquire);
  auto deadline = std::chrono::steady_clock::now() + watchdog;
  pollfd fds[2] = {{result_pipe[0], POLLIN, 0}, {error_pipe[0], POLLIN, 0}};
  int open_fds = 2;
  char buffer[65536];
  while (open_fds > 0) {
    const auto now = std::chrono::steady_clock::now();
    const std::uint64_t step = progress->step.load(std::memory_order_acquire);
    if (step != seen_step) {
      seen_step = step;
      deadline = now + watchdog;
    }
    if (now >= deadline) {
      outcome.hung = true;
      break;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now);
    const int ready = ::poll(fds, 2, static_cast<int>(std::min<long long>(left.count(), 200)));
    if (ready < 0 && errno != EINTR) break;
    for (pollfd& p : fds) {
      if (p.fd < 0 || (p.revents & (POLLIN | POLLHUP | POLLERR)) == 0) continue;
      const ssize_t n = ::read(p.fd, buffer, sizeof buffer);
      if (n > 0) {
        std::string& into = p.fd == result_pipe[0] ? outcome.payload : outcome.errors;
        into.append(buffer, static_cast<std::size_t>(n));
        if (&into == &outcome.errors && outcome.errors.size() > 2 * kMaxErrorBytes) {
          outcome.errors.erase(0, outcome.errors.size() - kMaxErrorBytes);
        }
      } else if (n == 0 || errno != EINTR) {
        ::close(p.fd);
        p.fd = -1;
        --open_fds;
      }
    }
  }
  if (outcome.hung) ::kill(pid, SIGKILL);
  for (pollfd& p : fds) {
    if (p.fd >= 0) ::close(p.fd);
  }
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  // The child is gone: what it last named cannot change under the reading.
  outcome.last_step = progress->step.load(std::memory_order_acquire);
  outcome.last_what.assign(progress->what, ::strnlen(progress->what, sizeof progress->what));
  release_progress(progress);
  if (WIFSIGNALED(status)) outcome.signal = WTERMSIG(status);
  if (WIFEXITED(status)) outcome.exit_status = WEXITSTATUS(status);
  outcome.have_payload = !outcome.hung && outcome.signal == 0 && outcome.exit_status == 0;
  return outcome;
}

}  // namespace studyhost::process
