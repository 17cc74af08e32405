// A small study that uses every path a real study takes through the host:
// declarations, per-bar values, a drawing, a menu entry, a log line, a heap
// object kept in a persistent pointer and freed on the last call, and an HTTP
// request whose response it logs.
#include <cstdio>
#include <cstring>

#include "host/export.h"
#include "host/study_interface.h"

namespace {

enum Input : std::int32_t { kMultiplier = 0, kMode = 1, kUrl = 2 };

enum Cell : std::int32_t {
  kCounterPointer = 1,  // heap counter of ordinary calls
  kCallsSeen = 2,       // copy of the counter, for the host to read
  kLabelDrawing = 3,
  kMenuEntry = 4,
  kRequestState = 5,  // 0 none, 1 waiting, 2 answered
  kSeparatorEntry = 6,
};

struct Counter {
  std::int32_t calls;
};

void declare(host::StudyInterface& sc) {
  host::assign(sc.study_name, "QLX Test Study");
  sc.auto_loop = 1;
  sc.region = 0;
  host::InputSlot& multiplier = host::element(sc.inputs, kMultiplier);
  host::set_name(multiplier, "Multiplier");
  host::set_float(multiplier, 2.0f);
  host::InputSlot& mode = host::element(sc.inputs, kMode);
  host::set_name(mode, "Mode");
  host::set_int(mode, host::kKindCustomList, 1);
  host::set_list_entries(mode, "Alpha;Beta;Gamma");
  host::InputSlot& url = host::element(sc.inputs, kUrl);
  host::set_name(url, "Request URL");
  host::set_text_kind(url);
  host::SubgraphSlot& scaled = host::element(sc.subgraphs, 0);
  host::assign(scaled.name, "Scaled Index");
  scaled.primary_color = 0x0000FF00u;
}

void label_last_bar(host::StudyInterface& sc) {
  std::int32_t& id = *sc.persistent_int(&sc, kLabelDrawing);
  host::DrawingRecord record;
  host::init(record);
  record.chart_number = sc.chart_number;
  record.identifier = id != 0 ? id : host::kNewDrawing;
  record.kind = host::kDrawingText;
  record.begin_bar = sc.current_index;
  record.begin_price = 1.5f;
  host::format(record.text, "Last bar %d", static_cast<int>(sc.current_index));
  const char* entry = host::selected_entry_text(host::element(sc.inputs, kMode));
  host::assign(record.font_face, entry != nullptr ? entry : "none");
  sc.use_drawing(&sc, &record);
  id = record.identifier;
  host::release(record);
}

void offer_menu(host::StudyInterface& sc) {
  std::int32_t& entry = *sc.persistent_int(&sc, kMenuEntry);
  if (entry == 0) {
    sc.menu_separator_flag = 1;
    *sc.persistent_int(&sc, kSeparatorEntry) = sc.menu_add_separator(&sc, sc.chart_number);
    entry = sc.menu_add(&sc, sc.chart_number, "Test Entry");
  }
  if (sc.chosen_menu_id != 0 && sc.chosen_menu_id == entry) {
    sc.menu_set_check(&sc, sc.chart_number, entry, 1);
    sc.add_log(&sc, "menu chosen", 0);
  }
}

void download(host::StudyInterface& sc) {
  std::int32_t& state = *sc.persistent_int(&sc, kRequestState);
  const char* url = host::text_value(host::element(sc.inputs, kUrl));
  if (state == 0 && std::strcmp(url, "Unset") != 0) {
    host::HostString request = host::make_host_string();
    host::assign(request, url);
    if (sc.http_request(&sc, &request) != 0) state = 1;
    host::release(request);
  } else if (state == 1 && sc.http_response != nullptr && sc.http_response[0] != '\0') {
    host::HostString line = host::make_host_string();
    host::format(line, "response: %s", sc.http_response);
    sc.add_log(&sc, host::text_of(line), 0);
    host::release(line);
    state = 2;
  }
}

}  // namespace

#ifndef QLX_TEST_STUDY_VERSION
#define QLX_TEST_STUDY_VERSION host::kInterfaceVersion
#endif

QLX_EXPORT int scdll_DLLVersion() {
  return QLX_TEST_STUDY_VERSION;
}

QLX_EXPORT const char* scdll_DLLName() {
  return "QLX Test Study";
}

QLX_EXPORT void scsf_qlx_test_study(host::StudyInterface* sc) {
  if (sc->defaults_call != 0) {
    declare(*sc);
    return;
  }
  void*& held = *sc->persistent_pointer(sc, kCounterPointer);
  if (sc->last_call != 0) {
    delete static_cast<Counter*>(held);
    held = nullptr;
    return;
  }
  if (held == nullptr) held = new Counter{0};
  auto* counter = static_cast<Counter*>(held);
  *sc->persistent_int(sc, kCallsSeen) = ++counter->calls;

  const float multiplier = host::float_value(host::element(sc->inputs, kMultiplier));
  host::element(host::element(sc->subgraphs, 0).values, sc->current_index) =
      static_cast<float>(sc->current_index) * multiplier;
  if (sc->current_index == 0) sc->add_log(sc, "recalculating", 0);
  // A full recalculation removed the label: it is added again, not changed.
  if (sc->current_index == 0 && sc->first_bar_to_update == 0) {
    *sc->persistent_int(sc, kLabelDrawing) = 0;
  }
  if (sc->current_index == sc->bar_count - 1) {
    label_last_bar(*sc);
    offer_menu(*sc);
    download(*sc);
  }
}
