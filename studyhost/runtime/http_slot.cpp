#include "studyhost/runtime/http_slot.h"

#include <condition_variable>
#include <mutex>

#include "host/text_case.h"
#include "host/transfer_failure.h"
#include "studyhost/runtime/host_constants.h"
#include "studyhost/runtime/redact.h"

namespace studyhost {

// What the worker thread and the host share about one transfer.
struct HttpSlot::Transfer {
  std::string url;
  mutable std::mutex mutex;
  mutable std::condition_variable ended;
  bool done = false;
  HttpResult result;
};

namespace {

// Only web URLs, and none that could smuggle a second header line or argument
// into the request.
bool acceptable_url(const std::string& url) {
  const bool web = (host::starts_with_ignoring_case(url, "http://") && url.size() > 7) ||
                   (host::starts_with_ignoring_case(url, "https://") && url.size() > 8);
  if (!web) return false;
  for (const char c : url) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte <= 0x20 || byte == 0x7F) return false;
  }
  return true;
}

}  // namespace

HttpSlot::HttpSlot(Transport& transport) : transport_(transport) {}

HttpSlot::~HttpSlot() {
  if (worker_.joinable()) worker_.join();
}

bool HttpSlot::request(const std::string& url) {
  if (transfer_ != nullptr || !acceptable_url(url)) return false;
  if (worker_.joinable()) worker_.join();
  auto transfer = std::make_shared<Transfer>();
  transfer->url = url;
  requests_.push_back(url);
  response_.clear();
  transfer_ = transfer;
  try {
    worker_ = std::thread([&transport = transport_, transfer] {
      HttpResult result;
      try {
        result = transport.fetch(transfer->url);
      } catch (const std::exception& e) {
        result = HttpResult{false, 0, {}, e.what()};
      } catch (...) {
        result = HttpResult{false, 0, {}, "transport failure"};
      }
      {
        std::lock_guard lock(transfer->mutex);
        transfer->result = std::move(result);
        transfer->done = true;
      }
      transfer->ended.notify_all();
    });
  } catch (const std::system_error& e) {
    // No thread to run it on: the request still ends, as a failed transfer.
    std::lock_guard lock(transfer->mutex);
    transfer->result = HttpResult{false, 0, {}, std::string("cannot start transfer: ") + e.what()};
    transfer->done = true;
  }
  return true;
}

bool HttpSlot::pending() const {
  return transfer_ != nullptr;
}

std::string HttpSlot::pending_url() const {
  // The worker only reads the URL, so reading it here needs no lock.
  return transfer_ != nullptr ? transfer_->url : std::string();
}

bool HttpSlot::completed() const {
  if (transfer_ == nullptr) return false;
  std::lock_guard lock(transfer_->mutex);
  return transfer_->done;
}

bool HttpSlot::wait_until(std::chrono::steady_clock::time_point deadline) const {
  if (transfer_ == nullptr) return true;
  std::unique_lock lock(transfer_->mutex);
  return transfer_->ended.wait_until(lock, deadline, [this] { return transfer_->done; });
}

bool HttpSlot::publish(std::vector<std::string>& log) {
  if (!completed()) return false;
  if (worker_.joinable()) worker_.join();
  HttpResult result;
  {
    std::lock_guard lock(transfer_->mutex);
    result = std::move(transfer_->result);
  }
  const std::string url = std::move(transfer_->url);
  transfer_.reset();

  // The study reads the body as a C text, and the platform hands it one that
  // ends at the first zero byte: the body ends there in both hosts.
  if (const std::size_t zero = result.body.find('\0'); zero != std::string::npos) {
    result.body.resize(zero);
  }
  std::string error;
  if (!result.ok) {
    error = result.error.empty() ? "transfer failed" : result.error;
  } else if (result.body.size() > kMaxResponseBytes) {
    error = host::kResponseTooLarge;
  } else if (result.body.empty()) {
    // An empty text means "still downloading" to a study; publishing it would
    // leave the study waiting for ever.
    error = host::kEmptyResponse;
  }
  if (error.empty()) {
    response_ = std::move(result.body);
    return true;
  }
  // The reason may name the key anywhere: in a URL (api_key=...), or in a
  // host name a redirect built from it.
  const std::string reason = redact_text(error);
  log.push_back(host::failed_transfer_line(url, reason));
  response_ = host::failed_transfer_response(url, reason);
  return true;
}

std::thread HttpSlot::detach_transfer() {
  transfer_.reset();
  return std::move(worker_);
}

}  // namespace studyhost
