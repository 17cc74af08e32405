#include "pricemap_session.h"

#include <stdexcept>

namespace pmtest {

PriceMapSession::PriceMapSession(std::vector<studyhost::Bar> bars) {
  std::string error;
  library = studyhost::StudyLibrary::load(QLX_PRICEMAP_OVERLAY_64_PATH, &error);
  if (!library) throw std::runtime_error(error);
  host = std::make_unique<studyhost::Host>(transport);
  host->set_bars(std::move(bars));
  study = &host->add_study(*library);
}

void PriceMapSession::answer_with(const std::string& body) {
  study->set_input_text(kInputSymbol, "ES");
  study->set_input_text(kInputApiKey, "KEY123");
  transport.respond("https://", body);
}

void PriceMapSession::recalculate_and_settle() {
  host->full_recalculation();
  settle();
}

void PriceMapSession::settle() {
  if (!host->settle_downloads(kSettleTimeout)) throw std::runtime_error("download timed out");
}

const studyhost::DrawingState* PriceMapSession::status() const {
  for (const auto& [id, drawing] : host->drawings()) {
    if (drawing.owner == study->id() && drawing.relative_vertical == 1) return &drawing;
  }
  return nullptr;
}

std::string PriceMapSession::status_text() const {
  const studyhost::DrawingState* s = status();
  return s != nullptr ? s->text : std::string("<no status>");
}

std::vector<studyhost::DrawingState> PriceMapSession::level_drawings() const {
  std::vector<studyhost::DrawingState> result;
  for (const auto& [id, drawing] : host->drawings()) {
    if (drawing.owner == study->id() && drawing.relative_vertical != 1) result.push_back(drawing);
  }
  return result;
}

std::vector<studyhost::MenuEntry> PriceMapSession::menu() const {
  std::vector<studyhost::MenuEntry> result;
  for (const studyhost::MenuEntry& entry : host->menu()) {
    if (entry.owner == study->id()) result.push_back(entry);
  }
  return result;
}

const studyhost::MenuEntry* PriceMapSession::menu_entry(const std::string& text_suffix) const {
  for (const studyhost::MenuEntry& entry : host->menu()) {
    const std::string& t = entry.text;
    if (entry.owner == study->id() && t.size() >= text_suffix.size() &&
        t.compare(t.size() - text_suffix.size(), text_suffix.size(), text_suffix) == 0) {
      return &entry;
    }
  }
  return nullptr;
}

}  // namespace pmtest
