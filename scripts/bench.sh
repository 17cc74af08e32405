#!/usr/bin/env bash
# The benchmark suite in one command: builds the bench preset, runs every case
# of bench_suite with repetitions, counts instructions under callgrind, times
# `studyhost run` on a million-bar chart as a whole process, and writes
# docs/performance.md.
#
#   bash scripts/bench.sh
#
# QLX_BENCH_REPETITIONS (default 5) sets the repetitions of each timed case;
# QLX_BENCH_COUNTS=0 skips the instruction counts (they take a few minutes);
# QLX_BENCH_REPORT_ONLY=1 writes docs/performance.md again from the results of
# the last run without measuring.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/bench
results=$build/suite-results
repetitions=${QLX_BENCH_REPETITIONS:-5}
counts=${QLX_BENCH_COUNTS:-1}
report_only=${QLX_BENCH_REPORT_ONLY:-0}
command_line="bash scripts/bench.sh"

log() { echo "bench: $*" >&2; }

# valgrind counts instructions; GNU time reports peak memory.
install_missing() {
  local missing=()
  command -v valgrind >/dev/null 2>&1 || missing+=(valgrind)
  [ -x /usr/bin/time ] || missing+=(time)
  [ ${#missing[@]} -eq 0 ] && return 0
  log "installing ${missing[*]}"
  local sudo_cmd=()
  [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

measure() {
bash "$root/scripts/bootstrap.sh"
install_missing

log "building the bench preset"
cmake --preset bench -S "$root" >/dev/null
cmake --build "$build" -j2 --target bench_suite
suite=$build/bench/bench_suite
studyhost_cmd=$build/studyhost/app/studyhost
# The whole-process case needs the studyhost command; without it that case is
# reported as not measured and everything else still runs.
studyhost_built=1
if ! cmake --build "$build" -j2 --target studyhost >"$build/studyhost-build.log" 2>&1; then
  studyhost_built=0
  log "the studyhost command did not build (see $build/studyhost-build.log)"
fi

rm -rf "$results"
mkdir -p "$results"
cat /proc/loadavg >"$results/loadavg-before"

log "timed cases, $repetitions repetitions each"
"$suite" --benchmark_repetitions="$repetitions" --benchmark_report_aggregates_only=true \
  --benchmark_out="$results/timed.json" --benchmark_out_format=json

# Instruction counts: one run of each case, callgrind collecting only during
# that run. Charts are smaller than in the timed cases where the cost per bar
# does not depend on the chart's length; the per-period recalculation keeps
# its full size, since its last day's extend steps are a cost per chart.
count_sizes=(
  "pricemap_latest_recalc 100000"
  "floor15_recalc 100000"
  "pricemap_per_period_recalc 350000"
  "pricemap_latest_tick 100000"
  "pricemap_per_period_tick 100000"
  "platform_latest_tick 100000"
  "floor15_tick 100000"
  "parse_price_map 2600"
  "json_parse 2600"
  "timeframe_pass 1000000"
  "floor20_pass 1000000"
  "load_bars_csv 100000"
  "read_bars_file 100000"
)
: >"$results/instructions.txt"
if [ "$counts" != 0 ]; then
  for entry in "${count_sizes[@]}"; do
    set -- $entry
    log "counting instructions: $1 ($2)"
    out=$results/callgrind.$1
    if ! valgrind --tool=callgrind --collect-atstart=no --callgrind-out-file="$out" \
      "$suite" --count="$1" --size="$2" >/dev/null 2>"$results/valgrind.$1.log"; then
      log "counting $1 failed (see $results/valgrind.$1.log)"
      continue
    fi
    total=$(awk '/^totals:/ {print $2}' "$out")
    echo "$1 $2 $total" >>"$results/instructions.txt"
  done
fi

# The whole process: `studyhost run` of each study on a million one-minute
# bars, with the responses served from a folder by the built-in mock.
: >"$results/process.txt"
if [ "$studyhost_built" = 1 ]; then
  log "whole-process runs"
  "$suite" --write-bars="$results/bars.csv" --size=1000000
  "$suite" --write-service="$results/service" --size=1000000
  for study in pricemap_overlay timeframe_structure; do
    library=$build/$study/qlx_${study}_64.so
    for run in 1 2 3; do
      /usr/bin/time -v -o "$results/time.$study.$run" "$studyhost_cmd" run "$library" \
        --bars "$results/bars.csv" --service "$results/service" \
        --input "Symbol=ES" --input "API Key=BENCHKEY" --quiet \
        >"$results/run.$study.$run.out" 2>&1 || {
        log "studyhost run of $study failed: $(tail -1 "$results/run.$study.$run.out")"
        echo "$study failed" >>"$results/process.txt"
        break
      }
      wall=$(awk -F': ' '/Elapsed \(wall clock\)/ {print $2}' "$results/time.$study.$run")
      user=$(awk -F': ' '/User time/ {print $2}' "$results/time.$study.$run")
      sys=$(awk -F': ' '/System time/ {print $2}' "$results/time.$study.$run")
      rss=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$results/time.$study.$run")
      echo "$study $wall $user $sys $rss" >>"$results/process.txt"
    done
  done
fi
cat /proc/loadavg >"$results/loadavg-after"
}

if [ "$report_only" = 1 ]; then
  [ -f "$results/timed.json" ] || { log "no results in $results to report"; exit 1; }
else
  measure
fi

log "writing docs/performance.md"
python3 - "$results" "$root/docs/performance.md" "$command_line" "$repetitions" <<'PY'
import json, os, statistics, sys, platform, subprocess

results, target, command_line, repetitions = sys.argv[1:5]

timed = {}
with open(os.path.join(results, "timed.json")) as f:
    data = json.load(f)
if data["benchmarks"]:
    repetitions = data["benchmarks"][0].get("repetitions", repetitions)
for b in data["benchmarks"]:
    name = b.get("run_name", b["name"])
    entry = timed.setdefault(name, {})
    if b.get("error_occurred"):
        entry["error"] = b.get("error_message", "error")
        continue
    # With one repetition there are no aggregates: the run itself is the median.
    agg = b.get("aggregate_name", "median" if b.get("run_type") == "iteration" else None)
    if agg in ("median", "cv"):
        entry[agg] = b

instructions = {}
with open(os.path.join(results, "instructions.txt")) as f:
    for line in f:
        parts = line.split()
        if len(parts) == 3:
            instructions[parts[0]] = (int(parts[1]), int(parts[2]))

def to_us(b, key):
    unit = {"ns": 1e-3, "us": 1.0, "ms": 1e3, "s": 1e6}[b.get("time_unit", "ns")]
    return b[key] * unit

def median(name, key="cpu_time"):
    e = timed.get(name, {})
    return to_us(e["median"], key) if "median" in e else None

def cv(name):
    e = timed.get(name, {}).get("cv")
    return e["cpu_time"] if e else None

def size(name):
    e = timed.get(name, {}).get("median")
    return e["size"] if e else None

def per_bar_instr(name):
    if name not in instructions:
        return None
    n, total = instructions[name]
    return total / n

def run_instr(name):
    return instructions[name][1] if name in instructions else None

def fmt_time(us):
    if us is None:
        return "n/a"
    if us >= 1000:
        return f"{us / 1000:.1f} ms"
    return f"{us:.2f} µs"

# A per-bar case shows its time per bar too.
def fmt_case(name, per_bar, unit):
    t = median(name)
    if t is None or not per_bar:
        return fmt_time(t)
    return f"{fmt_time(t)} ({t * 1000 / size(name):.0f} ns/{unit})"

def fmt_ratio(x):
    return "n/a" if x is None else f"{x:.2f}x"

def fmt_int(x):
    return "n/a" if x is None else f"{x:,.0f}"

def fmt_cv(x):
    return "n/a" if x is None else f"{x * 100:.0f} %"

rows = []

def ratio(a, b):
    return a / b if a is not None and b else None

# Case, its comparison and target. Per-bar cases compare per bar.
def row(title, name, floor_title, floor, limit, per_bar=True, same_size=True, note="", unit="bar"):
    t, f = median(name), median(floor)
    if per_bar and not same_size:
        t = t / size(name) if t is not None else None
        f = f / size(floor) if f is not None else None
    r = ratio(t, f)
    if per_bar:
        ci, cf = per_bar_instr(name), per_bar_instr(floor)
        instr_label = "instructions per bar"
    else:
        ci, cf = run_instr(name), run_instr(floor)
        instr_label = "instructions per run"
    ri = ratio(ci, cf)
    failure = timed.get(name, {}).get("error") or timed.get(floor, {}).get("error")
    if failure:
        verdict = "failed: " + failure
    elif limit is None:
        verdict = "no target"
    elif r is None:
        verdict = "not measured"
    else:
        met = r <= limit and (ri is None or ri <= limit)
        verdict = ("met" if met else "missed") + f" (≤ {limit:g}x)"
    drawn = timed.get(name, {}).get("median", {}).get("drawings")
    if drawn:
        title = f"{title} ({drawn:,.0f} drawings on the chart)"
    rows.append((title, fmt_case(name, per_bar, unit), fmt_cv(cv(name)), floor_title,
                 fmt_case(floor, per_bar, unit), fmt_ratio(r), fmt_int(ci), fmt_int(cf),
                 fmt_ratio(ri), verdict, note))

row("Full recalculation, latest-map mode, 1,000,000 bars", "pricemap_latest_recalc",
    "floor study writing 15 values per bar, same chart", "floor15_recalc", 2.0)
row("Full recalculation, per-period mode, 350,000 bars, 2,600 daily maps, drawings included",
    "pricemap_per_period_recalc", "latest-map full recalculation, per bar",
    "pricemap_latest_recalc", 3.0, same_size=False, note="ratio per bar")
row("Tick (change of the last bar), latest-map mode, 1,000,000 bars", "pricemap_latest_tick",
    "floor study tick", "floor15_tick", None, per_bar=False)
row("Tick (change of the last bar), per-period mode, 350,000 bars", "pricemap_per_period_tick",
    "floor study tick", "floor15_tick", None, per_bar=False)
row("Tick through the platform bridge (fake platform, stand-in SDK), latest-map mode, 1,000,000 bars",
    "platform_latest_tick", "the same tick through studyhost", "pricemap_latest_tick", 1.5,
    per_bar=False)
row("parse_price_map, ten-year daily map (2,600 records)", "parse_price_map",
    "nlohmann::json::parse of the same text", "json_parse", 1.5, per_bar=False)
row("Timeframe structure pass, 1,000,000 bars, five records", "timeframe_pass",
    "floor study writing 20 outputs per bar", "floor20_pass", 2.0)
row("Loading a 1,000,000-row bars file (studyhost's reader)", "load_bars_csv",
    "reading the file and finding its lines", "read_bars_file", None, per_bar=True,
    note="rows per second below", unit="row")

load_us = median("load_bars_csv")
load_wall_us = median("load_bars_csv", "real_time")
rows_per_s = size("load_bars_csv") / (load_us / 1e6) if load_us else None
rows_per_s_wall = size("load_bars_csv") / (load_wall_us / 1e6) if load_wall_us else None

process = {}
with open(os.path.join(results, "process.txt")) as f:
    for line in f:
        parts = line.split()
        if len(parts) == 5:
            process.setdefault(parts[0], []).append(parts[1:])
        elif len(parts) == 2:
            process.setdefault(parts[0], None)

def seconds(text):
    total = 0.0
    for part in text.split(":"):
        total = total * 60 + float(part)
    return total

with open(os.path.join(results, "loadavg-before")) as f:
    load_before = f.read().split()[:3]
with open(os.path.join(results, "loadavg-after")) as f:
    load_after = f.read().split()[:3]
cpu = "unknown"
try:
    with open("/proc/cpuinfo") as f:
        for line in f:
            if line.startswith("model name"):
                cpu = line.split(":", 1)[1].strip()
                break
except OSError:
    pass
commit = subprocess.run(["git", "rev-parse", "--short", "HEAD"], capture_output=True,
                        text=True, cwd=os.path.dirname(os.path.dirname(target))).stdout.strip()

out = []
out.append("# Performance")
out.append("")
out.append("Written by `scripts/bench.sh`; do not edit by hand. Reproduce with:")
out.append("")
out.append(f"    {command_line}")
out.append("")
out.append(f"Measured at commit `{commit}` on {cpu} ({os.cpu_count()} cores), "
           f"{platform.system()} {platform.release()}. Load average before the run "
           f"{' '.join(load_before)}, after {' '.join(load_after)}.")
out.append("")
out.append("Every case runs through the studyhost runtime with the real built study libraries, "
           "its level data answered by a scripted transport with generated responses. Each case "
           "is compared with its floor, measured in the same run: the same host driving a "
           f"minimal study. Timed figures are the median CPU time of {repetitions} repetitions "
           "(Google Benchmark, `bench` preset: Release, no sanitizers); the spread column is the "
           "coefficient of variation of those repetitions. Instruction counts come from "
           "`valgrind --tool=callgrind`, collecting only during one run of the case, and do not "
           "depend on the machine's load. A target counts as met when both the time ratio and "
           "the instruction ratio are within it.")
out.append("")
out.append("| Case | Median | Spread | Floor | Floor median | Ratio | Instructions, case | "
           "Instructions, floor | Instruction ratio | Target |")
out.append("|---|---|---|---|---|---|---|---|---|---|")
for r in rows:
    title, t, spread, ftitle, ft, ratio_text, ci, cf, ri, verdict, note = r
    suffix = f" ({note})" if note else ""
    out.append(f"| {title} | {t} | {spread} | {ftitle} | {ft} | {ratio_text}{suffix} | {ci} | "
               f"{cf} | {ri} | {verdict} |")
out.append("")
if instructions:
    out.append("Instruction counts are per bar (per row for the bars file) for the full "
               "recalculations, the timeframe pass and the bars file, and per run otherwise. "
               "The counted runs used these sizes (bars, rows or records): "
               + ", ".join(f"`{k}` {n:,}" for k, (n, _) in instructions.items()) + ".")
else:
    out.append("Instruction counts were skipped (QLX_BENCH_COUNTS=0).")
out.append("")
out.append("## Whole process: `studyhost run` on 1,000,000 one-minute bars")
out.append("")
if not process:
    out.append("Not measured: the studyhost command did not build in this run "
               "(see build/bench/studyhost-build.log).")
else:
    out.append("`studyhost run LIBRARY --bars bars.csv --service DIR --input Symbol=ES "
               "--input \"API Key=…\" --quiet` under `/usr/bin/time -v`, three runs each, "
               "the median shown; the responses are the ten-year daily map served from a "
               "folder by the built-in mock.")
    out.append("")
    out.append("| Study | Wall time | User CPU | System CPU | Peak memory | Rows per second, whole run |")
    out.append("|---|---|---|---|---|---|")
    for study, runs in process.items():
        if not runs:
            out.append(f"| {study} | failed | | | | |")
            continue
        walls = [seconds(r[0]) for r in runs]
        k = sorted(range(len(walls)), key=lambda i: walls[i])[len(walls) // 2]
        wall, user, sys_t, rss = runs[k]
        out.append(f"| {study} | {seconds(wall):.2f} s | {float(user):.2f} s | "
                   f"{float(sys_t):.2f} s | {int(rss) / 1024:.0f} MiB | "
                   f"{1e6 / seconds(wall):,.0f} |")
out.append("")
out.append("## Loading bars")
out.append("")
if rows_per_s:
    verdict = "met" if rows_per_s >= 1e6 and rows_per_s_wall >= 1e6 else "missed"
    out.append(f"studyhost's bars reader loads {rows_per_s:,.0f} rows per second of CPU time "
               f"({rows_per_s_wall:,.0f} per second of wall time). "
               f"Target: a million rows a second or better — {verdict}.")
else:
    out.append("Not measured: the bars reader was not built.")
out.append("")
out.append("## Noise")
out.append("")
out.append("The machine has two cores shared with other builds, so wall times vary with the "
           "load (the Google Benchmark JSON in build/bench/suite-results/timed.json has both "
           "CPU and wall medians). CPU time is steadier; instruction counts are exact and "
           "repeat from run to run. Google Benchmark warns that Debian's library was built "
           "for debugging; that concerns its own bookkeeping, not the measured code.")
out.append("")
with open(target, "w") as f:
    f.write("\n".join(out))
PY
log "done: docs/performance.md"
