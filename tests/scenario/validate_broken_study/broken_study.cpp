// A study with five faults the validator must report without failing
// itself: a line at a NaN price on every call, a crash when its menu entry
// is chosen a second time, a last call that never returns while a download is pending,
// a count shared by every instance in the library, and a text whose
// identifier it keeps across full recalculations, which remove the text.
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <limits>
#include <thread>

#include "host/export.h"
#include "host/study_interface.h"

namespace {

enum Cell : std::int32_t { kLine = 1, kMenuEntry = 2, kRequestState = 3, kChoices = 4, kNote = 5 };
constexpr std::int32_t kKeyInput = 0;

// Shared by every instance, so two instances on one chart see each other.
std::int32_t calls_in_library = 0;

std::int32_t& cell(host::StudyInterface& sc, std::int32_t key) {
  return *sc.persistent_int(&sc, key);
}

void declare(host::StudyInterface& sc) {
  host::assign(sc.study_name, "QLX Broken Study");
  sc.auto_loop = 0;
  host::InputSlot& key = host::element(sc.inputs, kKeyInput);
  host::set_name(key, "API Key");
  host::set_text_kind(key);
  key.display_order = 1;
}

void draw_line_at_no_price(host::StudyInterface& sc) {
  host::DrawingRecord record;
  host::init(record);
  record.chart_number = sc.chart_number;
  record.kind = host::kDrawingLine;
  const std::int32_t id = cell(sc, kLine);
  if (id != 0) record.identifier = id;
  record.begin_bar = 0;
  record.end_bar = sc.bar_count - 1;
  record.begin_price = std::numeric_limits<float>::quiet_NaN();
  record.end_price = std::numeric_limits<float>::quiet_NaN();
  sc.use_drawing(&sc, &record);
  cell(sc, kLine) = record.identifier;
  host::release(record);
}

// Adds the text once and then only changes it, never forgetting its
// identifier, not even at a full recalculation.
void keep_note(host::StudyInterface& sc) {
  host::DrawingRecord record;
  host::init(record);
  record.kind = host::kDrawingText;
  const std::int32_t id = cell(sc, kNote);
  if (id != 0) record.identifier = id;
  record.begin_bar = 0;
  record.begin_price = 1.0f;
  host::assign(record.text, "note");
  sc.use_drawing(&sc, &record);
  cell(sc, kNote) = record.identifier;
  host::release(record);
}

void download(host::StudyInterface& sc) {
  std::int32_t& state = cell(sc, kRequestState);
  if (state == 0 && sc.first_bar_to_update == 0) {
    host::HostString url = host::make_host_string();
    host::format(url, "https://levels.invalid/v1?api_key=%s",
                 host::text_value(host::element(sc.inputs, kKeyInput)));
    if (sc.http_request(&sc, &url) != 0) state = 1;
    host::release(url);
  } else if (state == 1 && sc.http_response != nullptr && sc.http_response[0] != '\0') {
    state = 0;
  }
}

[[noreturn]] void crash() {
  std::raise(SIGSEGV);
  std::abort();
}

}  // namespace

QLX_EXPORT int scdll_DLLVersion() {
  return host::kInterfaceVersion;
}

QLX_EXPORT const char* scdll_DLLName() {
  return "QLX Broken Study";
}

QLX_EXPORT void scsf_qlx_validate_broken_study(host::StudyInterface* sc) {
  if (sc->defaults_call != 0) {
    declare(*sc);
    return;
  }
  if (sc->last_call != 0) {
    // Waits for a download that the host will never hand it.
    while (cell(*sc, kRequestState) == 1) std::this_thread::sleep_for(std::chrono::seconds(1));
    return;
  }
  std::int32_t& entry = cell(*sc, kMenuEntry);
  if (entry == 0) entry = sc->menu_add(sc, sc->chart_number, "Crash");
  if (sc->chosen_menu_id != 0 && sc->chosen_menu_id == entry && ++cell(*sc, kChoices) == 2) {
    crash();
  }
  draw_line_at_no_price(*sc);
  keep_note(*sc);
  download(*sc);
  host::element(host::element(sc->subgraphs, 0).values, sc->bar_count - 1) =
      static_cast<float>(++calls_in_library);
}
