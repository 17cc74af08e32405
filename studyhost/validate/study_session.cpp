#include "studyhost/validate/study_session.h"

#include "host/input_slot.h"

namespace studyhost::validate {

StudySession::StudySession(std::vector<Bar> bars) : host(transport), checker(host) {
  host.set_bars(std::move(bars));
  checker.attach();
}

StudySession::~StudySession() {
  // The host gives the studies left on the chart their last calls when it
  // goes; the checker goes before it and must not hear them.
  host.set_observer({});
  transport.release();
}

StudyInstance& StudySession::add(const StudyLibrary& library) {
  checker.set_step("the defaults call");
  StudyInstance& study = host.add_study(library);
  checker.check_now();
  inputs = describe_inputs(study);
  return study;
}

void StudySession::give_plausible_inputs(StudyInstance& study) {
  set_plausible_inputs(study, describe_inputs(study), kTestKey);
  watch_keys(study);
}

void StudySession::watch_keys(StudyInstance& study) {
  std::vector<std::string> keys;
  for (const DeclaredInput& input : describe_inputs(study)) {
    if (is_key_input(input)) keys.emplace_back(host::text_value(study.input(input.index)));
  }
  checker.set_secrets(std::move(keys));
}

void StudySession::settle(const std::string& step) {
  checker.set_step(step);
  if (!host.settle_downloads(kDownloadWait)) {
    checker.fail("downloads did not end within " + std::to_string(kDownloadWait.count()) +
                 " s: the study keeps requesting, or a transfer never ended");
  }
  checker.check_now();
}

std::vector<MenuEntry> StudySession::entries_of(const StudyInstance& study) const {
  std::vector<MenuEntry> entries;
  for (const MenuEntry& entry : host.menu()) {
    if (entry.owner == study.id() && !entry.separator) entries.push_back(entry);
  }
  return entries;
}

}  // namespace studyhost::validate
