#include "studyhost/session/study_report.h"

#include "host/study_interface.h"
#include "studyhost/runtime/library_loader.h"
#include "studyhost/runtime/redact.h"

namespace studyhost::session {
namespace {

// Relative vertical values: the text is placed by relative coordinates.
constexpr std::int32_t kStatusRelative = 1;

}  // namespace

std::string status_text_of(const Host& host, const StudyInstance& instance) {
  std::string text;
  for (const auto& [id, drawing] : host.drawings()) {
    if (drawing.owner == instance.id() && drawing.kind == host::kDrawingText &&
        drawing.relative_vertical == kStatusRelative) {
      text = drawing.text;  // the newest status drawing wins
    }
  }
  return redact_text(text);
}

std::string study_display_name(const StudyInstance& instance) {
  const char* name = host::text_of(instance.record().study_name);
  return name[0] != '\0' ? std::string(name) : instance.library().name();
}

void print_study_report(std::ostream& out, const Host& host, const StudyInstance& instance) {
  out << study_display_name(instance) << '\n';
  // Quoted, so the blank text a finished download cycle shows is seen too.
  out << "  status: \"" << status_text_of(host, instance) << "\"\n";
  if (instance.log().empty()) {
    out << "  message log: (empty)\n";
    return;
  }
  out << "  message log:\n";
  for (const std::string& line : instance.log()) out << "    " << redact_text(line) << '\n';
}

}  // namespace studyhost::session
