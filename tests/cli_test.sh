#!/usr/bin/env bash
# End-to-end cases of the built program: the bytes on standard input, the
# exact bytes expected on standard output, the exit status and the exact
# standard error. Inputs and outputs are printf %b strings.
# Usage: cli_test.sh PATH_TO_KNAPSACK results|refusals|limits
set -u
knapsack=$1
group=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cases=0
failures=0

# verify NAME EXPECTED_OUT EXPECTED_STATUS EXPECTED_ERR ACTUAL_STATUS
# compares $tmp/out and $tmp/err, left by the run, with what was expected.
verify() {
    local name=$1 want_out=$2 want_status=$3 want_err=$4 status=$5
    cases=$((cases + 1))
    printf '%b' "$want_out" >"$tmp/want_out"
    if [ -n "$want_err" ]; then printf '%b\n' "$want_err" >"$tmp/want_err"; else : >"$tmp/want_err"; fi
    if [ "$status" != "$want_status" ] || ! cmp -s "$tmp/out" "$tmp/want_out" ||
        ! cmp -s "$tmp/err" "$tmp/want_err"; then
        failures=$((failures + 1))
        printf 'FAIL: %s\n  input:    %q\n' "$name" "$(head -c 200 "$tmp/in" 2>/dev/null)"
        printf '  expected: status %s, stdout %q, stderr %q\n' "$want_status" \
            "$(cat "$tmp/want_out")" "$(cat "$tmp/want_err")"
        printf '  actual:   status %s, stdout %q, stderr %q\n' "$status" \
            "$(cat "$tmp/out")" "$(cat "$tmp/err")"
    fi
}

# check INPUT EXPECTED_OUT EXPECTED_STATUS [EXPECTED_ERR]
check() {
    printf '%b' "$1" >"$tmp/in"
    "$knapsack" <"$tmp/in" >"$tmp/out" 2>"$tmp/err"
    verify "$1" "$2" "$3" "${4-}" $?
}

# check_limited KIBIBYTES INPUT EXPECTED_OUT EXPECTED_STATUS [EXPECTED_ERR]
# runs under an address-space limit, so that an array cannot be created.
check_limited() {
    printf '%b' "$2" >"$tmp/in"
    (ulimit -v "$1" && exec "$knapsack" <"$tmp/in" >"$tmp/out" 2>"$tmp/err")
    verify "$2 (ulimit -v $1)" "$3" "$4" "${5-}" $?
}

results() {
    check '0 10' '0' 0
    check '1 5 3 10' '0' 0
    check '3 5 4 2 5 3 3 1' '9' 0
    check '3 5\n4 2\n5 3\n3 1\n' '9' 0
    check '3\n5\n4\n2\n5\n3\n3\n1' '9' 0
    check '\t3 \v5\f\r\n4\r\n2  5\t\t3\n\n3\n1\n\n' '9' 0
    check '+3 +005 0004 2 +5 3 3 01' '9' 0
    check '2 2 2147483647 1 2147483647 1' '4294967294' 0
    check '3 0 2147483647 0 2147483647 0 2147483647 0' '6442450941' 0
    check '1 1 7 1' '7' 0
    check '1 1 1 1 and then 99999999999 -5 anything' '1' 0
    check '2 5 3 1' '3' 0
    check '2 5 3 1 4' '7' 0
    check '2 5 3 1x 9 9' '3' 0
    check '2 5 3 1 4x' '7' 0
    check '2 5 3 1 -' '3' 0
    check '3 4 4 2 5 3x 99999999999 -1' '5' 0
    check '2 3 -5 1 4 2' '4' 0
    check '2 0 5 1 6 0' '6' 0
    check '2 0 7 0 -4 0' '7' 0
    check '1 10 5 3' '5' 0
    check '1 4 9 4' '9' 0
    check '1 3 9 4' '0' 0
    check '1 5 -2147483648 0' '0' 0
    check '-0 7' '0' 0
    check '4 2147483647 5 3 7 4 -3 1 9 2147483647' '12' 0
    check '2 2147483647 2147483647 2147483647 2147483647 2147483647' '2147483647' 0
    printf '3 5 4 2 5 3 3 1' >"$tmp/in"
    "$knapsack" --help -x '*' <"$tmp/in" >"$tmp/out" 2>"$tmp/err"
    verify 'arguments are ignored' '9' 0 '' $?
}

refusals() {
    local start='input does not begin with the number of items and the capacity'
    check '' '' 1 "knapsack: $start"
    check ' \n\t ' '' 1 "knapsack: $start"
    check 'knapsack' '' 1 "knapsack: $start"
    check '5' '' 1 "knapsack: $start"
    check '5 x' '' 1 "knapsack: $start"
    check '- 5' '' 1 "knapsack: $start"
    check '5 .5' '' 1 "knapsack: $start"
    check '-1 5' '' 1 'knapsack: the number of items is negative: -1'
    check '-2147483648 5' '' 1 'knapsack: the number of items is negative: -2147483648'
    check '1 -1 1 1' '' 1 'knapsack: the capacity is negative: -1'
    check '2 5 1 1 2 -3' '' 1 'knapsack: item 2: the weight is negative: -3'
    check '1 5 -4 -2147483648' '' 1 'knapsack: item 1: the weight is negative: -2147483648'
    check '2147483648 5' '' 1 'knapsack: the number of items is outside the 32-bit signed range'
    check '-2147483649 5' '' 1 'knapsack: the number of items is outside the 32-bit signed range'
    check '1 2147483648 1 1' '' 1 'knapsack: the capacity is outside the 32-bit signed range'
    check '1 000000000000000000000099999999999999999999 1 1' '' 1 \
        'knapsack: the capacity is outside the 32-bit signed range'
    check '2 5 1 1 2147483648 1' '' 1 'knapsack: item 2: the value is outside the 32-bit signed range'
    check '1 5 -2147483649 1' '' 1 'knapsack: item 1: the value is outside the 32-bit signed range'
    check '1 5 1 2147483648' '' 1 'knapsack: item 1: the weight is outside the 32-bit signed range'

    : >"$tmp/in"
    "$knapsack" </ >"$tmp/out" 2>"$tmp/err"
    verify 'standard input is a directory' '' 1 'knapsack: cannot read standard input: Is a directory' $?

    printf '3 5 4 2 5 3 3 1' >"$tmp/in"
    "$knapsack" <"$tmp/in" >/dev/full 2>"$tmp/err"
    local status=$?
    : >"$tmp/out"
    verify 'standard output is full' '' 1 'knapsack: cannot write the result: No space left on device' $status
}

limits() {
    # 100,000,000 items need 400 MB for each item array; 300 MiB are allowed.
    check_limited 307200 '100000000 1' '' 1 \
        'knapsack: not enough memory for the item arrays (100000000 items)'
    # A table of 100,000,001 entries needs 800 MB.
    check_limited 307200 '1 100000000 1 100000000' '' 1 'knapsack: not enough memory for the table'
    # The largest capacity is accepted; its table is sized without overflow.
    check_limited 307200 '1 2147483647 5 2147483647' '' 1 'knapsack: not enough memory for the table'
    # The same run fits when memory allows.
    check_limited 1048576 '1 100000000 1 100000000' '1' 0
}

"$group"
echo "$group: $((cases - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
