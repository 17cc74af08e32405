#include "host/study_record.h"

namespace host {

StudyRecord::StudyRecord(void* owner, ListEntriesFn list_entries, FillFn fill_values)
    : list_entries_(list_entries), fill_values_(fill_values) {
  record_.host_context = owner;
  record_.study_name = make_host_string();
  record_.second_display_text = make_host_string();
  for (std::size_t s = 0; s < inputs_.size(); ++s) {
    input_handles_[s] = SlotHandle{owner, static_cast<std::int32_t>(s)};
    inputs_[s].name = make_host_string();
  }
  for (std::size_t s = 0; s < subgraphs_.size(); ++s) {
    subgraph_handles_[s] = SlotHandle{owner, static_cast<std::int32_t>(s)};
    subgraphs_[s].name = make_host_string();
    subgraphs_[s].short_label = make_host_string();
  }
  record_.inputs.fallback.name = make_host_string();
  record_.subgraphs.fallback.name = make_host_string();
  record_.subgraphs.fallback.short_label = make_host_string();
  attach_slots();
}

StudyRecord::~StudyRecord() {
  release(record_.study_name);
  release(record_.second_display_text);
  // An input owns only a text the study set on it itself; the rest are the
  // host's.
  for (InputSlot& slot : inputs_) release(slot);
  release(record_.inputs.fallback);
  auto release_subgraph = [](SubgraphSlot& slot) {
    release(slot.name);
    release(slot.short_label);
  };
  for (SubgraphSlot& slot : subgraphs_) release_subgraph(slot);
  release_subgraph(record_.subgraphs.fallback);
}

void StudyRecord::attach_slots() {
  record_.inputs.elements = inputs_.data();
  record_.inputs.fill = nullptr;
  record_.inputs.fill_argument = nullptr;
  record_.inputs.count = kInputSlots;
  record_.subgraphs.elements = subgraphs_.data();
  record_.subgraphs.fill = nullptr;
  record_.subgraphs.fill_argument = nullptr;
  record_.subgraphs.count = kSubgraphSlots;
  for (std::size_t s = 0; s < inputs_.size(); ++s) {
    inputs_[s].list_entries = list_entries_;
    inputs_[s].list_handle = &input_handles_[s];
  }
  for (std::size_t s = 0; s < subgraphs_.size(); ++s) {
    subgraphs_[s].values.fill = fill_values_;
    subgraphs_[s].values.fill_argument = &subgraph_handles_[s];
  }
}

}  // namespace host
