#!/usr/bin/env python3
"""Turns one run of oc_bench into the figures and the report.

usage: report.py RESULTS DOCS
  RESULTS holds benchmark.json (Google Benchmark's output), load-before.txt and
  load-after.txt (uptime); lookup.dat, the plot's table, is written there.
  DOCS receives performance.json (the figures) and PERFORMANCE.md.
Every figure is the median CPU time of the repetitions; a ratio divides a benchmark's median
by its floor's from the same run.
"""

import json
import os
import re
import subprocess
import sys

LOOKUP_GOAL = 1.3
ENTRY_GOAL = 1.05
# Growth counts as linear while each step costs at most a quarter more per entry or byte.
LINEAR_SLACK = 1.25
RECORDS = ("first", "last", "missing")


def medians(raw):
    """Median CPU time (microseconds) and counters of every benchmark, by its name."""
    figures = {}
    for run in raw["benchmarks"]:
        if run.get("run_type") != "aggregate" or run.get("aggregate_name") != "median":
            continue
        assert run["time_unit"] == "us", run["name"]
        figure = {"us": run["cpu_time"]}
        for counter in ("buffers", "compressed_bytes", "bytes_per_second"):
            if counter in run:
                figure[counter] = run[counter]
        figures[run["run_name"]] = figure
    return figures


def repetitions(raw):
    return max(run.get("repetitions", 1) for run in raw["benchmarks"])


def ratio(figures, name, floor):
    return figures[name]["us"] / figures[floor]["us"]


def growth(points):
    """The factor of each step between neighbouring sizes, and the factor of the sizes."""
    return [(b[1] / a[1], b[0] / a[0]) for a, b in zip(points, points[1:])]


def is_linear(points):
    return all(time <= size * LINEAR_SLACK for time, size in growth(points))


def sizes(figures, prefix):
    """The sizes, the numbers after prefix/ in the benchmarks' names, in order."""
    return sorted({int(name.split("/")[1]) for name in figures if name.startswith(prefix + "/")})


def lookup_figures(figures):
    counts = sizes(figures, "Lookup")
    rows = []
    for count in counts:
        for record in RECORDS:
            name = f"Lookup/{count}/{record}"
            floor = f"LookupFloor/{count}/{record}"
            rows.append({"entries": count, "record": record, "us": figures[name]["us"],
                         "floor_us": figures[floor]["us"], "ratio": ratio(figures, name, floor)})
    return counts, rows


def lookup_points(lookups, record):
    """(entries, time) of one record's lookups, by entry count."""
    return [(row["entries"], row["us"]) for row in lookups if row["record"] == record]


def machine(results, raw):
    cache = {}
    with open(os.path.join(results, os.pardir, "CMakeCache.txt")) as text:
        for line in text:
            match = re.match(r"(CMAKE_CXX_COMPILER|CMAKE_CXX_FLAGS_RELEASE):\w+=(.*)", line)
            if match:
                cache[match.group(1)] = match.group(2).strip()
    compiler = subprocess.run([cache["CMAKE_CXX_COMPILER"], "--version"], capture_output=True,
                              text=True, check=True).stdout.splitlines()[0]
    cpu = "unknown"
    with open("/proc/cpuinfo") as text:
        for line in text:
            if line.startswith("model name"):
                cpu = line.split(":", 1)[1].strip()
                break

    def load(name):
        with open(os.path.join(results, name)) as text:
            return text.read().split("load average:")[1].strip()

    context = raw["context"]
    return {"cpu": cpu, "cores": os.cpu_count(), "mhz": context.get("mhz_per_cpu"),
            "compiler": compiler, "flags": cache.get("CMAKE_CXX_FLAGS_RELEASE", ""),
            "date": context["date"], "load_before": load("load-before.txt"),
            "load_after": load("load-after.txt"), "load_at_start": context.get("load_avg")}


def goals(figures, lookups, settings_points):
    at_10k = [row for row in lookups if row["entries"] == 10000]
    worst = max(at_10k, key=lambda row: row["ratio"])
    lookup_linear = {record: is_linear(lookup_points(lookups, record)) for record in RECORDS}
    stored = ratio(figures, "StoredRead", "StoredFloor")
    compressed = ratio(figures, "CompressedOpen", "CompressedFloor")
    chunks = ratio(figures, "CompressedChunks", "CompressedFloor")
    return [
        {"goal": f"lookup at 10,000 entries at most {LOOKUP_GOAL} x its floor",
         "figure": ", ".join(f"{row['record']} {row['ratio']:.2f}" for row in at_10k),
         "met": worst["ratio"] <= LOOKUP_GOAL,
         "reason": f"the {worst['record']} record takes {worst['ratio']:.2f} x its floor in this run"},
        {"goal": "lookup time grows linearly with the entry count",
         "figure": "; ".join(f"{record}: " + ", ".join(
             f"x{time:.1f}" for time, _ in growth(lookup_points(lookups, record)))
             for record in RECORDS) + " per tenfold count",
         "met": all(lookup_linear.values()),
         "reason": "grows faster than the count: " + ", ".join(
             record for record, linear in lookup_linear.items() if not linear)},
        {"goal": f"stored 64 MB entry read in 64 KB pieces at most {ENTRY_GOAL} x fread",
         "figure": f"{stored:.3f}", "met": stored <= ENTRY_GOAL,
         "reason": f"{stored:.3f} x fread in this run"},
        {"goal": f"compressed 64 MB entry opened at most {ENTRY_GOAL} x uncompress",
         "figure": f"{compressed:.3f}", "met": compressed <= ENTRY_GOAL,
         "reason": (f"OCFile::Inflate gives zlib at most 4096 bytes of input per call, as the design "
                    f"requires; zlib fed that way, without the file layer, takes {chunks:.3f} x "
                    f"uncompress (CompressedChunks), and the open takes "
                    f"{compressed / chunks:.3f} x that. With less output per call than zlib's 32 KB "
                    f"window, zlib copies each call's output into its window and serves matches that "
                    f"reach into earlier calls from there; uncompress inflates in one call")},
        {"goal": "settings: ratio reported, time linear in the file size",
         "figure": ", ".join(f"x{time:.2f}" for time, _ in growth(settings_points)) + " per doubling",
         "met": is_linear(settings_points),
         "reason": "grows faster than the file"},
    ]


def report(figures, lookups, counts, settings, strings, goal_list, info, runs):
    def us(value):
        return f"{value / 1000:.2f} ms" if value >= 1000 else f"{value:.1f} µs"

    stored, compressed = figures["StoredRead"], figures["CompressedOpen"]
    entry_bytes = stored["bytes_per_second"] * stored["us"] / 1e6
    out = []
    add = out.append
    add("# Performance of the file layer")
    add("")
    add("Generated by `bash scripts/bench.sh` from one run of the benchmark suite (`bench/`); the "
        "figures are in `docs/performance.json`. Do not edit by hand.")
    add("")
    add(f"Each benchmark runs in the same process as its floor, the least work that gives the same "
        f"result, written plainly in the benchmark. Every figure is the median CPU time of {runs} "
        f"repetitions, run in random order so that a busy machine weighs on both alike; a ratio is a "
        f"benchmark's median over its floor's. Host build, Release.")
    add("")
    add("## Machine")
    add("")
    add("| CPU | Cores | Compiler | Flags | Date | Load (1, 5, 15 min) before / after |")
    add("|---|---|---|---|---|---|")
    add(f"| {info['cpu']} ({info['mhz']} MHz) | {info['cores']} | {info['compiler']} | "
        f"`{info['flags']}` | {info['date']} | {info['load_before']} / {info['load_after']} |")
    add("")
    add("The load is what `uptime` showed before and after the run: other work on the machine weighs on "
        "a benchmark and its floor alike, which is why only ratios are compared.")
    add("")
    add("## Goals")
    add("")
    add("| Goal | Figure | Met |")
    add("|---|---|---|")
    for goal in goal_list:
        verdict = "yes" if goal["met"] else "no: " + goal["reason"]
        add(f"| {goal['goal']} | {goal['figure']} | {verdict} |")
    add("")
    add("## 1. Lookup")
    add("")
    add("`OCFile::Open` of a name that is not on disk, found through the pack lookup in the one pack "
        "of the current directory: version 3, compressed directory, entries named like "
        "`data\\image\\00042.bmp` in order. *first* and *last* name the first and the last record, "
        "*missing* (`data\\image\\none.bmp`) no record, so the whole directory is walked. "
        "Floor: one `fopen`, one `fread` of the header and one of the compressed directory, one "
        "zlib `uncompress` into new memory, and a walk over the records comparing each name with "
        "an ASCII case-insensitive compare.")
    add("")
    add("| Entries | Record | Lookup | Floor | Ratio |")
    add("|---:|---|---:|---:|---:|")
    for row in lookups:
        add(f"| {row['entries']:,} | {row['record']} | {us(row['us'])} | {us(row['floor_us'])} | "
            f"{row['ratio']:.2f} |")
    add("")
    add("At 1,000 entries the lookup's fixed work weighs most, tens of microseconds the floor does not "
        "do: opening by name maps the Windows path to the host's (a few `stat` calls, and a listing of the "
        "directory for the name that is not on disk), `OCFile::GetSize` seeks to the end and back, and the "
        "directory's pages are handed out zeroed.")
    add("")
    add("![Lookup time against entry count](lookup.png)")
    add("")
    add("## 2. Stored entry")
    add("")
    add(f"The lookup of a stored entry of {entry_bytes / 2**20:.0f} MB and `OCFile::Read` of all "
        "of it in 64 KB pieces. Floor: `fopen` of the pack, `fseek` to the entry and `fread` of "
        "the same bytes in the same pieces.")
    add("")
    add("| Read | Floor | Ratio |")
    add("|---:|---:|---:|")
    add(f"| {us(stored['us'])} | {us(figures['StoredFloor']['us'])} | "
        f"{ratio(figures, 'StoredRead', 'StoredFloor'):.3f} |")
    add("")
    add("## 3. Compressed entry")
    add("")
    add(f"`OCFile::Open` of a compressed entry of {entry_bytes / 2**20:.0f} MB, which inflates it "
        f"whole into memory the stream owns (released by `OCFile::Close`, inside the timing). The "
        f"entry is a 24-bit picture, half flat tiles, half gradients with noise in the two low "
        f"bits; zlib level 6 stored it in {compressed['compressed_bytes'] / 2**20:.1f} MB "
        f"({entry_bytes / compressed['compressed_bytes']:.2f} : 1). Floor: `fread` of the zlib "
        f"stream into memory kept from before and `uncompress` into new memory of the entry's "
        f"size. Reference (*chunks*): the same stream read with `fread` 4096 bytes at a time and "
        f"each piece given to `inflate`, as `OCFile::Inflate` does by design.")
    add("")
    add("| Open | Floor | Ratio | Chunks | Chunks / floor | Open / chunks |")
    add("|---:|---:|---:|---:|---:|---:|")
    add(f"| {us(compressed['us'])} | {us(figures['CompressedFloor']['us'])} | "
        f"{ratio(figures, 'CompressedOpen', 'CompressedFloor'):.3f} | "
        f"{us(figures['CompressedChunks']['us'])} | "
        f"{ratio(figures, 'CompressedChunks', 'CompressedFloor'):.3f} | "
        f"{ratio(figures, 'CompressedOpen', 'CompressedChunks'):.3f} |")
    add("")
    add("## 4. Settings")
    add("")
    add("`ReadSetting` of the last key of a `GAME.INI` on disk: CR LF line ends; the first half "
        "sections of sixteen keys each, the second half one 設定 section of many keys that ends in "
        "the key looked up, so the reader both passes over sections and reads lines at scale. "
        "Floor: the file read whole into new memory and one `memchr` pass over it counting its "
        "lines.")
    add("")
    add("| Size | ReadSetting | Floor | Ratio | Per MB |")
    add("|---:|---:|---:|---:|---:|")
    for size in settings:
        name = f"Settings/{size}"
        add(f"| {size // 1024:,} KB | {us(figures[name]['us'])} | "
            f"{us(figures[f'SettingsFloor/{size}']['us'])} | "
            f"{ratio(figures, name, f'SettingsFloor/{size}'):.0f} | "
            f"{us(figures[name]['us'] * 2**20 / size)} |")
    add("")
    add("## 5. String")
    add("")
    add("For the record: `OCString` grows its buffer in steps of 64 bytes by design, so a text "
        "built from small pieces is copied into a new buffer every 64 bytes. *Buffers* counts the "
        "array allocations of one operation (`operator new[]` of the benchmark program counts "
        "them).")
    add("")
    add("| Operation | Time | Buffers |")
    add("|---|---:|---:|")
    labels = {"StringAppend": "`Append` of {} in 16-byte pieces to a new string",
              "StringReplaceShrinking": "`Replace(\"\\r\\n\", \"\\n\")` over {} of CR LF lines",
              "StringReplaceGrowing": "`Replace(\"\\n\", \"\\r\\n\")` over {} of LF lines"}
    for name, size in strings:
        label = labels[name.split("/")[0]].format(f"{size // 1024:,} KB")
        add(f"| {label} | {us(figures[name]['us'])} | {figures[name]['buffers']:,.0f} |")
    add("")
    return "\n".join(out)


def main():
    results, docs = sys.argv[1], sys.argv[2]
    with open(os.path.join(results, "benchmark.json")) as text:
        raw = json.load(text)
    figures = medians(raw)
    counts, lookups = lookup_figures(figures)
    settings = sizes(figures, "Settings")
    settings_points = [(size, figures[f"Settings/{size}"]["us"]) for size in settings]
    strings = [(name, int(name.split("/")[1])) for name in sorted(figures)
               if name.startswith("String")]
    info = machine(results, raw)
    goal_list = goals(figures, lookups, settings_points)
    for goal in goal_list:
        if goal["met"]:
            del goal["reason"]
    runs = repetitions(raw)

    with open(os.path.join(results, "lookup.dat"), "w") as table:
        table.write("# entries first last missing floor:first floor:last floor:missing (ms)\n")
        for count in counts:
            row = {r["record"]: r for r in lookups if r["entries"] == count}
            times = [row[record]["us"] / 1000 for record in RECORDS]
            floors = [row[record]["floor_us"] / 1000 for record in RECORDS]
            table.write(" ".join(str(value) for value in [count] + times + floors) + "\n")
    with open(os.path.join(docs, "performance.json"), "w") as text:
        json.dump({"machine": info, "repetitions": runs, "statistic": "median CPU time, microseconds",
                   "goals": goal_list, "lookup": lookups,
                   "entries": {name: figures[name] for name in
                               ("StoredRead", "StoredFloor", "CompressedOpen", "CompressedFloor",
                                "CompressedChunks")},
                   "settings": [{"bytes": size, "us": figures[f"Settings/{size}"]["us"],
                                 "floor_us": figures[f"SettingsFloor/{size}"]["us"]}
                                for size in settings],
                   "string": [dict(figures[name], name=name) for name, _ in strings]},
                  text, indent=1, ensure_ascii=False)
        text.write("\n")
    with open(os.path.join(docs, "PERFORMANCE.md"), "w") as text:
        text.write(report(figures, lookups, counts, settings, strings, goal_list, info, runs))


if __name__ == "__main__":
    main()
