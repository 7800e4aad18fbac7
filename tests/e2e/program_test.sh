#!/usr/bin/env bash
# End-to-end tests of the real erinnerung.exe under Wine, each in a temporary program folder:
#   1. with the demo planner: the program starts hidden, and the first scan opens the notice
#      dialog with the headline the headless scan of the same planner gives;
#   2. without a settings file: the main window and the message box asking for the path come
#      up, and the settings file holds exactly the no-path marker;
#   3. a planner folder that does not exist is named on the main window after the first scan;
#   4. an account that cannot be read beside a readable one: after "&Hinweis schliessen" the
#      next early scan brings the same notice no more, and the main window counts what it could
#      not read;
#   5. erinnerung-scan.exe finds the settings the program keeps in %APPDATA%.
# Screenshots go to build/e2e/. Run by scripts/test-windows, or alone.
set -euo pipefail
cd "$(dirname "$0")/../.."
source scripts/wine-env

readonly ARTEFACTS=build/e2e
# The Windows build to test; another one than build/windows is taken as it is.
readonly WINDOWS_BUILD="${ERM_WINDOWS_BUILD:-build/windows}"
# Where the native make-demo-planner and erinnerung-scan come from.
readonly NATIVE_BUILD="${ERM_NATIVE_BUILD:-build/native}"

source tests/e2e/lib/probe.bash

build_what_is_missing() {
  if [ "$WINDOWS_BUILD" = build/windows ]; then
    [ -x build/windows/erinnerung.exe ] && [ -x build/windows/window_probe.exe ] ||
      wine_build_windows erinnerung window_probe
  fi
  build_native_if_missing make-demo-planner erinnerung-scan
}

# A visible top-level window titled exactly $1, as X sees it.
window_visible() {
  xdotool search --onlyvisible --name "^$(printf '%s' "$1" | sed 's/[][\.*^$(){}?+|/]/\\&/g')\$" \
    >/dev/null 2>&1
}

# Asks the program to quit through its application window and waits for it to end.
quit_program() {
  probe --class "$APP_CLASS" close "$APP_TITLE" >/dev/null || true
  for ((i = 0; i < WAIT * 5; i++)); do
    kill -0 "$PROGRAM_PID" 2>/dev/null || return 0
    sleep 0.2
  done
  fail "the program did not end when asked to"
  wine_stop_program "$PROGRAM_PID"
}

test_active_start_shows_the_notice() {
  local dir="$1/demo" expected texts
  make_demo "$dir"
  expected="$("$NATIVE_BUILD/erinnerung-scan" --program-folder "$dir/programm" \
    --planner "$dir/planner/" | sed -n 's/^  Hinweisfenster: //p')"
  [ -n "$expected" ] || fail "the demo planner has no appointment today"

  if ! start_until_notice "$dir/programm"; then
    fail "no notice dialog"
    return
  fi
  wine_screenshot "$ARTEFACTS/notice.png"
  texts="$(probe texts "$NOTICE_CAPTION")"
  grep -qxF "Static	$expected" <<<"$texts" ||
    fail "headline is not \"$expected\": $texts"
  # Started hidden: nothing but the notice has shown the main window.
  window_visible "$MAIN_CAPTION" && fail "the main window is visible"

  # "Termine anzeigen" is the default button: OK brings up the main window.
  probe command "$NOTICE_CAPTION" 1 >/dev/null || fail "cannot press OK in the notice dialog"
  if wine_wait_window "$WAIT" "$MAIN_CAPTION" >/dev/null; then
    wine_screenshot "$ARTEFACTS/main-window.png"
  else
    fail "the main window did not come up from the notice dialog"
  fi
  quit_program
}

test_no_settings_file_asks_for_the_path() {
  local dir="$1/fresh" started texts
  mkdir -p "$dir"
  cp "$WINDOWS_BUILD/erinnerung.exe" "$dir/"
  started=$SECONDS
  start_program "$dir"
  if ! wine_wait_window "$WAIT" "$MAIN_CAPTION" >/dev/null; then
    fail "no main window without a settings file"
    return
  fi
  for ((i = 0; i < WAIT * 5; i++)); do
    texts="$(probe --class "$MESSAGE_BOX_CLASS" texts "$APP_TITLE" || true)"
    grep -qF $'Keinen Pfad zum QX-Brevantoliske gew\xc3\xa4hlt!' <<<"$texts" && break
    sleep 0.2
  done
  echo "main window and message box after $((SECONDS - started)) s"
  grep -q "Bitte setzen Sie in den Optionen den Pfad." <<<"$texts" ||
    fail "no message box asking for the path: $texts"
  wine_screenshot "$ARTEFACTS/no-path.png"
  if ! cmp -s "$dir/erinnerung_config.txt" <(printf 'Pfad nicht gew\xe4hlt!\r\n'); then
    fail "the settings file does not hold the no-path marker alone"
  fi
  [ "$(stat -c %s "$dir/erinnerung_config.txt" 2>/dev/null)" = 21 ] ||
    fail "the settings file is not 21 bytes long"
  probe --class "$MESSAGE_BOX_CLASS" command "$APP_TITLE" 1 >/dev/null ||
    fail "cannot answer the message box"
  quit_program
}

# The texts of the program's windows, shown or not.
form_texts() { probe --class "$FORM_CLASS" hiddentexts '*' || true; }
form_text_has() { grep -qF "$1" <<<"$(form_texts)"; }
readonly WM_TIMECHANGE=30

test_a_planner_out_of_reach_is_named() {
  local dir="$1/fort" missing
  make_demo "$dir"
  missing="$(wine_path "$dir/nirgends")\\"
  printf '%s\r\n' "$missing" >"$dir/programm/erinnerung_config.txt"
  start_program "$dir/programm"
  wait_for "$WAIT" form_text_has "Planer nicht erreichbar: ${missing}konten" ||
    fail "the main window does not name the planner folder it could not read: $(form_texts)"
  window_visible "$NOTICE_CAPTION" && fail "a notice dialog for a planner out of reach"
  quit_program
}

test_an_early_scan_does_not_repeat_the_notice() {
  local dir="$1/gesperrt" i
  make_demo "$dir"
  printf 'keine Tabelle' >"$dir/planner/konten/Praxis/erinnerung.dbf"
  # Twenty accounts more without a table make each scan show its progress for a good quarter
  # minute; each is counted as not read.
  for i in $(seq -w 1 20); do
    mkdir "$dir/planner/konten/Leer$i"
    printf 'Leer%s\r\n' "$i" >>"$dir/programm/erinnerung_konten.txt"
  done
  if ! start_until_notice "$dir/programm"; then
    fail "no notice dialog beside an unreadable account"
    return
  fi
  probe command "$NOTICE_CAPTION" 2 >/dev/null || fail "cannot close the notice dialog"
  wait_for "$WAIT" form_text_has "Nicht gelesen: 21 (siehe Liste)" ||
    fail "the main window does not count the unreadable account: $(form_texts)"
  # An early scan, as after the clock changed: its progress shows, then the count again, which
  # comes after a notice dialog would have been closed.
  probe --class "$APP_CLASS" post "$APP_TITLE" "$WM_TIMECHANGE" >/dev/null ||
    fail "cannot tell the program that the clock changed"
  wait_for "$WAIT" form_text_has $'Pr\xc3\xbcfe' || fail "no early scan: $(form_texts)"
  wait_for "$WAIT" form_text_has "Nicht gelesen: 21 (siehe Liste)" ||
    fail "the early scan did not end: $(form_texts)"
  window_visible "$NOTICE_CAPTION" && fail "the early scan repeated the notice"
  quit_program
}

test_the_scan_tool_reads_the_users_settings() {
  local dir="$1/appdata" appdata
  make_demo "$dir"
  cp "$WINDOWS_BUILD/erinnerung-scan.exe" "$dir/programm/"
  appdata="$(wine_run 60 cmd /c echo '%APPDATA%' | tr -d '\r')"
  appdata="$(wine_run 60 winepath -u "$appdata" | tr -d '\r')/Erinnerungsmodul"
  mkdir -p "$appdata"
  mv "$dir/programm/erinnerung_config.txt" "$dir/programm/erinnerung_konten.txt" "$appdata/"
  wine_run 120 "$dir/programm/erinnerung-scan.exe" >"$dir/scan.txt" 2>&1 ||
    fail "erinnerung-scan.exe failed: $(cat "$dir/scan.txt")"
  grep -q "Heute" "$dir/scan.txt" ||
    fail "erinnerung-scan.exe did not read the settings in %APPDATA%: $(cat "$dir/scan.txt")"
  rm -rf "$appdata"
}

main() {
  local started=$SECONDS tmp
  build_what_is_missing
  wine_env_start "${ERM_WINE_PREFIX_NAME:-prefix}"
  mkdir -p "$ARTEFACTS"
  tmp="$(mktemp -d "${TMPDIR:-/tmp}/erm-e2e.XXXXXX")"
  wine_env_on_exit "rm -rf '$tmp'"

  local t=$SECONDS
  test_active_start_shows_the_notice "$tmp"
  echo "active start: $((SECONDS - t)) s"
  t=$SECONDS
  test_no_settings_file_asks_for_the_path "$tmp"
  echo "start without settings: $((SECONDS - t)) s"
  t=$SECONDS
  test_a_planner_out_of_reach_is_named "$tmp"
  test_an_early_scan_does_not_repeat_the_notice "$tmp"
  test_the_scan_tool_reads_the_users_settings "$tmp"
  echo "what could not be read: $((SECONDS - t)) s"

  echo "end-to-end tests: $((SECONDS - started)) s, screenshots in $ARTEFACTS"
  if ((failures)); then
    echo "$failures end-to-end check(s) failed" >&2
    exit 1
  fi
}

main "$@"
