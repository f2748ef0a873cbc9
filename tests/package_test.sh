#!/usr/bin/env bash
# Builds the Debian package from a build tree, checks its control fields and
# its files, then runs the packaged program through a typical dialogue and
# compares its output byte for byte.
#
# Usage: package_test.sh CPACK BUILD_DIR VERSION
# Exits 77 (skipped) when the Debian tools that the package needs are missing.
set -euo pipefail

cpack=$1
build=$2
version=$3

for tool in dpkg dpkg-deb dpkg-shlibdeps iconv; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIP: $tool is not installed"
    exit 77
  fi
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# A group-writable umask must not leak into the package's directories.
umask 0002
if ! "$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1; then
  cat "$work/cpack.log" >&2
  fail "cpack -G DEB failed"
fi
architecture=$(dpkg --print-architecture)
deb=$work/out/simpson_${version}_${architecture}.deb
[[ -f $deb ]] || fail "cpack made no $(basename "$deb"): $(ls "$work/out")"

# Control fields: the version is the project's, Depends comes from
# dpkg-shlibdeps (the C library with a version bound), and the description
# has a synopsis and an extended text.
field() { dpkg-deb --field "$deb" "$1"; }
[[ $(field Package) == simpson ]] || fail "Package: $(field Package)"
[[ $(field Version) == "$version" ]] || fail "Version: $(field Version), expected $version"
[[ $(field Architecture) == "$architecture" ]] || fail "Architecture: $(field Architecture)"
[[ $(field Section) == math ]] || fail "Section: $(field Section)"
[[ $(field Maintainer) =~ ^[^\<]+\ \<[^@\>]+@[^\>]+\>$ ]] || fail "Maintainer: $(field Maintainer)"
[[ $(field Depends) =~ (^|, )libc6\ \(\>=\ [0-9] ]] || fail "Depends not derived: $(field Depends)"
description=$(field Description)
synopsis=$(head -n 1 <<<"$description")
[[ -n $synopsis && ${#synopsis} -le 80 && $synopsis != *. ]] || fail "synopsis: '$synopsis'"
[[ $(wc -l <<<"$description") -ge 2 ]] || fail "no extended description"

# Files: exactly the program and the two compressed manual pages, owned by
# root, with the usual modes, and every directory rwxr-xr-x.
dpkg-deb --contents "$deb" >"$work/contents"
grep -v '^d' "$work/contents" | awk '{print $1, $2, $6}' | sort >"$work/files"
cat >"$work/expected-files" <<'EOF'
-rw-r--r-- root/root ./usr/share/man/ja/man1/simpson.1.gz
-rw-r--r-- root/root ./usr/share/man/man1/simpson.1.gz
-rwxr-xr-x root/root ./usr/bin/simpson
EOF
diff "$work/expected-files" "$work/files" >&2 || fail "package files differ"
if grep '^d' "$work/contents" | grep -v '^drwxr-xr-x root/root '; then
  fail "directories above are not rwxr-xr-x root/root"
fi

root=$work/root
dpkg-deb -x "$deb" "$root"
for page in man1/simpson.1.gz ja/man1/simpson.1.gz; do
  gzip -dc "$root/usr/share/man/$page" | grep -q "^\.TH SIMPSON 1 .* \"simpson $version\"" ||
    fail "$page does not carry version $version"
done

# The typical run: kind 1, the interval 0 to 1, n = 2, then 0. Nothing is
# echoed on a pipe, so each prompt is followed directly by the next text.
expected_text=$'定積分（シンプソン公式）\r\n'
expected_text+=$'\r\n'
expected_text+=$'被積分関数を選んでください\r\n'
expected_text+=$'[0] ｘに対するｙの値をその都度入力する\r\n'
expected_text+=$'[1] ｙ＝ｘ^2\r\n'
expected_text+=$'[2] ｙ＝sin ｘ\r\n'
expected_text+='どれにしますか [0-2] ? '
expected_text+=$'積分区間 [ａ ｂ] ? \r\n'
expected_text+='何(偶数)分割しますか (0 を入れると終了) [ｎ] ? '
expected_text+=$'Ｓ＝0.33333\r\n'
expected_text+=$'\r\n'
expected_text+='何分割しますか (0 を入れると終了) [ｎ] ? '
printf '%s' "$expected_text" | iconv -f UTF-8 -t CP932 >"$work/expected"

status=0
printf '1\r\n0 1\r\n2\r\n0\r\n' | "$root/usr/bin/simpson" >"$work/output" || status=$?
if ! cmp "$work/expected" "$work/output"; then
  echo "expected:" >&2
  od -An -tx1 "$work/expected" >&2
  echo "written:" >&2
  od -An -tx1 "$work/output" >&2
  fail "the packaged simpson wrote other bytes"
fi
[[ $status == 0 ]] || fail "the packaged simpson exited with $status"
echo "PASS: $(basename "$deb")"
