#!/usr/bin/env bash
# The running program's idle cost under Wine: the released erinnerung.exe (stripped, as
# scripts/release makes it) on the demo planner after its first scan, the notice dialog closed
# with "Termine anzeigen" (the icon stops cycling) and the program minimised to the tray,
# reminding active. Reports the process's resident and private memory and how often its threads
# went to sleep and were woken again in 60 s: the voluntary context switches of all its threads,
# from /proc/PID/task/*/status. Idle, only the hourly scan timer may wake it. Each wake-up of a
# Wine program costs several switches (every call into the Wine server waits for its answer),
# so for comparison the same count is taken while the icon cycles (a timer tick every 800 ms,
# the notice dialog up). Beside it, the memory of the least a tray program can be
# (bench/minimal_tray.cpp: one hidden window, one icon, a message loop), built here with the
# same compiler and flags as the release, idle in the same Wine.
#
#   bench/idle_cost.sh [SECONDS]    measures the idle program for SECONDS (default 60)
#
# Under Wine 8 every thread a program has started keeps about 1,000 KiB private, whatever its
# stack size, and also once it has ended (Wine frees an ended thread's stacks only when the next
# thread ends); on Windows a thread costs its stack pages in use and its TEB, some tens of KiB.
# Wine also copies an executable's sections into private memory when their file alignment is
# below the page size (MinGW links with 512 bytes), where Windows maps them from the file.
#
# ERM_IDLE_EXE names another erinnerung.exe to measure (build/windows/erinnerung.exe: the
# unstripped development build). ERM_IDLE_REGIONS=1 also lists, for both programs, the mappings
# that hold most of their private memory. The release is made (scripts/release --allow-dirty) when
# missing. Needs Wine, Xvfb and xdotool, as scripts/test-windows does; says so and measures
# nothing when Wine is missing. Run by scripts/bench.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/wine-env

readonly IDLE_SECONDS="${1:-60}"
readonly CYCLING_SECONDS=20
readonly NATIVE_BUILD="${ERM_NATIVE_BUILD:-build/native}"
readonly RELEASED_EXE=build/release/win64/erinnerung.exe
readonly PROGRAM_EXE="${ERM_IDLE_EXE:-$RELEASED_EXE}"
readonly MINIMAL_EXE=build/bench/minimal_tray.exe
readonly TRAY_CAPTION="Wine System Tray"

source tests/e2e/lib/probe.bash

# The voluntary context switches of all threads of process $1 so far.
voluntary_switches() {
  cat /proc/"$1"/task/*/status 2>/dev/null |
    awk '/^voluntary_ctxt_switches:/ { sum += $2 } END { print sum + 0 }'
}

# Prints the switches of process $1 per minute, counted over $2 seconds.
switches_per_minute() {
  local before after
  before="$(voluntary_switches "$1")"
  sleep "$2"
  after="$(voluntary_switches "$1")"
  echo $(((after - before) * 60 / $2))
}

# True once process $1 has made no switch for a second: the start-up's work is over.
quiet() {
  local before
  before="$(voluntary_switches "$1")"
  sleep 1
  [ "$(voluntary_switches "$1")" = "$before" ]
}

status_kb() { awk -v key="$2:" '$1 == key { print $2 }' /proc/"$1"/status; }

print_memory() {
  printf '  %-19s %6d KiB resident (VmRSS), %d KiB of it private (RssAnon)\n' "$1" \
    "$(status_kb "$2" VmRSS)" "$(status_kb "$2" RssAnon)"
}

# Where the private memory of process $2 lies, in the ten regions that hold most of it: the size
# of each mapping and its name ("[heap]" is the C library's heap of Wine's own Unix side: X11,
# fonts; nameless mappings are the Windows side's heaps, thread stacks and image data).
print_private_regions() {
  awk '/^[0-9a-f]+-[0-9a-f]+ / { name = $6 == "" ? "(anonymous)" : $6 }
       /^Size:/ { size = $2 }
       /^Anonymous:/ && $2 > 0 { printf "%d\t%d\t%s\n", $2, size, name }' /proc/"$2"/smaps |
    sort -rn | head -10 | awk -F'\t' -v who="$1" \
      '{ printf "    %-17s %6d KiB private in a mapping of %7d KiB  %s\n", who, $1, $2, $3 }'
}

tray_icon_count() { probe rects "$TRAY_CAPTION" | awk -F'\t' '$1 == "child"' | wc -l; }

build_minimal_tray() {
  mkdir -p "$(dirname "$MINIMAL_EXE")"
  x86_64-w64-mingw32-g++-posix -std=c++20 -O2 -s -static -static-libgcc -static-libstdc++ \
    -mwindows -o "$MINIMAL_EXE" bench/minimal_tray.cpp -lshell32
}

# Starts the minimal tray program, waits for its icon and for it to be quiet, and prints its
# memory.
measure_minimal_tray() {
  local pid icons_before
  icons_before="$(tray_icon_count)"
  wine_start "$1/minimal_tray.log" "$MINIMAL_EXE"
  pid=$WINE_LAST_PID
  wine_env_on_exit "wine_stop_program $pid"
  if ! wait_for "$WAIT" eval '[ "$(tray_icon_count)" -gt "$icons_before" ]'; then
    echo "idle cost: FAILED, the minimal tray program shows no icon" >&2
    return 1
  fi
  wait_for 60 quiet "$pid" || true
  print_memory "minimal tray program" "$pid"
  [ -z "${ERM_IDLE_REGIONS:-}" ] || print_private_regions "minimal" "$pid"
  wine_stop_program "$pid"
}

main() {
  if ! command -v wine64 >/dev/null && [ ! -x /usr/lib/wine/wine64 ]; then
    echo "idle cost: skipped, Wine is not installed (scripts/bootstrap installs it)"
    return 0
  fi
  wine_build_windows window_probe >/dev/null
  [ -n "${ERM_IDLE_EXE:-}" ] || [ -f "$RELEASED_EXE" ] || scripts/release --allow-dirty >/dev/null
  build_minimal_tray
  build_native_if_missing make-demo-planner >/dev/null
  wine_env_start "${ERM_WINE_PREFIX_NAME:-prefix}"
  local tmp pid cycling idle threads
  tmp="$(mktemp -d "${TMPDIR:-/tmp}/erm-idle.XXXXXX")"
  wine_env_on_exit "rm -rf '$tmp'"
  "$NATIVE_BUILD/make-demo-planner" --windows-prefix Z: "$tmp" >/dev/null
  cp "$PROGRAM_EXE" "$tmp/programm/erinnerung.exe"

  local icons_before
  icons_before="$(tray_icon_count || true)"  # no tray window before the first icon
  start_program "$tmp/programm"
  pid=$PROGRAM_PID
  if [ -n "${ERM_IDLE_REGIONS:-}" ]; then
    # Its first scan comes five seconds after its icon: what start-up alone leaves.
    wait_for "$WAIT" eval '[ "$(tray_icon_count)" -gt "$icons_before" ]' && sleep 2 &&
      print_memory "before its first scan" "$pid" && print_private_regions "before" "$pid"
  fi
  if ! wine_wait_window "$WAIT" "$NOTICE_CAPTION" >/dev/null; then
    echo "idle cost: FAILED, no notice dialog after the first scan" >&2
    return 1
  fi
  cycling="$(switches_per_minute "$pid" "$CYCLING_SECONDS")"

  click_child "$NOTICE_CAPTION" "Termine &anzeigen" &&
    wait_for "$WAIT" main_window_shown &&
    click_child "$MAIN_CAPTION" "Programm minimieren" &&
    wait_for "$WAIT" main_window_hidden || {
    echo "idle cost: FAILED, could not close the notice and minimise the program" >&2
    return 1
  }
  wait_for 60 quiet "$pid" || true
  idle="$(switches_per_minute "$pid" "$IDLE_SECONDS")"
  threads="$(find /proc/"$pid"/task -mindepth 1 -maxdepth 1 | wc -l)"

  echo "idle cost of $PROGRAM_EXE under Wine ($("$ERM_WINE" --version)), minimised to the tray:"
  print_memory "erinnerung.exe" "$pid"
  [ -z "${ERM_IDLE_REGIONS:-}" ] || print_private_regions "erinnerung.exe" "$pid"
  printf '  threads             %6d\n' "$threads"
  printf '  wake-ups, idle      %6d voluntary context switches per minute (over %d s)\n' \
    "$idle" "$IDLE_SECONDS"
  printf '  while cycling       %6d voluntary context switches per minute (over %d s, 75 ticks)\n' \
    "$cycling" "$CYCLING_SECONDS"
  measure_minimal_tray "$tmp"
}

main "$@"
