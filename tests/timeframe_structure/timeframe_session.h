// One chart in studyhost with the real timeframe structure library on it.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "levelclient/level_request.h"
#include "studyhost/runtime/studyhost.h"

namespace timeframe::test {

namespace in {
inline constexpr std::int32_t kAssetClass = 0;
inline constexpr std::int32_t kSymbol = 1;
inline constexpr std::int32_t kApiKey = 2;
inline constexpr std::int32_t kSessionEnabled = 3;
inline constexpr std::int32_t kMonthEnabled = 5;
inline constexpr std::int32_t kSessionStart = 8;
inline constexpr std::int32_t kIsCrypto = 9;
}  // namespace in

inline constexpr std::chrono::milliseconds kTimeout{5000};

// A body holding one dated record.
inline std::string period_body(const std::string& date, const std::string& high,
                               const std::string& low, const std::string& close) {
  return R"({"data":[{"Date":")" + date + R"(","High":")" + high + R"(","Low":")" + low +
         R"(","Close":")" + close + R"("}]})";
}

struct TimeframeSession {
  // Symbol and API Key are given texts unless `give_texts` is false.
  explicit TimeframeSession(const std::vector<std::int64_t>& bar_times, bool give_texts = true) {
    std::string error;
    library = studyhost::StudyLibrary::load(QLX_TIMEFRAME_STRUCTURE_64_PATH, &error);
    if (!library) throw std::runtime_error(error);
    host = std::make_unique<studyhost::Host>(transport);
    std::vector<studyhost::Bar> bars;
    for (const std::int64_t t : bar_times) bars.push_back(studyhost::Bar{t, 1, 1, 1, 1, 1});
    host->set_bars(std::move(bars));
    study = &host->add_study(*library);
    if (!give_texts) return;
    study->set_input_text(in::kSymbol, "BTCUSD");
    study->set_input_text(in::kApiKey, "KEY123");
  }

  // The URL prefix of the request for one timeframe letter.
  static std::string url_for(const std::string& letter) {
    return "https://" + std::string(levelclient::service_host()) +
           "/wp-json/fernhollow/v1/getcsv?assetClass=Crypto&symbol=BTCUSD&timeframe=" + letter;
  }

  void answer(const std::string& letter, const std::string& body) {
    transport.respond(url_for(letter), body);
  }

  void settle() {
    if (!host->settle_downloads(kTimeout)) throw std::runtime_error("download timed out");
  }

  // The timeframe letters requested so far, in order.
  std::vector<std::string> requested() const {
    std::vector<std::string> letters;
    for (const std::string& url : study->requests()) {
      const auto at = url.find("timeframe=");
      letters.push_back(at == std::string::npos ? "?" : url.substr(at + 10, 1));
    }
    return letters;
  }

  const studyhost::DrawingState* status() const {
    for (const auto& [id, drawing] : host->drawings())
      if (drawing.owner == study->id()) return &drawing;
    return nullptr;
  }

  std::int32_t request_state() const { return study->persistent_int(2); }

  studyhost::ScriptedTransport transport;
  std::unique_ptr<studyhost::StudyLibrary> library;
  std::unique_ptr<studyhost::Host> host;
  studyhost::StudyInstance* study = nullptr;
};

}  // namespace timeframe::test
