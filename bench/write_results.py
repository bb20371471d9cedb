#!/usr/bin/python3
"""Turns the measurements of scripts/bench.sh into bench/RESULTS.md.

    write_results.py META_FILE TIMES_FILE RESULTS.md

META_FILE holds tab-separated lines: "machine KEY VALUE", "case CASE LABEL NODES CELLS",
"command CASE PROGRAM COMMAND", "check CASE WHAT RESULT" and "target WHAT RESULT PASSED" (a
target measured by the script itself, PASSED 1 or 0). TIMES_FILE holds one line per
process: "CASE RUN PROGRAM WALL_S USER_S SYS_S MAX_RSS_KIB EXIT_STATUS", tab-separated; the
warm-up runs have RUN "warmup" and are left out of the figures.

Only ratios taken within one run count: the programs of a run ran one right after the other,
so they saw the same load on the shared machine. Prints the verdicts and exits 1 when a
target is missed.
"""

import statistics
import sys
from collections import defaultdict

MIB = 1024 * 1024
TARGET_CASE = "grid1000"
TARGET_LIMIT_RATIO = 1.5
TARGET_PEER_RATIO = 10.0
# The GIS options (a coordinate system, cell index columns, fitted columns) against the default.
TARGET_GIS_RATIO = 1.10
# The default conversion against the same conversion as of the baseline commit.
TARGET_BASELINE_RATIO = 1.05
# A model run in one process against a process per step, to shapefile sets and to a GeoPackage.
TARGET_SERIES_RATIO = 0.6
# The GeoPackage run against SQLite alone writing its rows and index from memory.
TARGET_SQLITE_LIMIT_RATIO = 1.1


def arrays_bytes(nodes, cells):
    """The job's arrays: the coordinates and three attribute planes of doubles."""
    return 8 * (2 * nodes + 3 * cells)


def memory_budget(nodes, cells):
    """What tesselar-convert may hold: its arrays and 64 MiB."""
    return arrays_bytes(nodes, cells) + 64 * MIB


def gis_memory_budget(nodes, cells):
    """What tesselar-convert may hold with the GIS options: 1.25 x its arrays and 64 MiB."""
    return arrays_bytes(nodes, cells) * 5 // 4 + 64 * MIB


def formats_memory_budget(nodes, cells):
    """What a GeoPackage or FlatGeobuf conversion may hold: its arrays and 128 MiB."""
    return arrays_bytes(nodes, cells) + 128 * MIB


def series_memory_budget(nodes, cells):
    """What a model run of one attribute may hold: the grid, two steps' values and 64 MiB."""
    return 8 * (2 * nodes + 2 * cells) + 64 * MIB


def series_lines(out, runs, nodes, cells):
    """The model run's figures; returns its targets."""
    shp_ratios = ratios(runs, "series-shp", "steps-shp")
    gpkg_ratios = ratios(runs, "series-gpkg", "steps-gpkg")
    peak = {program: max(run[program][3] for run in runs.values())
            for program in ("series-shp", "series-gpkg")}
    budget = series_memory_budget(nodes, cells)
    gpkg_budget = budget + 64 * MIB
    out.append(f"- series-shp / steps-shp: {spread(shp_ratios)}; in CPU time (user + sys): "
               f"{spread(cpu_ratios(runs, 'series-shp', 'steps-shp'))} (the run in one process "
               f"against one process per step, one after the other)")
    limit_ratios = ratios(runs, "series-gpkg", "sqlite-limit")
    out.append(f"- series-gpkg / steps-gpkg: {spread(gpkg_ratios)}; in CPU time (user + sys): "
               f"{spread(cpu_ratios(runs, 'series-gpkg', 'steps-gpkg'))}")
    out.append(f"- series-gpkg / sqlite-limit: {spread(limit_ratios)}; sqlite-limit / steps-gpkg: "
               f"{spread(ratios(runs, 'sqlite-limit', 'steps-gpkg'))} (SQLite alone writing the "
               f"run's rows and index from memory, against the ten conversions)")
    out.append(f"- series-shp peak memory {peak['series-shp'] / MIB:.1f} MiB against the budget "
               f"8 B x (2 x {nodes:,} nodes + 2 steps x {cells:,} cells) + 64 MiB = "
               f"{budget / MIB:.1f} MiB; series-gpkg {peak['series-gpkg'] / MIB:.1f} MiB "
               f"against that + 64 MiB for the GeoPackage = {gpkg_budget / MIB:.1f} MiB")
    return [
        (f"a model run to shapefile sets at most {TARGET_SERIES_RATIO} x the time of a "
         f"conversion per step", f"{statistics.median(shp_ratios):.2f} x",
         statistics.median(shp_ratios) <= TARGET_SERIES_RATIO),
        (f"a model run to a GeoPackage at most {TARGET_SERIES_RATIO} x the time of a GeoPackage "
         f"conversion per step", f"{statistics.median(gpkg_ratios):.2f} x",
         statistics.median(gpkg_ratios) <= TARGET_SERIES_RATIO),
        (f"a model run to a GeoPackage at most {TARGET_SQLITE_LIMIT_RATIO} x SQLite's own time "
         f"for its rows and index", f"{statistics.median(limit_ratios):.2f} x",
         statistics.median(limit_ratios) <= TARGET_SQLITE_LIMIT_RATIO),
        ("a model run's peak memory within the grid + two steps + 64 MiB (shapefiles), "
         "+ 128 MiB (GeoPackage)",
         f"{peak['series-shp'] / MIB:.1f} of {budget / MIB:.1f} MiB, "
         f"{peak['series-gpkg'] / MIB:.1f} of {gpkg_budget / MIB:.1f} MiB",
         peak["series-shp"] <= budget and peak["series-gpkg"] <= gpkg_budget),
    ]


def case_footer(out, checks, commands, programs):
    """A case's output checks and the commands measured."""
    out.append("- Output checks:")
    for what, result in checks:
        out.append(f"  - {what}: {result}")
    out.append("\nCommands (each run under `tesselar-bench-run`, which measures the "
               "process):\n")
    out.append("```")
    out.extend(commands[program] for program in programs)
    out.append("```\n")


def read_meta(path):
    machine, cases, commands, checks = {}, {}, defaultdict(dict), defaultdict(list)
    instructions = defaultdict(dict)
    measured = []
    with open(path, encoding="utf-8") as meta:
        for line in meta:
            kind, *fields = line.rstrip("\n").split("\t")
            if kind == "machine":
                machine[fields[0]] = fields[1]
            elif kind == "case":
                cases[fields[0]] = (fields[1], int(fields[2]), int(fields[3]))
            elif kind == "command":
                commands[fields[0]][fields[1]] = fields[2]
            elif kind == "check":
                checks[fields[0]].append((fields[1], fields[2]))
            elif kind == "instructions":
                instructions[fields[0]][fields[1]] = int(fields[2])
            elif kind == "target":
                measured.append((fields[0], fields[1], fields[2] == "1"))
    return machine, cases, commands, checks, instructions, measured


def read_times(path):
    """{case: {run: {program: (wall, user, sys, rss_bytes)}}} for the timed runs."""
    times = defaultdict(lambda: defaultdict(dict))
    with open(path, encoding="utf-8") as table:
        for line in table:
            case, run, program, wall, user, system, rss, _ = line.split("\t")
            if run != "warmup":
                times[case][int(run)][program] = (float(wall), float(user), float(system),
                                                  int(rss) * 1024)
    return times


def median_of(runs, program, column):
    return statistics.median(run[program][column] for run in runs.values())


def ratios(runs, numerator, denominator):
    return [run[numerator][0] / run[denominator][0] for run in runs.values()]


def cpu_ratios(runs, numerator, denominator):
    """Ratios of user plus system time: what the programs computed, without the waits."""
    def cpu(times):
        return times[1] + times[2]
    return [cpu(run[numerator]) / cpu(run[denominator]) for run in runs.values()]


def spread(values):
    return f"{statistics.median(values):.2f} ({min(values):.2f} to {max(values):.2f})"


def verdict(passed):
    return "PASS" if passed else "FAIL"


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    machine, cases, commands, checks, instructions, measured = read_meta(sys.argv[1])
    times = read_times(sys.argv[2])
    out = []
    out.append("# Benchmark results\n")
    out.append("Written by `scripts/bench.sh`; do not edit by hand.\n")
    out.append(f"- Date: {machine['date']}")
    out.append(f"- Machine: {machine['model']}, {machine['cores']} cores, "
               f"{machine['memory']} memory ({machine['kernel']}; shared with other work, so "
               f"only ratios within one run count)")
    out.append(f"- Build: Release, {machine['compiler']}; source {machine['source']}")
    out.append(f"- Peer: shapelib {machine['shapelib']}; inputs and outputs in "
               f"`{machine['work']}` ({machine['filesystem']})")
    out.append(f"- Baseline: `tesselar-convert` of commit {machine['baseline']}, built by "
               f"`scripts/bench.sh` from a `git worktree` of that commit into `build/baseline` "
               f"(Release, same compiler) and run with the same arguments and inputs as "
               f"tesselar, alternately with it. That commit neither links nor starts PROJ; "
               f"tesselar loads PROJ only when a coordinate system is given or found, so in "
               f"these runs without one neither does")
    out.append(f"- Runs: {machine['runs']} timed runs per program and size "
               f"({machine['large_runs']} for the 3000 x 3000 grid, tesselar and the baseline "
               f"only, {machine.get('series_runs', machine['runs'])} for the model run) after one warm-up run, programs interleaved run by run in a rotating "
               f"order; medians over the runs, ratios taken within each run and given as median "
               f"(lowest to highest)\n")

    targets = []
    series_targets = []
    for case, (label, nodes, cells) in cases.items():
        runs = times[case]
        programs = list(commands[case])
        budget = memory_budget(nodes, cells)
        out.append(f"## {label}\n")
        out.append("| Program | Median wall (s) | Median user (s) | Median sys (s) | "
                   "Peak RSS (MiB) |")
        out.append("|---|---:|---:|---:|---:|")
        for program in programs:
            peak = max(run[program][3] for run in runs.values())
            out.append(f"| {program} | {median_of(runs, program, 0):.3f} | "
                       f"{median_of(runs, program, 1):.3f} | {median_of(runs, program, 2):.3f} | "
                       f"{peak / MIB:.1f} |")
        out.append("")
        if "series-shp" in programs:
            series_targets = series_lines(out, runs, nodes, cells)
            case_footer(out, checks[case], commands[case], programs)
            continue
        baseline_ratios = ratios(runs, "tesselar", "baseline")
        out.append(f"- tesselar / baseline: {spread(baseline_ratios)}; in CPU time (user + sys): "
                   f"{spread(cpu_ratios(runs, 'tesselar', 'baseline'))} (the default "
                   f"conversion against that of commit {machine['baseline'].split()[0]})")
        if case in instructions:
            counts = instructions[case]
            out.append(f"- instructions (callgrind, one run each): tesselar "
                       f"{counts['tesselar']:,}, baseline {counts['baseline']:,}: "
                       f"{counts['tesselar'] / counts['baseline']:.3f} x")
            for program in ("gpkg", "fgb"):
                if program in counts:
                    out.append(f"- {program} instructions (callgrind, all threads): "
                               f"{counts[program]:,}: {counts[program] / counts['tesselar']:.2f} x "
                               f"tesselar's")
        tesselar_peak = max(run["tesselar"][3] for run in runs.values())
        if "limit" in programs:
            limit_ratios = ratios(runs, "tesselar", "limit")
            peer_ratios = ratios(runs, "peer", "tesselar")
            gis_ratios = ratios(runs, "gis", "tesselar")
            gis_peak = max(run["gis"][3] for run in runs.values())
            gis_budget = gis_memory_budget(nodes, cells)
            out.append(f"- tesselar / limit: {spread(limit_ratios)}; in CPU time (user + sys): "
                       f"{spread(cpu_ratios(runs, 'tesselar', 'limit'))}")
            out.append(f"- peer / tesselar: {spread(peer_ratios)}")
            out.append(f"- gis / tesselar: {spread(gis_ratios)} (gis: `--crs EPSG:25829 "
                       f"--cell-index --fit-columns`)")
            out.append(f"- tesselar / limit-sync: {spread(ratios(runs, 'tesselar', 'limit-sync'))}"
                       f" (the limit with each file synced to disk before it is closed)")
            if "window" in programs:
                out.append(f"- window / tesselar: {spread(ratios(runs, 'window', 'tesselar'))}")
            gpkg_ratios = ratios(runs, "gpkg", "tesselar")
            gdal_ratios = ratios(runs, "gdal-gpkg", "gpkg")
            fgb_ratios = ratios(runs, "fgb", "tesselar")
            formats_budget = formats_memory_budget(nodes, cells)
            formats_peak = {program: max(run[program][3] for run in runs.values())
                            for program in ("gpkg", "fgb")}
            out.append(f"- gpkg / tesselar: {spread(gpkg_ratios)}; gdal-gpkg (ogr2ogr from our "
                       f"shapefile) / gpkg: {spread(gdal_ratios)}")
            out.append(f"- fgb / tesselar: {spread(fgb_ratios)}")
            out.append(f"- gpkg and fgb peak memory {formats_peak['gpkg'] / MIB:.1f} and "
                       f"{formats_peak['fgb'] / MIB:.1f} MiB against the budget of the arrays + "
                       f"128 MiB = {formats_budget / MIB:.1f} MiB")
        out.append(f"- tesselar peak memory {tesselar_peak / MIB:.1f} MiB against the budget "
                   f"8 B x (2 x {nodes:,} nodes + 3 x {cells:,} cells) + 64 MiB = "
                   f"{budget / MIB:.1f} MiB")
        if "gis" in programs:
            out.append(f"- gis peak memory {gis_peak / MIB:.1f} MiB against the budget "
                       f"1.25 x 8 B x (2 x {nodes:,} nodes + 3 x {cells:,} cells) + 64 MiB = "
                       f"{gis_budget / MIB:.1f} MiB")
        case_footer(out, checks[case], commands[case], programs)
        if case == TARGET_CASE:
            targets = [
                (f"the default conversion at most {TARGET_BASELINE_RATIO:.2f} x the time of "
                 f"commit {machine['baseline'].split()[0]}'s (paired, byte-identical output)",
                 f"{statistics.median(baseline_ratios):.2f} x",
                 statistics.median(baseline_ratios) <= TARGET_BASELINE_RATIO),
                (f"`tesselar-convert -q` at most {TARGET_LIMIT_RATIO} x the limit's time",
                 f"{statistics.median(limit_ratios):.2f} x",
                 statistics.median(limit_ratios) <= TARGET_LIMIT_RATIO),
                (f"at least {TARGET_PEER_RATIO:.0f} x faster than the peer",
                 f"{statistics.median(peer_ratios):.1f} x",
                 statistics.median(peer_ratios) >= TARGET_PEER_RATIO),
                ("peak memory within the budget",
                 f"{tesselar_peak / MIB:.1f} of {budget / MIB:.1f} MiB", tesselar_peak <= budget),
                (f"the GIS options at most {TARGET_GIS_RATIO:.2f} x the default's time",
                 f"{statistics.median(gis_ratios):.2f} x",
                 statistics.median(gis_ratios) <= TARGET_GIS_RATIO),
                ("the GIS options' peak memory within their budget",
                 f"{gis_peak / MIB:.1f} of {gis_budget / MIB:.1f} MiB", gis_peak <= gis_budget),
                ("GeoPackage with its index at most 2.0 x the shapefile's time",
                 f"{statistics.median(gpkg_ratios):.2f} x", statistics.median(gpkg_ratios) <= 2.0),
                ("GeoPackage at least 5 x faster than ogr2ogr -f GPKG from our shapefile",
                 f"{statistics.median(gdal_ratios):.1f} x", statistics.median(gdal_ratios) >= 5.0),
                ("FlatGeobuf with its index at most 1.2 x the shapefile's time",
                 f"{statistics.median(fgb_ratios):.2f} x", statistics.median(fgb_ratios) <= 1.2),
                ("GeoPackage and FlatGeobuf peak memory within the arrays + 128 MiB",
                 f"{max(formats_peak.values()) / MIB:.1f} of {formats_budget / MIB:.1f} MiB",
                 max(formats_peak.values()) <= formats_budget),
            ]

    targets += series_targets + measured
    out.append(f"## Targets ({cases[TARGET_CASE][0]}; the model run's: "
               f"{cases['series1000'][0] if 'series1000' in cases else 'not run'})\n")
    out.append("| Target | Measured | Verdict |")
    out.append("|---|---:|---|")
    for target, measured, passed in targets:
        out.append(f"| {target} | {measured} | {verdict(passed)} |")
    out.append("""
## Rerunning

    scripts/bench.sh    # BENCH_RUNS=N sets the timed runs (default 7), BENCH_LARGE_RUNS the
                        # 3000 x 3000 grid's (default 3), BENCH_SERIES_RUNS the model
                        # run's (default 5)

It builds everything in `build/bench` (Release, `-DTESSELAR_BUILD_BENCH=ON`) and the baseline
in `build/baseline` from a worktree of its commit in `build/baseline-src`, regenerates the
inputs outside the repository, checks the outputs and rewrites this file. The baseline row is
paired: in every run tesselar and the baseline convert the same inputs one right after the
other (their order rotating from run to run), each ratio is taken within one run, and the
outputs are compared byte for byte with `cmp`. The programs:
`tesselar-bench-generate` (inputs), `tesselar-bench-peer` (shapelib converter),
`tesselar-bench-limit` (reads the inputs with a hand-written parser from mapped memory and
writes as many bytes as the job's .shp, .shx and .dbf in 8 MiB writes; `--sync` syncs each file
to disk before closing it), `tesselar-bench-sqlite-limit` (inserts a GeoPackage model run's rows
and R-tree tables from memory through SQLite, as many bytes as the run's file, and syncs it),
`tesselar-bench-run` (wall time, user and system time and peak
resident memory of one process). The outputs are read back with pyshp by
`bench/compare_outputs.py`.
""")
    with open(sys.argv[3], "w", encoding="utf-8") as results:
        results.write("\n".join(out))
    for target, measured, passed in targets:
        print(f"{verdict(passed)}: {target}: {measured}")
    return 0 if all(passed for _, _, passed in targets) else 1


if __name__ == "__main__":
    sys.exit(main())
