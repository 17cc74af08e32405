// A response body of the timeframe structure study, read for each timeframe
// code (the first byte picks it; "none" leaves it unread, codes outside 1 to
// 5 are read):
// the read ends in a definite request state, every stored record has a valid
// date and finite prices, the API key never reaches the chart or the log, and
// the per-bar pass writes only finite levels from what was stored.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/fuzz_host.h"
#include "host/study_interface.h"
#include "levelclient/level_request.h"
#include "levelclient/status_text.h"
#include "timeframe_structure/period_levels.h"
#include "timeframe_structure/request_cycle.h"

namespace {

constexpr const char* kApiKey = "QLXFUZZSECRETKEY";
constexpr std::int64_t kDay = host::kMicrosPerDay;
// 1901-01-01 and 2039-12-31 at midnight.
constexpr std::int64_t kFirstDate = 367 * kDay;
constexpr std::int64_t kLastDate = 51135 * kDay;
constexpr int kBarDays = 550;
constexpr std::int64_t kBarTimeOfDay = 17 * 3600 * std::int64_t{1000000};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::int32_t timeframe = static_cast<std::int32_t>(data[0] % 8) - 1;
  const bool more_queued = (data[0] & 0x08) != 0;
  const bool crypto = (data[0] & 0x10) != 0;
  const std::string body = qlxfuzz::as_text(data + 1, size - 1);

  qlxfuzz::FuzzHost fake;
  fake.secret = kApiKey;
  fake.accept_requests = (data[0] & 0x20) != 0 ? 1 : 0;
  fake.sc.http_response = body.c_str();
  timeframe::RequestCycle cycle;
  cycle.current_timeframe = timeframe;
  if (more_queued) cycle.queue.push_back(levelclient::kTimeframeYear);
  std::int32_t request_state = levelclient::kPending;
  std::int32_t status_id = 0;
  const timeframe::QueryInputs inputs{"Futures", "ES", kApiKey};

  timeframe::PeriodRecords records{};
  std::int32_t stored = 0;
  const timeframe::PeriodStore store = [&](std::int32_t code,
                                           const levelclient::PeriodValues& values) {
    qlxfuzz::check(code == timeframe, "a record was stored for another timeframe");
    qlxfuzz::check(values.date % kDay == 0, "record date not at midnight");
    qlxfuzz::check(values.date >= kFirstDate && values.date <= kLastDate,
                   "record date outside 1901 to 2039");
    qlxfuzz::check(
        std::isfinite(values.high) && std::isfinite(values.low) && std::isfinite(values.close),
        "non-finite price stored");
    timeframe::store_period(records, code, values.date, values.high, values.low, values.close);
    ++stored;
  };

  const bool read =
      timeframe::handle_request_cycle(fake.sc, cycle, request_state, status_id, inputs, store);
  if (body.empty() || body[0] == '\0') {
    qlxfuzz::check(!read && request_state == levelclient::kPending,
                   "an empty response ended the wait");
    return 0;
  }
  if (timeframe == levelclient::kTimeframeNone) {
    // The body of a request made before the last full recalculation is left
    // unread; the rebuilt queue starts instead.
    qlxfuzz::check(!read && stored == 0, "a body for no timeframe was read");
    qlxfuzz::check(request_state != levelclient::kRequestWanted, "the rebuilt queue did not start");
    return 0;
  }
  if (read) {
    qlxfuzz::check(request_state == levelclient::kIdle ||
                       (request_state == levelclient::kPending && more_queued),
                   "a read body left an unexpected request state");
  } else {
    qlxfuzz::check(request_state == levelclient::kIdle, "a failed read left a request going");
    qlxfuzz::check(!fake.log.empty(), "a failed read was not logged");
    qlxfuzz::check(!fake.log.back().empty(), "a failed read shows an empty text");
    qlxfuzz::check(fake.log.back().size() <= levelclient::kLongestServiceStatus,
                   "a failed read shows more than a status line");
  }
  qlxfuzz::check(status_id != 0, "no status text was shown");

  if (stored == 0) return 0;
  // Daily bars at 17:00 over the year and a half before every stored date,
  // so that each kind of period finds the bars it is paired with.
  std::vector<std::int64_t> times;
  for (const timeframe::PeriodRecord& record : records) {
    if (record.date == 0) continue;
    for (int k = kBarDays; k > 0; --k) times.push_back(record.date - k * kDay + kBarTimeOfDay);
  }
  std::sort(times.begin(), times.end());
  fake.set_bars(times);
  const std::int32_t session_start = static_cast<std::int32_t>(data[0]) * 337;
  timeframe::write_period_levels(fake.sc, records, 0, fake.sc.bar_count - 1, session_start, crypto);
  for (std::size_t i = 0; i < timeframe::kOutputCount; ++i) {
    for (const float value : fake.values[i]) {
      qlxfuzz::check(std::isfinite(value), "the per-bar pass wrote a non-finite level");
    }
  }
  return 0;
}
