// The study interface record together with what a host keeps behind it for
// one study instance: the input and subgraph slots its arrays point at, the
// handles those slots' operations are called with, and the record's own
// texts. Both hosts hold their record in one of these, which wires it up
// once and frees every text the study left in it when it goes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "host/study_interface.h"

namespace host {

// Slots behind every record.
inline constexpr std::int32_t kInputSlots = 64;
inline constexpr std::int32_t kSubgraphSlots = 64;

// What a slot's operation is called with: the host object that owns the
// record, and the slot's number.
struct SlotHandle {
  void* owner;
  std::int32_t index;
};

class StudyRecord {
 public:
  using ListEntriesFn = void (*)(void* handle, const char* entries);
  using FillFn = void (*)(void* handle);

  // `owner` becomes the record's host context and the owner in every slot's
  // handle; `list_entries` is every input's list operation and `fill_values`
  // every subgraph's lazy fill of its per-bar values.
  StudyRecord(void* owner, ListEntriesFn list_entries, FillFn fill_values);
  ~StudyRecord();
  StudyRecord(const StudyRecord&) = delete;
  StudyRecord& operator=(const StudyRecord&) = delete;

  StudyInterface& record() { return record_; }
  const StudyInterface& record() const { return record_; }

  // Points the record's arrays at the slots again, and each slot's operation
  // at its handle, for a host that puts back whatever a study may have
  // written over in its record.
  void attach_slots();

  std::array<InputSlot, kInputSlots>& inputs() { return inputs_; }
  const std::array<InputSlot, kInputSlots>& inputs() const { return inputs_; }
  std::array<SubgraphSlot, kSubgraphSlots>& subgraphs() { return subgraphs_; }
  const std::array<SubgraphSlot, kSubgraphSlots>& subgraphs() const { return subgraphs_; }
  // The handle subgraph `index`'s fill is called with.
  SlotHandle* subgraph_handle(std::int32_t index) {
    return &subgraph_handles_[static_cast<std::size_t>(index)];
  }

 private:
  StudyInterface record_{};
  std::array<InputSlot, kInputSlots> inputs_{};
  std::array<SubgraphSlot, kSubgraphSlots> subgraphs_{};
  std::array<SlotHandle, kInputSlots> input_handles_{};
  std::array<SlotHandle, kSubgraphSlots> subgraph_handles_{};
  ListEntriesFn list_entries_;
  FillFn fill_values_;
};

}  // namespace host
