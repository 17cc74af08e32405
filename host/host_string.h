// Host string: the text type of every value passed to or read from the host.
// Buffers come from the process heap so that either side can free them.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(__clang__)
#define QLX_PRINTF_LIKE(fmt, args) __attribute__((format(printf, fmt, args)))
#elif defined(__GNUC__)
#define QLX_PRINTF_LIKE(fmt, args) __attribute__((format(gnu_printf, fmt, args)))
#else
#define QLX_PRINTF_LIKE(fmt, args)
#endif

namespace host {

// The longest text a host string holds.
inline constexpr std::size_t kMaxTextLength = 2147483646;

// The static empty text a host string shows when it holds nothing.
inline constexpr char kEmptyText[1] = {'\0'};

struct HostString {
  const char* text;      // never null: points at fallback when nothing is held
  std::int32_t owns;     // 1 when text is a buffer this string allocated
  std::int32_t set;      // 1 after every assignment
  const char* fallback;  // static empty text
};

// An empty host string that owns nothing and was never set.
HostString make_host_string();

// Replaces the text with a copy of `length` characters of `text`; a null text
// changes nothing. Length 0 leaves the empty fallback (still marked set).
void assign(HostString& s, const char* text, std::size_t length);
void assign(HostString& s, const char* text);

// printf-style formatting into a fresh buffer; a null format or a failure
// leaves the empty fallback.
void format(HostString& s, const char* fmt, ...) QLX_PRINTF_LIKE(2, 3);

// A new host string holding a's text followed by b.
HostString concat(const HostString& a, const char* b);

// Frees the owned buffer; the string then shows its fallback.
void release(HostString& s);

// A host string owned by the code that made it: empty, or taken over from an
// operation that hands back a new one (value or date-time to text). Its
// buffer is freed when it goes, so no path can forget to. It is a HostString,
// and the functions here take it as one.
struct OwnedString : HostString {
  OwnedString() : HostString(make_host_string()) {}
  explicit OwnedString(const HostString& taken) : HostString(taken) {}
  ~OwnedString() { release(*this); }
  // The buffer goes with the string; the one moved from is left empty.
  OwnedString(OwnedString&& other) noexcept : HostString(other) {
    static_cast<HostString&>(other) = make_host_string();
  }
  OwnedString& operator=(OwnedString&& other) noexcept {
    if (this != &other) {
      release(*this);
      HostString::operator=(other);
      static_cast<HostString&>(other) = make_host_string();
    }
    return *this;
  }
  OwnedString(const OwnedString&) = delete;
  OwnedString& operator=(const OwnedString&) = delete;
};

// The held text, never null (also for a zero-initialised string).
inline const char* text_of(const HostString& s) {
  return s.text != nullptr ? s.text : kEmptyText;
}

inline bool is_empty(const HostString& s) {
  return text_of(s)[0] == '\0';
}

}  // namespace host
