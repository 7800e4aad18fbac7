#!/usr/bin/env bash
# golden.sh EXPECTED DATA_DIR COMMAND...: runs COMMAND in DATA_DIR and compares what it printed
# (stdout, then stderr, then the exit code) with the file EXPECTED, byte for byte. The data
# directory in the program's own path form is written as <DATA>, so the files do not depend on
# where the checkout lives. With GOLDEN_UPDATE=1 the file is rewritten instead.
set -u
export LC_ALL=C
expected=$1
data=$2
shift 2

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$data" && "$@") >"$work/out" 2>"$work/err"
rc=$?
{
  cat "$work/out"
  printf -- '--- stderr\n'
  cat "$work/err"
  printf -- '--- exit %d\n' "$rc"
} >"$work/all"
needle=${data//\//\\}
content=$(cat "$work/all"; printf x)
content=${content%x}
printf '%s' "${content//"$needle"/<DATA>}" >"$work/actual"

if [ "${GOLDEN_UPDATE:-}" = 1 ]; then
  cp "$work/actual" "$expected"
  exit 0
fi
if ! cmp -s "$work/actual" "$expected"; then
  echo "golden: output differs from $expected" >&2
  diff -a "$expected" "$work/actual" >&2
  exit 1
fi
