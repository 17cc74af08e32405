#include "platform/bridged_instance.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/date_time.h"
#include "platform/drawing_tool.h"
#include "platform/host_operations.h"
#include "platform/input_mapping.h"

namespace qlx_platform {
namespace {

// Whether this call starts at the chart's first bar: bar 0 with the per-bar
// calling on, a first bar to update of 0 without it. The bridge then takes
// the bar date-times, arrays and inputs afresh.
bool starts_over(const s_sc& sc) {
  return sc.AutoLoop != 0 ? sc.Index == 0 : sc.UpdateStartIndex == 0;
}

}  // namespace

BridgedInstance::BridgedInstance() {
  record_.host_context = this;
  record_.study_name = host::make_host_string();
  record_.second_display_text = host::make_host_string();
  for (std::int32_t i = 0; i < kInputSlots; ++i) {
    const auto s = static_cast<std::size_t>(i);
    input_handles_[s] = SlotHandle{this, i};
    inputs_[s].name = host::make_host_string();
    inputs_[s].list_entries = &take_list_entries;
    inputs_[s].list_handle = &input_handles_[s];
    snapshots_[s] = snapshot_of(inputs_[s]);
  }
  for (std::int32_t i = 0; i < kSubgraphSlots; ++i) {
    const auto s = static_cast<std::size_t>(i);
    subgraph_handles_[s] = SlotHandle{this, i};
    subgraphs_[s].name = host::make_host_string();
    subgraphs_[s].short_label = host::make_host_string();
    subgraphs_[s].values.fill = &attach_subgraph;
    subgraphs_[s].values.fill_argument = &subgraph_handles_[s];
  }
  record_.inputs =
      host::HostArray<host::InputSlot>{inputs_.data(), nullptr, nullptr, kInputSlots, {}};
  record_.inputs.fallback.name = host::make_host_string();
  record_.subgraphs =
      host::HostArray<host::SubgraphSlot>{subgraphs_.data(), nullptr, nullptr, kSubgraphSlots, {}};
  record_.subgraphs.fallback.name = host::make_host_string();
  record_.subgraphs.fallback.short_label = host::make_host_string();
  record_.bar_datetimes.fill = &attach_bar_times;
  record_.bar_datetimes.fill_argument = this;
  install_operations(record_);
}

BridgedInstance::~BridgedInstance() {
  host::release(record_.study_name);
  host::release(record_.second_display_text);
  // Texts are the platform's; a slot only owns one the study gave it itself.
  for (auto& slot : inputs_) host::release(slot);
  host::release(record_.inputs.fallback);
  for (auto& slot : subgraphs_) {
    host::release(slot.name);
    host::release(slot.short_label);
  }
  host::release(record_.subgraphs.fallback.name);
  host::release(record_.subgraphs.fallback.short_label);
}

void BridgedInstance::call(s_sc& sc, StudyRun run) {
  platform_ = &sc;
  prepare(sc);
  run(record_);
  finish(sc);
  // The operations reach the platform only during a call.
  platform_ = nullptr;
}

void BridgedInstance::prepare(s_sc& sc) {
  host::StudyInterface& r = record_;
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
    for (auto& slot : subgraphs_) {
      slot.values.elements = nullptr;
      slot.values.count = 0;
    }
    attached_bar_count_ = r.bar_count;
  }
  // Inputs change in the platform only with a full recalculation; the study's
  // own changes go back after each call.
  if (over || !inputs_read_) read_inputs(sc);
}

void BridgedInstance::finish(s_sc& sc) {
  if (record_.defaults_call != 0) {
    write_declarations(sc);
    return;
  }
  // Runs on every call, once per bar in a full recalculation: a few loads
  // and compares per slot.
  for (std::int32_t i = 0; i < kInputSlots; ++i) {
    const auto s = static_cast<std::size_t>(i);
    if (!unchanged(snapshots_[s], inputs_[s])) write_input(sc, i);
  }
  for (std::int32_t i = 0; i < kSubgraphSlots; ++i) {
    host::SubgraphSlot& slot = subgraphs_[static_cast<std::size_t>(i)];
    if (slot.short_label.set == 0) continue;
    sc.Subgraph[i].ShortName = host::text_of(slot.short_label);
    slot.short_label.set = 0;
  }
}

BridgedInstance::InputSnapshot BridgedInstance::snapshot_of(const host::InputSlot& slot) {
  InputSnapshot snapshot;
  std::memcpy(&snapshot.value, slot.value, sizeof snapshot.value);
  snapshot.text = slot.text;
  snapshot.value_after_double = slot.value_after_double;
  snapshot.kind = slot.kind;
  return snapshot;
}

bool BridgedInstance::unchanged(const InputSnapshot& snapshot, const host::InputSlot& slot) {
  std::uint64_t value;
  std::memcpy(&value, slot.value, sizeof value);
  return value == snapshot.value && slot.text == snapshot.text && slot.kind == snapshot.kind &&
         slot.value_after_double == snapshot.value_after_double;
}

void BridgedInstance::read_input(s_sc& sc, std::int32_t index) {
  const auto s = static_cast<std::size_t>(index);
  read_platform_input(sc.Input[index], inputs_[s], selected_entries_[s]);
  snapshots_[s] = snapshot_of(inputs_[s]);
}

void BridgedInstance::read_inputs(s_sc& sc) {
  for (std::int32_t i = 0; i < kInputSlots; ++i) read_input(sc, i);
  inputs_read_ = true;
}

void BridgedInstance::write_input(s_sc& sc, std::int32_t index) {
  const host::InputSlot& slot = inputs_[static_cast<std::size_t>(index)];
  if (!write_platform_input(slot, sc.Input[index])) {
    refuse(Refusal::kInputKind, "an input of a kind the platform build cannot set was left out");
  }
  // What the platform now holds, its text buffer included, is what the slot
  // reads from here on.
  read_input(sc, index);
}

void BridgedInstance::write_declarations(s_sc& sc) {
  const host::StudyInterface& r = record_;
  sc.GraphName = host::text_of(r.study_name);
  if (r.second_display_text.set != 0) sc.StudyDescription = host::text_of(r.second_display_text);
  sc.AutoLoop = r.auto_loop;
  sc.GraphRegion = r.region;
  // Outputs and levels are prices: they share the price region's scale and
  // are drawn over the price bars.
  if (r.uses_price_scale == 1) sc.ScaleRangeType = SCALE_SAMEASREGION;
  if (r.draws_over_price == 1) sc.DrawStudyUnderneathMainPriceGraph = 0;

  for (std::int32_t i = 0; i < kInputSlots; ++i) {
    const host::InputSlot& slot = inputs_[static_cast<std::size_t>(i)];
    if (slot.kind == host::kKindNone && host::is_empty(slot.name)) continue;
    s_SCInput_145& input = sc.Input[i];
    if (!host::is_empty(slot.name)) input.Name = host::text_of(slot.name);
    if (!write_platform_input(slot, input)) {
      refuse(Refusal::kInputKind,
             "an input of a kind the platform build cannot declare was left out");
    }
    if (slot.display_order != 0) input.DisplayOrder = slot.display_order;
  }
  for (std::int32_t i = 0; i < kSubgraphSlots; ++i) {
    const host::SubgraphSlot& slot = subgraphs_[static_cast<std::size_t>(i)];
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
              host::text_of(record_.study_name)[0] != '\0' ? host::text_of(record_.study_name)
                                                           : platform_->GraphName.GetChars(),
              what);
  platform_->AddMessageToLog(line, 0);
}

void BridgedInstance::take_list_entries(void* handle, const char* entries) {
  auto* h = static_cast<SlotHandle*>(handle);
  if (h == nullptr || h->instance == nullptr || h->instance->platform_ == nullptr) return;
  h->instance->platform_->Input[h->index].SetCustomInputStrings(entries);
}

void BridgedInstance::attach_subgraph(void* handle) {
  auto* h = static_cast<SlotHandle*>(handle);
  if (h == nullptr || h->instance == nullptr || h->instance->platform_ == nullptr) return;
  SCFloatArray& data = h->instance->platform_->Subgraph[h->index].Data;
  // Reading an element lets the platform make an array it makes on first use.
  (void)data[0];
  host::HostArray<float>& values =
      h->instance->subgraphs_[static_cast<std::size_t>(h->index)].values;
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
  const std::int32_t count = record_.bar_datetimes.count;
  if (count <= 0) return 0;
  // A lower bound written out, so bars out of time order still give a bar
  // of the chart.
  std::int32_t low = 0;
  std::int32_t high = count;
  while (low < high) {
    const std::int32_t middle = low + (high - low) / 2;
    if (bar_times_[static_cast<std::size_t>(middle)] < date_time) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  return low < count ? low : count - 1;
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
  record_.bar_datetimes.elements = count > 0 ? bar_times_.data() : nullptr;
  record_.bar_datetimes.count = count;
}

}  // namespace qlx_platform
