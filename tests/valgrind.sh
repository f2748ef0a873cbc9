#!/usr/bin/env bash
# Runs the program and its tests under valgrind memcheck and fails on a memory
# error (an invalid read or write, a jump or a system call on uninitialised
# bytes, an invalid or mismatched free):
#   tests/valgrind.sh BUILD_DIR       (a Release build without the sanitizers)
# 1. simpson itself, end to end, on the dialogue's roads: normal runs of every
#    integrand kind, each error stop, end of input anywhere, huge and hostile
#    input, and every unusable state of the standard descriptors. Its exit
#    code must be the one the road gives. (Roads that need the extended
#    range, such as an infinite limit, are left out: see 2.)
# 2. simpson_tests in-process (the programs it starts run natively). valgrind
#    computes x87 extended arithmetic in 64 bits only, so the verdicts of the
#    bit-exact numeric tests mean nothing here: only memcheck's own errors
#    count (exit code 99).
set -uo pipefail
build=${1:?usage: valgrind.sh BUILD_DIR}
simpson=$build/simpson
# Every run of simpson ends with _exit, so nothing is released at the end (at
# an error stop not even the two heap exception objects): leaks at exit are
# no errors here.
memcheck=(valgrind --tool=memcheck --error-exitcode=99 --leak-check=no -q)
failures=0
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# run NAME EXPECTED_EXIT_CODE INPUT_REDIRECTION OUTPUT_REDIRECTION [INPUT_BYTES]
run() {
  local name=$1 expected=$2 from=$3 to=$4 bytes=${5-}
  printf '%b' "$bytes" >"$work/input"
  local command="${memcheck[*]} $simpson $from $to"
  bash -c "$command" 2>"$work/log"
  local code=$?
  if [[ $code -eq 99 || $code -ne $expected ]]; then
    echo "valgrind: $name: exit code $code, expected $expected"
    sed -n 1,40p "$work/log"
    failures=$((failures + 1))
  else
    echo "valgrind: $name: clean, exit code $code"
  fi
}

in="<$work/input"
out=">/dev/null"
run square 0 "$in" "$out" '1\r\n0 1\r\n2\r\n4\r\n0\r\n'
run sine 0 "$in" "$out" '2\n0 3.14159265358979\n2\n4\n10\n0\n'
run typed-in 0 "$in" "$out" '0\n0 1\n2\n0\n0.25\n1\n0\n'
run end-of-input-everywhere 0 "$in" "$out" '1\n'
run control-z 0 "$in" "$out" '1\n0 1\n2\x1a4\n'
run exponent-form 0 "$in" "$out" '1\n0 1e13\n2\n0\n'
run not-a-number 1 "$in" "$out" '1\n0 1\nabc\n'
run integer-overflow 1 "$in" "$out" '1\n0 1\n2147483647\n'
run float-overflow 1 "$in" "$out" '1\n1e400 5\n'
run invalid-operation 1 "$in" "$out" '1\n1e5120 1e5120\n2\n'
run code-waiting 1 "$in" "$out" '1\nabc 1e400\n'
run every-byte 0 "$in" "$out" "$(printf '\\x%02x' $(seq 0 255))"
printf '1\n%0100000d\n2\n0\n' 0 >"$work/huge"
run huge-token 0 "<$work/huge" "$out"
run input-closed 1 "<&-" "$out"
run input-directory 1 "</" "$out"
run output-closed 1 "$in" ">&-" '1\n0 1\n2\n0\n'
run output-full 1 "$in" ">/dev/full" '1\n0 1\n2\n0\n'

# The test binary: memcheck errors only, for the reason given above.
"${memcheck[@]}" "$build/simpson_tests" --gtest_brief=1 \
  --gtest_filter="${VALGRIND_TEST_FILTER:-*}" >"$work/tests" 2>&1
code=$?
if [[ $code -eq 99 ]]; then
  echo "valgrind: simpson_tests: memcheck errors"
  grep -A30 '==[0-9]*==' "$work/tests" | head -80
  failures=$((failures + 1))
else
  echo "valgrind: simpson_tests: no memcheck error (test verdicts not counted)"
fi
exit $((failures > 0))
