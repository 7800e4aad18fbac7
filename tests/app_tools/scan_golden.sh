#!/usr/bin/env bash
# scan_golden.sh EXPECTED MAKE_DEMO SCAN [--rm PATH]... [--fifo PATH] [--user-settings] [ARG...]:
# writes the demo planner for Monday 7 December 2026 into a fresh directory, removes each PATH
# from it (--fifo makes PATH a pipe nobody writes, whose opening never returns)
# (--user-settings moves the settings files into the user's folder), runs erinnerung-scan
# with ARG (where @DEMO@ stands for that directory) and compares what it printed (stdout, then stderr, then the exit code) with the file
# EXPECTED. The directory is written as <DEMO> in both of its forms. JSON output has its accounts
# sorted by name first: their order is the file system's. With GOLDEN_UPDATE=1 the file is
# rewritten instead.
set -u
export LC_ALL=C.UTF-8
expected=$1
make_demo=$2
scan=$3
shift 3

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$make_demo" --today 2026-12-07 "$work/demo" >/dev/null || exit 1
# The tool looks for the program's settings in the user's folder too: this one has none.
export XDG_CONFIG_HOME="$work/config"

while [ "${1:-}" = --rm ]; do
  rm -rf "${work:?}/demo/$2"
  shift 2
done
if [ "${1:-}" = --fifo ]; then
  rm -f "${work:?}/demo/$2"
  mkfifo "$work/demo/$2"
  shift 2
fi
# --user-settings: the settings files move into the user's folder, as after a take-over.
if [ "${1:-}" = --user-settings ]; then
  mkdir -p "$XDG_CONFIG_HOME/Erinnerungsmodul"
  mv "$work"/demo/programm/erinnerung_*.txt "$XDG_CONFIG_HOME/Erinnerungsmodul/"
  shift
fi
args=()
json=0
for a in "$@"; do
  args+=("${a//@DEMO@/$work/demo}")
  [ "$a" = --json ] && json=1
done
"$scan" "${args[@]}" >"$work/out" 2>"$work/err"
rc=$?
if [ "$json" = 1 ] && [ "$rc" = 0 ]; then
  python3 -c '
import json, sys
report = json.load(sys.stdin)
report["accounts"].sort(key=lambda a: a["name"])
print(json.dumps(report, ensure_ascii=False, indent=1))' <"$work/out" >"$work/json" || exit 1
  mv "$work/json" "$work/out"
fi
{
  cat "$work/out"
  printf -- '--- stderr\n'
  cat "$work/err"
  printf -- '--- exit %d\n' "$rc"
} >"$work/all"
host=$work/demo
program=${host//\//\\}
json_program=${program//\\/\\\\}
content=$(cat "$work/all"; printf x)
content=${content%x}
content=${content//"$json_program"/<DEMO>}
content=${content//"$program"/<DEMO>}
printf '%s' "${content//"$host"/<DEMO>}" >"$work/actual"

if [ "${GOLDEN_UPDATE:-}" = 1 ]; then
  cp "$work/actual" "$expected"
  exit 0
fi
if ! cmp -s "$work/actual" "$expected"; then
  echo "golden: output differs from $expected" >&2
  diff -a "$expected" "$work/actual" >&2
  exit 1
fi
