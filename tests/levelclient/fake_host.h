// A small stand-in for the host: a study interface record whose operations
// write down what the client asked for. Enough to drive the request cycle
// and the status text without the studyhost runtime.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/study_interface.h"

namespace levelclient_test {

struct StatusDrawing {
  host::DrawingRecord record;  // as handed to the host, text pointers aside
  std::string text;
  std::int32_t identifier;  // the identifier the host wrote back
};

struct LogLine {
  std::string text;
  std::int32_t show_log;
};

class FakeHost {
 public:
  FakeHost() {
    sc.host_context = this;
    sc.chart_number = 1;
    sc.http_request = [](host::StudyInterface* s, const host::HostString* url) -> std::int32_t {
      FakeHost& self = of(s);
      self.urls.emplace_back(host::text_of(*url));
      if (self.accept_requests == 0) return 0;
      // Empty from acceptance until the body is complete.
      self.sc.http_response = nullptr;
      return self.accept_requests;
    };
    sc.use_drawing = [](host::StudyInterface* s, host::DrawingRecord* record) -> std::int32_t {
      FakeHost& self = of(s);
      if (record->identifier <= 0 || record->identifier >= self.next_identifier) {
        record->identifier = self.next_identifier++;
      }
      self.drawings.push_back({*record, host::text_of(record->text), record->identifier});
      return 1;
    };
    sc.add_log = [](host::StudyInterface* s, const char* text, std::int32_t show_log) {
      of(s).log.push_back({text, show_log});
    };
  }
  FakeHost(const FakeHost&) = delete;
  FakeHost& operator=(const FakeHost&) = delete;

  // The host publishes a completed body.
  void deliver(std::string body) {
    response = std::move(body);
    sc.http_response = response.c_str();
  }

  const StatusDrawing& last_status() const { return drawings.back(); }

  host::StudyInterface sc{};
  std::int32_t accept_requests = 1;
  std::vector<std::string> urls;
  std::vector<StatusDrawing> drawings;
  std::vector<LogLine> log;

 private:
  static FakeHost& of(host::StudyInterface* s) { return *static_cast<FakeHost*>(s->host_context); }

  std::int32_t next_identifier = 1;
  std::string response;
};

}  // namespace levelclient_test
