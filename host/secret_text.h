// Finding the API key in a text however it is written there, so that what a
// study or a host shows never carries it: as typed, percent-encoded with
// upper- or lower-case hex digits, partly encoded, in any letter case.
// Shared by the studies (service messages), studyhost (its own log lines)
// and the platform bridge (the log line of a body too large).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace host {

// What stands where a key was.
inline constexpr std::string_view kMaskedSecret = "***";

// A secret shorter than this is not looked for: inside a text it cannot be
// told apart from ordinary words, and a key that short is no secret worth a
// garbled text.
inline constexpr std::size_t kShortestMaskedSecret = 8;

// Whether the text ends where it was cut (at a zero byte, at a length): a
// piece of the secret that runs into its end is then a cut secret.
enum class TextEnd { kWhole, kCut };

// `text` with every spelling of `secret` replaced by kMaskedSecret; with
// TextEnd::kCut also the start of the secret where it runs into the end of
// the text. Linear in the text's length.
std::string mask_secret(std::string_view text, std::string_view secret,
                        TextEnd end = TextEnd::kWhole);

// Whether any spelling of `secret` is in `text` (any length of secret).
bool contains_secret(std::string_view text, std::string_view secret);

// The query parameter of a request URL that carries the key.
inline constexpr const char* kKeyParameter = "api_key";

// Where the value that starts at `value` in `text` ends.
using ValueEnd = std::size_t (*)(std::string_view text, std::size_t value);

// `text` with the value of every kKeyParameter parameter replaced by
// kMaskedSecret; `value_end` says where a value ends.
std::string redact_key_values(std::string_view text, ValueEnd value_end);

// A whole URL with the value of every kKeyParameter parameter replaced by
// kMaskedSecret. The value ends at '&', '#' or the end of the URL, so every
// byte of it goes, whatever it holds.
std::string redact_url(std::string_view url);

// The value of the first kKeyParameter parameter of a URL, with its %XX
// escapes decoded: the key as the user typed it. Empty when there is none.
std::string key_of_url(std::string_view url);

}  // namespace host
