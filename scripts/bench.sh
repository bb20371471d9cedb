#!/usr/bin/env bash
# Measures tesselar-convert against a straightforward shapelib converter (the peer), the least
# work any converter has to do on this machine (the limit; limit-sync is the same with its
# files synced to disk before they are closed) and its own default conversion as of commit
# 0709abf (the baseline, built from a git worktree of that commit), a GeoPackage model run
# against SQLite alone writing its rows and index (sqlite-limit), checks that their outputs
# agree, and writes bench/RESULTS.md.
#
#   scripts/bench.sh
#
# BENCH_RUNS sets the timed runs per program and size (default 7), after one warm-up run;
# BENCH_LARGE_RUNS those of the 3000 x 3000 grid, run by tesselar and the baseline only
# (default 3); BENCH_SERIES_RUNS those of the model run of 10 steps (default 5).
# Inputs and outputs go to ${TMPDIR:-/tmp}/tesselar-bench, outside the repository. Exits 1 when
# the outputs disagree or a target is missed, after writing the results.
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
build=$repo/build/bench
bin=$build/bench
convert=$build/cli/tesselar-convert
work=${TMPDIR:-/tmp}/tesselar-bench
runs=${BENCH_RUNS:-7}
large_runs=${BENCH_LARGE_RUNS:-3}
series_runs=${BENCH_SERIES_RUNS:-5}
series_steps=10
python=/usr/bin/python3

# The baseline: tesselar-convert of an earlier commit, built from a worktree of that commit
# with the same compiler and build type, run on the same inputs alternately with tesselar.
baseline_commit=0709abf
baseline_src=$repo/build/baseline-src
baseline_build=$repo/build/baseline
baseline_convert=$baseline_build/cli/tesselar-convert

# The window: one conversion through the shown main window (offscreen), progress display
# included, driven by tesselar-bench-window with tesselar-convert's arguments ("$@").
bench_gui=ON
window_command() {
    window_cmd=(env QT_QPA_PLATFORM=offscreen "$bin/tesselar-bench-window" "$@")
}

"$repo/scripts/install-deps.sh"

targets=(tesselar-convert tesselar-bench-generate tesselar-bench-peer tesselar-bench-limit
         tesselar-bench-sqlite-limit tesselar-bench-run)
[ "$bench_gui" = ON ] && targets+=(tesselar-bench-window)
cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESSELAR_BUILD_BENCH=ON \
    -DTESSELAR_BUILD_TESTS=OFF -DTESSELAR_BUILD_GUI="$bench_gui" >/dev/null
cmake --build "$build" -j2 --target "${targets[@]}"

if [ -e "$baseline_src/.git" ]; then
    git -C "$baseline_src" checkout -q --detach "$baseline_commit"
else
    git -C "$repo" worktree add -q --detach "$baseline_src" "$baseline_commit"
fi
cmake -S "$baseline_src" -B "$baseline_build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DTESSELAR_BUILD_GUI=OFF -DTESSELAR_BUILD_TESTS=OFF >/dev/null
cmake --build "$baseline_build" -j2 --target tesselar-convert

cases=(grid300 grid1000 particles grid3000 series1000)
declare -A label nodes cells
label[grid300]="Polygons, 300 x 300 nodes (89,401 cells), 3 attributes"
nodes[grid300]=90000
cells[grid300]=89401
label[grid1000]="Polygons, 1000 x 1000 nodes (998,001 cells), 3 attributes"
nodes[grid1000]=1000000
cells[grid1000]=998001
label[particles]="Points, SIZE_I 32,768 (32,767 particles), 3 attributes"
nodes[particles]=32767
cells[particles]=32767
label[grid3000]="Polygons, 3000 x 3000 nodes (8,994,001 cells), 3 attributes"
nodes[grid3000]=9000000
cells[grid3000]=8994001
label[series1000]="Model run, 1000 x 1000 nodes (998,001 cells), $series_steps steps of 1 attribute"
nodes[series1000]=1000000
cells[series1000]=998001

echo "bench: generating inputs in $work"
rm -rf "$work"
mkdir -p "$work/grid300" "$work/grid1000" "$work/particles" "$work/grid3000" "$work/series1000" \
    "$work/out"
"$bin/tesselar-bench-generate" grid "$work/grid300" 300 300
"$bin/tesselar-bench-generate" grid "$work/grid1000" 1000 1000
"$bin/tesselar-bench-generate" particles "$work/particles" 32768
"$bin/tesselar-bench-generate" grid "$work/grid3000" 3000 3000
# The model run: the 1000 x 1000 grid, its temperature as every step's.
cp "$work/grid1000/x.txt" "$work/grid1000/y.txt" "$work/series1000/"
for ((step = 1; step <= series_steps; step++)); do
    cp "$work/grid1000/temp.txt" "$work/series1000/temp_$(printf %02d "$step").txt"
done

meta=$work/meta.tsv
times=$work/times.tsv
: >"$meta"
: >"$times"
add_meta() {
    local IFS=$'\t'
    echo "$*" >>"$meta"
}

source_state=$(git -C "$repo" rev-parse --short HEAD 2>/dev/null || echo unknown)
[ -n "$(git -C "$repo" status --porcelain 2>/dev/null)" ] && source_state+=" with uncommitted changes"
add_meta machine date "$(date '+%Y-%m-%d %H:%M %Z')"
add_meta machine model "$(lscpu | sed -n 's/^Model name: *//p' | head -n 1)"
add_meta machine cores "$(nproc)"
add_meta machine memory "$(awk '/^MemTotal/ { printf "%.1f GiB", $2 / 1048576 }' /proc/meminfo)"
add_meta machine kernel "Linux $(uname -r)"
add_meta machine compiler "$(c++ --version | head -n 1)"
add_meta machine shapelib "$(dpkg-query -W -f='${Version}' libshp-dev 2>/dev/null || echo unknown)"
add_meta machine source "$source_state"
add_meta machine work "$work"
add_meta machine filesystem "$(df --output=fstype "$work" | tail -n 1) file system"
add_meta machine runs "$runs"
add_meta machine large_runs "$large_runs"
add_meta machine series_runs "$series_runs"
add_meta machine baseline "$baseline_commit ($(git -C "$baseline_src" log -1 --format=%s))"

# Sets job to the tesselar-convert arguments of a case ($1) writing to $2.
job_arguments() {
    local dir=$work/$1
    job=(-x "$dir/x.txt" -y "$dir/y.txt" -a "DEPTH=$dir/depth.txt" -a "TEMP=$dir/temp.txt"
         -a "LEVEL=$dir/level.txt" -o "$2")
    if [ "$1" = particles ]; then
        job+=(-t point)
    fi
}

# Sets cmd to a model run's command: the whole run in one process (series-shp, series-gpkg) or
# one process per step, one after the other (steps-shp, steps-gpkg).
series_command() {
    local dir=$work/$2 stem=$work/out/$2-$1
    case $1 in
        series-shp) cmd=("$convert" -q -x "$dir/x.txt" -y "$dir/y.txt" -a "TEMP=$dir/temp_*.txt"
                         -o "${stem}_{step}.shp") ;;
        series-gpkg) cmd=("$convert" -q -x "$dir/x.txt" -y "$dir/y.txt" -a "TEMP=$dir/temp_*.txt"
                          --crs EPSG:25829 -o "$stem.gpkg") ;;
        steps-shp | steps-gpkg)
            local extension=${1#steps-} crs=()
            [ "$extension" = gpkg ] && crs=(--crs EPSG:25829)
            # One line, as the results table shows it.
            local script='for step in "$1"/temp_*.txt; do "${@:4}" -a "TEMP=$step"'
            script+=' -o "$2_$(basename "$step" .txt).$3" || exit; done'
            cmd=(bash -c "$script" bash "$dir" "$stem" "$extension" "$convert" -q
                 -x "$dir/x.txt" -y "$dir/y.txt" "${crs[@]}")
            ;;
    esac
}

# Sets cmd to the command of program $1 for case $2.
command_for() {
    job_arguments "$2" "$work/out/$2-$1.shp"
    case $1 in
        series-* | steps-*) series_command "$1" "$2" ;;
        tesselar) cmd=("$convert" "${job[@]}" -q) ;;
        baseline) cmd=("$baseline_convert" "${job[@]}" -q) ;;
        gis) cmd=("$convert" "${job[@]}" -q --crs EPSG:25829 --cell-index --fit-columns) ;;
        gpkg | fgb)
            job_arguments "$2" "$work/out/$2-$1.$1"
            cmd=("$convert" "${job[@]}" -q --crs EPSG:25829)
            ;;
        # GDAL's conversion of our shapefile, as analysts make a GeoPackage without us.
        gdal-gpkg) cmd=(ogr2ogr -f GPKG "$work/out/$2-gdal-gpkg.gpkg" "$work/out/$2-tesselar.shp") ;;
        peer) cmd=("$bin/tesselar-bench-peer" "${job[@]}") ;;
        limit) cmd=("$bin/tesselar-bench-limit" "${job[@]}") ;;
        # What the GeoPackage run's rows and index cost SQLite alone.
        sqlite-limit) cmd=("$bin/tesselar-bench-sqlite-limit" "$work/out/$2-sqlite-limit.gpkg"
                           "${cells[$2]}" "$series_steps") ;;
        limit-sync) cmd=("$bin/tesselar-bench-limit" --sync "${job[@]}") ;;
        window)
            window_command "${job[@]}"
            cmd=("${window_cmd[@]}")
            ;;
    esac
}

# Runs program $1 on case $2 as run $3 and adds its measurement to the times table.
measure() {
    command_for "$1" "$2"
    local stem=$work/out/$2-$1 report=$work/measure.txt
    rm -f "$stem.shp" "$stem.shx" "$stem.dbf" "$stem.cpg" "$stem.prj" "$stem.gpkg" "$stem.fgb" \
        "$stem"_* "$report"
    if ! "$bin/tesselar-bench-run" "$report" "${cmd[@]}" >/dev/null 2>"$stem.log"; then
        echo "bench: $1 failed on $2: ${cmd[*]}" >&2
        cat "$stem.log" >&2
        exit 1
    fi
    printf '%s\t%s\t%s\t%s\n' "$2" "$3" "$1" "$(tr ' ' '\t' <"$report")" >>"$times"
}

window_command
all_programs=(tesselar baseline gis gpkg fgb gdal-gpkg peer limit limit-sync)
[ ${#window_cmd[@]} -gt 0 ] && all_programs+=(window)

checks_failed=0
record_check() {  # case, what, passed (0 or 1), text
    add_meta check "$1" "$2" "$4"
    if [ "$3" -ne 1 ]; then
        checks_failed=1
        echo "bench: $1: $2: $4" >&2
    fi
}

for case_name in "${cases[@]}"; do
    echo "bench: ${label[$case_name]}"
    add_meta case "$case_name" "${label[$case_name]}" "${nodes[$case_name]}" "${cells[$case_name]}"
    # The largest grid: the default conversion against the baseline alone.
    if [ "$case_name" = grid3000 ]; then
        programs=(tesselar baseline)
        case_runs=$large_runs
    elif [ "$case_name" = series1000 ]; then
        programs=(series-shp steps-shp series-gpkg steps-gpkg sqlite-limit)
        case_runs=$series_runs
    else
        programs=("${all_programs[@]}")
        case_runs=$runs
    fi
    for program in "${programs[@]}"; do
        command_for "$program" "$case_name"
        # Written as run from the repository, with the data folder named as bench.sh names it.
        shown=${cmd[*]}
        shown=${shown//$repo\//}
        shown=${shown//$work/\$\{TMPDIR:-/tmp\}/tesselar-bench}
        add_meta command "$case_name" "$program" "$shown"
        measure "$program" "$case_name" warmup
    done

    out=$work/out/$case_name
    for other in peer window; do
        [[ " ${programs[*]} " == *" $other "* ]] || continue
        if result=$("$python" "$repo/bench/compare_outputs.py" "${cells[$case_name]}" \
            "$out-tesselar.shp" "$out-$other.shp" 2>&1); then
            record_check "$case_name" "tesselar against $other (pyshp)" 1 "${result//$'\n'/; }"
        else
            record_check "$case_name" "tesselar against $other (pyshp)" 0 "${result//$'\n'/; }"
        fi
    done
    if [ "$case_name" = series1000 ]; then
        # A step of the run against the same step converted alone: the same shapes, byte for
        # byte (the tables differ in STEP, which only the run has).
        identical=1
        for extension in shp shx; do
            cmp -s "$out-series-shp_05.$extension" "$out-steps-shp_temp_05.$extension" ||
                identical=0
        done
        record_check "$case_name" "step 5 of series-shp against steps-shp (cmp of .shp, .shx)" \
            "$identical" "$([ $identical = 1 ] && echo byte-identical || echo DIFFER)"
        # The run's GeoPackage holds as many bytes as the ten, and SQLite's limit as the run's.
        run_bytes=$(stat -c %s "$out-series-gpkg.gpkg")
        steps_bytes=$(du -cb "$out"-steps-gpkg_*.gpkg | tail -n 1 | cut -f 1)
        limit_bytes=$(stat -c %s "$out-sqlite-limit.gpkg")
        record_check "$case_name" "bytes of series-gpkg, the $series_steps steps-gpkg files, sqlite-limit" \
            "$(((limit_bytes - run_bytes) * 50 <= run_bytes && (run_bytes - limit_bytes) * 50 <= run_bytes))" \
            "$run_bytes, $steps_bytes, $limit_bytes (the limit within 2 % of the run)"
    else
        identical=1
        for extension in shp shx dbf; do
            cmp -s "$out-tesselar.$extension" "$out-baseline.$extension" || identical=0
        done
        record_check "$case_name" "tesselar against baseline (cmp of .shp, .shx, .dbf)" \
            "$identical" "$([ $identical = 1 ] && echo byte-identical || echo DIFFER)"
    fi
    if [[ " ${programs[*]} " == *" limit "* ]]; then
        sizes_agree=1
        sizes=""
        for extension in shp shx dbf; do
            tesselar_bytes=$(stat -c %s "$out-tesselar.$extension")
            limit_bytes=$(stat -c %s "$out-limit.$extension")
            sizes+=" .$extension $tesselar_bytes/$limit_bytes"
            [ "$tesselar_bytes" = "$limit_bytes" ] || sizes_agree=0
        done
        record_check "$case_name" "file sizes tesselar/limit" "$sizes_agree" \
            "$([ $sizes_agree = 1 ] && echo equal || echo DIFFER):$sizes bytes"
    fi

    for ((run = 1; run <= case_runs; run++)); do
        for ((k = 0; k < ${#programs[@]}; k++)); do
            measure "${programs[(run + k) % ${#programs[@]}]}" "$case_name" "$run"
        done
    done
    # The largest outputs go before the next case.
    rm -f "$out"-*.shp "$out"-*.shx "$out"-*.dbf "$out"-series-*.gpkg "$out"-steps-*.gpkg \
        "$out"-sqlite-limit.gpkg
done

# A model run of 10 steps of one attribute on the 1000 x 1000 grid, written as one UGRID netCDF
# mesh and as shapefile sets (one per step), paired run by run: the mesh at most 0.5 x the
# sets' time, its file at most a third of their bytes, its peak memory within the grid, two
# steps' values and 64 MiB.
# The steps are the model run's.
mesh_dir=$work/mesh-run
rm -rf "$mesh_dir"
mkdir -p "$mesh_dir/sets"
mesh_job=(-x "$work/series1000/x.txt" -y "$work/series1000/y.txt"
          -a "TEMP=$work/series1000/temp_*.txt" --crs EPSG:25829 -q)
mesh_times=$work/mesh-times.tsv
: >"$mesh_times"
echo "bench: a run of 10 steps as a netCDF mesh and as shapefile sets"
for ((run = 0; run <= runs; run++)); do  # run 0 warms up
    for program in $( ((run % 2)) && echo "mesh sets" || echo "sets mesh"); do
        rm -f "$mesh_dir"/sets/* "$mesh_dir/run.nc" "$work/measure.txt"
        if [ "$program" = mesh ]; then
            output=$mesh_dir/run.nc
        else
            output=$mesh_dir/sets/step_{step}.shp
        fi
        # The steps' rounding warnings go to a log, shown only when the run fails.
        if ! "$bin/tesselar-bench-run" "$work/measure.txt" "$convert" "${mesh_job[@]}" \
            -o "$output" 2>"$mesh_dir/$program.log"; then
            echo "bench: the $program run failed" >&2
            cat "$mesh_dir/$program.log" >&2
            exit 1
        fi
        printf '%s\t%s\t%s\n' "$run" "$program" "$(tr ' ' '\t' <"$work/measure.txt")" >>"$mesh_times"
        if [ "$program" = mesh ]; then
            mesh_bytes=$(stat -c %s "$mesh_dir/run.nc")
        else
            sets_bytes=$(du -cb "$mesh_dir"/sets/* | tail -n 1 | cut -f 1)
        fi
    done
done
mesh_summary=$("$python" - "$mesh_times" "$mesh_bytes" "$sets_bytes" <<'PYTHON'
import statistics, sys
runs = {}
for line in open(sys.argv[1]):
    run, program, wall, user, system, rss, _ = line.split("\t")
    if run != "0":
        runs.setdefault(run, {})[program] = (float(wall), int(rss))
ratio = statistics.median(r["mesh"][0] / r["sets"][0] for r in runs.values())
rss_mib = max(r["mesh"][1] for r in runs.values()) / 1024
# The grid's x and y and two steps' values, doubles, plus 64 MiB.
budget_mib = (2 * 1000 * 1000 + 2 * 999 * 999) * 8 / 2**20 + 64
size = int(sys.argv[2]) / int(sys.argv[3])
print(f"{int(ratio <= 0.5)} median {ratio:.3f} x over {len(runs)} paired runs "
      f"(mesh {statistics.median(r['mesh'][0] for r in runs.values()):.3f} s, sets "
      f"{statistics.median(r['sets'][0] for r in runs.values()):.3f} s)")
print(f"{int(size <= 1 / 3)} {size:.3f} x ({sys.argv[2]} of {sys.argv[3]} bytes)")
print(f"{int(rss_mib <= budget_mib)} peak {rss_mib:.1f} MiB, budget {budget_mib:.1f} MiB")
PYTHON
)
while read -r passed text; do
    case $text in
        median*) what="netCDF mesh time / shapefile sets time (target at most 0.5)" ;;
        peak*) what="netCDF mesh peak memory (grid + two steps + 64 MiB)" ;;
        *) what="netCDF mesh bytes / shapefile sets bytes (target at most 1/3)" ;;
    esac
    echo "bench: mesh-run: $what: $text"
    record_check mesh-run "$what" "$passed" "$text"
    add_meta target "10-step run as a $what" "$text" "$passed"
done <<<"$mesh_summary"
rm -rf "$mesh_dir"

# Instructions, counted by callgrind on the target grid: the same in every run, whatever else
# the shared machine does, so they show the paired difference that wall times blur.
for program in tesselar baseline gpkg fgb; do
    command_for "$program" grid1000
    # A GeoPackage left by the timed runs would be updated, not written anew.
    rm -f "$work/out/grid1000-$program.gpkg" "$work/out/grid1000-$program.fgb"
    echo "bench: counting the instructions of $program on grid1000"
    valgrind --tool=callgrind --callgrind-out-file="$work/callgrind-$program.out" "${cmd[@]}" \
        >/dev/null 2>"$work/callgrind-$program.log"
    add_meta instructions grid1000 "$program" \
        "$(sed -n 's/^summary: //p' "$work/callgrind-$program.out")"
done
rm -f "$work/out"/grid1000-*.shp "$work/out"/grid1000-*.shx "$work/out"/grid1000-*.dbf \
    "$work/out"/grid1000-*.gpkg "$work/out"/grid1000-*.fgb

targets_met=0
"$python" "$repo/bench/write_results.py" "$meta" "$times" "$repo/bench/RESULTS.md" || targets_met=1
echo "bench: wrote $repo/bench/RESULTS.md"
exit $((checks_failed | targets_met))
