// Whole sessions: random ones (recalculations, new bars, ticks, input
// values, menu choices, good and hostile responses), every hostile response
// in turn, full redraws that must leave nothing of the old drawings, and
// identical cycles that must not grow the chart or the heap.
#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "host/drawing_record.h"
#include "studyhost/runtime/host_constants.h"

#include "studyhost/process/heap_usage.h"
#include "studyhost/validate/level_responses.h"
#include "studyhost/validate/study_session.h"
#include "studyhost/validate/test_case.h"

namespace studyhost::validate {
namespace {

constexpr std::int32_t kMaxSessionBars = 300;
constexpr int kSessionSteps = 100;
constexpr std::int32_t kSteadyBars = 150;
constexpr int kWarmupCycles = 3;
constexpr int kMeasuredCycles = 25;
// What one identical cycle may add to the heap beyond the host's own log and
// request list (allocator rounding, containers settling at their size).
constexpr std::size_t kBytesPerCycle = 512;
constexpr std::size_t kHeapSlack = 256 * 1024;

bool chance(Rng& rng, int percent) {
  return std::uniform_int_distribution<int>(0, 99)(rng) < percent;
}

template <typename T>
const T& any_of(Rng& rng, const std::vector<T>& items) {
  return items[std::uniform_int_distribution<std::size_t>(0, items.size() - 1)(rng)];
}

// The bytes of text the host itself keeps for a study (its message log and
// the URLs it was asked for), which grow with every download by design.
std::size_t host_text_bytes(const StudyInstance& study) {
  std::size_t bytes = 0;
  for (const std::string& line : study.log()) bytes += line.size() + 32;
  for (const std::string& url : study.requests()) bytes += url.size() + 32;
  return bytes;
}

// What a study shows of levels: its drawings other than texts, and its
// per-bar values.
struct LevelsShown {
  std::vector<std::tuple<std::int32_t, float, float, std::int32_t, std::int32_t>> drawings;
  std::vector<std::vector<float>> values;
  bool operator==(const LevelsShown&) const = default;
};

LevelsShown levels_shown(const StudySession& session, const StudyInstance& study) {
  LevelsShown shown;
  for (const auto& [id, d] : session.host.drawings()) {
    if (d.owner != study.id() || d.kind == host::kDrawingText) continue;
    shown.drawings.emplace_back(d.kind, d.has_begin_price ? d.begin_price : 0.0f,
                                d.has_end_price ? d.end_price : 0.0f, d.begin_bar, d.end_bar);
  }
  std::sort(shown.drawings.begin(), shown.drawings.end());
  for (std::int32_t s = 0; s < kSubgraphSlots; ++s)
    shown.values.push_back(study.subgraph_values(s));
  return shown;
}

// Whatever a study shows that is none of the service's levels (a status
// text, values of its own) it shows after a body it cannot read at all.
constexpr const char* kUnreadableBody = "<html><body>502 Bad Gateway</body></html>";

// What `study` shows after `body` that it must not: a text longer than a
// status line (the log counted from line `log_from`).
void check_texts_after(const TestContext& context, const StudySession& session,
                       const StudyInstance& study, const NamedBody& body, std::size_t log_from) {
  if (body.expect != Expect::kShortTexts) return;
  const std::string after = " after the response: " + body.name;
  const std::vector<std::string>& log = study.log();
  for (std::size_t i = log_from; i < log.size(); ++i) {
    if (log[i].size() > kLongestShownText) {
      context.fail("a message-log line of " + std::to_string(log[i].size()) + " bytes" + after);
    }
  }
  for (const auto& [id, d] : session.host.drawings()) {
    if (d.owner == study.id() && d.text.size() > kLongestShownText) {
      context.fail("a drawing text of " + std::to_string(d.text.size()) + " bytes" + after);
    }
  }
}

// One random session; `variant` makes the three sessions of a run differ.
void random_session(const TestContext& context, int variant) {
  const std::unique_ptr<StudyLibrary> library = context.load();
  if (!library) return;
  Rng rng = context.rng();
  const auto bar_count = std::uniform_int_distribution<std::int32_t>(0, kMaxSessionBars)(rng);
  const std::vector<Bar> market_bars = random_bars(rng, bar_count + kSessionSteps * 5);
  // Charts in time zones that move the bars across the midnights the records
  // are dated by.
  const std::int64_t hours[] = {0, 5, -7, 13};
  std::vector<Bar> all_bars = market_bars;
  for (Bar& bar : all_bars) bar.datetime += hours[variant % 4] * 3600000000LL;
  StudySession session({all_bars.begin(), all_bars.begin() + bar_count});
  std::size_t next_bar = static_cast<std::size_t>(bar_count);
  const float increments[] = {0.25f, 0.01f, 1.0f, 0.0f, 1.0e-6f, 5.0f, 1.0e9f};
  session.host.settings().price_increment = increments[variant % 7];

  StudyInstance& study = session.add(*library);
  session.give_plausible_inputs(study);
  session.transport.answer(levels_body(market_bars, rng));
  const std::vector<NamedBody> hostile = hostile_bodies(market_bars, rng);
  session.checker.set_step("first full recalculation");
  session.host.full_recalculation();
  session.settle("first download");

  for (int step = 0; step < kSessionSteps && !session.checker.failed(); ++step) {
    std::string what;
    switch (std::uniform_int_distribution<int>(0, 11)(rng)) {
      case 0:
        what = "full recalculation";
        session.checker.set_step(what);
        session.host.full_recalculation();
        break;
      case 1: {
        const auto n = std::uniform_int_distribution<std::size_t>(1, 5)(rng);
        std::vector<Bar> more;
        for (std::size_t i = 0; i < n && next_bar < all_bars.size(); ++i) {
          more.push_back(all_bars[next_bar++]);
        }
        what = "add " + std::to_string(more.size()) + " bars";
        session.checker.set_step(what);
        session.host.add_bars(more);
        break;
      }
      case 2: {
        what = "tick: change of the last bar";
        session.checker.set_step(what);
        if (!session.host.bars().empty()) {
          Bar last = session.host.bars().back();
          last.close += std::uniform_real_distribution<float>(-2.0f, 2.0f)(rng);
          session.host.change_last_bar(last);
        }
        break;
      }
      case 3:
        what = "update of the last bar";
        session.checker.set_step(what);
        session.host.update_last_bar();
        break;
      case 4:
      case 5: {
        if (session.inputs.empty()) break;
        what = set_random_input(study, any_of(rng, session.inputs), rng, kTestKey) +
               ", then a full recalculation";
        session.watch_keys(study);
        session.checker.set_step(what);
        session.host.full_recalculation();
        break;
      }
      case 6: {
        const std::vector<MenuEntry> entries = session.entries_of(study);
        if (entries.empty()) break;
        const MenuEntry& entry = any_of(rng, entries);
        what = "menu choice \"" + entry.text + "\"";
        session.checker.set_step(what);
        session.host.choose_menu(entry.id);
        break;
      }
      case 7:
        what = "menu choice of an identifier no entry has";
        session.checker.set_step(what);
        study.record().chosen_menu_id = 1000000 + static_cast<std::int32_t>(rng() % 1000);
        session.host.update_last_bar();
        break;
      case 8: {
        const NamedBody& body = any_of(rng, hostile);
        what = "next response: " + body.name;
        if (body.echo != KeyEcho::kNone) {
          session.transport.answer_echoing_key(body.echo);
        } else {
          session.transport.answer(body.body);
        }
        break;
      }
      case 9:
        what = "next transfer fails";
        session.transport.fail("connection refused");
        break;
      case 10:
        what = "next response valid";
        session.transport.answer(levels_body(market_bars, rng));
        break;
      default:
        what = "update of the last bar with the skip flag set";
        session.checker.set_step(what);
        session.host.settings().skip_flag = 1;
        session.host.update_last_bar();
        session.host.settings().skip_flag = 0;
        break;
    }
    session.watch_keys(study);
    if (chance(rng, 60)) session.settle(what + ", then the downloads");
    session.checker.check_now(what);
  }
  context.note(std::to_string(session.checker.study_calls()) + " study calls, " +
               std::to_string(study.requests().size()) + " downloads, " +
               std::to_string(session.checker.most_drawings()) + " drawings at most, " +
               std::to_string(session.checker.stale_updates()) +
               " updates of drawings that no longer existed");
  session.checker.set_step("the last call");
  session.host.remove_study(study);
  session.checker.check_now();
  context.take_failures(session.checker.failures());
}

// A chart of kSteadyBars random bars with the study on it, given a symbol
// and the key; `test` runs on it and the checker's failures are the test's.
template <typename Test>
void on_random_chart(const TestContext& context, Test test) {
  const std::unique_ptr<StudyLibrary> library = context.load();
  if (!library) return;
  Rng rng = context.rng();
  StudySession session(random_bars(rng, kSteadyBars));
  StudyInstance& study = session.add(*library);
  session.give_plausible_inputs(study);
  test(rng, session, study);
  context.take_failures(session.checker.failures());
}

// The same, with every request answered with a valid response.
template <typename Test>
void steady_session(const TestContext& context, Test test) {
  on_random_chart(context, [&](Rng& rng, StudySession& session, StudyInstance& study) {
    session.transport.answer(levels_body(session.host.bars(), rng));
    test(rng, session, study);
  });
}

}  // namespace

void check_random_session_1(const TestContext& context) {
  random_session(context, 0);
}
void check_random_session_2(const TestContext& context) {
  random_session(context, 1);
}
void check_random_session_3(const TestContext& context) {
  random_session(context, 6);
}

void check_hostile_responses(const TestContext& context) {
  on_random_chart(context, [&](Rng& rng, StudySession& session, StudyInstance& study) {
    const std::string valid = levels_body(session.host.bars(), rng);
    std::vector<NamedBody> bodies = hostile_bodies(session.host.bars(), rng);
    for (NamedBody& body : bodies) {
      // A response none of whose prices can be read may show no more levels
      // than one the study cannot read at all.
      LevelsShown unreadable;
      if (body.expect == Expect::kNoLevels) {
        session.transport.answer(kUnreadableBody);
        session.checker.set_step("full recalculation, response: unreadable");
        session.host.full_recalculation();
        session.settle("response: unreadable");
        unreadable = levels_shown(session, study);
      }
      if (body.echo != KeyEcho::kNone) {
        session.transport.answer_echoing_key(body.echo);
      } else {
        session.transport.answer(std::move(body.body));
      }
      session.checker.set_step("full recalculation, response: " + body.name);
      const std::size_t log_from = study.log().size();
      session.host.full_recalculation();
      session.settle("response: " + body.name);
      check_texts_after(context, session, study, body, log_from);
      if (body.expect == Expect::kNoLevels && levels_shown(session, study) != unreadable) {
        context.fail("levels are shown after the response: " + body.name +
                     ", where a response that cannot be read shows none");
      }
      // The study must still work: a valid response is read as usual.
      session.transport.answer(valid);
      session.checker.set_step("full recalculation after the response: " + body.name);
      session.host.full_recalculation();
      session.settle("valid response after: " + body.name);
      if (session.host.downloads_pending()) {
        context.fail("a download is still pending after the response: " + body.name);
      }
    }
    session.transport.fail("connection refused");
    session.checker.set_step("full recalculation, transfer failure");
    session.host.full_recalculation();
    session.settle("transfer failure");
  });
}

void check_huge_responses(const TestContext& context) {
  steady_session(context, [&](Rng& rng, StudySession& session, StudyInstance& study) {
    // Each huge body answers one request only; a study that chains requests
    // reads it once and small valid bodies after it.
    for (NamedBody& body : huge_bodies(session.host.bars(), rng)) {
      session.transport.answer_once(std::move(body.body));
      session.checker.set_step("full recalculation, response: " + body.name);
      const std::size_t log_from = study.log().size();
      session.host.full_recalculation();
      session.settle("response: " + body.name);
      check_texts_after(context, session, study, body, log_from);
      session.checker.set_step("full recalculation after the response: " + body.name);
      session.host.full_recalculation();
      session.settle("valid response after: " + body.name);
    }
  });
}

void check_full_redraw(const TestContext& context) {
  steady_session(context, [&](Rng&, StudySession& session, StudyInstance& study) {
    session.checker.set_step("full recalculation");
    session.host.full_recalculation();
    session.settle("the download");
    // Choosing an entry twice puts every switch back: the study's own redraw
    // must leave exactly as many drawings as before, none of the old set.
    for (const MenuEntry& entry : session.entries_of(study)) {
      const std::size_t before = session.checker.drawings_of(study.id());
      session.checker.set_step("menu choice \"" + entry.text + "\" twice");
      session.host.choose_menu(entry.id);
      session.host.choose_menu(entry.id);
      session.checker.check_now();
      const std::size_t after = session.checker.drawings_of(study.id());
      if (after != before) {
        context.fail("choosing \"" + entry.text + "\" twice leaves " + std::to_string(after) +
                     " drawings where there were " + std::to_string(before) +
                     ": a redraw leaves drawings it can no longer delete");
      }
    }
  });
}

void check_repeated_cycles(const TestContext& context) {
  steady_session(context, [&](Rng&, StudySession& session, StudyInstance& study) {
    std::size_t drawings = 0;
    std::size_t entries = 0;
    auto cycle = [&](int n) {
      session.checker.set_step("cycle " + std::to_string(n) + ": full recalculation");
      session.host.full_recalculation();
      session.settle("cycle " + std::to_string(n) + ": download");
      for (const MenuEntry& entry : session.entries_of(study)) {
        session.checker.set_step("cycle " + std::to_string(n) + ": menu choice twice");
        session.host.choose_menu(entry.id);
        session.host.choose_menu(entry.id);
      }
      session.checker.set_step("cycle " + std::to_string(n) + ": update of the last bar");
      session.host.update_last_bar();
      session.checker.check_now();
      const std::size_t now_drawings = session.checker.drawings_of(study.id());
      const std::size_t now_entries = session.checker.menu_entries_of(study.id());
      if (n > 0 && (now_drawings != drawings || now_entries != entries)) {
        context.fail("cycle " + std::to_string(n) + " ends with " + std::to_string(now_drawings) +
                     " drawings and " + std::to_string(now_entries) + " menu entries, cycle " +
                     std::to_string(n - 1) + " with " + std::to_string(drawings) + " and " +
                     std::to_string(entries));
      }
      drawings = now_drawings;
      entries = now_entries;
    };
    int n = 0;
    for (; n < kWarmupCycles; ++n) cycle(n);
    const std::size_t heap_before = process::heap_in_use();
    const std::size_t host_before = host_text_bytes(study);
    for (int i = 0; i < kMeasuredCycles && !session.checker.failed(); ++i, ++n) cycle(n);
    const std::size_t heap_after = process::heap_in_use();
    const std::size_t host_growth = host_text_bytes(study) - host_before;
    const std::size_t allowed = 2 * host_growth + kMeasuredCycles * kBytesPerCycle + kHeapSlack;
    if (heap_after > heap_before + allowed) {
      context.fail("the heap grew by " + std::to_string(heap_after - heap_before) + " bytes over " +
                   std::to_string(kMeasuredCycles) + " identical cycles (the host's own log and " +
                   "requests account for " + std::to_string(host_growth) + ")");
    }
    context.note(std::to_string(drawings) + " drawings and " + std::to_string(entries) +
                 " menu entries after each cycle");
  });
}

}  // namespace studyhost::validate
