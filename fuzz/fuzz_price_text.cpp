// Price texts of a response record: any text converts to a finite float or,
// when it cannot be read (empty, no number, a comma inside a number, no
// finite number), to the record error the envelope readers catch; nothing
// else escapes. The split and trim helpers it uses give pieces
// without white space at either end and never more text than they were given.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

#include <nlohmann/json.hpp>

#include "fuzz/fuzz_host.h"
#include "levelclient/number_text.h"
#include "levelclient/price_text.h"
#include "levelclient/response_envelope.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text = qlxfuzz::as_text(data, size);

  bool failed = false;
  try {
    const float value = levelclient::price_text_to_float(text);
    qlxfuzz::check(std::isfinite(value), "price text gave a non-finite value");
    qlxfuzz::check(!text.empty(), "empty price text did not fail");
  } catch (const levelclient::RecordError&) {
    failed = true;
  }

  // The same text as a member of a record, the way the readers meet it.
  nlohmann::json record = nlohmann::json::object();
  try {
    record["High"] = text;
  } catch (const nlohmann::json::exception&) {
    return 0;  // not UTF-8: the JSON library would never have produced it
  }
  try {
    const float value = levelclient::price_member(record, "High");
    qlxfuzz::check(!failed, "a price member read where its text failed");
    qlxfuzz::check(std::isfinite(value), "price member gave a non-finite value");
  } catch (const levelclient::RecordError&) {
    qlxfuzz::check(failed, "a price member failed where its text was read");
  }
  // A missing member reads as the empty text and so fails as a record error.
  bool missing_failed = false;
  try {
    levelclient::price_member(record, "Low");
  } catch (const levelclient::RecordError&) {
    missing_failed = true;
  }
  qlxfuzz::check(missing_failed, "a missing price member did not fail");

  const std::string trimmed = levelclient::trim(text);
  qlxfuzz::check(trimmed.size() <= text.size(), "trim grew the text");
  if (!trimmed.empty()) {
    qlxfuzz::check(
        !levelclient::is_c_space(trimmed.front()) && !levelclient::is_c_space(trimmed.back()),
        "trim left white space");
  }
  std::size_t total = 0;
  for (const std::string& piece : levelclient::split(text, ' ', '/')) {
    qlxfuzz::check(!piece.empty(), "split gave an empty piece");
    qlxfuzz::check(piece.find('/') == std::string::npos && piece.find(' ') == std::string::npos,
                   "split left a delimiter in a piece");
    total += piece.size();
  }
  qlxfuzz::check(total <= text.size(), "split gave more text than it was given");
  return 0;
}
