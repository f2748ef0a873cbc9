#!/usr/bin/env bash
# Builds the fuzz targets with clang++ and libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer, into their own build directory:
#   tests/fuzz/build.sh [BUILD_DIR]     (default: build-fuzz beside the sources)
# clang has no Shift_JIS execution character set, so the two sources that hold
# the program's Japanese texts are compiled by g++ with it; every other source
# is instrumented. read, write and isatty are wrapped at the link so that the
# targets feed standard input and take standard output in memory.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build-fuzz}
clang=${CLANGXX:-clang++}
gcc=${GXX:-g++}
mkdir -p "$build/objects"

common=(-std=c++20 -O1 -g -ffp-contract=off -I"$root" -Wall -Wextra -Wno-unknown-pragmas)
instrumented=(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all
  -fno-omit-frame-pointer)
texts=(dialogue/texts.cc errors/catalogue.cc)

# One object per source; all are rebuilt, two at a time.
export root build clang gcc
export common_flags="${common[*]}" instrumented_flags="${instrumented[*]}" text_sources="${texts[*]}"

cd "$root"
sources=(console/*.cc errors/*.cc dialogue/*.cc tests/reference/*.cc tests/fuzz/*.cc)
for source in "${sources[@]}"; do
  case "$source" in
    dialogue/main.cc | errors/run.cc) ;;  # the entry point; the run is part of dialogue_fuzz
    *) printf '%s\n' "$source" ;;
  esac
done | xargs -P 2 -I{} bash -c '
  set -e
  read -ra common <<<"$common_flags"; read -ra instrumented <<<"$instrumented_flags"
  read -ra texts <<<"$text_sources"
  source=$1; object="$build/objects/$(echo "$source" | tr / _).o"
  case " ${texts[*]} " in
    *" $source "*) "$gcc" "${common[@]}" -fexec-charset=CP932 -c "$root/$source" -o "$object" ;;
    *) "$clang" "${common[@]}" "${instrumented[@]}" -c "$root/$source" -o "$object" ;;
  esac' _ {}

objects() { for pattern in "$@"; do ls "$build"/objects/$pattern.o; done; }
link() {
  local target=$1
  shift
  "$clang" -fsanitize=fuzzer,address,undefined -Wl,--wrap=read,--wrap=write,--wrap=isatty \
    "$@" -ldl -o "$build/$target"
}
console=$(objects 'console_*')
reference=$(objects 'tests_reference_*')
fake=$build/objects/tests_fuzz_fake_descriptors.cc.o
# shellcheck disable=SC2086
link reader_fuzz "$build/objects/tests_fuzz_reader_fuzz.cc.o" $console $reference "$fake"
# shellcheck disable=SC2086
link format_fuzz "$build/objects/tests_fuzz_format_fuzz.cc.o" $console $reference "$fake"
# shellcheck disable=SC2086
link dialogue_fuzz -Wl,--wrap=_Z7Simpsonidd "$build/objects/tests_fuzz_dialogue_fuzz.cc.o" \
  $console $(objects 'errors_*' 'dialogue_*') "$fake"
echo "fuzz targets in $build: reader_fuzz format_fuzz dialogue_fuzz"
