#include "studyhost/mock_service/fault_answers.h"

#include <algorithm>
#include <memory>
#include <string_view>
#include <utility>

#include "studyhost/runtime/host_constants.h"

namespace studyhost {

std::uint64_t ServiceCounts::total_faults() const {
  std::uint64_t total = 0;
  for (const std::uint64_t n : faults) total += n;
  return total;
}

namespace mock_service {
namespace {

constexpr const char* kHtml = "text/html; charset=utf-8";
constexpr const char* kServerErrorPage =
    "<!DOCTYPE html>\n<html><head><title>500 Internal Server Error</title></head>\n"
    "<body><h1>Internal Server Error</h1><p>The server encountered an internal error and was "
    "unable to complete your request.</p></body></html>\n";
// Targets whose requests are counted, at most; past it the counts start
// again, so a client that never repeats a target cannot grow the service.
constexpr std::size_t kMaxCountedTargets = 4096;
// A slow body arrives in this many pieces, spread over its time.
constexpr int kSlowPieces = 10;
constexpr std::size_t kShortestGarbage = 16;
constexpr std::size_t kLongestGarbage = 2048;

// A text as a JSON string's contents.
std::string json_escaped(std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out.push_back('\\');
      out.push_back(c);
    } else if (byte < 0x20) {
      out += "\\u00";
      out.push_back(kHex[byte >> 4]);
      out.push_back(kHex[byte & 0x0F]);
    } else {
      out.push_back(c);
    }
  }
  return out;
}

}  // namespace

void FaultDealer::set_plan(const FaultPlan& plan) {
  std::lock_guard lock(mutex_);
  plan_ = plan;
}

ServiceCounts FaultDealer::counts() const {
  std::lock_guard lock(mutex_);
  return counts_;
}

ServiceFault FaultDealer::next(const std::string& target, FaultPlan& plan, std::uint64_t& nth) {
  std::lock_guard lock(mutex_);
  plan = plan_;
  ++counts_.requests;
  if (!plan.any()) return ServiceFault::kNone;
  if (seen_.size() >= kMaxCountedTargets && seen_.find(target) == seen_.end()) seen_.clear();
  nth = seen_[target]++;
  const ServiceFault fault = choose_fault(plan, target, nth);
  if (fault != ServiceFault::kNone) ++counts_.faults[static_cast<std::size_t>(fault)];
  return fault;
}

void FaultWaits::restart() {
  std::lock_guard lock(mutex_);
  stopping_ = false;
}

void FaultWaits::stop() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
}

bool FaultWaits::pause(std::chrono::milliseconds time) {
  std::unique_lock lock(mutex_);
  return !wake_.wait_for(lock, time, [this] { return stopping_; });
}

int fault_status(ServiceFault fault, int status) {
  return fault == ServiceFault::kHttp500   ? 500
         : fault == ServiceFault::kHttp401 ? 401
         : fault == ServiceFault::kGarbage ? 200
                                           : status;
}

void answer_with_fault(const httplib::Request& req, httplib::Response& res, Answer a,
                       ServiceFault fault, const FaultPlan& plan, std::uint64_t nth,
                       FaultWaits& waits) {
  res.status = a.status;
  if (fault != ServiceFault::kNone) res.set_header(kFaultHeader, fault_name(fault));
  const auto draw = [&](std::uint64_t n) { return fault_draw(plan, req.target, nth, n); };
  switch (fault) {
    case ServiceFault::kHttp500:
      res.status = 500;
      res.set_content(kServerErrorPage, kHtml);
      return;
    case ServiceFault::kHttp401: {
      // A service that repeats the key it refused, as some do.
      const std::string key = req.get_param_value_count(kSecretParameter) > 0
                                  ? req.get_param_value(kSecretParameter)
                                  : std::string();
      res.status = 401;
      res.set_content(R"({"message":"Invalid API key )" + json_escaped(key) + R"("})", kJson);
      return;
    }
    case ServiceFault::kDrop: {
      // The length promised is the whole body's; half of it is sent.
      auto body = std::make_shared<std::string>(std::move(a.body));
      const std::size_t half = std::max<std::size_t>(body->size() / 2, 1);
      res.set_content_provider(
          body->size(), kJson,
          [body, half](std::size_t offset, std::size_t, httplib::DataSink& sink) {
            if (offset >= half) return false;
            return sink.write(body->data() + offset, half - offset);
          });
      return;
    }
    case ServiceFault::kSlow: {
      auto body = std::make_shared<std::string>(std::move(a.body));
      const auto gap = plan.slow_body() / kSlowPieces;
      const std::size_t piece = std::max<std::size_t>(body->size() / kSlowPieces, 1);
      res.set_content_provider(
          body->size(), kJson,
          [&waits, body, gap, piece](std::size_t offset, std::size_t, httplib::DataSink& sink) {
            if (!waits.pause(gap)) return false;
            const std::size_t n = std::min(piece, body->size() - offset);
            return sink.write(body->data() + offset, n);
          });
      return;
    }
    case ServiceFault::kTruncated:
      if (a.body.size() > 1) a.body.resize(1 + draw(1) % (a.body.size() - 1));
      res.set_content(std::move(a.body), kJson);
      return;
    case ServiceFault::kGarbage: {
      // Bytes from 1 to 255 (a zero byte is a fault of its own) that no
      // JSON reader takes: a JSON text cannot start with 0xFF.
      std::string garbage(kShortestGarbage + draw(1) % (kLongestGarbage - kShortestGarbage), '\0');
      std::uint64_t bits = 0;
      for (std::size_t i = 0; i < garbage.size(); ++i) {
        if (i % 8 == 0) bits = draw(2 + i / 8);
        garbage[i] = static_cast<char>(1 + (bits & 0xFF) % 255);
        bits >>= 8;
      }
      garbage[0] = static_cast<char>(0xFF);
      res.status = 200;
      res.set_content(std::move(garbage), kJson);
      return;
    }
    case ServiceFault::kZeroByte:
      res.set_content(std::string(1, '\0') + a.body, kJson);
      return;
    case ServiceFault::kDelay:
      waits.pause(plan.delay());
      res.set_content(std::move(a.body), kJson);
      return;
    case ServiceFault::kNone:
      break;
  }
  res.set_content(std::move(a.body), kJson);
}

}  // namespace mock_service
}  // namespace studyhost
