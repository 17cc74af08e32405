// Helpers of the HTTP scenario tests: the bundled sample bars, a scratch
// folder of responses, and a raw TCP server on 127.0.0.1 that misbehaves on
// purpose (cut bodies, silence, redirects).
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "studyhost/runtime/chart.h"

namespace httptest {

inline const std::string kDataDir = QLX_DATA_DIR;
inline const std::string kLevelsDir = kDataDir + "/levels";
inline constexpr std::int64_t kDay = 86400000000;

// Days since 1899-12-30 of a Gregorian date.
inline std::int64_t day_number(int y, int m, int d) {
  y -= m <= 2 ? 1 : 0;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t yoe = y - era * 400;
  const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468 + 25569;  // 1970-01-01 is day 25569
}

// "YYYY-MM-DD HH:MM:SS" as a host date-time.
inline std::int64_t host_datetime(const std::string& text) {
  int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
  if (std::sscanf(text.c_str(), "%d-%d-%d %d:%d:%d", &y, &mo, &d, &h, &mi, &s) != 6) {
    throw std::runtime_error("bad time: " + text);
  }
  return day_number(y, mo, d) * kDay + (h * 3600LL + mi * 60LL + s) * 1000000LL;
}

inline std::vector<studyhost::Bar> sample_bars() {
  std::ifstream in(kDataDir + "/bars/es_5min.csv");
  if (!in) throw std::runtime_error("sample bars missing");
  std::vector<studyhost::Bar> bars;
  std::string line;
  std::getline(in, line);  // header
  while (std::getline(in, line)) {
    std::istringstream row(line);
    std::string time, field;
    std::getline(row, time, ',');
    float v[5] = {};
    for (float& x : v) {
      std::getline(row, field, ',');
      x = std::stof(field);
    }
    bars.push_back(studyhost::Bar{host_datetime(time), v[0], v[1], v[2], v[3], v[4]});
  }
  return bars;
}

// A folder removed with everything in it when the test ends.
struct ScratchDir {
  ScratchDir() {
    char name[] = "/tmp/qlx_http_test_XXXXXX";
    if (mkdtemp(name) == nullptr) throw std::runtime_error("mkdtemp failed");
    path = name;
  }
  ~ScratchDir() {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
  }
  void write(const std::string& relative, const std::string& content) const {
    const std::filesystem::path file = path / relative;
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << content;
  }
  std::filesystem::path path;
};

// A port on 127.0.0.1 that nothing listens on (it was free a moment ago).
inline int closed_port() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  socklen_t len = sizeof addr;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
  ::close(fd);
  return ntohs(addr.sin_port);
}

// Writes all of `data`; false when the peer has gone.
inline bool send_all(int fd, const std::string& data) {
  std::size_t sent = 0;
  while (sent < data.size()) {
    const ssize_t n = ::send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return false;
    sent += static_cast<std::size_t>(n);
  }
  return true;
}

// Accepts connections on 127.0.0.1, reads each request's head and hands the
// socket to the script; the connection is closed when the script returns.
// The script should return once stopping() turns true.
class RawServer {
 public:
  using Script = std::function<void(int fd, const std::string& request_head, RawServer& self)>;

  explicit RawServer(Script script) : script_(std::move(script)) {
    listen_fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (listen_fd_ < 0 ||
        ::bind(listen_fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(listen_fd_, 8) != 0) {
      throw std::runtime_error("raw server cannot listen");
    }
    socklen_t len = sizeof addr;
    ::getsockname(listen_fd_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    thread_ = std::thread([this] { run(); });
  }
  ~RawServer() {
    stopping_ = true;
    thread_.join();
    ::close(listen_fd_);
  }
  RawServer(const RawServer&) = delete;
  RawServer& operator=(const RawServer&) = delete;

  int port() const { return port_; }
  std::string base() const { return "http://127.0.0.1:" + std::to_string(port_); }
  bool stopping() const { return stopping_; }
  int connections() const { return connections_; }

  // Waits up to `limit` for stopping(); true when asked to stop.
  bool wait_for_stop(std::chrono::milliseconds limit) const {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!stopping_ && std::chrono::steady_clock::now() < end) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return stopping_;
  }

 private:
  void run() {
    while (!stopping_) {
      pollfd p{listen_fd_, POLLIN, 0};
      if (::poll(&p, 1, 20) <= 0) continue;
      const int fd = ::accept(listen_fd_, nullptr, nullptr);
      if (fd < 0) continue;
      ++connections_;
      std::string head;
      char buffer[1024];
      while (head.find("\r\n\r\n") == std::string::npos && head.size() < 65536 && !stopping_) {
        pollfd c{fd, POLLIN, 0};
        if (::poll(&c, 1, 20) <= 0) continue;
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        head.append(buffer, static_cast<std::size_t>(n));
      }
      script_(fd, head, *this);
      ::close(fd);
    }
  }

  Script script_;
  int listen_fd_ = -1;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  std::atomic<int> connections_{0};
  std::thread thread_;
};

// Log lines gathered from any thread.
struct LogLines {
  void add(const std::string& line) {
    std::lock_guard lock(mutex);
    lines.push_back(line);
  }
  std::vector<std::string> snapshot() const {
    std::lock_guard lock(mutex);
    return lines;
  }
  // A server logs a request after it has answered it, so a client can be
  // done before the line is written: waits (up to a bound) for `count` lines.
  std::vector<std::string> at_least(std::size_t count) const {
    for (int i = 0; i < 2000 && snapshot().size() < count; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return snapshot();
  }
  mutable std::mutex mutex;
  std::vector<std::string> lines;
};

}  // namespace httptest
