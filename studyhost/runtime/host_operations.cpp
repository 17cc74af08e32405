#include "studyhost/runtime/host_operations.h"

#include <string>
#include <utility>

#include "studyhost/runtime/bar_lookup.h"
#include "studyhost/runtime/host.h"
#include "studyhost/runtime/redact.h"
#include "studyhost/runtime/study_instance.h"
#include "studyhost/runtime/value_text.h"

// Every operation here is called by a study through a C function pointer, so
// nothing may escape it: failures end in the operation's "refused" answer.

namespace studyhost {
namespace {

StudyInstance* instance_of(host::StudyInterface* sc) {
  return sc == nullptr ? nullptr : static_cast<StudyInstance*>(sc->host_context);
}

// Tells the host's observer, if there is one, of an operation; `describe`
// gives its arguments and result as text and runs only when someone listens,
// so untraced calls make no texts.
template <typename Describe>
void trace(StudyInstance& instance, const char* operation, Describe describe) {
  const Host& host = instance.host();
  if (!host.observed()) return;
  try {
    auto [arguments, result] = describe();
    host.notify(HostCall{instance.id(), operation, std::move(arguments), std::move(result)});
  } catch (...) {
    // Tracing never changes what the study sees.
  }
}

using Described = std::pair<std::string, std::string>;

// A text the study gave, in quotes, any api_key value in it hidden.
std::string quoted(const char* text) {
  if (text == nullptr) return "null";
  // Appended piece by piece: GCC 12 at -O3 mistakes "literal" + string for an
  // overlapping copy (-Wrestrict).
  std::string result = "\"";
  result += redact_text(text);
  result += '"';
  return result;
}

// A cell for the rare case the host cannot make one, so the answer is never
// null; its value does not persist.
thread_local std::int32_t spare_int_cell = 0;
thread_local void* spare_pointer_cell = nullptr;

std::int32_t* spare_int() {
  spare_int_cell = 0;
  return &spare_int_cell;
}

void** spare_pointer() {
  spare_pointer_cell = nullptr;
  return &spare_pointer_cell;
}

// Studies ask for their cells several times on every call, once per bar in a
// full recalculation.
std::int32_t* persistent_int(host::StudyInterface* sc, std::int32_t key) {
  StudyInstance* instance = instance_of(sc);
  if (instance == nullptr) return spare_int();
  try {
    return instance->persistent_int_cell(key);
  } catch (...) {
    return spare_int();
  }
}

void** persistent_pointer(host::StudyInterface* sc, std::int32_t key) {
  StudyInstance* instance = instance_of(sc);
  if (instance == nullptr) return spare_pointer();
  try {
    return instance->persistent_pointer_cell(key);
  } catch (...) {
    return spare_pointer();
  }
}

std::int32_t http_request(host::StudyInterface* sc, const host::HostString* url) {
  StudyInstance* instance = instance_of(sc);
  if (instance == nullptr || url == nullptr) return 0;
  try {
    const std::string text = host::text_of(*url);
    const bool accepted = instance->http().request(text);
    // From acceptance the study sees an empty response until the body is in.
    sc->http_response = instance->http_response().c_str();
    trace(*instance, "http_request", [&] {
      // A whole URL: hidden up to its end, whatever its key holds.
      return Described{quoted(redact_url(text).c_str()), accepted ? "1" : "0"};
    });
    return accepted ? 1 : 0;
  } catch (...) {
    return 0;
  }
}

std::string describe(const host::DrawingRecord& r) {
  return "kind=" + std::to_string(r.kind) + " id=" + std::to_string(r.identifier) +
         " begin_bar=" + std::to_string(r.begin_bar) + " end_bar=" + std::to_string(r.end_bar) +
         " begin_price=" + std::to_string(r.begin_price) +
         " end_price=" + std::to_string(r.end_price) + " text=" + quoted(host::text_of(r.text));
}

std::int32_t use_drawing(host::StudyInterface* sc, host::DrawingRecord* record) {
  StudyInstance* instance = instance_of(sc);
  if (instance == nullptr || record == nullptr) return 0;
  try {
    // Described before the call: the identifier written back would hide
    // whether the study asked for a new drawing.
    std::string arguments;
    if (instance->host().observed()) arguments = describe(*record);
    const std::int32_t id = instance->host().drawing_store().add_or_update(*record, instance->id());
    trace(*instance, "use_drawing", [&] { return Described{arguments, std::to_string(id)}; });
    return id;
  } catch (...) {
    return 0;
  }
}

std::int32_t delete_drawing(host::StudyInterface* sc, std::int32_t chart_number,
                            std::int32_t /*reserved*/, std::int32_t identifier) {
  StudyInstance* instance = instance_of(sc);
  if (instance == nullptr) return 0;
  const bool removed = instance->host().drawing_store().remove(identifier);
  trace(*instance, "delete_drawing", [&] {
    return Described{"chart=" + std::to_string(chart_number) + " id=" + std::to_string(identifier),
                     removed ? "1" : "0"};
  });
  return removed ? 1 : 0;
}

host::HostString host_text(const std::string& text) {
  host::HostString result = host::make_host_string();
  host::assign(result, text.c_str(), text.size());
  return result;
}

host::HostString format_value(host::StudyInterface* sc, double value, std::int32_t format) {
  StudyInstance* instance = instance_of(sc);
  try {
    const std::string text = value_text(value, format);
    if (instance != nullptr) {
      trace(*instance, "format_value", [&] {
        return Described{std::to_string(value) + " format=" + std::to_string(format),
                         quoted(text.c_str())};
      });
    }
    return host_text(text);
  } catch (...) {
    return host::make_host_string();
  }
}

host::HostString format_datetime(host::StudyInterface* sc, std::int64_t date_time,
                                 std::int32_t format) {
  StudyInstance* instance = instance_of(sc);
  try {
    const std::string text = date_time_text(date_time, format);
    if (instance != nullptr) {
      trace(*instance, "format_datetime", [&] {
        return Described{std::to_string(date_time) + " format=" + std::to_string(format),
                         quoted(text.c_str())};
      });
    }
    return host_text(text);
  } catch (...) {
    return host::make_host_string();
  }
}

// A price map dated D applies from midnight of D in the chart's time zone,
// the calendar day the bar times are counted in: both conversions keep the
// date-time as it is, whatever the chart's time zone, as the platform build
// does.
std::int64_t convert(host::StudyInterface* sc, const std::int64_t* date_time,
                     const char* operation) {
  StudyInstance* instance = instance_of(sc);
  if (instance == nullptr || date_time == nullptr) return 0;
  trace(*instance, operation, [&] {
    return Described{std::to_string(*date_time), std::to_string(*date_time)};
  });
  return *date_time;
}

std::int64_t convert_to_chart_time(host::StudyInterface* sc, const std::int64_t* date_time) {
  return convert(sc, date_time, "convert_to_chart_time");
}

std::int64_t convert_for_bar_lookup(host::StudyInterface* sc, const std::int64_t* date_time) {
  return convert(sc, date_time, "convert_for_bar_lookup");
}

std::int32_t bar_index(host::StudyInterface* sc, std::int32_t chart_number,
                       std::int64_t date_time) {
  StudyInstance* instance = instance_of(sc);
  if (instance == nullptr) return 0;
  // One chart per host: every chart number reads this chart's bars.
  const std::int32_t index = bar_index_at(instance->host().bars(), date_time);
  trace(*instance, "bar_index_at", [&] {
    return Described{
        "chart=" + std::to_string(chart_number) + " datetime=" + std::to_string(date_time),
        std::to_string(index)};
  });
  return index;
}

void add_log(host::StudyInterface* sc, const char* text, std::int32_t show_log) {
  StudyInstance* instance = instance_of(sc);
  if (instance == nullptr || text == nullptr) return;
  try {
    instance->append_log(text);
    trace(*instance, "add_log", [&] {
      return Described{quoted(text) + " show=" + std::to_string(show_log), std::string()};
    });
  } catch (...) {
    // Out of memory: the line is lost, the study carries on.
  }
}

std::int32_t menu_add(host::StudyInterface* sc, std::int32_t chart_number, const char* text) {
  StudyInstance* instance = instance_of(sc);
  if (instance == nullptr || text == nullptr) return 0;
  try {
    const std::int32_t id = instance->host().menu_store().add(instance->id(), text);
    trace(*instance, "menu_add", [&] {
      return Described{"chart=" + std::to_string(chart_number) + " " + quoted(text),
                       std::to_string(id)};
    });
    return id;
  } catch (...) {
    return 0;
  }
}

std::int32_t menu_add_separator(host::StudyInterface* sc, std::int32_t chart_number) {
  StudyInstance* instance = instance_of(sc);
  if (instance == nullptr) return 0;
  // The flag byte says the study means a separator; it is good for one call.
  const bool flagged = sc->menu_separator_flag != 0;
  sc->menu_separator_flag = 0;
  try {
    const std::int32_t id =
        flagged ? instance->host().menu_store().add_separator(instance->id()) : 0;
    trace(*instance, "menu_add_separator", [&] {
      return Described{"chart=" + std::to_string(chart_number), std::to_string(id)};
    });
    return id;
  } catch (...) {
    return 0;
  }
}

void menu_set_text(host::StudyInterface* sc, std::int32_t chart_number, std::int32_t identifier,
                   const char* text) {
  StudyInstance* instance = instance_of(sc);
  if (instance == nullptr || text == nullptr) return;
  try {
    instance->host().menu_store().set_text(identifier, text);
    trace(*instance, "menu_set_text", [&] {
      return Described{"chart=" + std::to_string(chart_number) +
                           " id=" + std::to_string(identifier) + " " + quoted(text),
                       std::string()};
    });
  } catch (...) {
    // Out of memory: the entry keeps its text.
  }
}

void menu_set_check(host::StudyInterface* sc, std::int32_t chart_number, std::int32_t identifier,
                    std::int32_t checked) {
  StudyInstance* instance = instance_of(sc);
  if (instance == nullptr) return;
  instance->host().menu_store().set_checked(identifier, checked != 0);
  trace(*instance, "menu_set_check", [&] {
    return Described{"chart=" + std::to_string(chart_number) + " id=" + std::to_string(identifier) +
                         " checked=" + std::to_string(checked),
                     std::string()};
  });
}

void menu_remove(host::StudyInterface* sc, std::int32_t chart_number, std::int32_t identifier) {
  StudyInstance* instance = instance_of(sc);
  if (instance == nullptr) return;
  instance->host().menu_store().remove(identifier);
  trace(*instance, "menu_remove", [&] {
    return Described{"chart=" + std::to_string(chart_number) + " id=" + std::to_string(identifier),
                     std::string()};
  });
}

}  // namespace

void install_operations(host::StudyInterface& record) {
  record.persistent_int = &persistent_int;
  record.persistent_pointer = &persistent_pointer;
  record.http_request = &http_request;
  record.use_drawing = &use_drawing;
  record.delete_drawing = &delete_drawing;
  record.format_value = &format_value;
  record.format_datetime = &format_datetime;
  record.convert_to_chart_time = &convert_to_chart_time;
  record.convert_for_bar_lookup = &convert_for_bar_lookup;
  record.bar_index_at = &bar_index;
  record.add_log = &add_log;
  record.menu_add = &menu_add;
  record.menu_add_separator = &menu_add_separator;
  record.menu_set_text = &menu_set_text;
  record.menu_set_check = &menu_set_check;
  record.menu_remove = &menu_remove;
}

}  // namespace studyhost
