#include "host/secret_text.h"

#include <algorithm>
#include <vector>

#include "host/text_case.h"

namespace host {
namespace {

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  const char lower = lower_ascii(c);
  if (lower >= 'a' && lower <= 'f') return lower - 'a' + 10;
  return -1;
}

// How the text is read: byte by byte, or with every %XX escape read as the
// byte it stands for. Both are searched: an escape in front of a key typed
// as it is ("%ab" + "cdef...") would hide the key from the decoded reading.
enum class Reading { kRaw, kDecoded };

// One byte of the text as the search reads it, and where it stands.
struct Unit {
  char byte;
  std::size_t end;  // position after it in the text
};

Unit unit_at(std::string_view text, std::size_t at, Reading reading) {
  if (reading == Reading::kDecoded && text[at] == '%' && at + 2 < text.size()) {
    const int high = hex_value(text[at + 1]);
    const int low = hex_value(text[at + 2]);
    if (high >= 0 && low >= 0) return Unit{static_cast<char>(high * 16 + low), at + 3};
  }
  return Unit{text[at], at + 1};
}

// The length of an escape begun but not finished at the end of the text ("%"
// or "%4"): what was cut there may have been a byte of the key.
std::size_t open_escape(std::string_view text) {
  const std::size_t n = text.size();
  if (n >= 1 && text[n - 1] == '%') return 1;
  if (n >= 2 && text[n - 2] == '%' && hex_value(text[n - 1]) >= 0) return 2;
  return 0;
}

std::size_t url_value_end(std::string_view url, std::size_t value) {
  std::size_t end = value;
  while (end < url.size() && url[end] != '&' && url[end] != '#') ++end;
  return end;
}

struct Span {
  std::size_t begin;
  std::size_t end;
};

// The secret in one letter case, and for each length of a matched start the
// length of the longest start of it that is also an end of that: the search
// goes on from there after a mismatch, so every byte is read once.
struct Pattern {
  std::string folded;
  std::vector<std::size_t> fallback;

  explicit Pattern(std::string_view secret) : folded(secret.size(), '\0'), fallback(secret.size()) {
    std::transform(secret.begin(), secret.end(), folded.begin(), lower_ascii);
    std::size_t k = 0;
    for (std::size_t i = 1; i < folded.size(); ++i) {
      while (k > 0 && folded[i] != folded[k]) k = fallback[k - 1];
      if (folded[i] == folded[k]) ++k;
      fallback[i] = k;
    }
  }
};

// Adds where the secret stands in `text` read one way; with a cut end, also
// the start of it that runs into the end.
void find_spans(std::string_view text, const Pattern& pattern, Reading reading, TextEnd end,
                std::vector<Span>& spans) {
  const std::size_t k = pattern.folded.size();
  std::string_view searched = text;
  if (end == TextEnd::kCut && reading == Reading::kDecoded) {
    searched.remove_suffix(open_escape(text));
  }
  // Where the last k units began, by unit number modulo k.
  std::vector<std::size_t> begins(k);
  std::size_t matched = 0;
  std::size_t units = 0;
  for (std::size_t at = 0; at < searched.size();) {
    const Unit unit = unit_at(searched, at, reading);
    begins[units % k] = at;
    ++units;
    at = unit.end;
    const char c = lower_ascii(unit.byte);
    while (matched > 0 && pattern.folded[matched] != c) matched = pattern.fallback[matched - 1];
    if (pattern.folded[matched] == c) ++matched;
    if (matched == k) {
      spans.push_back(Span{begins[(units - k) % k], at});
      // A key whose end is also its start may stand again overlapping this
      // one; its rest must not be left beside the mask.
      matched = pattern.fallback[k - 1];
    }
  }
  if (end == TextEnd::kCut && matched > 0) {
    spans.push_back(Span{begins[(units - matched) % k], text.size()});
  }
}

std::vector<Span> spans_of(std::string_view text, std::string_view secret, TextEnd end) {
  std::vector<Span> spans;
  // Every spelling is at least as long as the secret; only a cut text may
  // end in a shorter piece of it.
  if (secret.empty() || (end == TextEnd::kWhole && text.size() < secret.size())) return spans;
  const Pattern pattern(secret);
  find_spans(text, pattern, Reading::kDecoded, end, spans);
  find_spans(text, pattern, Reading::kRaw, end, spans);
  return spans;
}

}  // namespace

std::string mask_secret(std::string_view text, std::string_view secret, TextEnd end) {
  if (secret.size() < kShortestMaskedSecret) return std::string(text);
  std::vector<Span> spans = spans_of(text, secret, end);
  if (spans.empty()) return std::string(text);
  std::sort(spans.begin(), spans.end(),
            [](const Span& a, const Span& b) { return a.begin < b.begin; });
  std::string masked;
  masked.reserve(text.size());
  std::size_t from = 0;
  for (std::size_t i = 0; i < spans.size();) {
    // Spans that overlap (the two readings finding one key) become one mask.
    Span span = spans[i];
    for (++i; i < spans.size() && spans[i].begin < span.end; ++i) {
      span.end = std::max(span.end, spans[i].end);
    }
    masked.append(text.substr(from, span.begin - from));
    masked.append(kMaskedSecret);
    from = span.end;
  }
  masked.append(text.substr(from));
  return masked;
}

bool contains_secret(std::string_view text, std::string_view secret) {
  return !spans_of(text, secret, TextEnd::kWhole).empty();
}

std::string redact_key_values(std::string_view text, ValueEnd value_end) {
  const std::string key = std::string(kKeyParameter) + "=";
  std::string out;
  out.reserve(text.size());
  std::size_t from = 0;
  while (from < text.size()) {
    const std::size_t at = text.find(key, from);
    if (at == std::string_view::npos) break;
    const std::size_t value = at + key.size();
    out.append(text.substr(from, value - from));
    out.append(kMaskedSecret);
    from = value_end(text, value);
  }
  out.append(text.substr(from < text.size() ? from : text.size()));
  return out;
}

std::string redact_url(std::string_view url) {
  return redact_key_values(url, url_value_end);
}

std::string key_of_url(std::string_view url) {
  const std::string key = std::string(kKeyParameter) + "=";
  std::size_t at = url.find(key);
  // Only a parameter of that name, not one whose name ends in it.
  while (at != std::string_view::npos && at > 0 && url[at - 1] != '?' && url[at - 1] != '&') {
    at = url.find(key, at + 1);
  }
  if (at == std::string_view::npos) return {};
  const std::size_t value = at + key.size();
  const std::string_view sent = url.substr(value, url_value_end(url, value) - value);
  std::string typed;
  for (std::size_t i = 0; i < sent.size();) {
    const Unit unit = unit_at(sent, i, Reading::kDecoded);
    typed += unit.byte;
    i = unit.end;
  }
  return typed;
}

}  // namespace host
