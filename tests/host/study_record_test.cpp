#include "host/study_record.h"

#include <gtest/gtest.h>

#include <cstring>
#include <utility>
#include <vector>

#include "host/process_heap.h"

namespace {

// What the slots' operations were called with.
std::vector<std::pair<void*, std::int32_t>> calls;

void note_list(void* handle, const char*) {
  auto* h = static_cast<host::SlotHandle*>(handle);
  calls.emplace_back(h->owner, h->index);
}
void note_fill(void* handle) {
  auto* h = static_cast<host::SlotHandle*>(handle);
  calls.emplace_back(h->owner, -h->index);
}

// Every text a study can leave in its record is freed with it (the leak
// checker sees any that is not), and every slot's operation reaches the
// owner with that slot's number, again after the study wrote over them.
TEST(StudyRecord, WiresEverySlotToItsOwnerAndFreesWhatTheStudyLeftInIt) {
  calls.clear();
  int owner = 0;
  {
    host::StudyRecord slots(&owner, &note_list, &note_fill);
    host::StudyInterface& r = slots.record();
    EXPECT_EQ(r.host_context, &owner);
    host::set_list_entries(host::element(r.inputs, 7), "A;B");
    (void)host::element(host::element(r.subgraphs, 5).values, 0);

    host::assign(r.study_name, "name");
    host::assign(r.second_display_text, "second");
    host::InputSlot& input = host::element(r.inputs, 3);
    host::set_name(input, "input");
    host::set_text_kind(input);
    input.text = host::heap_alloc_text(5);
    host::assign(host::element(r.subgraphs, 63).name, "subgraph");
    host::assign(host::element(r.subgraphs, 63).short_label, "S");
    r.inputs.elements = nullptr;
    host::set_name(host::element(r.inputs, 0), "fallback");
    host::assign(r.subgraphs.fallback.short_label, "fallback");

    host::element(r.inputs, 7).list_entries = nullptr;
    slots.attach_slots();
    EXPECT_EQ(r.inputs.elements, slots.inputs().data());
    host::set_list_entries(host::element(r.inputs, 7), "A;B");
  }
  EXPECT_EQ(calls,
            (std::vector<std::pair<void*, std::int32_t>>{{&owner, 7}, {&owner, -5}, {&owner, 7}}));
}

}  // namespace
