// The suite's entry. Without arguments of its own it runs every case with
// Google Benchmark (its options apply). Its own modes serve scripts/bench.sh:
//   --count=NAME [--size=N]   one run of a case, with callgrind collecting only
//                             during that run (run it under valgrind)
//   --write-bars=FILE --size=N       a bars file of N one-minute bars
//   --write-service=DIR --size=N     responses for a chart of N bars, laid out
//                                    as `studyhost run --service DIR` reads them
//   --list                           every case with its size
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <stdexcept>
#include <string>

#include "bench_suite_fixtures.h"

#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#define QLX_COLLECT_TOGGLE() CALLGRIND_TOGGLE_COLLECT
#define QLX_HAVE_CALLGRIND 1
#else
#define QLX_COLLECT_TOGGLE() ((void)0)
#define QLX_HAVE_CALLGRIND 0
#endif

namespace bench_suite {

std::vector<CaseEntry>& cases() {
  static std::vector<CaseEntry> entries;
  return entries;
}

Registered::Registered(std::string name, std::int32_t size, bool per_bar, CaseFactory factory) {
  cases().push_back(CaseEntry{std::move(name), size, per_bar, std::move(factory)});
}

namespace {

// One case lives at a time: the charts of a million bars are large, and
// Google Benchmark runs each case's repetitions one after the other.
struct Current {
  const CaseEntry* entry = nullptr;
  std::unique_ptr<Case> c;
};

Case& case_for(const CaseEntry& entry) {
  static Current current;
  if (current.entry != &entry) {
    current.c.reset();
    current.c = entry.factory(entry.size);
    current.c->prepare();
    current.entry = &entry;
  }
  return *current.c;
}

void run_timed(benchmark::State& state, const CaseEntry& entry) {
  try {
    Case& c = case_for(entry);
    for (auto _ : state) {
      if (c.prepare_each_run) {
        state.PauseTiming();
        c.prepare();
        state.ResumeTiming();
      }
      c.run();
    }
    if (entry.per_bar) {
      state.SetItemsProcessed(state.iterations() * entry.size);
    }
    state.counters["size"] = entry.size;
    if (c.drawings() > 0) state.counters["drawings"] = static_cast<double>(c.drawings());
  } catch (const std::exception& e) {
    state.SkipWithError(e.what());
  }
}

const CaseEntry* find_case(const std::string& name) {
  for (const CaseEntry& entry : cases()) {
    if (entry.name == name) return &entry;
  }
  return nullptr;
}

// The value of `--name=value` in argv, or null.
const char* option(int argc, char** argv, const char* name) {
  const std::size_t length = std::strlen(name);
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], name, length) == 0 && argv[i][length] == '=') {
      return argv[i] + length + 1;
    }
  }
  return nullptr;
}

int count_instructions(const CaseEntry& entry, std::int32_t size) {
  if (!QLX_HAVE_CALLGRIND) {
    std::cerr << "built without valgrind/callgrind.h: no instruction counts\n";
    return 1;
  }
  std::unique_ptr<Case> c = entry.factory(size);
  // One run first, so what is counted is a run like every later one.
  c->prepare();
  c->run();
  c->prepare();
  QLX_COLLECT_TOGGLE();
  c->run();
  QLX_COLLECT_TOGGLE();
  std::cout << entry.name << " size=" << size << '\n';
  return 0;
}

void write_file(const std::filesystem::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

// The price map study asks for the default asset class, the timeframe
// structure study for each of its five timeframes; one body serves all.
void write_service(const std::filesystem::path& dir, std::int32_t bars) {
  const std::string body = ten_year_map(bars);
  for (const char* asset_class : {"Crypto", "Futures"}) {
    std::filesystem::create_directories(dir / asset_class);
    for (const char* timeframe : {"D", "W", "M", "Q", "Y"}) {
      write_file(dir / asset_class / (std::string("ES_") + timeframe + ".json"), body);
    }
  }
}

}  // namespace
}  // namespace bench_suite

int main(int argc, char** argv) {
  using namespace bench_suite;
  try {
    const char* size_text = option(argc, argv, "--size");
    const std::int32_t size = size_text != nullptr ? std::stoi(size_text) : 0;
    if (const char* name = option(argc, argv, "--count")) {
      const CaseEntry* entry = find_case(name);
      if (entry == nullptr) {
        std::cerr << "no case " << name << '\n';
        return 1;
      }
      return count_instructions(*entry, size > 0 ? size : entry->size);
    }
    if (const char* path = option(argc, argv, "--write-bars")) {
      write_file(path, bars_csv(minute_bars(size > 0 ? size : kCsvRows)));
      return 0;
    }
    if (const char* dir = option(argc, argv, "--write-service")) {
      write_service(dir, size > 0 ? size : kCsvRows);
      return 0;
    }
    if (argc > 1 && std::strcmp(argv[1], "--list") == 0) {
      for (const CaseEntry& entry : cases()) {
        std::cout << entry.name << ' ' << entry.size << (entry.per_bar ? " per-bar" : "") << '\n';
      }
      return 0;
    }
  } catch (const std::exception& e) {
    std::cerr << e.what() << '\n';
    return 1;
  }

  for (const CaseEntry& entry : cases()) {
    benchmark::RegisterBenchmark(entry.name.c_str(), [&entry](benchmark::State& state) {
      run_timed(state, entry);
    })->Unit(benchmark::kMicrosecond);
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
