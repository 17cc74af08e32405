#include "host/host_string.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "host/process_heap.h"

namespace host {
namespace {

void drop_buffer(HostString& s) {
  if (s.owns != 0 && s.text != nullptr && s.text != s.fallback) {
    heap_free(const_cast<char*>(s.text));
  }
  if (s.fallback == nullptr) s.fallback = kEmptyText;
  s.text = s.fallback;
  s.owns = 0;
}

}  // namespace

HostString make_host_string() {
  return HostString{kEmptyText, 0, 0, kEmptyText};
}

void assign(HostString& s, const char* text, std::size_t length) {
  if (text == nullptr) return;
  drop_buffer(s);
  if (length > 0) {
    const std::size_t n = std::min(length, kMaxTextLength);
    if (char* buffer = heap_alloc_text(n + 1)) {
      std::memcpy(buffer, text, n);
      s.text = buffer;
      s.owns = 1;
    }
  }
  s.set = 1;
}

void assign(HostString& s, const char* text) {
  if (text == nullptr) return;
  assign(s, text, std::strlen(text));
}

void format(HostString& s, const char* fmt, ...) {
  drop_buffer(s);
  s.set = 0;
  if (fmt == nullptr) return;

  std::va_list args;
  va_start(args, fmt);
  std::va_list measure;
  va_copy(measure, args);
  const int n = std::vsnprintf(nullptr, 0, fmt, measure);
  va_end(measure);
  if (n >= 0) {
    const std::size_t bytes = static_cast<std::size_t>(n) + 1 + std::strlen(s.fallback);
    if (char* buffer = heap_alloc_text(bytes)) {
      std::vsnprintf(buffer, bytes, fmt, args);
      s.text = buffer;
      s.owns = 1;
      s.set = 1;
    }
  }
  va_end(args);
}

HostString concat(const HostString& a, const char* b) {
  HostString result = make_host_string();
  const char* head = text_of(a);
  const std::size_t head_length = std::min(std::strlen(head), kMaxTextLength);
  const std::size_t tail_length =
      b == nullptr ? 0 : std::min(std::strlen(b), kMaxTextLength - head_length);
  if (tail_length == 0) {
    assign(result, head, head_length);
    return result;
  }
  if (char* joined = heap_alloc_text(head_length + tail_length + 1)) {
    std::memcpy(joined, head, head_length);
    std::memcpy(joined + head_length, b, tail_length);
    result.text = joined;
    result.owns = 1;
  }
  result.set = 1;
  return result;
}

void release(HostString& s) {
  drop_buffer(s);
}

}  // namespace host
