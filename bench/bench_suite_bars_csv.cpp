// Loading a bars file of a million one-minute bars as `studyhost run` does,
// against reading the file's bytes and finding its lines.
#include <benchmark/benchmark.h>

#include <unistd.h>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "bench_suite_fixtures.h"

#if defined(QLX_BENCH_BARS_CSV)
#include "studyhost/session/bars_csv.h"
#endif

namespace bench_suite {
namespace {

// A bars file in the temporary folder, removed with the case.
struct BarsFile {
  std::filesystem::path path;
  explicit BarsFile(std::int32_t rows)
      : path(std::filesystem::temp_directory_path() /
             ("qlx_bench_bars_" + std::to_string(::getpid()) + ".csv")) {
    const std::string text = bars_csv(minute_bars(rows));
    std::ofstream out(path, std::ios::binary);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    if (!out) throw std::runtime_error("cannot write " + path.string());
  }
  ~BarsFile() {
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
  }
  BarsFile(const BarsFile&) = delete;
  BarsFile& operator=(const BarsFile&) = delete;
};

struct ReadLines : Case {
  BarsFile file;
  explicit ReadLines(std::int32_t rows) : file(rows) {}
  void run() override {
    std::ifstream in(file.path, std::ios::binary);
    std::string text(static_cast<std::size_t>(std::filesystem::file_size(file.path)), '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    if (in.gcount() != static_cast<std::streamsize>(text.size())) {
      throw std::runtime_error("short read of " + file.path.string());
    }
    benchmark::DoNotOptimize(std::count(text.begin(), text.end(), '\n'));
  }
};

const Registered read_lines{"read_bars_file", kCsvRows, true,
                            [](std::int32_t rows) { return std::make_unique<ReadLines>(rows); }};

#if defined(QLX_BENCH_BARS_CSV)
struct LoadBars : Case {
  BarsFile file;
  std::int32_t rows;
  LoadBars(std::int32_t count) : file(count), rows(count) {}
  void run() override {
    std::vector<studyhost::Bar> bars;
    std::string error;
    if (!studyhost::session::load_bars_csv(file.path.string(), bars, error)) {
      throw std::runtime_error(error);
    }
    if (bars.size() != static_cast<std::size_t>(rows)) throw std::runtime_error("rows lost");
  }
};

const Registered load_bars{"load_bars_csv", kCsvRows, true,
                           [](std::int32_t rows) { return std::make_unique<LoadBars>(rows); }};
#endif

}  // namespace
}  // namespace bench_suite
