#include "studyhost/mock_service/mock_level_service.h"

#include <httplib.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <sstream>
#include <thread>

#include "levelclient/level_request.h"
#include "studyhost/mock_service/fault_answers.h"
#include "studyhost/runtime/host_constants.h"

namespace studyhost {

namespace {

namespace fs = std::filesystem;

constexpr const char* kInvalidKey = R"({"message":"Invalid API key"})";
constexpr const char* kNoData = R"({"message":"No data"})";
constexpr const char* kBadRequest = R"({"message":"Bad request"})";
constexpr const char* kNotFound = R"({"message":"Not found"})";
constexpr const char* kServerError = R"({"message":"Server error"})";

using mock_service::Answer;
using mock_service::kFaultHeader;
using mock_service::kJson;

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Query-string decoding: %XX and '+' for a space, as the server decodes names.
std::string decode_component(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '%' && i + 2 < text.size()) {
      const int hi = hex_value(text[i + 1]);
      const int lo = hex_value(text[i + 2]);
      if (hi >= 0 && lo >= 0) {
        out.push_back(static_cast<char>(hi * 16 + lo));
        i += 2;
        continue;
      }
    }
    out.push_back(c == '+' ? ' ' : c);
  }
  return out;
}

std::string escape_unprintable(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte >= 0x7F) {
      out.push_back('%');
      out.push_back(kHex[byte >> 4]);
      out.push_back(kHex[byte & 0x0F]);
    } else {
      out.push_back(c);
    }
  }
  return out;
}

// A name that can stand as one path component under the served folder: it
// cannot climb out of it, name a folder below it or end early.
bool safe_component(const std::string& text) {
  if (text.empty() || text.find("..") != std::string::npos) return false;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F || c == '/' || c == '\\') return false;
  }
  return true;
}

bool known_timeframe(const std::string& text) {
  return text == "D" || text == "W" || text == "M" || text == "Q" || text == "Y";
}

// Compares every byte whatever the first difference, so the time taken does
// not tell how much of a guessed key was right. `expected` is never empty
// (start() refuses an empty key).
bool same_key(const std::string& given, const std::string& expected) {
  std::size_t diff = given.size() ^ expected.size();
  for (std::size_t i = 0; i < given.size(); ++i) {
    diff |= static_cast<unsigned char>(given[i] ^ expected[i % expected.size()]);
  }
  return diff == 0;
}

// One value of a parameter that must appear exactly once and not be empty.
bool single_param(const httplib::Request& req, const char* name, std::string* value) {
  if (req.get_param_value_count(name) != 1) return false;
  *value = req.get_param_value(name);
  return !value->empty();
}

bool read_file(const fs::path& path, std::string* content) {
  std::error_code ec;
  if (!fs::is_regular_file(path, ec)) return false;
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  content->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

}  // namespace

struct MockLevelService::State {
  fs::path dir;
  std::optional<std::string> api_key;
  LogSink sink;
  std::mutex log_mutex;
  std::unique_ptr<httplib::Server> server;
  std::thread listener;
  std::atomic<bool> listener_done{false};
  int port = 0;

  // The fault plan and what was answered under it; where slow and delayed
  // answers wait.
  mock_service::FaultDealer faults;
  mock_service::FaultWaits waits;

  Answer answer(const httplib::Request& req) const {
    std::string asset, symbol, timeframe, key;
    if (!single_param(req, "assetClass", &asset) || !single_param(req, "symbol", &symbol) ||
        !single_param(req, "timeframe", &timeframe) || !single_param(req, kSecretParameter, &key) ||
        !safe_component(asset) || !safe_component(symbol) || !known_timeframe(timeframe)) {
      return {400, kBadRequest};
    }
    if (api_key && !same_key(key, *api_key)) return {401, kInvalidKey};
    std::string content;
    if (!read_file(dir / asset / (symbol + "_" + timeframe + ".json"), &content)) {
      return {404, kNoData};
    }
    return {200, std::move(content)};
  }

  void log(const httplib::Request& req, int status, ServiceFault fault = ServiceFault::kNone) {
    std::ostringstream line;
    line << (req.method.empty() ? "-" : escape_unprintable(req.method)) << ' '
         << (req.target.empty() ? "-" : loggable_target(req.target)) << ' ' << status;
    if (fault != ServiceFault::kNone) line << " fault=" << fault_name(fault);
    std::lock_guard lock(log_mutex);
    if (sink) sink(line.str());
  }
};

std::string loggable_target(const std::string& target) {
  const std::size_t q = target.find('?');
  std::string out = target.substr(0, q);
  if (q != std::string::npos) {
    out.push_back('?');
    std::size_t from = q + 1;
    while (true) {
      const std::size_t amp = target.find('&', from);
      const std::string piece =
          target.substr(from, amp == std::string::npos ? std::string::npos : amp - from);
      const std::size_t eq = piece.find('=');
      if (eq != std::string::npos &&
          decode_component(std::string_view(piece).substr(0, eq)) == kSecretParameter) {
        out.append(piece, 0, eq + 1);
        out.append(kRedacted);
      } else {
        out.append(piece);
      }
      if (amp == std::string::npos) break;
      out.push_back('&');
      from = amp + 1;
    }
  }
  return escape_unprintable(out);
}

MockLevelService::MockLevelService() : state_(std::make_unique<State>()) {}

MockLevelService::~MockLevelService() {
  stop();
}

void MockLevelService::set_log(LogSink sink) {
  std::lock_guard lock(state_->log_mutex);
  state_->sink = std::move(sink);
}

void MockLevelService::set_faults(const FaultPlan& faults) {
  state_->faults.set_plan(faults);
}

ServiceCounts MockLevelService::counts() const {
  return state_->faults.counts();
}

bool MockLevelService::start(const std::string& dir, int port, std::optional<std::string> api_key,
                             std::string* error) {
  MockServiceOptions options;
  options.dir = dir;
  options.port = port;
  options.api_key = std::move(api_key);
  return start(options, error);
}

bool MockLevelService::start(const MockServiceOptions& options, std::string* error) {
  const std::string& dir = options.dir;
  const int port = options.port;
  auto fail = [error](std::string text) {
    if (error != nullptr) *error = std::move(text);
    return false;
  };
  if (state_->server) return fail("the level data service is already running");
  if (port < 0 || port > 65535) return fail("port " + std::to_string(port) + " is not a port");
  std::error_code ec;
  if (!fs::is_directory(dir, ec)) return fail("no such folder: " + dir);
  if (options.api_key && options.api_key->empty()) {
    return fail("the API key must not be empty");
  }

  State& s = *state_;
  s.dir = dir;
  s.api_key = options.api_key;
  set_faults(options.faults);
  s.waits.restart();
  auto server = std::make_unique<httplib::Server>();
  // Exclusive use of the port: the library's default would let a second
  // server share it, and requests would reach either one.
  server->set_socket_options([](socket_t sock) {
    int yes = 1;
    setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<char*>(&yes), sizeof(yes));
  });
  // One request per connection: stop() need not wait for idle keep-alive
  // connections to time out.
  server->set_keep_alive_max_count(1);
  // Each answer is logged before it is sent, so a client that asks one
  // request after another finds the lines in the order of its requests.
  server->Get(levelclient::kServicePath, [&s](const httplib::Request& req, httplib::Response& res) {
    Answer a = s.answer(req);
    FaultPlan plan;
    std::uint64_t nth = 0;
    const ServiceFault fault = s.faults.next(req.target, plan, nth);
    s.log(req, mock_service::fault_status(fault, a.status), fault);
    mock_service::answer_with_fault(req, res, std::move(a), fault, plan, nth, s.waits);
  });
  // Everything else the server refuses (unknown paths, unreadable requests)
  // arrives here with no body yet.
  server->set_error_handler([&s](const httplib::Request& req, httplib::Response& res) {
    if (!res.body.empty() || res.has_header(kFaultHeader)) return;
    s.log(req, res.status);
    res.set_content(res.status == 404  ? kNotFound
                    : res.status < 500 ? kBadRequest
                                       : kServerError,
                    kJson);
  });
  server->set_exception_handler([](const httplib::Request&, httplib::Response& res,
                                   std::exception_ptr) { res.status = 500; });

  errno = 0;
  int bound = -1;
  if (port == 0) {
    bound = server->bind_to_any_port(kMockServiceHost);
  } else if (server->bind_to_port(kMockServiceHost, port)) {
    bound = port;
  }
  if (bound <= 0) {
    const int cause = errno;
    if (cause == EADDRINUSE) return fail("port " + std::to_string(port) + " is already in use");
    return fail("cannot listen on " + std::string(kMockServiceHost) + ":" + std::to_string(port) +
                (cause != 0 ? std::string(": ") + std::strerror(cause) : std::string()));
  }

  httplib::Server* raw = server.get();
  s.server = std::move(server);
  s.port = bound;
  s.listener_done = false;
  s.listener = std::thread([raw, &s] {
    raw->listen_after_bind();
    s.listener_done = true;
  });
  wait_for_listener();
  if (!raw->is_running()) {
    stop();
    return fail("the level data service ended as it started");
  }
  return true;
}

int MockLevelService::port() const {
  return state_->server ? state_->port : 0;
}

bool MockLevelService::running() const {
  return state_->server && state_->server->is_running();
}

// The server ignores stop() until its accept loop runs, so the listener
// thread is waited for until it is in that loop or has already left it.
void MockLevelService::wait_for_listener() const {
  const State& s = *state_;
  while (!s.server->is_running() && !s.listener_done) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

void MockLevelService::stop() {
  State& s = *state_;
  if (!s.server) return;
  s.waits.stop();
  if (s.listener.joinable()) {
    wait_for_listener();
    s.server->stop();
    s.listener.join();
  }
  s.server.reset();
  s.port = 0;
}

}  // namespace studyhost
