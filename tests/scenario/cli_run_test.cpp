// `studyhost run` end to end: the real study libraries against the bundled
// responses served by the mock service, and what the dump and the trace say
// about the session.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

#include "built_targets.h"
#include "studyhost/app/commands.h"
#include "studyhost/session/bars_csv.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using studyhost::app::RunOptions;

const std::string kData = QLX_DATA_DIR;
const std::string kBars = kData + "/bars/es_5min.csv";
const std::string kLevels = kData + "/levels";
constexpr const char* kSecret = "secret-key-42";

std::string read_text(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::size_t sample_bar_count() {
  std::vector<studyhost::Bar> bars;
  std::string error;
  EXPECT_TRUE(studyhost::session::load_bars_csv(kBars, bars, error)) << error;
  return bars.size();
}

// The last record of a bundled response, as the study stores it.
json last_record(const std::string& file) {
  return json::parse(read_text(kLevels + "/Futures/" + file)).at("data").back();
}

class CliRun : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("studyhost_cli_" +
            std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  RunOptions options(const std::string& library) const {
    RunOptions o;
    o.library = library;
    o.bars = kBars;
    o.service = kLevels;
    o.inputs = {"Asset Class=Futures", "Symbol=ES", std::string("API Key=") + kSecret};
    o.quiet = true;
    return o;
  }

  int run(const RunOptions& o) {
    out_.str("");
    err_.str("");
    return studyhost::app::run_command(o, out_, err_);
  }

  std::string path(const char* name) const { return (dir_ / name).string(); }

  fs::path dir_;
  std::ostringstream out_;
  std::ostringstream err_;
};

// A failure is one line on the error stream and a non-zero exit.
#define EXPECT_ONE_LINE_FAILURE(rc, text)                    \
  do {                                                       \
    EXPECT_NE(rc, 0);                                        \
    const std::string e = err_.str();                        \
    EXPECT_EQ(std::count(e.begin(), e.end(), '\n'), 1) << e; \
    EXPECT_NE(e.find(text), std::string::npos) << e;         \
  } while (0)

const json* find_drawing(const json& dump, const std::function<bool(const json&)>& match) {
  for (const json& d : dump.at("drawings")) {
    if (match(d)) return &d;
  }
  return nullptr;
}

TEST_F(CliRun, DumpOfAPriceMapSessionHoldsDrawingsValuesInputsMenuLogAndRequests) {
  SKIP_UNLESS_BUILT(scenario::kPriceMapStudy);
  RunOptions o = options(scenario::kPriceMapStudy.path);
  o.dump = path("dump.json");
  ASSERT_EQ(run(o), 0) << err_.str();
  EXPECT_EQ(err_.str(), "");
  const std::string text = read_text(o.dump);
  const json dump = json::parse(text);

  EXPECT_EQ(dump.at("study").at("name"), "QLX PRICEMAP OVERLAY");
  EXPECT_EQ(dump.at("study").at("dll_name"), "QLX PRICEMAP OVERLAY");
  EXPECT_EQ(dump.at("study").at("version"), 2628);
  const std::size_t bars = sample_bar_count();
  EXPECT_EQ(dump.at("bar_count"), bars);

  // The status text: green, top-left by relative coordinates.
  const json* status = find_drawing(dump, [](const json& d) { return d.value("status", -1) == 1; });
  ASSERT_NE(status, nullptr);
  const json latest = last_record("ES_D.json");
  EXPECT_EQ(status->at("text"), "Price Map Date: " + latest.at("Date").get<std::string>());
  EXPECT_EQ(status->at("color"), 0x00008000u);
  EXPECT_EQ(status->at("begin_price"), 98.0);

  // The DIR level: its label and its line at the latest record's price, in
  // one colour; a line carries no text fields.
  const double dir = std::stod(latest.at("DIR").get<std::string>());
  const json* label = find_drawing(dump, [](const json& d) {
    const std::string t = d.value("text", "");
    return d.at("kind") == 6 && t.size() > 4 && t.substr(t.size() - 4) == " DIR";
  });
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->at("begin_price"), dir);
  const json* line = find_drawing(dump, [&](const json& d) {
    return d.at("kind") == 1 && d.value("begin_price", 0.0) == dir &&
           d.value("color", 0u) == label->at("color");
  });
  ASSERT_NE(line, nullptr);
  EXPECT_EQ(line->at("end_bar"), static_cast<int>(bars) - 1);
  EXPECT_FALSE(line->contains("text"));
  EXPECT_FALSE(line->contains("font_size"));
  EXPECT_FALSE(line->contains("second_color"));

  // Subgraph 12 carries DIR from the update that picked the body up;
  // subgraph 26 carries the Symbol as its label, and no values.
  const json* dir_values = nullptr;
  const json* symbol_label = nullptr;
  for (const json& s : dump.at("subgraphs")) {
    if (s.at("index") == 12) dir_values = &s;
    if (s.at("index") == 26) symbol_label = &s;
  }
  ASSERT_NE(symbol_label, nullptr);
  EXPECT_EQ(symbol_label->at("label"), "ES");
  EXPECT_TRUE(symbol_label->at("values").empty());
  ASSERT_NE(dir_values, nullptr);
  ASSERT_EQ(dir_values->at("values").size(), bars);
  EXPECT_EQ(dir_values->at("values").back(), dir);

  bool saw_key = false, saw_asset = false;
  for (const json& input : dump.at("inputs")) {
    if (input.at("name") == "API Key") {
      saw_key = true;
      EXPECT_EQ(input.at("text"), "***");
    }
    if (input.at("name") == "Asset Class") {
      saw_asset = true;
      EXPECT_EQ(input.at("value"), 1);
      EXPECT_EQ(input.at("text"), "Futures");
    }
  }
  EXPECT_TRUE(saw_key);
  EXPECT_TRUE(saw_asset);

  bool saw_entry = false;
  for (const json& entry : dump.at("menu")) {
    if (entry.at("text") == "ES.D Show AD") {
      saw_entry = true;
      EXPECT_EQ(entry.at("checked"), true);
    }
  }
  EXPECT_TRUE(saw_entry) << dump.at("menu").dump();

  EXPECT_EQ(dump.at("log"), json::array({status->at("text")}));
  ASSERT_EQ(dump.at("requests").size(), 1u);
  const std::string url = dump.at("requests")[0];
  const std::string query =
      "/wp-json/fernhollow/v1/getcsv?assetClass=Futures&symbol=ES&timeframe=D&api_key=***";
  ASSERT_GE(url.size(), query.size());
  EXPECT_EQ(url.substr(url.size() - query.size()), query);
  EXPECT_EQ(url.rfind("https://", 0), 0u) << "the dump shows the study's own URL";
  EXPECT_EQ(text.find(kSecret), std::string::npos);
}

TEST_F(CliRun, TraceListsTheCallsInOrderWithTheKeyHidden) {
  SKIP_UNLESS_BUILT(scenario::kPriceMapStudy);
  RunOptions o = options(scenario::kPriceMapStudy.path);
  o.trace = path("trace.jsonl");
  ASSERT_EQ(run(o), 0) << err_.str();
  const std::string text = read_text(o.trace);
  EXPECT_EQ(text.find(kSecret), std::string::npos);

  std::istringstream lines(text);
  std::vector<json> calls;
  for (std::string line; std::getline(lines, line);) calls.push_back(json::parse(line));
  ASSERT_GT(calls.size(), 3u);
  EXPECT_EQ(calls[0].at("seq"), 1);
  EXPECT_EQ(calls[0].at("instance"), 1);
  EXPECT_EQ(calls[0].at("operation"), "study_call");
  EXPECT_EQ(calls[0].at("arguments").get<std::string>().rfind("defaults=1 last=0", 0), 0u);
  // The defaults call asks nothing of the host: the next line is the first
  // call of the full recalculation, for bar 0.
  EXPECT_EQ(calls[1].at("operation"), "study_call");
  EXPECT_EQ(calls[1].at("arguments").get<std::string>().rfind("defaults=0 last=0 index=0", 0), 0u);

  const auto request = std::find_if(calls.begin(), calls.end(), [](const json& c) {
    return c.at("operation") == "http_request";
  });
  ASSERT_NE(request, calls.end());
  const std::string url = request->at("arguments");
  EXPECT_EQ(url.substr(url.size() - 12), "api_key=***\"") << url;
  EXPECT_EQ(request->at("result"), "1");
  // The last call, made when the run ends, closes the trace.
  EXPECT_EQ(calls.back().at("seq"), calls.size());
  const auto last_call = std::find_if(calls.rbegin(), calls.rend(), [](const json& c) {
    return c.at("operation") == "study_call";
  });
  EXPECT_NE(last_call->at("arguments").get<std::string>().find("last=1"), std::string::npos);
}

TEST_F(CliRun, ReplayedBarsAndMenuChoicesReachTheStudy) {
  SKIP_UNLESS_BUILT(scenario::kPriceMapStudy);
  RunOptions o = options(scenario::kPriceMapStudy.path);
  o.dump = path("dump.json");
  o.replay = 5;
  o.recalc = true;
  o.menus = {"ES.D Show AD"};
  ASSERT_EQ(run(o), 0) << err_.str();
  const json dump = json::parse(read_text(o.dump));
  const std::size_t bars = sample_bar_count();
  EXPECT_EQ(dump.at("bar_count"), bars);
  // Two full recalculations, two downloads.
  EXPECT_EQ(dump.at("requests").size(), 2u);
  const double dir = std::stod(last_record("ES_D.json").at("DIR").get<std::string>());
  for (const json& s : dump.at("subgraphs")) {
    if (s.at("index") == 12) {
      // The second full recalculation found the price map already held and
      // wrote it on every bar; the replayed bars took it as they came.
      EXPECT_EQ(s.at("values").front(), dir);
      EXPECT_EQ(s.at("values").back(), dir);
    }
  }
  for (const json& entry : dump.at("menu")) {
    if (entry.at("text") == "ES.D Show AD") {
      EXPECT_EQ(entry.at("checked"), false);
    }
  }
  // With AD switched off no band is left.
  EXPECT_EQ(find_drawing(dump, [](const json& d) { return d.at("kind") == 12; }), nullptr);

  o.menus = {"Show Everything"};
  EXPECT_ONE_LINE_FAILURE(run(o),
                          "no menu entry \"Show Everything\"; the menu holds: \"ES.D Show VAR\"");
}

TEST_F(CliRun, ADownloadThatOutlastsTheWaitIsAFailureButTheOutputsAreStillWritten) {
  SKIP_UNLESS_BUILT(scenario::kPriceMapStudy);
  // A server that takes the connection and never answers.
  const int listener = socket(AF_INET, SOCK_STREAM, 0);
  ASSERT_GE(listener, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(listen(listener, 4), 0);
  socklen_t length = sizeof address;
  ASSERT_EQ(getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length), 0);

  RunOptions o = options(scenario::kPriceMapStudy.path);
  o.service = "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port));
  o.download_wait = std::chrono::milliseconds(300);
  o.dump = path("dump.json");
  // The line names the study and the request it waits for, without the key.
  EXPECT_ONE_LINE_FAILURE(run(o), "QLX PRICEMAP OVERLAY: request https://");
  EXPECT_NE(err_.str().find("/wp-json/fernhollow/v1/getcsv?assetClass=Futures&symbol=ES"
                            "&timeframe=D&api_key=*** still running after 0 s (" +
                            o.service + ")\n"),
            std::string::npos)
      << err_.str();
  EXPECT_EQ(err_.str().find(kSecret), std::string::npos) << err_.str();
  const json dump = json::parse(read_text(o.dump));
  const json* status = find_drawing(dump, [](const json& d) { return d.value("status", -1) == 1; });
  ASSERT_NE(status, nullptr);
  EXPECT_EQ(status->at("text"), "Downloading...");
  close(listener);
}

// Per-period mode is reached only through input 36, which has no name, so
// `--input NAME=VALUE` could not set it. By its number it is set from outside
// once the study state exists, and the full recalculation that follows draws
// each day with its own price map.
TEST_F(CliRun, AnInputByItsNumberSwitchesThePriceMapToPerPeriodMode) {
  SKIP_UNLESS_BUILT(scenario::kPriceMapStudy);
  RunOptions o = options(scenario::kPriceMapStudy.path);
  o.inputs.push_back("36=2");
  o.inputs.push_back("Show Price Labels=All");
  o.dump = path("dump.json");
  ASSERT_EQ(run(o), 0) << err_.str();
  const json dump = json::parse(read_text(o.dump));
  for (const json& input : dump.at("inputs")) {
    if (input.at("index") == 36) {
      EXPECT_EQ(input.at("value"), 2);
    }
  }
  std::set<std::string> ut1_labels;
  for (const json& d : dump.at("drawings")) {
    const std::string text = d.value("text", "");
    if (text.size() > 4 && text.substr(text.size() - 4) == " UT1") ut1_labels.insert(text);
  }
  EXPECT_GT(ut1_labels.size(), 5u) << "one UT1 label per day, each at that day's price";

  o.inputs.back() = "99=1";
  EXPECT_ONE_LINE_FAILURE(run(o), "no input number 99; the study's inputs are numbered: 1, 2");
}

TEST_F(CliRun, DumpOfATimeframeSessionListsItsNamedOutputsAndChainedRequests) {
  SKIP_UNLESS_BUILT(scenario::kTimeframeStudy);
  RunOptions o = options(scenario::kTimeframeStudy.path);
  o.dump = path("dump.json");
  ASSERT_EQ(run(o), 0) << err_.str();
  const json dump = json::parse(read_text(o.dump));
  EXPECT_EQ(dump.at("study").at("name"), "QLX TIMEFRAME STRUCTURE");
  ASSERT_EQ(dump.at("subgraphs").size(), 20u);
  const json& first = dump.at("subgraphs")[0];
  EXPECT_EQ(first.at("name"), "Prev. Trading Session High");
  EXPECT_EQ(first.at("label"), "   PDH");
  EXPECT_EQ(first.at("color"), 0x00E16941u);
  EXPECT_EQ(first.at("draw_style"), 35);
  EXPECT_EQ(first.at("line_width"), 1);
  const double high = std::stod(last_record("ES_D.json").at("High").get<std::string>());
  const auto& values = first.at("values");
  EXPECT_NE(std::find(values.begin(), values.end(), json(high)), values.end());

  ASSERT_EQ(dump.at("requests").size(), 5u);
  const char* frames[] = {"D", "W", "M", "Q", "Y"};
  for (std::size_t i = 0; i < 5; ++i) {
    const std::string url = dump.at("requests")[i];
    EXPECT_NE(url.find(std::string("timeframe=") + frames[i] + "&api_key=***"), std::string::npos)
        << url;
  }
}

TEST_F(CliRun, BadInputEndsTheRunWithOneLine) {
  const std::string library = scenario::kPriceMapStudy.path;
  RunOptions o = options(library);
  o.bars = path("missing.csv");
  EXPECT_ONE_LINE_FAILURE(run(o), path("missing.csv") + ": cannot open the file");

  std::ofstream(path("bad.csv")) << "DateTime,Open,High,Low,Close,Volume\n"
                                    "2025-10-17 09:00:00,1,2,1,2,0\n2025-10-17 09:05:00,1,2,1\n";
  o.bars = path("bad.csv");
  EXPECT_ONE_LINE_FAILURE(run(o), path("bad.csv") + ": line 3: too few fields");

  o = options(path("no_such_library.so"));
  EXPECT_ONE_LINE_FAILURE(run(o), "no_such_library.so");

  o = options(library);
  o.replay = 1000000;
  EXPECT_ONE_LINE_FAILURE(run(o), "--replay 1000000 leaves no bar");

  o = options(library);
  o.service = path("no_such_folder");
  EXPECT_ONE_LINE_FAILURE(run(o), "neither an http(s) URL nor a folder of responses");

  o = options(library);
  o.tz_offset_hours = 1e300;
  EXPECT_ONE_LINE_FAILURE(run(o), "--tz-offset");

  // The rest needs a study that declares inputs.
  SKIP_UNLESS_BUILT(scenario::kPriceMapStudy);
  o = options(library);
  o.inputs.push_back("Time Frame=Hourly");
  EXPECT_ONE_LINE_FAILURE(run(o), "input \"Time Frame\" takes one of: \"Daily\", \"Weekly\"");
  o.inputs.back() = "Timeframe=Daily";
  EXPECT_ONE_LINE_FAILURE(run(o), "unknown input \"Timeframe\"");
  o.inputs.back() = "Timeframe";
  EXPECT_ONE_LINE_FAILURE(run(o), "--input takes NAME=VALUE");

  o = options(library);
  o.dump = path("no_such_folder/dump.json");
  EXPECT_ONE_LINE_FAILURE(run(o), path("no_such_folder/dump.json") + ": cannot write the file");
}

}  // namespace
