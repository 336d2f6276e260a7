#!/usr/bin/env bash
# Whole-process comparison of knapsack with the textbook program: generates
# each instance once, runs the two programs alternately, checks that they
# print the same total, and prints the median times and their ratio.
# Usage: bench/compare.sh [BUILD_DIR] [RUNS]   (BUILD_DIR from the bench preset)
set -euo pipefail
build=${1:-build/bench}
runs=${2:-7}
knapsack=$build/knapsack
textbook=$build/bench/textbook
make_instance=$build/bench/make_instance
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# name, then make_instance arguments: items capacity max_value min_weight max_weight
instances=(
    "reader:5000000 10 1000000000 1 1000000"
    "l2:20000 40000 1000000 1 40000"
    "big64:8000 1000000 1000000 1 500"
    "big32:8000 1000000 100000 1 500"
)

now() { date +%s%N; }

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

printf '%-10s %14s %14s %8s\n' instance 'textbook ms' 'knapsack ms' ratio
for entry in "${instances[@]}"; do
    name=${entry%%:*}
    # shellcheck disable=SC2086
    "$make_instance" ${entry#*:} >"$work/$name.txt"
    : >"$work/textbook.times"
    : >"$work/knapsack.times"
    for ((run = 0; run < runs; run++)); do
        for program in textbook knapsack; do
            binary=$textbook
            [ "$program" = knapsack ] && binary=$knapsack
            start=$(now)
            "$binary" <"$work/$name.txt" >"$work/$program.out"
            echo $(($(now) - start)) >>"$work/$program.times"
        done
        if ! cmp -s "$work/textbook.out" "$work/knapsack.out"; then
            echo "$name: knapsack printed $(cat "$work/knapsack.out"), textbook $(cat "$work/textbook.out")" >&2
            exit 1
        fi
    done
    t=$(median <"$work/textbook.times")
    k=$(median <"$work/knapsack.times")
    awk -v n="$name" -v t="$t" -v k="$k" \
        'BEGIN { printf "%-10s %14.1f %14.1f %7.1fx\n", n, t / 1e6, k / 1e6, t / k }'
done
