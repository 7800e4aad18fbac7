# shellcheck shell=bash disable=SC2034  # the names are for the scripts that source this file
# Shell helpers shared by the end-to-end tests, the idle-cost benchmark and the screenshot
# script: the program's window captions and classes, reading windows through window_probe.exe,
# waiting for a condition, and starting the program on the demo planner.
# Source it after scripts/wine-env. WINDOWS_BUILD names the Windows build (default
# build/windows).

# The program's windows as the probe and X see them: captions in UTF-8, and the window classes
# the program registers.
readonly NOTICE_CAPTION="QX-Brevantoliske ERINNERUNGSMODUL"
readonly MAIN_CAPTION=$' QX-Brevantoliske-Erinnerungsmodul f\xc3\xbcr alle Jahre'
readonly OPTIONS_CAPTION="Optionen"
readonly HELP_CAPTION="Hilfe"
# The application window: the taskbar button, and the owner of the program's message boxes.
readonly APP_TITLE="Erinnerungsmodul"
readonly APP_CLASS="ErinnerungsmodulApplication"
readonly FORM_CLASS="ErinnerungsmodulForm"
# Windows' own classes of a message box and of an open menu.
readonly MESSAGE_BOX_CLASS="#32770"
readonly MENU_CLASS="#32768"
# Generous: a loaded CI machine under Wine takes its time to start a program.
readonly WAIT=180

# The probe is a console program: its lines end in CR LF. Its exit code is the pipeline's.
probe() { wine_run 60 "${WINDOWS_BUILD:-build/windows}/window_probe.exe" "$@" | tr -d '\r'; }

# Polls COMMAND... every 0.2 s until it succeeds; returns 1 after $1 seconds.
wait_for() {
  local limit="$1" deadline
  shift
  deadline=$((SECONDS + limit))
  until "$@"; do
    ((SECONDS < deadline)) || return 1
    sleep 0.2
  done
}

# Counts a failed check; the test goes on and reports the count at its end.
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

# Clicks the middle of the child window with text $2 of the visible window titled $1, as a user
# would, and moves the pointer out of the way again.
click_child() {
  local left top right bottom
  read -r left top right bottom < <(probe rects "$1" |
    awk -F'\t' -v text="$2" '$1 == "child" && $4 == text { print $3; exit }')
  [ -n "${bottom:-}" ] || return 1
  xdotool mousemove --sync $(((left + right) / 2)) $(((top + bottom) / 2)) click 1
  xdotool mousemove --sync 1270 1010
}

main_window_shown() { probe --class "$FORM_CLASS" rects "$MAIN_CAPTION" >/dev/null; }
main_window_hidden() { ! main_window_shown; }

# Makes the demo planner in folder $1, with the Windows build's program in $1/programm.
make_demo() {
  "$NATIVE_BUILD/make-demo-planner" --windows-prefix Z: "$1" >/dev/null
  cp "${WINDOWS_BUILD:-build/windows}/erinnerung.exe" "$1/programm/"
}

# Starts the program of folder $1, its output in $1/erinnerung.log, and leaves its process id
# in PROGRAM_PID; it is stopped at the latest when the Wine environment ends.
start_program() {
  wine_start "$1/erinnerung.log" "$1/erinnerung.exe"
  PROGRAM_PID=$WINE_LAST_PID
  wine_env_on_exit "wine_stop_program $PROGRAM_PID"
}

# Starts the program of folder $1 and waits for the notice dialog of its first scan; says how
# long that took. False when no notice dialog came up.
start_until_notice() {
  local started=$SECONDS
  start_program "$1"
  wine_wait_window "$WAIT" "$NOTICE_CAPTION" >/dev/null || return 1
  echo "notice dialog after $((SECONDS - started)) s"
}

# Builds the native TARGETs into NATIVE_BUILD when one of them is missing there.
build_native_if_missing() {
  local target
  for target; do
    [ -x "$NATIVE_BUILD/$target" ] && continue
    cmake -S . -B "$NATIVE_BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$NATIVE_BUILD" --target "$@"
    return
  done
}
