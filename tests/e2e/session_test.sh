#!/usr/bin/env bash
# End-to-end tests of the real erinnerung.exe under Wine as a user's session meets it:
#   1. an account folder "Büro" is found by the scan (the notice counts its appointment), and a
#      second start of the program, while it runs in the tray, ends with exit code 0 and brings
#      up the running program's main window, with no second program left running;
#   2. the program is killed at random moments while "&Übernehmen" rewrites its settings files
#      again and again: every time each file holds its old bytes or its new ones, and the next
#      start reads them (the options dialog shows the planner directory) and saves again,
#      leaving no temporary file. ERM_KILL_RUNS runs (default 20).
# Run by scripts/test-windows, or alone.
set -euo pipefail
cd "$(dirname "$0")/../.."
source scripts/wine-env

# The main menu's "&Optionen..." as the program numbers its commands from 0x100 on: the menu
# bar's own root takes the first number, "&Programm" the second, its first item the third.
readonly OPTIONS_COMMAND=258
readonly KILL_RUNS="${ERM_KILL_RUNS:-20}"
readonly WINDOWS_BUILD="${ERM_WINDOWS_BUILD:-build/windows}"
readonly NATIVE_BUILD="${ERM_NATIVE_BUILD:-build/native}"
readonly SETTINGS=erinnerung_config.txt
readonly SELECTION=erinnerung_konten.txt

source tests/e2e/lib/probe.bash

build_what_is_missing() {
  if [ "$WINDOWS_BUILD" = build/windows ]; then
    [ -x build/windows/erinnerung.exe ] && [ -x build/windows/window_probe.exe ] ||
      wine_build_windows erinnerung window_probe
  fi
  if [ ! -x "$NATIVE_BUILD/make-demo-planner" ] || [ ! -x "$NATIVE_BUILD/erinnerung-scan" ]; then
    cmake -S . -B "$NATIVE_BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$NATIVE_BUILD" --target make-demo-planner erinnerung-scan
  fi
}

PROGRAM_PID=""
program_ended() { ! kill -0 "$PROGRAM_PID" 2>/dev/null; }
options_shown() { probe --class "$FORM_CLASS" rects "$OPTIONS_CAPTION" >/dev/null; }
options_hidden() { ! options_shown; }
# The program is up once its tray icon's window is there: Wine's tray shows one child per icon.
tray_icon_there() {
  probe rects "Wine System Tray" 2>/dev/null | grep -q '^child'
}

quit_program() {
  probe --class "$APP_CLASS" close "$APP_TITLE" >/dev/null || true
  wait_for "$WAIT" program_ended || {
    fail "the program did not end when asked to"
    wine_stop_program "$PROGRAM_PID"
  }
}

# Starts erinnerung.exe of folder $1 a second time and checks that it ends at once with 0.
second_start() {
  local status=0
  wine_run "$WAIT" "$1/erinnerung.exe" || status=$?
  [ "$status" = 0 ] || fail "the second start ended with $status"
}

test_second_start_and_umlaut_account() {
  local dir="$1/second" expected texts count
  "$NATIVE_BUILD/make-demo-planner" --windows-prefix Z: "$dir" >/dev/null
  cp "$WINDOWS_BUILD/erinnerung.exe" "$dir/programm/"
  expected="$("$NATIVE_BUILD/erinnerung-scan" --program-folder "$dir/programm" \
    --planner "$dir/planner/" | sed -n 's/^  Hinweisfenster: //p')"
  # The account "Familie", whose appointment today the notice counts, becomes "Büro": the
  # folder in UTF-8 on the host, the selection line in the program's Windows-1252.
  mv "$dir/planner/konten/Familie" "$dir/planner/konten/B"$'\xc3\xbc'"ro"
  sed -i 's/^Familie\r$/B\xfcro\r/' "$dir/programm/$SELECTION"
  grep -q $'^B\xfcro\r$' "$dir/programm/$SELECTION" || fail "no B\\xfcro in the selection file"

  start_program "$dir/programm"
  if ! wine_wait_window "$WAIT" "$NOTICE_CAPTION" >/dev/null; then
    fail "no notice dialog"
    return
  fi
  texts="$(probe texts "$NOTICE_CAPTION")"
  grep -qxF "Static	$expected" <<<"$texts" ||
    fail "with the account B\\xfcro the headline is not \"$expected\": $texts"
  # "Schließen" (Esc) leaves the main window hidden, as the program runs in the tray.
  probe command "$NOTICE_CAPTION" 2 >/dev/null || fail "cannot close the notice dialog"
  wait_for "$WAIT" main_window_hidden || fail "the main window is up before the second start"

  local started=$SECONDS
  second_start "$dir/programm"
  echo "second start ended after $((SECONDS - started)) s"
  wait_for "$WAIT" main_window_shown || fail "the second start did not show the main window"
  kill -0 "$PROGRAM_PID" 2>/dev/null || fail "the first program is gone"
  count="$(probe --class "$APP_CLASS" rects "$APP_TITLE" | grep -c '^window' || true)"
  [ "$count" = 1 ] || fail "$count application windows instead of 1"
  quit_program
}

# Drives "&Optionen..." and "&Übernehmen" until the program is gone.
apply_until_killed() {
  while ! program_ended; do
    probe command "$MAIN_CAPTION" "$OPTIONS_COMMAND" >/dev/null 2>&1 || continue
    wait_for 20 options_shown || continue
    probe command "$OPTIONS_CAPTION" 1 >/dev/null 2>&1 || continue
    wait_for 20 options_hidden || true
  done
}

# Whether file $1 holds the bytes of file $2 or of file $3.
old_or_new() { cmp -s "$1" "$2" || cmp -s "$1" "$3"; }

# The options dialog, opened on the program of folder $1 after a second start, shows the
# planner directory of the settings file: the start has read it.
start_reads_settings() {
  local dir="$1" planner
  wait_for "$WAIT" tray_icon_there || return 1
  second_start "$dir"
  wait_for "$WAIT" main_window_shown || return 1
  probe command "$MAIN_CAPTION" "$OPTIONS_COMMAND" >/dev/null || return 1
  wait_for "$WAIT" options_shown || return 1
  planner="$(head -n 1 "$dir/$SETTINGS.old" | tr -d '\r' | iconv -f CP1252 -t UTF-8)"
  probe texts "$OPTIONS_CAPTION" | grep -qxF "Static	$planner"
}

test_settings_survive_a_kill() {
  local dir="$1/kill" program torn=0 leftovers=0 run delay killer
  # Appointments long past: no notice dialog comes between the clicks.
  "$NATIVE_BUILD/make-demo-planner" --today 2001-01-01 --windows-prefix Z: "$dir" >/dev/null
  program="$dir/programm"
  cp "$WINDOWS_BUILD/erinnerung.exe" "$program/"
  # Old bytes that "Übernehmen" changes: the second line goes, and so does the account that is
  # no folder.
  printf '%s\r\nzweite Zeile\r\n' "$(head -n 1 "$program/$SETTINGS" | tr -d '\r')" \
    >"$program/$SETTINGS.old"
  printf 'Praxis\r\nWeg\r\nFamilie\r\n' >"$program/$SELECTION.old"

  # The new bytes, from one "Übernehmen" that is let finish.
  cp "$program/$SETTINGS.old" "$program/$SETTINGS"
  cp "$program/$SELECTION.old" "$program/$SELECTION"
  start_program "$program"
  start_reads_settings "$program" || fail "the first start did not read the settings"
  probe command "$OPTIONS_CAPTION" 1 >/dev/null || fail "cannot press \"Übernehmen\""
  wait_for "$WAIT" options_hidden || fail "the options dialog stayed open"
  quit_program
  cp "$program/$SETTINGS" "$program/$SETTINGS.new"
  cp "$program/$SELECTION" "$program/$SELECTION.new"
  cmp -s "$program/$SETTINGS.new" "$program/$SETTINGS.old" && fail "the settings file did not change"
  cmp -s "$program/$SELECTION.new" "$program/$SELECTION.old" && fail "the selection file did not change"

  local started=$SECONDS
  for ((run = 1; run <= KILL_RUNS; run++)); do
    # Every run starts from the old bytes; what an earlier kill left beside them stays.
    cp "$program/$SETTINGS.old" "$program/$SETTINGS"
    cp "$program/$SELECTION.old" "$program/$SELECTION"
    start_program "$program"
    if ! start_reads_settings "$program"; then
      fail "run $run: the start did not read the settings"
      wine_stop_program "$PROGRAM_PID"
      continue
    fi
    probe command "$OPTIONS_CAPTION" 1 >/dev/null || true
    delay="$((RANDOM % 3000))"
    (sleep "$((delay / 1000)).$(printf '%03d' $((delay % 1000)))" && kill -KILL "$PROGRAM_PID") \
      2>/dev/null &
    killer=$!
    apply_until_killed
    wait "$PROGRAM_PID" 2>/dev/null || true
    wait "$killer" 2>/dev/null || true
    old_or_new "$program/$SETTINGS" "$program/$SETTINGS.old" "$program/$SETTINGS.new" || {
      torn=$((torn + 1))
      fail "run $run: the settings file is neither old nor new: $(od -c "$program/$SETTINGS" | head -3)"
    }
    old_or_new "$program/$SELECTION" "$program/$SELECTION.old" "$program/$SELECTION.new" || {
      torn=$((torn + 1))
      fail "run $run: the selection file is neither old nor new: $(od -c "$program/$SELECTION" | head -3)"
    }
    compgen -G "$program/*.neu" >/dev/null && leftovers=$((leftovers + 1))
    ((run % 10)) || echo "kill test: $run runs, $torn torn files, $((SECONDS - started)) s"
  done
  echo "kill test: $KILL_RUNS runs in $((SECONDS - started)) s, $torn torn files," \
    "$leftovers runs left a temporary file behind"

  # A last start after the last kill reads the files and saves over whatever was left.
  start_program "$program"
  start_reads_settings "$program" || fail "the start after the last kill did not read the settings"
  probe command "$OPTIONS_CAPTION" 1 >/dev/null || fail "cannot press \"Übernehmen\""
  wait_for "$WAIT" options_hidden || fail "the options dialog stayed open"
  quit_program
  cmp -s "$program/$SETTINGS" "$program/$SETTINGS.new" || fail "the last save is not the new bytes"
  if compgen -G "$program/*.neu" >/dev/null; then
    fail "a temporary file stayed after a save that finished: $(ls "$program")"
  fi
}

main() {
  local started=$SECONDS tmp t
  build_what_is_missing
  wine_env_start "${ERM_WINE_PREFIX_NAME:-prefix}"
  tmp="$(mktemp -d "${TMPDIR:-/tmp}/erm-e2e.XXXXXX")"
  wine_env_on_exit "rm -rf '$tmp'"

  t=$SECONDS
  test_second_start_and_umlaut_account "$tmp"
  echo "second start: $((SECONDS - t)) s"
  t=$SECONDS
  test_settings_survive_a_kill "$tmp"
  echo "kill test: $((SECONDS - t)) s"

  echo "session end-to-end tests: $((SECONDS - started)) s (Wine locale $ERM_WINE_LOCALE)"
  if ((failures)); then
    echo "$failures session check(s) failed" >&2
    exit 1
  fi
}

main "$@"
