// The life of study instances: a last call right after the defaults call or
// while a download is pending, two instances on one chart that must not see
// each other, and instances added and removed again and again.
#include <algorithm>
#include <sstream>

#include "studyhost/process/heap_usage.h"
#include "studyhost/validate/level_responses.h"
#include "studyhost/validate/study_session.h"
#include "studyhost/validate/test_case.h"

namespace studyhost::validate {
namespace {

constexpr std::int32_t kLifecycleBars = 120;
constexpr int kLifecycleRounds = 15;
// What one add-and-remove may leave on the host's side (menu and drawing
// bookkeeping, allocator rounding) without counting as a leak.
constexpr std::size_t kBytesPerLifecycle = 2048;
constexpr std::size_t kHeapSlack = 256 * 1024;
constexpr std::int32_t kPairNewBars = 3;

// What a study instance shows a user, without the host's identifiers.
struct Outputs {
  std::vector<std::vector<float>> subgraphs;
  std::vector<std::string> log;
  std::vector<std::string> requests;
  std::vector<std::string> drawings;
  std::vector<std::string> menu;
};

std::string describe(const DrawingState& d) {
  std::ostringstream out;
  out << d.kind << '|' << d.chart_number << '|' << d.begin_bar << '|' << d.end_bar << '|'
      << d.region << '|' << d.font_size << '|' << d.line_width << '|' << d.line_style << '|'
      << d.text_alignment << '|' << d.transparency_percent << '|' << d.relative_vertical << '|'
      << d.reverse_text_color << '|' << d.bold << '|' << d.user_drawn << '|' << d.has_begin_price
      << d.begin_price << '|' << d.has_end_price << d.end_price << '|' << d.color << '|'
      << d.second_color << '|' << d.begin_datetime << '|' << d.end_datetime << '|' << d.text << '|'
      << d.font_face << '|' << d.third_text;
  return out.str();
}

Outputs outputs_of(const StudySession& session, const StudyInstance& study) {
  Outputs o;
  for (std::int32_t i = 0; i < kSubgraphSlots; ++i) o.subgraphs.push_back(study.subgraph_values(i));
  o.log = study.log();
  o.requests = study.requests();
  for (const auto& [id, d] : session.host.drawings()) {
    if (d.owner == study.id()) o.drawings.push_back(describe(d));
  }
  std::sort(o.drawings.begin(), o.drawings.end());
  for (const MenuEntry& entry : session.host.menu()) {
    if (entry.owner == study.id()) {
      o.menu.push_back(entry.text + (entry.checked ? " [x]" : "") +
                       (entry.separator ? " ---" : ""));
    }
  }
  return o;
}

void compare(const TestContext& context, const Outputs& alone, const Outputs& paired,
             const std::string& which) {
  const std::string prefix = which + " differs from the same study alone on a chart: ";
  if (alone.subgraphs != paired.subgraphs) context.fail(prefix + "subgraph values");
  if (alone.log != paired.log) context.fail(prefix + "message log");
  if (alone.requests != paired.requests) context.fail(prefix + "download requests");
  if (alone.drawings != paired.drawings) {
    context.fail(prefix + std::to_string(paired.drawings.size()) + " drawings instead of " +
                 std::to_string(alone.drawings.size()) + ", or other ones");
  }
  if (alone.menu != paired.menu) context.fail(prefix + "menu entries");
}

// The same session for one or two instances: a download, new bars, a menu
// choice of each instance's first entry, an update of the last bar.
std::vector<Outputs> run_pair_session(const TestContext& context, const StudyLibrary& library,
                                      int instances) {
  Rng rng = context.rng();
  std::vector<Bar> bars = random_bars(rng, kLifecycleBars + kPairNewBars);
  const std::vector<Bar> later(bars.end() - kPairNewBars, bars.end());
  bars.resize(kLifecycleBars);
  StudySession session(bars);
  session.transport.answer(levels_body(session.host.bars(), rng));
  std::vector<StudyInstance*> studies;
  for (int i = 0; i < instances; ++i) {
    StudyInstance& study = session.add(library);
    session.give_plausible_inputs(study);
    studies.push_back(&study);
  }
  session.checker.set_step("full recalculation");
  session.host.full_recalculation();
  session.settle("the download");
  session.checker.set_step("new bars");
  session.host.add_bars(later);
  for (StudyInstance* study : studies) {
    const std::vector<MenuEntry> entries = session.entries_of(*study);
    session.checker.set_step("menu choice");
    if (!entries.empty()) session.host.choose_menu(entries.front().id);
  }
  session.checker.set_step("update of the last bar");
  session.host.update_last_bar();
  session.settle("downloads after the updates");
  std::vector<Outputs> outputs;
  for (StudyInstance* study : studies) outputs.push_back(outputs_of(session, *study));
  context.take_failures(session.checker.failures());
  return outputs;
}

}  // namespace

void check_last_call_after_defaults(const TestContext& context) {
  const std::unique_ptr<StudyLibrary> library = context.load();
  if (!library) return;
  Rng rng = context.rng();
  StudySession session(random_bars(rng, kLifecycleBars));
  StudyInstance& study = session.add(*library);
  session.checker.set_step("the last call right after the defaults call");
  session.host.remove_study(study);
  session.checker.check_now();
  context.take_failures(session.checker.failures());
}

void check_last_call_while_pending(const TestContext& context) {
  const std::unique_ptr<StudyLibrary> library = context.load();
  if (!library) return;
  Rng rng = context.rng();
  StudySession session(random_bars(rng, kLifecycleBars));
  session.transport.answer(levels_body(session.host.bars(), rng));
  StudyInstance& study = session.add(*library);
  session.give_plausible_inputs(study);
  // A second instance goes on working after the first one is removed.
  StudyInstance& other = session.add(*library);
  session.give_plausible_inputs(other);
  session.transport.hold();
  session.checker.set_step("full recalculation with the transfer held");
  session.host.full_recalculation();
  if (!study.http().pending()) {
    context.note("the study asked for no download; nothing was pending at its last call");
  }
  session.checker.set_step("the last call while a download is pending");
  session.host.remove_study(study);
  session.checker.check_now();
  session.transport.release();
  session.settle("the other instance's download");
  session.checker.set_step("full recalculation of the other instance");
  session.host.full_recalculation();
  session.settle("the other instance's second download");
  context.take_failures(session.checker.failures());
}

void check_two_instances(const TestContext& context) {
  const std::unique_ptr<StudyLibrary> library = context.load();
  if (!library) return;
  const std::vector<Outputs> alone = run_pair_session(context, *library, 1);
  const std::vector<Outputs> pair = run_pair_session(context, *library, 2);
  if (alone.size() != 1 || pair.size() != 2) return;
  compare(context, alone[0], pair[0], "the first of two instances");
  compare(context, alone[0], pair[1], "the second of two instances");
}

void check_repeated_lifecycles(const TestContext& context) {
  const std::unique_ptr<StudyLibrary> library = context.load();
  if (!library) return;
  Rng rng = context.rng();
  StudySession session(random_bars(rng, kLifecycleBars));
  session.transport.answer(levels_body(session.host.bars(), rng));
  auto lifecycle = [&] {
    StudyInstance& study = session.add(*library);
    session.give_plausible_inputs(study);
    session.checker.set_step("full recalculation");
    session.host.full_recalculation();
    session.settle("the download");
    session.checker.set_step("the last call");
    session.host.remove_study(study);
    session.checker.check_now();
  };
  lifecycle();  // the first one fills caches the host and the library keep
  const std::size_t before = process::heap_in_use();
  for (int i = 0; i < kLifecycleRounds; ++i) lifecycle();
  const std::size_t after = process::heap_in_use();
  const std::size_t allowed = kLifecycleRounds * kBytesPerLifecycle + kHeapSlack;
  if (after > before + allowed) {
    context.fail("the heap grew by " + std::to_string(after - before) + " bytes over " +
                 std::to_string(kLifecycleRounds) +
                 " instances added and removed: an instance does not free what it made");
  }
  if (!session.host.drawings().empty() || !session.host.menu().empty()) {
    context.fail("drawings or menu entries outlived their study");
  }
  context.take_failures(session.checker.failures());
}

}  // namespace studyhost::validate
