#!/bin/sh
# Whole-process benchmarks of simpson against its peers, alternated in one run
# so that both sides see the same machine load; prints the best wall time of
# each side (processor time), their ratio, and simpson's peak resident memory.
#
#   bench/run_benchmarks.sh [BUILD_DIRECTORY] [ROUNDS]
#
# The build directory (default: build) must hold simpson, rule_peers, block_floor and
# stdio_dialogue (configured with Google Benchmark installed). The largest
# case, kind 1 with n = 2147483646, runs simpson and the plain loop ROUNDS
# times and the straightforward form once (it takes over half a minute).
set -eu

build=${1:-build}
rounds=${2:-3}
simpson=$build/simpson
peers=$build/rule_peers
stdio=$build/stdio_dialogue
floor=$build/block_floor
for program in "$simpson" "$peers" "$stdio" "$floor"; do
  [ -x "$program" ] || { echo "missing $program: build with Google Benchmark installed" >&2; exit 2; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

echo "machine: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $(nproc) cores, $(uname -sr)"
echo "compiler: $(${CXX:-c++} --version | head -n1)"
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
echo

# seconds_of COMMAND...: runs it with stdin from $work/input and stdout to
# /dev/null; leaves its processor time (user + system, its children's
# included; steadier than wall time on a shared machine) in $seconds, the
# wall time in $wall and the peak RSS (KiB) in $rss, all from /usr/bin/time.
seconds_of() {
  /usr/bin/time -f '%U %S %e %M' -o "$work/time" "$@" < "$work/input" > /dev/null
  read -r user system wall rss < "$work/time"
  seconds=$(awk -v u="$user" -v s="$system" 'BEGIN { printf "%.2f", u + s }')
}

# best_of NAME COMMAND...: the smaller of $best_NAME and this run's time.
best_of() {
  name=$1
  shift
  seconds_of "$@"
  eval "previous=\${best_$name:-}"
  if [ -z "$previous" ] || awk -v a="$seconds" -v b="$previous" 'BEGIN { exit !(a < b) }'; then
    eval "best_$name=$seconds"
  fi
  eval "rss_$name=$rss"
  eval "previous=\${user_$name:-}"
  if [ -z "$previous" ] || awk -v a="$user" -v b="$previous" 'BEGIN { exit !(a < b) }'; then
    eval "user_$name=$user"
  fi
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }'; }

# compare TITLE ROUNDS PEER_COMMAND...: simpson on $work/input against the
# peer, alternating, ROUNDS times each. With $simpson_command set, simpson
# runs as that command instead.
compare() {
  title=$1
  count=$2
  shift 2
  unset best_simpson best_peer user_simpson user_peer
  i=0
  while [ "$i" -lt "$count" ]; do
    if [ -n "${simpson_command:-}" ]; then
      best_of simpson sh -c "$simpson_command"
    else
      best_of simpson "$simpson"
    fi
    best_of peer "$@"
    i=$((i + 1))
  done
  printf '%-58s simpson %6.2f s  peer %6.2f s  peer/simpson %5s  simpson/peer %5s' \
    "$title" "$best_simpson" "$best_peer" "$(ratio "$best_peer" "$best_simpson")" \
    "$(ratio "$best_simpson" "$best_peer")"
  printf '  (user only: %s s, %s s)  peak RSS %s KiB\n' "$user_simpson" "$user_peer" "$rss_simpson"
}

square_n=${SQUARE_N:-200000000}
printf '1\n0 1\n%s\n0\n' "$square_n" > "$work/input"
compare "x^2 on 0..1, n=$square_n, vs straightforward form" "$rounds" \
  "$peers" straightforward 1 0 1 "$square_n"
compare "x^2 on 0..1, n=$square_n, vs plain double loop" "$rounds" \
  "$peers" plain 1 0 1 "$square_n"

largest=${LARGEST_N:-2147483646}
printf '1\n0 1\n%s\n0\n' "$largest" > "$work/input"
compare "x^2 on 0..1, n=$largest, vs plain double loop" "$rounds" \
  "$peers" plain 1 0 1 "$largest"
compare "x^2 on 0..1, n=$largest, vs straightforward form" 1 \
  "$peers" straightforward 1 0 1 "$largest"

sine_n=${SINE_N:-100000000}
printf '2\n0 3.14159265358979\n%s\n0\n' "$sine_n" > "$work/input"
compare "sin x on 0..pi, n=$sine_n, vs bare loop over the sine" "$rounds" \
  "$peers" plain 2 0 3.14159265358979 "$sine_n"

typed_n=${TYPED_N:-1000000}
{
  printf '0\n0 1\n%s\n' "$typed_n"
  awk -v count=$((typed_n + 1)) 'BEGIN { for (i = 0; i < count; ++i) printf "%.6f\n", (i % 1000) / 1000 }'
  printf '0\n'
} > "$work/input"
seconds_of "$simpson"
echo "typed-in values from a file: peak RSS of simpson $rss KiB"
# Both sides read from a pipe and write into one.
simpson_command="cat '$work/input' | '$simpson' | cat > /dev/null"
compare "typed-in values over pipes, n=$typed_n, vs scanf/printf" "$rounds" \
  sh -c "cat '$work/input' | '$stdio' | cat > /dev/null"
# The same traffic in 128-byte blocks with nothing computed: the floor that
# keeping the streams' blocks sets for any implementation.
compare "typed-in values over pipes, n=$typed_n, vs its 128-byte blocks alone" "$rounds" \
  sh -c "cat '$work/input' | '$floor' | cat > /dev/null"
