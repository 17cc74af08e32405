#include "platform/host_operations.h"

#include "platform/bridged_instance.h"
#include "platform/date_time.h"
#include "platform/drawing_tool.h"

// Every operation is called by a study through a C function pointer, so
// nothing may escape it: each one that reaches the instance or the platform
// runs inside guarded(), where a failure ends in the operation's "refused"
// answer.

namespace qlx_platform {
namespace {

BridgedInstance* bridge_of(host::StudyInterface* sc) {
  return sc == nullptr ? nullptr : static_cast<BridgedInstance*>(sc->host_context);
}

// Runs one operation on the bridged instance behind `sc`. A record that
// reaches no instance, and anything the operation throws, give `refused`.
template <typename Result, typename Operation>
Result guarded(host::StudyInterface* sc, Result refused, Operation&& operation) noexcept {
  BridgedInstance* bridge = bridge_of(sc);
  if (bridge == nullptr) return refused;
  try {
    return operation(*bridge);
  } catch (...) {
    return refused;
  }
}

template <typename Operation>
void guarded(host::StudyInterface* sc, Operation&& operation) noexcept {
  BridgedInstance* bridge = bridge_of(sc);
  if (bridge == nullptr) return;
  try {
    operation(*bridge);
  } catch (...) {
    // The operation did nothing the study can see.
  }
}

host::HostString host_text(const SCString& text) {
  host::HostString result = host::make_host_string();
  host::assign(result, text.GetChars(), static_cast<std::size_t>(text.GetLength()));
  return result;
}

// A cell for a call that reaches no instance, so the answer is never null;
// its value does not persist.
thread_local std::int32_t spare_int_cell = 0;
thread_local void* spare_pointer_cell = nullptr;

std::int32_t* persistent_int(host::StudyInterface* sc, std::int32_t key) {
  std::int32_t* cell = guarded(sc, static_cast<std::int32_t*>(nullptr), [&](BridgedInstance& b) {
    return &b.platform().GetPersistentInt(key);
  });
  if (cell != nullptr) return cell;
  spare_int_cell = 0;
  return &spare_int_cell;
}

void** persistent_pointer(host::StudyInterface* sc, std::int32_t key) {
  void** cell = guarded(sc, static_cast<void**>(nullptr), [&](BridgedInstance& b) {
    // The bridge's own cell is not the study's to change.
    return key == kBridgeStateKey ? nullptr : &b.platform().GetPersistentPointer(key);
  });
  if (cell != nullptr) return cell;
  spare_pointer_cell = nullptr;
  return &spare_pointer_cell;
}

std::int32_t http_request(host::StudyInterface* sc, const host::HostString* url) {
  return guarded(sc, 0, [&](BridgedInstance& b) {
    if (url == nullptr) return 0;
    s_sc& platform = b.platform();
    const char* const text = host::text_of(*url);
    // Non-zero is the request's identifier, which the platform gives back on
    // the call that completes it.
    const int request_id = platform.MakeHTTPRequest(SCString(text));
    if (request_id != 0) b.http().accepted(request_id, platform.HTTPRequestID, text);
    // From acceptance the study sees an empty response, on this very call too.
    sc->http_response = b.http().response(platform);
    return request_id != 0 ? 1 : 0;
  });
}

std::int32_t use_drawing(host::StudyInterface* sc, host::DrawingRecord* record) {
  return guarded(sc, 0, [&](BridgedInstance& b) {
    if (record == nullptr) return 0;
    std::int32_t kind = record->kind;
    if (kind == host::kDrawingNone) {
      // The platform changes a drawing's type to the one a request names, so
      // an update carries the type the drawing was made with.
      kind = b.drawing_kind(record->identifier);
      if (kind == host::kDrawingNone) {
        b.refuse(Refusal::kUnknownDrawing,
                 "an update of a drawing this study instance did not make was left out");
        return 0;
      }
    }
    s_UseTool tool;
    switch (to_use_tool(*record, kind, tool)) {
      case ToolMapping::kBadLayout:
        b.refuse(Refusal::kDrawingLayout,
                 "a drawing request of another layout or add mode was left out");
        return 0;
      case ToolMapping::kUnknownKind:
        b.refuse(Refusal::kDrawingKind,
                 "a drawing of a kind the platform build cannot draw was left out");
        return 0;
      case ToolMapping::kMapped:
        break;
    }
    const int result = b.platform().UseTool(tool);
    record->identifier = tool.LineNumber;
    if (result != 0) b.remember_drawing(tool.LineNumber, kind);
    return result;
  });
}

std::int32_t delete_drawing(host::StudyInterface* sc, std::int32_t chart_number,
                            std::int32_t /*reserved*/, std::int32_t identifier) {
  return guarded(sc, 0, [&](BridgedInstance& b) {
    // Only drawings this instance made are removed: identifier 0 and the
    // numbers of drawings made elsewhere are left alone.
    if (b.drawing_kind(identifier) == host::kDrawingNone) return 0;
    b.forget_drawing(identifier);
    return b.platform().DeleteACSChartDrawing(chart_number, TOOL_DELETE_CHARTDRAWING, identifier);
  });
}

host::HostString format_value(host::StudyInterface* sc, double value, std::int32_t format) {
  return guarded(sc, host::make_host_string(), [&](BridgedInstance& b) {
    return host_text(b.platform().FormatGraphValue(value, format));
  });
}

host::HostString format_datetime(host::StudyInterface* sc, std::int64_t date_time,
                                 std::int32_t format) {
  return guarded(sc, host::make_host_string(), [&](BridgedInstance& b) {
    // The date alone, in the platform's own date format, for the study's date
    // format; the date and the time for any other.
    const int flags = format == host::kDateFormatYmd
                          ? FLAG_DT_COMPLETE_DATE
                          : FLAG_DT_COMPLETE_DATE | FLAG_DT_COMPLETE_TIME;
    const SCDateTime time = to_platform_time(date_time);
    return host_text(b.platform().DateTimeToString(time, flags));
  });
}

// A price map dated D applies from midnight of D in the chart's time zone,
// the calendar day the chart's bar times are counted in: both conversions
// keep the date-time as it is, as studyhost's do.
std::int64_t to_chart_time(host::StudyInterface* /*sc*/, const std::int64_t* date_time) {
  return date_time == nullptr ? 0 : *date_time;
}

// The first bar at or after the date-time, by the chart's own bar times; the
// platform's lookups give the bar that holds a moment or the nearest one,
// which on a chart with gaps is the last bar before the gap. Every chart
// number reads this chart, the only one the studies ask about.
std::int32_t bar_index(host::StudyInterface* sc, std::int32_t /*chart_number*/,
                       std::int64_t date_time) {
  return guarded(sc, 0, [&](BridgedInstance& b) { return b.first_bar_at_or_after(date_time); });
}

void add_log(host::StudyInterface* sc, const char* text, std::int32_t show_log) {
  guarded(sc, [&](BridgedInstance& b) {
    if (text != nullptr) b.platform().AddMessageToLog(text, show_log);
  });
}

std::int32_t menu_add(host::StudyInterface* sc, std::int32_t chart_number, const char* text) {
  return guarded(sc, 0, [&](BridgedInstance& b) {
    return text == nullptr ? 0 : b.platform().AddACSChartShortcutMenuItem(chart_number, text);
  });
}

std::int32_t menu_add_separator(host::StudyInterface* sc, std::int32_t chart_number) {
  return guarded(sc, 0, [&](BridgedInstance& b) {
    // The platform has an operation of its own for separators; the flag byte
    // that tells studyhost a separator is meant has no counterpart.
    sc->menu_separator_flag = 0;
    return b.platform().AddACSChartShortcutMenuSeparator(chart_number);
  });
}

void menu_set_text(host::StudyInterface* sc, std::int32_t chart_number, std::int32_t identifier,
                   const char* text) {
  guarded(sc, [&](BridgedInstance& b) {
    if (text != nullptr) {
      b.platform().ChangeACSChartShortcutMenuItemText(chart_number, identifier, text);
    }
  });
}

void menu_set_check(host::StudyInterface* sc, std::int32_t chart_number, std::int32_t identifier,
                    std::int32_t checked) {
  guarded(sc, [&](BridgedInstance& b) {
    b.platform().SetACSChartShortcutMenuItemChecked(chart_number, identifier, checked);
  });
}

void menu_remove(host::StudyInterface* sc, std::int32_t chart_number, std::int32_t identifier) {
  guarded(sc, [&](BridgedInstance& b) {
    b.platform().RemoveACSChartShortcutMenuItem(chart_number, identifier);
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
  record.convert_to_chart_time = &to_chart_time;
  record.convert_for_bar_lookup = &to_chart_time;
  record.bar_index_at = &bar_index;
  record.add_log = &add_log;
  record.menu_add = &menu_add;
  record.menu_add_separator = &menu_add_separator;
  record.menu_set_text = &menu_set_text;
  record.menu_set_check = &menu_set_check;
  record.menu_remove = &menu_remove;
}

}  // namespace qlx_platform
