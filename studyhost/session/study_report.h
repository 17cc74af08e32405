// What a person reads about a study after a run: its status text and its
// message log.
#pragma once

#include <ostream>
#include <string>

#include "studyhost/runtime/host.h"
#include "studyhost/runtime/study_instance.h"

namespace studyhost::session {

// The text of the study's status drawing (the text placed by relative
// coordinates), or empty when it shows none.
std::string status_text_of(const Host& host, const StudyInstance& instance);

// The name the study gave itself, else its library's.
std::string study_display_name(const StudyInstance& instance);

// The study's name, status text and message log lines, the API key hidden.
void print_study_report(std::ostream& out, const Host& host, const StudyInstance& instance);

}  // namespace studyhost::session
