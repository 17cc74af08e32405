// Keeps the API key out of everything a person can read.
#pragma once

#include <string>
#include <string_view>

#include "host/secret_text.h"

namespace studyhost {

// A whole URL with the value of every api_key parameter replaced by ***, as
// every host of the studies hides it.
using host::redact_url;

// Free text that may hold URLs (a log line, a trace argument, an error): the
// value of every api_key parameter replaced by ***. A value ends where a URL
// in running text ends: at '&', '#', white space, a control character or a
// quote, so the text after it (": reason", a closing quote) stays. A value
// already shown as *** is left as it stands, so text redacted once reads the
// same after a second pass. Whole URLs are hidden with redact_url before they
// are put into text.
std::string redact_text(std::string_view text);

}  // namespace studyhost
