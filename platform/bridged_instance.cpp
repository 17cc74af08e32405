#include "platform/bridged_instance.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "host/bar_search.h"
#include "platform/date_time.h"
#include "platform/drawing_tool.h"
#include "platform/host_operations.h"
#include "platform/input_mapping.h"
#include "platform/scope_exit.h"

namespace qlx_platform {
namespace {

// Whether this call starts at the chart's first bar: bar 0 with the per-bar
// calling on, a first bar to update of 0 without it. The bridge then takes
// the bar date-times, arrays and inputs afresh.
bool starts_over(const s_sc& sc) {
  return sc.AutoLoop != 0 ? sc.Index == 0 : sc.UpdateStartIndex == 0;
}

}  // namespace

BridgedInstance::BridgedInstance()
    : slots_(this, &take_list_entries, &attach_subgraph), inputs_(slots_.inputs()) {
  host::StudyInterface& r = slots_.record();
  r.bar_datetimes.fill = &attach_bar_times;
  r.bar_datetimes.fill_argument = this;
  install_operations(r);
}

void BridgedInstance::call(s_sc& sc, StudyRun run) {
  platform_ = &sc;
  // The operations reach the platform only during a call, however it ends.
  const ScopeExit leave_platform([this] { platform_ = nullptr; });
  prepare(sc);
  run(slots_.record());
  finish(sc);
}

void BridgedInstance::prepare(s_sc& sc) {
  host::StudyInterface& r = slots_.record();
  r.defaults_call = sc.SetDefaults;
  r.last_call = sc.LastCallToFunction;
  // Until the chart has its history the bars are not the ones the levels are
  // for; the platform recalculates the chart in full once they are in.
  r.skip_flag = sc.DownloadingHistoricalData;
  r.auto_loop = sc.AutoLoop;
  r.region = sc.GraphRegion;
  r.chart_number = sc.ChartNumber;
  r.value_format = sc.BaseGraphValueFormat;
  r.price_increment = sc.TickSize;
  r.bar_count = sc.ArraySize;
  r.current_index = sc.Index;
  r.first_bar_to_update = sc.UpdateStartIndex;
  r.chosen_menu_id = sc.MenuEventID;
  r.full_recalculation = sc.IsFullRecalculation != 0 ? 1 : 0;
  r.http_response = http_.response(sc);
  if (r.defaults_call != 0) return;

  const bool over = starts_over(sc);
  if (over) {
    // The platform removes a study's drawings when it recalculates the chart
    // in full. An update from bar 0 (every update of a one-bar chart) keeps
    // them, and the study goes on changing them.
    if (r.full_recalculation != 0) drawing_kinds_.clear();
    bar_times_converted_ = 0;
  }
  // Bar date-times are converted when the study first reads them, and only
  // those of bars not converted before.
  if (bar_times_converted_ != r.bar_count) {
    r.bar_datetimes.elements = nullptr;
    r.bar_datetimes.count = 0;
  }
  // The platform's arrays may move when bars are added: the study's first
  // touch of a subgraph's values finds them again.
  if (over || attached_bar_count_ != r.bar_count) {
    for (auto& slot : slots_.subgraphs()) {
      slot.values.elements = nullptr;
      slot.values.count = 0;
    }
    attached_bar_count_ = r.bar_count;
  }
  // Inputs change in the platform only when the chart starts over; the
  // study's own changes go back after each call.
  inputs_.before_call(sc, over);
}

void BridgedInstance::finish(s_sc& sc) {
  if (slots_.record().defaults_call != 0) {
    write_declarations(sc);
    return;
  }
  if (!inputs_.after_call(sc)) {
    refuse(Refusal::kInputKind, "an input of a kind the platform build cannot set was left out");
  }
  for (std::int32_t i = 0; i < kSubgraphSlots; ++i) {
    host::SubgraphSlot& slot = slots_.subgraphs()[static_cast<std::size_t>(i)];
    if (slot.short_label.set == 0) continue;
    sc.Subgraph[i].ShortName = host::text_of(slot.short_label);
    slot.short_label.set = 0;
  }
}

void BridgedInstance::write_declarations(s_sc& sc) {
  const host::StudyInterface& r = slots_.record();
  sc.GraphName = host::text_of(r.study_name);
  if (r.second_display_text.set != 0) sc.StudyDescription = host::text_of(r.second_display_text);
  sc.AutoLoop = r.auto_loop;
  sc.GraphRegion = r.region;
  // Outputs and levels are prices: they share the price region's scale and
  // are drawn over the price bars.
  if (r.uses_price_scale == 1) sc.ScaleRangeType = SCALE_SAMEASREGION;
  if (r.draws_over_price == 1) sc.DrawStudyUnderneathMainPriceGraph = 0;

  if (!inputs_.declare(sc)) {
    refuse(Refusal::kInputKind,
           "an input of a kind the platform build cannot declare was left out");
  }
  for (std::int32_t i = 0; i < kSubgraphSlots; ++i) {
    const host::SubgraphSlot& slot = slots_.subgraphs()[static_cast<std::size_t>(i)];
    if (host::is_empty(slot.name) && slot.draw_style == 0 && host::is_empty(slot.short_label)) {
      continue;
    }
    s_SCSubgraph_260& output = sc.Subgraph[i];
    output.Name = host::text_of(slot.name);
    output.ShortName = host::text_of(slot.short_label);
    output.PrimaryColor = slot.primary_color;
    output.LineStyle = line_style_of(slot.line_style);
    output.LineWidth = slot.line_width;
    if (slot.draw_style == host::kDrawStyleLineSkipZero) {
      output.DrawStyle = DRAWSTYLE_LINE_SKIP_ZEROS;
    } else if (slot.draw_style != 0) {
      refuse(Refusal::kSubgraphStyle, "an output's draw style has no counterpart in the platform");
    }
  }
}

std::int32_t BridgedInstance::drawing_kind(int line_number) const {
  const auto it = drawing_kinds_.find(line_number);
  return it == drawing_kinds_.end() ? host::kDrawingNone : it->second;
}

void BridgedInstance::remember_drawing(int line_number, std::int32_t kind) {
  drawing_kinds_[line_number] = kind;
}

void BridgedInstance::forget_drawing(int line_number) {
  drawing_kinds_.erase(line_number);
}

void BridgedInstance::refuse(Refusal refusal, const char* what) {
  const auto bit = static_cast<std::uint32_t>(refusal);
  if ((refused_ & bit) != 0 || platform_ == nullptr) return;
  refused_ |= bit;
  SCString line;
  line.Format("%s: %s",
              host::text_of(slots_.record().study_name)[0] != '\0'
                  ? host::text_of(slots_.record().study_name)
                  : platform_->GraphName.GetChars(),
              what);
  platform_->AddMessageToLog(line, 0);
}

// The instance a slot's handle names, when it is in a call.
BridgedInstance* BridgedInstance::in_call(void* handle) {
  auto* h = static_cast<host::SlotHandle*>(handle);
  if (h == nullptr || h->owner == nullptr) return nullptr;
  auto* instance = static_cast<BridgedInstance*>(h->owner);
  return instance->platform_ != nullptr ? instance : nullptr;
}

void BridgedInstance::take_list_entries(void* handle, const char* entries) {
  BridgedInstance* instance = in_call(handle);
  if (instance == nullptr) return;
  const std::int32_t index = static_cast<host::SlotHandle*>(handle)->index;
  instance->platform_->Input[index].SetCustomInputStrings(entries);
}

void BridgedInstance::attach_subgraph(void* handle) {
  BridgedInstance* instance = in_call(handle);
  if (instance == nullptr) return;
  const std::int32_t index = static_cast<host::SlotHandle*>(handle)->index;
  SCFloatArray& data = instance->platform_->Subgraph[index].Data;
  // Reading an element lets the platform make an array it makes on first use.
  (void)data[0];
  host::HostArray<float>& values =
      instance->slots_.subgraphs()[static_cast<std::size_t>(index)].values;
  const int count = data.GetArraySize();
  values.elements = count > 0 ? data.GetPointer() : nullptr;
  values.count = values.elements != nullptr ? count : 0;
}

void BridgedInstance::attach_bar_times(void* instance) {
  auto* self = static_cast<BridgedInstance*>(instance);
  if (self != nullptr && self->platform_ != nullptr) self->convert_bar_times();
}

std::int32_t BridgedInstance::first_bar_at_or_after(std::int64_t date_time) {
  convert_bar_times();
  return host::first_bar_at_or_after(
      slots_.record().bar_datetimes.count, date_time,
      [this](std::int32_t index) { return bar_times_[static_cast<std::size_t>(index)]; });
}

void BridgedInstance::convert_bar_times() {
  const std::int32_t count = std::max(platform_->ArraySize, 0);
  try {
    if (bar_times_.size() < static_cast<std::size_t>(count)) bar_times_.resize(count);
  } catch (const std::bad_alloc&) {
    refuse(Refusal::kBarTimes, "no memory for the bar date-times; the study sees no bars");
    return;
  }
  for (std::int32_t i = bar_times_converted_; i < count; ++i) {
    bar_times_[static_cast<std::size_t>(i)] = from_platform_time(platform_->BaseDateTimeIn[i]);
  }
  bar_times_converted_ = count;
  slots_.record().bar_datetimes.elements = count > 0 ? bar_times_.data() : nullptr;
  slots_.record().bar_datetimes.count = count;
}

}  // namespace qlx_platform
