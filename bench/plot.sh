#!/usr/bin/env bash
# Runs the sweep benchmark and plots updates per nanosecond against table
# size for the textbook loop, each version, and the best version with every
# item swept on its own: docs/sweep.png.
# Usage: bench/plot.sh [BUILD_DIR]   (BUILD_DIR from the bench preset; needs gnuplot)
set -euo pipefail
build=${1:-build/bench}
out=docs/sweep.png
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$build/bench/sweep_bench" --benchmark_repetitions=3 --benchmark_report_aggregates_only=true \
    --benchmark_out="$work/sweep.csv" --benchmark_out_format=csv >/dev/null

# Rows like "sweep/avx512_32/4096_median",...,items_per_second,... (the size
# in bytes); one data file per version with: table bytes, updates per ns.
awk -F, -v dir="$work" '
    NR == 1 || !/_median"/ { next }
    {
        gsub(/"/, "", $1); split($1, part, "/"); sub(/_median/, "", part[3])
        print part[3], $7 / 1e9 > (dir "/" part[2] ".dat")
        versions[part[2]] = 1
    }
    END { for (v in versions) print v > (dir "/versions") }' "$work/sweep.csv"

plots=""
for version in textbook avx512 avx512_32 avx512_one_by_one avx512_32_one_by_one avx2 avx2_32 \
    avx2_one_by_one avx2_32_one_by_one portable portable_32; do
    [ -f "$work/$version.dat" ] || continue
    title=${version%_one_by_one}
    title=${title/_32/, 32-bit entries}
    [ "$version" = textbook ] || [[ "$title" == *32-bit* ]] || title="$title, 64-bit entries"
    [ "$version" = "${version%_one_by_one}" ] || title="$title, item by item"
    plots+="${plots:+, }'$work/$version.dat' using 1:2 with linespoints lw 2 title '$title'"
done
cpu=$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//')
mkdir -p docs
gnuplot <<GNUPLOT
set terminal pngcairo size 1100,560 font ",11"
set output '$out'
set title "Sweep rate by table size ($cpu, $(g++ -dumpfullversion 2>/dev/null | sed 's/^/g++ /'), -O3; textbook -O2)"
set xlabel 'table size (bytes)'
set ylabel 'updates per nanosecond'
set logscale x 2
set format x '%.0b%B'
set grid
set key outside right top
set arrow from 49152, graph 0 to 49152, graph 1 nohead dt 2
set arrow from 1048576, graph 0 to 1048576, graph 1 nohead dt 2
set label 'L1d' at 49152, graph 0.95 offset 0.5,0
set label 'L2' at 1048576, graph 0.95 offset 0.5,0
plot $plots
GNUPLOT
echo "wrote $out"
