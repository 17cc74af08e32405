#include "fake_platform.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace fake_platform {
namespace {

// The platform's operations carry no study argument: like the platform, the
// fake knows which study it is calling.
thread_local Study* current = nullptr;

int& persistent_int(int key) {
  if (key >= 0 && key < static_cast<int>(current->small_ints.size())) {
    return current->small_ints[static_cast<std::size_t>(key)];
  }
  return current->ints[key];
}

void*& persistent_pointer(int key) {
  return current->pointers[key];
}

// Requests are numbered across the chart, as the platform numbers them.
int next_request_id = 31;

int make_http_request(const SCString& url) {
  if (current->request_in_flight) return 0;
  current->requests.emplace_back(url.GetChars());
  current->request_in_flight = true;
  current->request_id = next_request_id++;
  current->sc.HTTPResponse = "";
  return current->request_id;
}

// An adjustment changes only what the request sets.
void adjust(s_UseTool& drawing, const s_UseTool& request) {
  const s_UseTool unset;
  if (request.DrawingType != unset.DrawingType) drawing.DrawingType = request.DrawingType;
  if (request.TransparencyLevel != unset.TransparencyLevel) {
    drawing.TransparencyLevel = request.TransparencyLevel;
  }
  if (request.BeginValue != unset.BeginValue) drawing.BeginValue = request.BeginValue;
  if (request.EndValue != unset.EndValue) drawing.EndValue = request.EndValue;
  if (request.Region != unset.Region) drawing.Region = request.Region;
  if (request.Color != unset.Color) drawing.Color = request.Color;
  if (request.FontSize != unset.FontSize) drawing.FontSize = request.FontSize;
  if (request.BeginDateTime.GetAsDouble() != 0.0) drawing.BeginDateTime = request.BeginDateTime;
  if (request.EndDateTime.GetAsDouble() != 0.0) drawing.EndDateTime = request.EndDateTime;
  if (request.Text.GetLength() > 0) drawing.Text = request.Text;
  if (request.LineWidth != unset.LineWidth) drawing.LineWidth = request.LineWidth;
  if (request.LineStyle != unset.LineStyle) drawing.LineStyle = request.LineStyle;
  if (request.ReverseTextColor != unset.ReverseTextColor) {
    drawing.ReverseTextColor = request.ReverseTextColor;
  }
  if (request.FontFace.GetLength() > 0) drawing.FontFace = request.FontFace;
  if (request.FontBold != unset.FontBold) drawing.FontBold = request.FontBold;
  if (request.TextAlignment != unset.TextAlignment) drawing.TextAlignment = request.TextAlignment;
  if (request.UseRelativeVerticalValues != unset.UseRelativeVerticalValues) {
    drawing.UseRelativeVerticalValues = request.UseRelativeVerticalValues;
  }
  if (request.SecondaryColor != unset.SecondaryColor) {
    drawing.SecondaryColor = request.SecondaryColor;
  }
  if (request.BeginIndex != unset.BeginIndex) drawing.BeginIndex = request.BeginIndex;
  if (request.EndIndex != unset.EndIndex) drawing.EndIndex = request.EndIndex;
}

int next_line_number = 5000;

int use_drawing_tool(s_UseTool& request) {
  if (request.AddMethod != UTAM_ADD_OR_ADJUST) return 0;
  const auto known = current->drawings.find(request.LineNumber);
  if (known != current->drawings.end()) {
    adjust(known->second, request);
    return 1;
  }
  request.LineNumber = next_line_number++;
  current->drawings[request.LineNumber] = request;
  return 1;
}

int delete_drawing(int /*chart_number*/, int tool, int line_number) {
  if (tool != TOOL_DELETE_CHARTDRAWING) return 0;
  return current->drawings.erase(line_number) > 0 ? 1 : 0;
}

SCString format_graph_value(double value, int value_format) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", std::clamp(value_format, 0, 9), value);
  return SCString(text);
}

// Days since 1899-12-30 as a civil date.
void civil_from_days(int days, int& year, int& month, int& day) {
  int z = days - 25569 + 719468;  // to days since 0000-03-01, through 1970-01-01
  const int era = (z >= 0 ? z : z - 146096) / 146097;
  const int doe = z - era * 146097;
  const int yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int mp = (5 * doy + 2) / 153;
  day = doy - (153 * mp + 2) / 5 + 1;
  month = mp < 10 ? mp + 3 : mp - 9;
  year = yoe + era * 400 + (month <= 2 ? 1 : 0);
}

SCString date_time_to_string(const SCDateTime& time, int flags) {
  int year = 0, month = 0, day = 0;
  civil_from_days(time.GetDate(), year, month, day);
  char text[64];
  const int ms = time.GetTimeInMilliseconds();
  if ((flags & FLAG_DT_COMPLETE_TIME) != 0) {
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", year, month, day,
                  ms / 3600000, ms / 60000 % 60, ms / 1000 % 60);
  } else {
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", year, month, day);
  }
  return SCString(text);
}

SCDateTimeMS convert_to_chart_time_zone(const SCDateTime& time, TimeZonesEnum zone) {
  if (zone != TIMEZONE_UTC) return time;
  return SCDateTime(time.GetAsDouble() + current->time_zone_offset_days);
}

// The bar that holds the time: the last one starting at or before it.
int containing_index(int /*chart_number*/, const SCDateTime& time) {
  const int count = current->sc.ArraySize;
  int found = 0;
  for (int i = 0; i < count; ++i) {
    if (current->sc.BaseDateTimeIn[i].GetAsDouble() <= time.GetAsDouble() + 1e-9) found = i;
  }
  return found;
}

void add_message_to_log(const char* message, int /*show_log*/) {
  current->log.emplace_back(message);
}

int next_menu_id = 700;

int add_menu_item(int /*chart_number*/, const char* text) {
  current->menu[next_menu_id] = MenuItem{text, false, 0};
  return next_menu_id++;
}

int add_menu_separator(int /*chart_number*/) {
  current->menu[next_menu_id] = MenuItem{"", true, 0};
  return next_menu_id++;
}

int change_menu_text(int /*chart_number*/, int id, const char* text) {
  const auto it = current->menu.find(id);
  if (it == current->menu.end()) return 0;
  it->second.text = text;
  return 1;
}

int set_menu_checked(int /*chart_number*/, int id, int checked) {
  const auto it = current->menu.find(id);
  if (it == current->menu.end()) return 0;
  it->second.checked = checked;
  return 1;
}

int remove_menu_item(int /*chart_number*/, int id) {
  return current->menu.erase(id) > 0 ? 1 : 0;
}

// A subgraph's values are made when a study first touches them.
void make_values(void* argument) {
  auto* handle = static_cast<ValuesHandle*>(argument);
  Study& study = *handle->study;
  auto& values = study.values[static_cast<std::size_t>(handle->index)];
  values.resize(static_cast<std::size_t>(study.sc.ArraySize), 0.0f);
  study.subgraphs[static_cast<std::size_t>(handle->index)].Data.standin_set(
      values.empty() ? nullptr : values.data(), static_cast<int>(values.size()));
}

}  // namespace

FakePlatform::FakePlatform(std::vector<SCDateTime> bars) : bars_(std::move(bars)) {}

FakePlatform::~FakePlatform() {
  while (!studies_.empty()) remove_study(*studies_.front());
}

void FakePlatform::attach_arrays(Study& study) {
  if (study.attached_bars == bars_.size()) return;
  study.attached_bars = bars_.size();
  s_sc& sc = study.sc;
  sc.ArraySize = static_cast<int>(bars_.size());
  sc.BaseDateTimeIn.standin_set(bars_.empty() ? nullptr : bars_.data(), sc.ArraySize);
  sc.Input.standin_set(study.inputs.data(), static_cast<int>(study.inputs.size()));
  sc.Subgraph.standin_set(study.subgraphs.data(), static_cast<int>(study.subgraphs.size()));
  for (std::size_t i = 0; i < study.subgraphs.size(); ++i) {
    auto& values = study.values[i];
    SCFloatArray& data = study.subgraphs[i].Data;
    study.values_handles[i] = ValuesHandle{&study, static_cast<int>(i)};
    data.standin_on_used(&make_values, &study.values_handles[i]);
    if (values.empty()) continue;
    // Growing the chart moves the arrays, as the platform's may.
    std::vector<float> grown(bars_.size(), 0.0f);
    std::copy_n(values.begin(), std::min(values.size(), grown.size()), grown.begin());
    values = std::move(grown);
    data.standin_set(values.data(), static_cast<int>(values.size()));
  }
}

void FakePlatform::call(Study& study) {
  Study* outer = current;
  current = &study;
  attach_arrays(study);
  study.function(study.sc);
  study.sc.MenuEventID = 0;
  current = outer;
}

Study& FakePlatform::add_study(StudyFunction function) {
  studies_.push_back(std::make_unique<Study>());
  Study& study = *studies_.back();
  study.function = function;
  s_sc& sc = study.sc;
  sc.ChartNumber = 1;
  sc.TickSize = 0.25f;
  sc.BaseGraphValueFormat = 2;
  sc.GetPersistentInt = &persistent_int;
  sc.GetPersistentPointer = &persistent_pointer;
  sc.MakeHTTPRequest = &make_http_request;
  sc.Internal_UseDrawingTool = &use_drawing_tool;
  sc.DeleteACSChartDrawing = &delete_drawing;
  sc.FormatGraphValue = &format_graph_value;
  sc.DateTimeToString = &date_time_to_string;
  sc.InternalConvertDateTimeToChartTimeZone = &convert_to_chart_time_zone;
  sc.GetContainingIndexForSCDateTime = &containing_index;
  sc.p_AddMessageToLog = &add_message_to_log;
  sc.AddACSChartShortcutMenuItem = &add_menu_item;
  sc.AddACSChartShortcutMenuSeparator = &add_menu_separator;
  sc.ChangeACSChartShortcutMenuItemText = &change_menu_text;
  sc.SetACSChartShortcutMenuItemChecked = &set_menu_checked;
  sc.RemoveACSChartShortcutMenuItem = &remove_menu_item;
  sc.SetDefaults = 1;
  call(study);
  sc.SetDefaults = 0;
  return study;
}

std::map<int, void*> FakePlatform::remove_study(Study& study) {
  const auto it = std::find_if(studies_.begin(), studies_.end(),
                               [&](const auto& held) { return held.get() == &study; });
  if (it == studies_.end()) return {};
  study.sc.LastCallToFunction = 1;
  call(study);
  std::map<int, void*> pointers = std::move(study.pointers);
  studies_.erase(it);
  return pointers;
}

void FakePlatform::full_recalculation(Study& study) {
  study.drawings.clear();
  for (auto& values : study.values) std::fill(values.begin(), values.end(), 0.0f);
  s_sc& sc = study.sc;
  sc.IsFullRecalculation = 1;
  sc.UpdateStartIndex = 0;
  const int count = static_cast<int>(bars_.size());
  if (sc.AutoLoop != 0) {
    for (int i = 0; i < count; ++i) {
      sc.Index = i;
      call(study);
    }
  } else {
    sc.Index = count > 0 ? count - 1 : 0;
    call(study);
  }
  sc.IsFullRecalculation = 0;
}

void FakePlatform::update(Study& study, int first_changed) {
  s_sc& sc = study.sc;
  const int count = static_cast<int>(bars_.size());
  sc.UpdateStartIndex = first_changed;
  if (sc.AutoLoop != 0) {
    for (int i = first_changed; i < count; ++i) {
      sc.Index = i;
      call(study);
    }
  } else {
    sc.Index = count - 1;
    call(study);
  }
}

void FakePlatform::add_bar(SCDateTime time) {
  bars_.push_back(time);
  const int previous_last = static_cast<int>(bars_.size()) - 2;
  for (auto& study : studies_) update(*study, std::max(previous_last, 0));
}

void FakePlatform::update_last_bar(Study& study) {
  update(study, static_cast<int>(bars_.size()) - 1);
}

void FakePlatform::respond(Study& study, const std::string& body) {
  study.request_in_flight = false;
  study.sc.HTTPResponse = body.c_str();
  // The identifier stays until the next completion, as a stale one might.
  study.sc.HTTPRequestID = study.request_id;
  update(study, static_cast<int>(bars_.size()) - 1);
}

void FakePlatform::choose_menu(Study& study, int id) {
  study.sc.MenuEventID = id;
  update(study, static_cast<int>(bars_.size()) - 1);
}

}  // namespace fake_platform
