#include "studyhost/validate/child_process.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace studyhost::validate {
namespace {

// What is kept of the child's error stream: its end, where a sanitizer or an
// abort writes why it stopped.
constexpr std::size_t kMaxErrorBytes = 64 * 1024;
constexpr std::size_t kErrorLinesShown = 12;

std::string to_json(const TestResult& result) {
  nlohmann::json j;
  j["passed"] = result.passed;
  j["failures"] = result.failures;
  j["notes"] = result.notes;
  // Study texts may be any bytes; the report replaces what is not UTF-8.
  return j.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

bool from_json(const std::string& text, TestResult& result) {
  try {
    const nlohmann::json j = nlohmann::json::parse(text);
    result.passed = j.at("passed").get<bool>();
    result.failures = j.at("failures").get<std::vector<std::string>>();
    result.notes = j.at("notes").get<std::vector<std::string>>();
    return true;
  } catch (const nlohmann::json::exception&) {
    return false;
  }
}

void write_all(int fd, const std::string& text) {
  std::size_t written = 0;
  while (written < text.size()) {
    const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    written += static_cast<std::size_t>(n);
  }
}

[[noreturn]] void child_main(const std::function<TestResult()>& test, const TestResult& blank,
                             int result_fd, int error_fd) {
  // Whatever the study prints goes to the error stream, never into the
  // validator's own report.
  ::dup2(error_fd, STDOUT_FILENO);
  ::dup2(error_fd, STDERR_FILENO);
  TestResult result = blank;
  try {
    result = test();
  } catch (const std::exception& e) {
    result.passed = false;
    result.failures.push_back(std::string("the test stopped: ") + e.what());
  } catch (...) {
    result.passed = false;
    result.failures.push_back("the test stopped on an unknown exception");
  }
  write_all(result_fd, to_json(result));
  ::close(result_fd);
  // No exit handlers: the parent's buffers and atexit work are not ours.
  ::_exit(0);
}

std::string signal_name(int signal) {
  const char* name = ::strsignal(signal);
  return std::to_string(signal) + (name != nullptr ? std::string(" (") + name + ")" : "");
}

// The last lines of the child's error stream that say something.
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

}  // namespace

TestResult run_in_child(const std::function<TestResult()>& test, const TestResult& blank,
                        std::chrono::seconds watchdog) {
  TestResult result = blank;
  result.passed = false;
  int result_pipe[2];
  int error_pipe[2];
  if (::pipe(result_pipe) != 0) {
    result.failures.push_back("cannot create a pipe for the test's process");
    return result;
  }
  if (::pipe(error_pipe) != 0) {
    ::close(result_pipe[0]);
    ::close(result_pipe[1]);
    result.failures.push_back("cannot create a pipe for the test's process");
    return result;
  }
  const pid_t pid = ::fork();
  if (pid < 0) {
    for (int fd : {result_pipe[0], result_pipe[1], error_pipe[0], error_pipe[1]}) ::close(fd);
    result.failures.push_back(std::string("cannot start the test's process: ") +
                              std::strerror(errno));
    return result;
  }
  if (pid == 0) {
    ::close(result_pipe[0]);
    ::close(error_pipe[0]);
    child_main(test, blank, result_pipe[1], error_pipe[1]);
  }
  ::close(result_pipe[1]);
  ::close(error_pipe[1]);

  std::string output;
  std::string errors;
  bool timed_out = false;
  const auto deadline = std::chrono::steady_clock::now() + watchdog;
  pollfd fds[2] = {{result_pipe[0], POLLIN, 0}, {error_pipe[0], POLLIN, 0}};
  int open_fds = 2;
  char buffer[65536];
  while (open_fds > 0) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      timed_out = true;
      break;
    }
    const int ready = ::poll(fds, 2, static_cast<int>(std::min<long long>(left.count(), 1000)));
    if (ready < 0 && errno != EINTR) break;
    for (pollfd& p : fds) {
      if (p.fd < 0 || (p.revents & (POLLIN | POLLHUP | POLLERR)) == 0) continue;
      const ssize_t n = ::read(p.fd, buffer, sizeof buffer);
      if (n > 0) {
        std::string& into = p.fd == result_pipe[0] ? output : errors;
        into.append(buffer, static_cast<std::size_t>(n));
        if (&into == &errors && errors.size() > 2 * kMaxErrorBytes) {
          errors.erase(0, errors.size() - kMaxErrorBytes);
        }
      } else if (n == 0 || errno != EINTR) {
        ::close(p.fd);
        p.fd = -1;
        --open_fds;
      }
    }
  }
  if (timed_out) ::kill(pid, SIGKILL);
  for (pollfd& p : fds) {
    if (p.fd >= 0) ::close(p.fd);
  }
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }

  const bool have_result = from_json(output, result);
  if (timed_out) {
    result.passed = false;
    result.failures.push_back("hung: stopped after " + std::to_string(watchdog.count()) + " s");
  } else if (WIFSIGNALED(status)) {
    result.passed = false;
    result.failures.push_back("crashed: the test's process died on signal " +
                              signal_name(WTERMSIG(status)));
  } else if (!have_result) {
    result.passed = false;
    result.failures.push_back("the test's process ended without a result (exit status " +
                              std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1) + ")");
  }
  if (!result.passed) {
    for (std::string& line : last_lines(errors)) result.notes.push_back("stderr: " + line);
  }
  return result;
}

}  // namespace studyhost::validate
