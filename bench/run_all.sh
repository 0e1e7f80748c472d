#!/usr/bin/env bash
# Builds the benchmarks (Release-type build with -DMERIDIAN_BENCH=ON) and runs
# them all, printing one line per figure. Large files go to a scratch folder
# (default /tmp/meridian-bench, about 2 GB at the peak) and are deleted
# afterwards. Figures and their meaning: docs/performance.md.
#
#   bench/run_all.sh                 # everything (about 5 minutes on 2 cores)
#   MERIDIAN_BENCH_QUICK=1 bench/run_all.sh   # smaller sizes, for a quick check
#
# Environment: MERIDIAN_BENCH_BUILD (build folder, default build/bench),
# MERIDIAN_BENCH_WORK (scratch folder, default /tmp/meridian-bench).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${MERIDIAN_BENCH_BUILD:-$root/build/bench}
work=${MERIDIAN_BENCH_WORK:-/tmp/meridian-bench}
quick=${MERIDIAN_BENCH_QUICK:-0}

if [ "$quick" = 1 ]; then
  records=100000; rows=500000; nodes=11000; elements=9000; half_nodes=5600; half_elements=4500
  block=30
else
  records=1000000; rows=5000000; nodes=99000; elements=90000; half_nodes=49500
  half_elements=45000; block=100
fi

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DMERIDIAN_BENCH=ON \
  >/dev/null
cmake --build "$build" >/dev/null
bin=$build/bench
have_fortran=0
[ -x "$bin/fortran_render" ] && have_fortran=1

mkdir -p "$work"
trap 'rm -rf "$work"' EXIT
need_kb=$((2500 * 1024 * 1024 / 1024))
[ "$quick" = 1 ] && need_kb=$((300 * 1024))
free_kb=$(df -Pk "$work" | awk 'NR == 2 { print $4 }')
if [ "$free_kb" -lt "$need_kb" ]; then
  echo "run_all.sh: $work has $((free_kb / 1024)) MB free, $((need_kb / 1024)) MB needed" >&2
  exit 1
fi

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.1f", a / b }'; }

echo "== machine: $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg)"

echo "== 1. rendering: $records node-value writes (E20.13,8(1X,E20.13)), 11 values each"
out=$("$bin/bench_render" "$work/values.bin" "$work/ours_render.txt" "$records")
echo "$out"
ours1=$(awk '/ours_1_thread/ { print $2 }' <<<"$out")
ours2=$(awk '/ours_2_threads/ { print $2 }' <<<"$out")
if [ "$have_fortran" = 1 ]; then
  fortran=$("$bin/fortran_render" "$work/values.bin" "$work/fortran_render.txt" "$records" |
            awk '{ print $2 }')
  echo "fortran $fortran"
  if tr -d '\r' <"$work/ours_render.txt" | cmp -s - "$work/fortran_render.txt"; then
    echo "same bytes as the Fortran runtime (apart from CR LF record ends)"
  else
    echo "THE FILES DIFFER from the Fortran runtime's"
  fi
  echo "ratio: $(ratio "$fortran" "$ours1")x one thread, $(ratio "$fortran" "$ours2")x two threads"
fi
rm -f "$work"/values.bin "$work"/*_render.txt

echo "== 2. parsing: $rows element printout rows (I7,A11,7E11.3)"
out=$("$bin/bench_parse" "$work/rows.txt" "$rows")
echo "$out"
if [ "$have_fortran" = 1 ]; then
  fout=$("$bin/fortran_parse" "$work/rows.txt")
  echo "$fout"
  ours=$(awk '{ print $2 }' <<<"$out")
  fortran=$(awk '{ print $2 }' <<<"$fout")
  echo "ratio: $(ratio "$fortran" "$ours")x (the two sums must agree)"
fi
rm -f "$work/rows.txt"

echo "== 3. end to end: job 1 (scale factor 10) on synthetic listings, warm file cache"
# The lower of two timing lines (by wall time, their second field).
faster() {
  if [ -z "$2" ] || awk -v a="$1" -v b="$2" 'BEGIN { split(a, x); split(b, y); exit !(x[2] < y[2]) }'; then
    echo "$1"
  else
    echo "$2"
  fi
}

# Job 1 with the given options against its I/O floor, best of 5 each: the
# floor reads the same listing and writes files of the same names and sizes
# as the run's results into a fresh folder (bench/io_floor.py). `sync` before
# every timed run of both.
# The target is the largest multiple of the floor asked for ("-": none).
against_floor() {  # dir label target options...
  local dir=$1 label=$2 target=$3
  shift 3
  local best="" line floor="" wall fwall
  for _ in 1 2 3 4 5; do
    rm -f "$dir"/model_* "$dir"/model.vtu "$dir"/summary.csv "$dir"/report.html
    sync
    line=$(python3 "$root/bench/run_job.py" "$build/meridian" "$dir" 1 "$@")
    best=$(faster "$line" "$best")
  done
  for _ in 1 2 3 4 5; do
    sync
    line=$(python3 "$root/bench/io_floor.py" "$dir/n3dhsp" "$dir" "$work/floor")
    floor=$(faster "$line" "$floor")
  done
  rm -rf "$work/floor"
  wall=$(awk '{ print $2 }' <<<"$best")
  fwall=$(awk '{ print $2 }' <<<"$floor")
  local note=""
  [ "$target" = - ] || note=" (target at most ${target}x)"
  echo "$label: $best; I/O floor: $floor; $(ratio "$wall" "$fwall")x the floor$note"
  last_wall=$wall
}

# A plain run of a job (job 1 with --scale 10) against the same run with an
# option, interleaved, best of 5 each (`sync` before every run): prints both
# lines and the ratio.
interleaved() {  # dir label target job option...
  local dir=$1 label=$2 target=$3 job=$4
  shift 4
  local base=()
  [ "$job" = 1 ] && base=(--scale 10)
  local plain="" other="" line
  for _ in 1 2 3 4 5; do
    rm -f "$dir"/model_* "$dir"/model.exo "$dir"/history.csv "$dir"/edge_node_* "$dir"/interface_*; sync
    line=$(python3 "$root/bench/run_job.py" "$build/meridian" "$dir" "$job" "${base[@]}")
    plain=$(faster "$line" "$plain")
    rm -f "$dir"/model_* "$dir"/model.exo "$dir"/history.csv "$dir"/edge_node_* "$dir"/interface_*; sync
    line=$(python3 "$root/bench/run_job.py" "$build/meridian" "$dir" "$job" "${base[@]}" "$@")
    other=$(faster "$line" "$other")
  done
  echo "$label: $other; plain: $plain;" \
       "$(ratio "$(awk '{ print $2 }' <<<"$other")" "$(awk '{ print $2 }' <<<"$plain")")x (target at most ${target}x)"
}

# --partial and --follow on the complete listing cost nothing measurable and
# change no byte; a listing written at 100 MB/s while it is followed has each
# step's stress file in place soon after the next step begins.
follow_figures() {  # dir
  local dir=$1
  interleaved "$dir" "--partial on the complete listing" 1.05 1 --partial
  interleaved "$dir" "--follow on the complete listing" 1.05 1 --follow
  mkdir -p "$work/plain" "$work/followed"
  (cd "$work/plain" && ln -sf "$dir/n3dhsp" n3dhsp && "$build/meridian" --scale 10 --vtk --report >/dev/null)
  (cd "$work/followed" && ln -sf "$dir/n3dhsp" n3dhsp &&
   "$build/meridian" --scale 10 --vtk --report --partial --follow >/dev/null)
  if diff -r "$work/plain" "$work/followed" >/dev/null; then
    echo "--follow --partial: every file the same as the plain run's"
  else
    echo "--follow --partial: THE FILES DIFFER from the plain run's"
  fi
  rm -rf "$work/plain" "$work/followed"
  echo "--follow while replay_listing writes the listing at 100 MB/s, stress file in place after" \
       "the next step begins (target at most 0.5 s): $(python3 "$root/bench/follow_latency.py" \
       "$build/meridian" "$build/replay_listing" "$dir/n3dhsp" "$work/replayed" 100)"
  rm -rf "$work/replayed"
}

run_listing() {  # name nodes elements steps
  local dir=$work/$1
  mkdir -p "$dir"
  "$build/make_listing" "$dir/n3dhsp" "$2" "$3" "$4" >/dev/null
  local bytes
  bytes=$(stat -c %s "$dir/n3dhsp")
  cat "$dir/n3dhsp" >/dev/null
  local best="" line
  for _ in 1 2; do
    rm -f "$dir"/model_*.dat
    # The listing and earlier results reach the disk first, so the kernel's
    # write-back of them does not slow down the timed run's writes.
    sync
    line=$(python3 "$root/bench/run_job.py" "$build/meridian" "$dir")
    if [ -z "$best" ] || awk -v a="$line" -v b="$best" 'BEGIN { split(a, x); split(b, y); exit !(x[2] < y[2]) }'; then
      best=$line
    fi
  done
  local wall
  wall=$(awk '{ print $2 }' <<<"$best")
  echo "$1: $2 nodes, $3 elements, $4 steps, $((bytes / 1000000)) MB: $best," \
       "$(awk -v b="$bytes" -v w="$wall" 'BEGIN { printf "%.0f", b / 1e6 / w }') MB/s"
  # Memory with --report, which must not grow with the steps (rss_mb).
  rm -f "$dir"/model_*.dat
  sync
  echo "$1 with --report: $(python3 "$root/bench/run_job.py" "$build/meridian" "$dir" 1 --scale 10 --report)," \
       "report.html $(stat -c %s "$dir/report.html") bytes"
  rm -f "$dir"/report.html "$dir"/summary.csv
  if [ "$1" = steps10 ]; then
    against_floor "$dir" "job 1 --scale 10" 3.0 --scale 10
    local plain=$last_wall
    against_floor "$dir" "job 1 --scale 10 --vtk" 3.5 --scale 10 --vtk
    echo "--vtk: $(ratio "$last_wall" "$plain")x the time without it; one step's files:" \
         "model_stress_00001.vtu $(stat -c %s "$dir/model_stress_00001.vtu") bytes," \
         "model_stress_1.dat $(stat -c %s "$dir/model_stress_1.dat") bytes"
    against_floor "$dir" "job 1 --scale 10 --report" 3.5 --scale 10 --report
    echo "--report: $(ratio "$last_wall" "$plain")x the time without it (target at most 1.15x);" \
         "report.html $(stat -c %s "$dir/report.html") bytes (target at most 16 MB)," \
         "summary.csv $(stat -c %s "$dir/summary.csv") bytes"
    # The page opened as a reader would (first frame drawn, target within 5 s),
    # where node, chromium and the npm packages of web/ are installed.
    if command -v node >/dev/null && command -v chromium >/dev/null &&
       [ -d "$root/web/node_modules/puppeteer-core" ]; then
      echo "report.html in headless chromium (SwiftShader): $(node "$root/bench/open_report.mjs" "$dir/report.html")"
    else
      echo "report.html open time not measured (node, chromium or web/node_modules missing)"
    fi
    MERIDIAN_BENCH_PREFIX="taskset -c 0" against_floor "$dir" "job 1 --scale 10, one core" - --scale 10
    follow_figures "$dir"
    # Histories of 10 points (nodes and elements on both sides of the
    # reader's batches) cost nothing measurable; model.exo of job 2.
    interleaved "$dir" "--history of 10 nodes and elements" 1.05 1 \
      --history=node:1,node:777,node:$(($2 / 8)),node:$(($2 / 2)),node:$2,element:1,element:1024,element:1025,element:$(($3 / 2)),element:$3
    interleaved "$dir" "job 2 --exodus" 1.30 2 --exodus
    echo "model.exo: $(stat -c %s "$dir/model.exo") bytes"
    rm -f "$dir"/model.exo "$dir"/history.csv "$dir"/edge_node_* "$dir"/interface_*
  fi
  # Memory with every new output, which must not grow with the steps either.
  rm -f "$dir"/model_*.dat
  sync
  echo "$1 job 2 with --exodus --history=node:5,element:5: $(python3 "$root/bench/run_job.py" \
    "$build/meridian" "$dir" 2 --exodus --history=node:5,element:5), model.exo $(stat -c %s "$dir/model.exo") bytes"
  rm -f "$dir"/model.exo "$dir"/history.csv
  if [ "$1" = steps10 ] && [ "$have_fortran" = 1 ]; then
    local f
    f=$("$bin/fortran_listing" "$dir/n3dhsp" "$dir" "$2" "$3")
    echo "fortran rows-only read and node-record write: $f," \
         "$(ratio "$(awk '{ print $2 }' <<<"$f")" "$wall")x our time"
  fi
  rm -rf "$dir"
}
run_listing steps1 "$nodes" "$elements" 1
run_listing steps10 "$nodes" "$elements" 10
run_listing steps20 "$nodes" "$elements" 20
run_listing half10 "$half_nodes" "$half_elements" 10

echo "== 3b. report.html of a model whose 20,000 nodes are all on its surface (spring ends)"
# A 10x10x10 block among 20,000 nodes, 10,000 springs tying every node to
# another: every node is a surface node of the page. 100 steps must stay under
# 64 MB and draw in 5 s; 500 steps must keep to the budget.
report_nodes=20000; report_springs=10000
[ "$quick" = 1 ] && { report_nodes=2000; report_springs=1000; }
for steps in 100 500; do
  dir=$work/surface$steps
  mkdir -p "$dir"
  "$build/make_listing" "$dir/n3dhsp" "$report_nodes" 1000 "$steps" "$report_springs" >/dev/null
  sync
  line=$(python3 "$root/bench/run_job.py" "$build/meridian" "$dir" 1 --scale 10 --report)
  kept=$(grep -o '"view_steps":{[^}]*}' "$dir/report.html" || echo "every step in the 3D view")
  echo "$steps steps, listing $(($(stat -c %s "$dir/n3dhsp") / 1000000)) MB: $line;" \
       "report.html $(stat -c %s "$dir/report.html") bytes (budget 64 MB); $kept"
  if command -v node >/dev/null && command -v chromium >/dev/null &&
     [ -d "$root/web/node_modules/puppeteer-core" ]; then
    echo "  in headless chromium (SwiftShader, target within 5 s): $(node "$root/bench/open_report.mjs" "$dir/report.html")"
  fi
  rm -rf "$dir"
done

echo "== 4. generator: job 0 on a ${block}x${block}x${block} block"
gen=$work/generator
mkdir -p "$gen"
cat >"$gen/parameter_in.txt" <<PARAMETERS
* blocks
1
1 1 1 1
0 $block $block
0 $block $block
0 $block $block
0 $block
* constraints
7
1 0 $block 0 $block 0 0
* end of constraints
* interfaces
0
* nodal loads
1
1 1 3 -1000.0
0 $block 0 $block $block
* spring regions
0
* pressure regions
0
* grounded springs
0
PARAMETERS
python3 "$root/bench/run_job.py" "$build/meridian" "$gen" 0
rm -rf "$gen"

echo "== 5. zones, node_count and nodal averaging of a ${block}x${block}x${block} block"
"$bin/bench_model" "$block"
