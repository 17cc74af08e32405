#include "platform/host_operations.h"

#include "platform/bridged_instance.h"
#include "platform/date_time.h"
#include "platform/drawing_tool.h"

// Every operation is called by a study through a C function pointer, so
// nothing may escape it: a failure ends in the operation's "refused" answer.

namespace qlx_platform {
namespace {

BridgedInstance* bridge_of(host::StudyInterface* sc) {
  return sc == nullptr ? nullptr : static_cast<BridgedInstance*>(sc->host_context);
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
  BridgedInstance* bridge = bridge_of(sc);
  if (bridge == nullptr) {
    spare_int_cell = 0;
    return &spare_int_cell;
  }
  return &bridge->platform().GetPersistentInt(key);
}

void** persistent_pointer(host::StudyInterface* sc, std::int32_t key) {
  BridgedInstance* bridge = bridge_of(sc);
  // The bridge's own cell is not the study's to change.
  if (bridge == nullptr || key == kBridgeStateKey) {
    spare_pointer_cell = nullptr;
    return &spare_pointer_cell;
  }
  return &bridge->platform().GetPersistentPointer(key);
}

std::int32_t http_request(host::StudyInterface* sc, const host::HostString* url) {
  BridgedInstance* bridge = bridge_of(sc);
  if (bridge == nullptr || url == nullptr) return 0;
  try {
    s_sc& platform = bridge->platform();
    const char* const text = host::text_of(*url);
    // Non-zero is the request's identifier, which the platform gives back on
    // the call that completes it.
    const int request_id = platform.MakeHTTPRequest(SCString(text));
    if (request_id != 0) bridge->http().accepted(request_id, platform.HTTPRequestID, text);
    // From acceptance the study sees an empty response, on this very call too.
    sc->http_response = bridge->http().response(platform);
    return request_id != 0 ? 1 : 0;
  } catch (...) {
    return 0;
  }
}

std::int32_t use_drawing(host::StudyInterface* sc, host::DrawingRecord* record) {
  BridgedInstance* bridge = bridge_of(sc);
  if (bridge == nullptr || record == nullptr) return 0;
  try {
    std::int32_t kind = record->kind;
    if (kind == host::kDrawingNone) {
      // The platform changes a drawing's type to the one a request names, so
      // an update carries the type the drawing was made with.
      kind = bridge->drawing_kind(record->identifier);
      if (kind == host::kDrawingNone) {
        bridge->refuse(Refusal::kUnknownDrawing,
                       "an update of a drawing this study instance did not make was left out");
        return 0;
      }
    }
    s_UseTool tool;
    switch (to_use_tool(*record, kind, tool)) {
      case ToolMapping::kBadLayout:
        bridge->refuse(Refusal::kDrawingLayout,
                       "a drawing request of another layout or add mode was left out");
        return 0;
      case ToolMapping::kUnknownKind:
        bridge->refuse(Refusal::kDrawingKind,
                       "a drawing of a kind the platform build cannot draw was left out");
        return 0;
      case ToolMapping::kMapped:
        break;
    }
    const int result = bridge->platform().UseTool(tool);
    record->identifier = tool.LineNumber;
    if (result != 0) bridge->remember_drawing(tool.LineNumber, kind);
    return result;
  } catch (...) {
    return 0;
  }
}

std::int32_t delete_drawing(host::StudyInterface* sc, std::int32_t chart_number,
                            std::int32_t /*reserved*/, std::int32_t identifier) {
  BridgedInstance* bridge = bridge_of(sc);
  // Only drawings this instance made are removed: identifier 0 and the
  // numbers of drawings made elsewhere are left alone.
  if (bridge == nullptr || bridge->drawing_kind(identifier) == host::kDrawingNone) return 0;
  bridge->forget_drawing(identifier);
  return bridge->platform().DeleteACSChartDrawing(chart_number, TOOL_DELETE_CHARTDRAWING,
                                                  identifier);
}

host::HostString format_value(host::StudyInterface* sc, double value, std::int32_t format) {
  BridgedInstance* bridge = bridge_of(sc);
  if (bridge == nullptr) return host::make_host_string();
  try {
    return host_text(bridge->platform().FormatGraphValue(value, format));
  } catch (...) {
    return host::make_host_string();
  }
}

host::HostString format_datetime(host::StudyInterface* sc, std::int64_t date_time,
                                 std::int32_t format) {
  BridgedInstance* bridge = bridge_of(sc);
  if (bridge == nullptr) return host::make_host_string();
  // The date alone, in the platform's own date format, for the study's date
  // format; the date and the time for any other.
  const int flags = format == host::kDateFormatYmd ? FLAG_DT_COMPLETE_DATE
                                                   : FLAG_DT_COMPLETE_DATE | FLAG_DT_COMPLETE_TIME;
  try {
    const SCDateTime time = to_platform_time(date_time);
    return host_text(bridge->platform().DateTimeToString(time, flags));
  } catch (...) {
    return host::make_host_string();
  }
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
  BridgedInstance* bridge = bridge_of(sc);
  if (bridge == nullptr) return 0;
  return bridge->first_bar_at_or_after(date_time);
}

void add_log(host::StudyInterface* sc, const char* text, std::int32_t show_log) {
  BridgedInstance* bridge = bridge_of(sc);
  if (bridge == nullptr || text == nullptr) return;
  bridge->platform().AddMessageToLog(text, show_log);
}

std::int32_t menu_add(host::StudyInterface* sc, std::int32_t chart_number, const char* text) {
  BridgedInstance* bridge = bridge_of(sc);
  if (bridge == nullptr || text == nullptr) return 0;
  return bridge->platform().AddACSChartShortcutMenuItem(chart_number, text);
}

std::int32_t menu_add_separator(host::StudyInterface* sc, std::int32_t chart_number) {
  BridgedInstance* bridge = bridge_of(sc);
  if (bridge == nullptr) return 0;
  // The platform has an operation of its own for separators; the flag byte
  // that tells studyhost a separator is meant has no counterpart.
  sc->menu_separator_flag = 0;
  return bridge->platform().AddACSChartShortcutMenuSeparator(chart_number);
}

void menu_set_text(host::StudyInterface* sc, std::int32_t chart_number, std::int32_t identifier,
                   const char* text) {
  BridgedInstance* bridge = bridge_of(sc);
  if (bridge == nullptr || text == nullptr) return;
  bridge->platform().ChangeACSChartShortcutMenuItemText(chart_number, identifier, text);
}

void menu_set_check(host::StudyInterface* sc, std::int32_t chart_number, std::int32_t identifier,
                    std::int32_t checked) {
  BridgedInstance* bridge = bridge_of(sc);
  if (bridge == nullptr) return;
  bridge->platform().SetACSChartShortcutMenuItemChecked(chart_number, identifier, checked);
}

void menu_remove(host::StudyInterface* sc, std::int32_t chart_number, std::int32_t identifier) {
  BridgedInstance* bridge = bridge_of(sc);
  if (bridge == nullptr) return;
  bridge->platform().RemoveACSChartShortcutMenuItem(chart_number, identifier);
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
