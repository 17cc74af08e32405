#include "levelclient/response_envelope.h"

#include <new>
#include <string>

#include "levelclient/date_text.h"
#include "levelclient/number_text.h"
#include "levelclient/price_text.h"
#include "levelclient/status_text.h"

namespace levelclient {

std::string member_text(const nlohmann::json& value, const char* name) {
  if (name == nullptr || !value.is_object()) return {};
  const auto member = value.find(name);
  if (member == value.end()) return {};
  // A member that holds anything but text is a malformed record; the JSON
  // library's type error ends the read at the reader's boundary.
  return member->get<std::string>();
}

float price_member(const nlohmann::json& object, const char* name) {
  return price_text_to_float(member_text(object, name));
}

nlohmann::json parse_response(const char* text) {
  // The parser and the value's destructor keep their own heap stacks, so a
  // deeply nested body costs memory, not call stack.
  return nlohmann::json::parse(text != nullptr ? text : "");
}

bool read_envelope(const char* text, std::string& outcome,
                   const std::function<void(const PeriodValues&)>& store) {
  outcome.clear();
  try {
    const nlohmann::json root = parse_response(text);
    if (root.is_object()) {
      const auto message = root.find("message");
      if (message != root.end()) {
        // The message counts as far as the chart can show it: a text that is
        // empty up to its first zero byte is no message, like an empty one.
        // Otherwise it is kept whole: the status made of it must know where
        // the chart's text was cut, to mask a key begun there.
        outcome = message->get<std::string>();
        if (c_text(outcome).empty()) outcome.clear();
      }
      const auto data = root.find("data");
      if (data != root.end() && data->is_array()) {
        for (const nlohmann::json& element : *data) {
          const std::int64_t date = date_text_to_datetime(member_text(element, "Date"));
          if (date == 0) continue;
          // Braced initialisation reads the three prices in this order.
          const PeriodValues values{date, price_member(element, "High"),
                                    price_member(element, "Low"), price_member(element, "Close")};
          if (store) store(values);
        }
      }
    }
  } catch (const nlohmann::json::exception&) {
    outcome = kErrorParsing;
    return false;
  } catch (const RecordError&) {
    outcome = kErrorParsing;
    return false;
  } catch (const std::bad_alloc&) {
    // A body too large to hold is a body that could not be read.
    outcome = kErrorParsing;
    return false;
  }
  return outcome.empty();
}

}  // namespace levelclient
