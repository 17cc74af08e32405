// A minimal host record for the fuzz targets: every operation a study part
// may call, backed by plain containers, and checks of what a study sends that
// end the run with a report (libFuzzer then saves the input that did it).
#pragma once

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "host/drawing_record.h"
#include "host/host_string.h"
#include "host/secret_text.h"
#include "host/study_interface.h"

namespace qlxfuzz {

[[noreturn]] inline void fail(const char* what) {
  std::fprintf(stderr, "fuzz check failed: %s\n", what);
  std::abort();
}

inline void check(bool condition, const char* what) {
  if (!condition) fail(what);
}

inline bool unset_float(float value) {
  const auto bits = std::bit_cast<std::uint32_t>(value);
  return bits == host::kUnsetPriceBits || bits == host::kUnsetFloatLowestBits;
}

// What the fake host saw, reachable from its operations through host_context.
struct FuzzHost {
  host::StudyInterface sc{};
  std::map<std::int32_t, std::int32_t> ints;
  std::map<std::int32_t, void*> pointers;
  std::set<std::int32_t> live_drawings;
  std::int32_t next_id = 1;
  std::int32_t drawing_calls = 0;
  std::vector<std::string> log;
  std::vector<host::InputSlot> inputs;
  std::vector<host::SubgraphSlot> subgraphs;
  std::vector<std::vector<float>> values;
  std::vector<std::int64_t> bar_times;
  std::vector<std::string> urls;
  std::int32_t accept_requests = 1;
  // A text that must never reach a drawing or the log (the API key), in any
  // spelling.
  std::string secret;

  void check_secret(const char* text) const {
    if (!secret.empty() && text != nullptr) {
      check(!host::contains_secret(text, secret), "the API key was shown");
    }
  }

  FuzzHost(const FuzzHost&) = delete;
  FuzzHost& operator=(const FuzzHost&) = delete;

  static FuzzHost& of(host::StudyInterface* sc) {
    return *static_cast<FuzzHost*>(sc->host_context);
  }

  static std::int32_t* int_cell(host::StudyInterface* sc, std::int32_t key) {
    return &of(sc).ints[key];
  }
  static void** pointer_cell(host::StudyInterface* sc, std::int32_t key) {
    return &of(sc).pointers[key];
  }

  static std::int32_t http_request(host::StudyInterface* sc, const host::HostString* url) {
    check(url != nullptr, "request without a URL");
    of(sc).urls.emplace_back(host::text_of(*url));
    return of(sc).accept_requests;
  }

  // A drawing request must be a whole record in add mode with coordinates the
  // host can place: a price is either at its unset marker or a finite number.
  static std::int32_t use_drawing(host::StudyInterface* sc, host::DrawingRecord* r) {
    check(r != nullptr, "drawing request without a record");
    check(r->record_size == host::kDrawingRecordSize, "drawing record size");
    check(r->add_mode == host::kAddOrUpdate, "drawing add mode");
    check(unset_float(r->begin_price) || std::isfinite(r->begin_price),
          "non-finite begin price sent to the host");
    check(unset_float(r->end_price) || std::isfinite(r->end_price),
          "non-finite end price sent to the host");
    FuzzHost& h = of(sc);
    h.check_secret(host::text_of(r->text));
    ++h.drawing_calls;
    if (r->identifier > 0 && h.live_drawings.count(r->identifier) != 0) return r->identifier;
    r->identifier = h.next_id++;
    h.live_drawings.insert(r->identifier);
    return r->identifier;
  }

  static std::int32_t delete_drawing(host::StudyInterface* sc, std::int32_t, std::int32_t,
                                     std::int32_t id) {
    return of(sc).live_drawings.erase(id) != 0 ? 1 : 0;
  }

  static host::HostString text(const std::string& value) {
    host::HostString s = host::make_host_string();
    host::assign(s, value.c_str(), value.size());
    return s;
  }

  static host::HostString format_value(host::StudyInterface*, double value, std::int32_t format) {
    const int decimals = format < 0 ? 0 : format > 9 ? 9 : format;
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    return text(buffer);
  }

  static host::HostString format_datetime(host::StudyInterface*, std::int64_t date_time,
                                          std::int32_t) {
    return text(std::to_string(date_time / host::kMicrosPerDay));
  }

  static std::int64_t convert(host::StudyInterface*, const std::int64_t* date_time) {
    check(date_time != nullptr, "date-time conversion without a value");
    return *date_time;
  }

  static std::int32_t bar_index(host::StudyInterface* sc, std::int32_t, std::int64_t date_time) {
    const auto& times = of(sc).bar_times;
    std::int32_t i = 0;
    while (i + 1 < static_cast<std::int32_t>(times.size()) &&
           times[static_cast<std::size_t>(i)] < date_time)
      ++i;
    return i;
  }

  static void add_log(host::StudyInterface* sc, const char* text, std::int32_t) {
    check(text != nullptr, "log line without a text");
    of(sc).check_secret(text);
    of(sc).log.emplace_back(text);
  }

  static std::int32_t menu_add(host::StudyInterface* sc, std::int32_t, const char*) {
    return of(sc).next_id++;
  }
  static std::int32_t menu_add_separator(host::StudyInterface* sc, std::int32_t) {
    return of(sc).next_id++;
  }
  static void menu_set_text(host::StudyInterface*, std::int32_t, std::int32_t, const char*) {}
  static void menu_set_check(host::StudyInterface*, std::int32_t, std::int32_t, std::int32_t) {}
  static void menu_remove(host::StudyInterface*, std::int32_t, std::int32_t) {}

  static void fill_values(void* argument) {
    auto* slot = static_cast<std::pair<FuzzHost*, std::size_t>*>(argument);
    FuzzHost& h = *slot->first;
    std::vector<float>& v = h.values[slot->second];
    v.assign(h.bar_times.size(), 0.0f);
    h.subgraphs[slot->second].values.elements = v.empty() ? nullptr : v.data();
    h.subgraphs[slot->second].values.count = static_cast<std::int32_t>(v.size());
  }

  std::vector<std::pair<FuzzHost*, std::size_t>> fill_arguments;

  explicit FuzzHost(std::int32_t input_count = 64, std::int32_t subgraph_count = 32) {
    sc.host_context = this;
    sc.study_name = host::make_host_string();
    sc.second_display_text = host::make_host_string();
    sc.chart_number = 1;
    sc.value_format = 2;
    sc.price_increment = 0.25f;
    sc.persistent_int = &int_cell;
    sc.persistent_pointer = &pointer_cell;
    sc.http_request = &http_request;
    sc.use_drawing = &use_drawing;
    sc.delete_drawing = &delete_drawing;
    sc.format_value = &format_value;
    sc.format_datetime = &format_datetime;
    sc.convert_to_chart_time = &convert;
    sc.convert_for_bar_lookup = &convert;
    sc.bar_index_at = &bar_index;
    sc.add_log = &add_log;
    sc.menu_add = &menu_add;
    sc.menu_add_separator = &menu_add_separator;
    sc.menu_set_text = &menu_set_text;
    sc.menu_set_check = &menu_set_check;
    sc.menu_remove = &menu_remove;
    inputs.resize(static_cast<std::size_t>(input_count));
    for (auto& input : inputs) input.name = host::make_host_string();
    subgraphs.resize(static_cast<std::size_t>(subgraph_count));
    values.resize(subgraphs.size());
    fill_arguments.reserve(subgraphs.size());
    for (std::size_t i = 0; i < subgraphs.size(); ++i) {
      subgraphs[i].name = host::make_host_string();
      subgraphs[i].short_label = host::make_host_string();
      fill_arguments.emplace_back(this, i);
      subgraphs[i].values.fill = &fill_values;
      subgraphs[i].values.fill_argument = &fill_arguments.back();
    }
    sc.inputs.elements = inputs.data();
    sc.inputs.count = input_count;
    sc.inputs.fallback.name = host::make_host_string();
    sc.subgraphs.elements = subgraphs.data();
    sc.subgraphs.count = subgraph_count;
    sc.subgraphs.fallback.name = host::make_host_string();
    sc.subgraphs.fallback.short_label = host::make_host_string();
  }

  // Bars for the per-bar arrays; call before a study part reads them.
  void set_bars(std::vector<std::int64_t> times) {
    bar_times = std::move(times);
    sc.bar_count = static_cast<std::int32_t>(bar_times.size());
    sc.bar_datetimes.elements = bar_times.empty() ? nullptr : bar_times.data();
    sc.bar_datetimes.count = sc.bar_count;
    for (std::size_t i = 0; i < subgraphs.size(); ++i) {
      values[i].clear();
      subgraphs[i].values.elements = nullptr;
      subgraphs[i].values.count = 0;
    }
  }

  ~FuzzHost() {
    host::release(sc.study_name);
    host::release(sc.second_display_text);
    for (auto& input : inputs) host::release(input.name);
    for (auto& subgraph : subgraphs) {
      host::release(subgraph.name);
      host::release(subgraph.short_label);
    }
  }
};

// The fuzz input as a zero-terminated text, as the host hands a response body.
inline std::string as_text(const std::uint8_t* data, std::size_t size) {
  return std::string(reinterpret_cast<const char*>(data), size);
}

}  // namespace qlxfuzz
