#!/usr/bin/env bash
# Whether the running program grows over many scans, as one that runs for weeks must not:
# erinnerung.exe under Wine on the demo planner goes through SCANS scans in a row, each started
# as a user starts one, with a click on "Erinnerung deaktivieren" and then on "Erinnerung
# aktivieren" in its main window (the scan comes five seconds later). After scan 10 and after the
# last scan it reads the process's private memory (RssAnon of the Wine process, as
# bench/idle_cost.sh does) and, from the Windows side, its kernel handles and its GDI and USER
# objects (soak_probe handles, bench/soak_probe.cpp; Wine 8 counts no GDI and USER objects, and
# its handles only in the system's handle table), and prints both readings side by side with the
# growth. The
# first ten scans are left out of the comparison: they fill caches and heaps once.
#
#   bench/soak.sh [SCANS]    SCANS in a row (default 100, at least 11); about 10 s each
#
# A scan is seen to end when its animation has shown in the main window's tool bar and gone again
# (soak_probe watch). Scans within the hour raise no notice dialog; one that comes anyway (a
# machine slow enough to take an hour) is closed with "&Hinweis schließen". ERM_SOAK_EXE names
# the erinnerung.exe to run (default: the development build build/windows/erinnerung.exe, built
# when missing). Needs Wine, Xvfb and xdotool, as scripts/test-windows does; says so and measures
# nothing when Wine is missing. Run by scripts/bench --soak, never by CI: it takes a quarter of an
# hour and answers with figures, not with a verdict.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/wine-env

readonly SCANS="${1:-100}"
readonly BASELINE_SCAN=10
readonly NATIVE_BUILD="${ERM_NATIVE_BUILD:-build/native}"
readonly PROGRAM_EXE="${ERM_SOAK_EXE:-build/windows/erinnerung.exe}"
readonly ANIMATION_CLASS="SysAnimate32"
# The scan comes 5 s after the click and reads three accounts with a pause after each.
readonly SCAN_WAIT=120

source tests/e2e/lib/probe.bash

# The soak's own probe (bench/soak_probe.cpp), built here as idle_cost.sh builds its tray program.
readonly SOAK_PROBE_EXE=build/bench/soak_probe.exe
build_soak_probe() {
  mkdir -p "$(dirname "$SOAK_PROBE_EXE")"
  x86_64-w64-mingw32-g++-posix -std=c++20 -O2 -s -static -static-libgcc -static-libstdc++ \
    -o "$SOAK_PROBE_EXE" bench/soak_probe.cpp -lshell32
}
soak_probe() { wine_run $((SCAN_WAIT + 30)) "$SOAK_PROBE_EXE" "$@" | tr -d '\r'; }

private_kb() { awk '$1 == "RssAnon:" { print $2 }' /proc/"$1"/status; }

# "PRIVATE_KB HANDLES GDI USER" of process $1, whose main window the probe finds.
reading() {
  local counts
  counts="$(soak_probe handles "$FORM_CLASS" "$MAIN_CAPTION")" || return 1
  awk -v private="$(private_kb "$1")" \
    '{ print private, $2, $4, $6 }' <<<"$counts"
}

notice_shown() { probe texts "$NOTICE_CAPTION" >/dev/null; }
notice_gone() { ! notice_shown; }

# One scan as a user starts it; false when it did not come and go within SCAN_WAIT.
toggle_and_scan() {
  click_child "$MAIN_CAPTION" "Erinnerung deaktivieren" &&
    click_child "$MAIN_CAPTION" "Erinnerung aktivieren" &&
    soak_probe watch "$FORM_CLASS" "$MAIN_CAPTION" "$ANIMATION_CLASS" "$SCAN_WAIT" >/dev/null ||
    return 1
  if notice_shown; then
    click_child "$NOTICE_CAPTION" $'&Hinweis schlie\xc3\x9fen' && wait_for "$WAIT" notice_gone
  fi
}

print_row() {
  printf '  %-16s %14s %15s %+9d\n' "$1" "$2" "$3" "$(($3 - $2))"
}

main() {
  if ((SCANS <= BASELINE_SCAN)); then
    echo "soak: SCANS must be above $BASELINE_SCAN" >&2
    return 2
  fi
  if ! command -v wine64 >/dev/null && [ ! -x /usr/lib/wine/wine64 ]; then
    echo "soak: skipped, Wine is not installed (scripts/bootstrap installs it)"
    return 0
  fi
  if [ -n "${ERM_SOAK_EXE:-}" ]; then
    wine_build_windows window_probe >/dev/null
  else
    wine_build_windows window_probe erinnerung >/dev/null
  fi
  build_native_if_missing make-demo-planner >/dev/null
  build_soak_probe
  wine_env_start "${ERM_WINE_PREFIX_NAME:-prefix}"
  local tmp pid scan started baseline="" last=""
  tmp="$(mktemp -d "${TMPDIR:-/tmp}/erm-soak.XXXXXX")"
  wine_env_on_exit "rm -rf '$tmp'"
  "$NATIVE_BUILD/make-demo-planner" --windows-prefix Z: "$tmp" >/dev/null
  cp "$PROGRAM_EXE" "$tmp/programm/erinnerung.exe"

  start_program "$tmp/programm"
  pid=$PROGRAM_PID
  if ! wine_wait_window "$WAIT" "$NOTICE_CAPTION" >/dev/null; then
    echo "soak: FAILED, no notice dialog after the first scan" >&2
    return 1
  fi
  if ! click_child "$NOTICE_CAPTION" "Termine &anzeigen" ||
    ! wait_for "$WAIT" main_window_shown; then
    echo "soak: FAILED, the main window did not come up from the notice dialog" >&2
    return 1
  fi

  started=$SECONDS
  for ((scan = 1; scan <= SCANS; scan++)); do
    if ! toggle_and_scan; then
      echo "soak: FAILED, scan $scan did not come and go within $SCAN_WAIT s" >&2
      return 1
    fi
    if ((scan == BASELINE_SCAN)); then
      baseline="$(reading "$pid")" || {
        echo "soak: FAILED, no reading after scan $scan" >&2
        return 1
      }
    fi
  done
  last="$(reading "$pid")" || {
    echo "soak: FAILED, no reading after scan $SCANS" >&2
    return 1
  }

  local b_private b_handles b_gdi b_user l_private l_handles l_gdi l_user
  read -r b_private b_handles b_gdi b_user <<<"$baseline"
  read -r l_private l_handles l_gdi l_user <<<"$last"
  echo "soak of $PROGRAM_EXE under Wine ($("$ERM_WINE" --version)): $SCANS scans started with" \
    "the toggle buttons, $((SECONDS - started)) s"
  printf '  %-16s %14s %15s %9s\n' "" "after scan $BASELINE_SCAN" "after scan $SCANS" "growth"
  print_row "private KiB" "$b_private" "$l_private"
  print_row "handles" "$b_handles" "$l_handles"
  if ((b_gdi + l_gdi + b_user + l_user == 0)); then
    echo "  GDI and USER objects: not counted by this Wine (GetGuiResources answers 0)"
  else
    print_row "GDI objects" "$b_gdi" "$l_gdi"
    print_row "USER objects" "$b_user" "$l_user"
  fi
}

main "$@"
