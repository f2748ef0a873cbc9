#!/usr/bin/env bash
# Installs a build tree into a fresh prefix and checks what lands there: the
# program and the two manual pages, which carry the project version and
# render without a formatter warning.
#
# Usage: install_test.sh CMAKE BUILD_DIR VERSION
set -euo pipefail

cmake=$1
build=$2
version=$3

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# A group-writable umask must not leak into the installed directories.
umask 0002
prefix=$work/prefix
"$cmake" --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 ||
  { cat "$work/install.log" >&2; fail "cmake --install failed"; }

[[ -x $prefix/bin/simpson ]] || fail "bin/simpson is not installed"
english=$prefix/share/man/man1/simpson.1.gz
japanese=$prefix/share/man/ja/man1/simpson.1.gz
for page in "$english" "$japanese"; do
  [[ -f $page ]] || fail "${page#"$prefix"/} is not installed"
  gzip -dc "$page" | grep -q "^\.TH SIMPSON 1 .* \"simpson $version\"" ||
    fail "${page#"$prefix"/} does not carry version $version"
done
if find "$prefix" -type d ! -perm 0755 | grep .; then
  fail "directories above are not rwxr-xr-x"
fi

# Rendering: any warning of the formatter (an unknown request, an
# unbreakable line, a bad character) fails. The English page is ASCII; the
# Japanese one is UTF-8.
if command -v groff >/dev/null; then
  gzip -dc "$english" | groff -man -Tutf8 -ww >"$work/english.txt" 2>"$work/english.err"
  gzip -dc "$japanese" | groff -Kutf8 -man -Tutf8 -ww >"$work/japanese.txt" 2>"$work/japanese.err"
  for language in english japanese; do
    if [[ -s $work/$language.err ]]; then
      cat "$work/$language.err" >&2
      fail "the $language manual page renders with warnings"
    fi
  done
  grep -q 'Runtime error' "$work/english.txt" || fail "the English page renders without its text"
  grep -q '定積分（シンプソン公式）' "$work/english.txt" ||
    fail "the English page renders the banner wrongly"
  grep -q '入力値が数値ではありません' "$work/japanese.txt" ||
    fail "the Japanese page renders the messages wrongly"
else
  echo "groff is not installed: the rendering is not checked"
fi
echo "PASS: installed into a prefix"
