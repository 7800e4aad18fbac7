#!/usr/bin/env bash
# End-to-end test of the tray icon on the real erinnerung.exe under Wine, with the demo planner
# and real mouse input on the display:
#   1. after the first scan the notice dialog is up and the icon in Wine's notification area
#      cycles; "Termine anzeigen" shows the main window and the icon stops;
#   2. "Programm minimieren" hides the main window and the application window (the taskbar
#      button), the icon stays; a double-click on the icon brings both back, in front;
#   3. minimised again, a right-click on the icon opens its menu, whose "Erinnerungsmodul
#      anzeigen" brings them back;
#   4. "Programm -> Erinnerungsmodul komplett beenden" ends the program with exit code 0 and the
#      icon leaves the notification area.
# Screenshots of each step go to build/e2e/tray-*.png. Run by scripts/test-windows, or alone.
#
# Without a window manager, Wine shows its notification area as a window of its own, "Wine
# System Tray", in the top left corner of the display; the icons are child windows of it.
set -euo pipefail
cd "$(dirname "$0")/../.."
source scripts/wine-env

readonly TRAY_CAPTION="Wine System Tray"
# The icon counts as still once it has shown one image for five of its 800 ms cycling steps.
readonly STILL_SECONDS=4
readonly ARTEFACTS=build/e2e
readonly WINDOWS_BUILD="${ERM_WINDOWS_BUILD:-build/windows}"
readonly NATIVE_BUILD="${ERM_NATIVE_BUILD:-build/native}"

source tests/e2e/lib/probe.bash

build_what_is_missing() {
  # Built every time: a probe from before its verbs "rects" and "foreground" would fail here.
  [ "$WINDOWS_BUILD" != build/windows ] || wine_build_windows erinnerung window_probe >/dev/null
  build_native_if_missing make-demo-planner
}

PROGRAM_PID=""
program_ended() { ! kill -0 "$PROGRAM_PID" 2>/dev/null; }
app_window_shown() { probe --class "$APP_CLASS" rects "$APP_TITLE" >/dev/null; }
app_window_hidden() { ! app_window_shown; }
main_window_in_front() {
  [ "$(probe foreground)" = "$FORM_CLASS	$MAIN_CAPTION" ]
}
menu_open() { probe --class "$MENU_CLASS" rects "" >/dev/null; }

# The screen rectangle "LEFT TOP RIGHT BOTTOM" of the first line of `probe rects` output on
# stdin whose kind is $1 and, if given, whose text is $2.
rect_of() {
  awk -F'\t' -v kind="$1" -v text="${2-}" \
    '$1 == kind && (text == "" || $4 == text) { print $3; found = 1; exit }
     END { exit !found }'
}

# The icons in the notification area, one rectangle per line; nothing when it is not shown.
tray_icons() { probe rects "$TRAY_CAPTION" | awk -F'\t' '$1 == "child" { print $3 }' || true; }
one_tray_icon() { [ "$(tray_icons | wc -l)" = 1 ]; }
no_tray_icon() { [ -z "$(tray_icons)" ]; }

# Clicks button $3 (1 left, 3 right) $4 times (default once) at the point ($1, $2).
click_at() {
  xdotool mousemove --sync "$1" "$2" click --repeat "${4:-1}" --delay 120 "$3"
}

# Clicks button $2 at the middle of rectangle $1 ("LEFT TOP RIGHT BOTTOM"), $3 times.
click_middle() {
  local left top right bottom
  read -r left top right bottom <<<"$1"
  click_at $(((left + right) / 2)) $(((top + bottom) / 2)) "$2" "${3:-1}"
}

# Moves the pointer out of the way, so that no tooltip covers what the next screenshot shows.
park_pointer() { xdotool mousemove --sync 1270 1010; }

# Wine puts a balloon right below the middle of the icon: only the icon's upper half is the icon
# alone while a balloon shows, for the eye and for the mouse.
ICON_RECT=""

# Clicks button $1 on the icon, $2 times.
click_icon() {
  local left top right bottom
  read -r left top right bottom <<<"$ICON_RECT"
  click_at $(((left + right) / 2)) $((top + (bottom - top) / 4)) "$1" "${2:-1}"
}

# Double-clicks the icon. The two clicks must come within the double-click time (500 ms) as the
# display sees them; a loaded machine can hold the second one back, so a double-click that
# showed nothing is made again (showing a window that is up already changes nothing).
double_click_icon() {
  local attempt
  for attempt in 1 2 3; do
    click_icon 1 2
    park_pointer
    wait_for 20 main_window_shown && return 0
    echo "double-click $attempt showed nothing within 20 s"
  done
}

# A fingerprint of the image in the icon's upper half.
icon_image() {
  local left top right bottom
  read -r left top right bottom <<<"$ICON_RECT"
  import -display "$DISPLAY" -window root \
    -crop "$((right - left))x$(((bottom - top) / 2))+$left+$top" rgb:- | md5sum | cut -c1-32
}

# True once the icon has shown two different pictures.
SEEN_IMAGES=()
icon_cycles() {
  local image
  image="$(icon_image)"
  [[ " ${SEEN_IMAGES[*]-} " == *" $image "* ]] || SEEN_IMAGES+=("$image")
  ((${#SEEN_IMAGES[@]} >= 2))
}

# Waits until the icon has kept one image for STILL_SECONDS. (Which image is not asked: Wine
# draws each update of the icon over the last one without erasing it, so the half-transparent
# edges of the images darken with every step and no two steps look alike.)
wait_icon_still() {
  local deadline=$((SECONDS + WAIT)) image last="" since=$SECONDS
  while ((SECONDS < deadline)); do
    image="$(icon_image)"
    if [ "$image" != "$last" ]; then
      last="$image"
      since=$SECONDS
    elif ((SECONDS - since >= STILL_SECONDS)); then
      return 0
    fi
    sleep 0.2
  done
  return 1
}

# Hides the program to the tray with the main window's button; true when it went.
minimise_to_tray() {
  local button
  button="$(probe --class "$FORM_CLASS" rects "$MAIN_CAPTION" | rect_of child "Programm minimieren")" ||
    {
      fail "no button \"Programm minimieren\""
      return 1
    }
  click_middle "$button" 1
  park_pointer
  if ! wait_for "$WAIT" main_window_hidden; then
    fail "\"Programm minimieren\" left the main window up"
    return 1
  fi
  wait_for "$WAIT" app_window_hidden ||
    fail "\"Programm minimieren\" left the application window (the taskbar button) up"
  one_tray_icon || fail "the icon left the notification area when the program was minimised"
}

# The main window and the taskbar button are back, and the program is in front; $1 says how.
expect_restored() {
  if ! wait_for "$WAIT" main_window_shown; then
    fail "$1 did not show the main window"
    return 1
  fi
  wait_for "$WAIT" app_window_shown ||
    fail "$1 did not bring the application window (the taskbar button) back"
  wait_for "$WAIT" main_window_in_front || fail "$1 did not bring the main window to the front"
}

test_tray_icon_carries_the_program() {
  local dir="$1/tray" started button menu main client left top right bottom status=0
  make_demo "$dir"

  started=$SECONDS
  if ! start_until_notice "$dir/programm"; then
    fail "no notice dialog"
    return
  fi
  if ! wait_for "$WAIT" one_tray_icon; then
    fail "not exactly one icon in the notification area: $(tray_icons | tr '\n' ',')"
    return
  fi
  ICON_RECT="$(tray_icons)"
  echo "icon at $ICON_RECT"
  wait_for "$WAIT" icon_cycles || fail "the icon does not cycle after the first scan"
  wine_screenshot "$ARTEFACTS/tray-1-notice.png"

  # Step 1: "Termine anzeigen" in the notice dialog, with the mouse.
  button="$(probe rects "$NOTICE_CAPTION" | rect_of child "Termine &anzeigen")" || {
    fail "no button \"Termine anzeigen\" in the notice dialog"
    return
  }
  click_middle "$button" 1
  park_pointer
  expect_restored "\"Termine anzeigen\"" || return
  wait_icon_still || fail "the icon still cycles after \"Termine anzeigen\""
  wine_screenshot "$ARTEFACTS/tray-2-main-window.png"

  # Step 2: to the tray and back with a double-click on the icon.
  minimise_to_tray || return
  wine_screenshot "$ARTEFACTS/tray-3-minimised.png"
  double_click_icon
  expect_restored "a double-click on the icon" || return
  wine_screenshot "$ARTEFACTS/tray-4-double-click.png"

  # Step 3: to the tray and back through the icon's menu, which opens on the press.
  minimise_to_tray || return
  click_icon 3
  if ! wait_for "$WAIT" menu_open; then
    fail "a right-click on the icon opened no menu"
    return
  fi
  wine_screenshot "$ARTEFACTS/tray-5-menu.png"
  # "Erinnerungsmodul anzeigen" is the menu's one item.
  menu="$(probe --class "$MENU_CLASS" rects "" | rect_of window)"
  click_middle "$menu" 1
  park_pointer
  expect_restored "the menu's \"Erinnerungsmodul anzeigen\"" || return
  wine_screenshot "$ARTEFACTS/tray-6-restored.png"

  # Step 4: "Programm -> Erinnerungsmodul komplett beenden". The menu bar lies right above the
  # client area, "&Programm" first; the item is the last of its menu.
  main="$(probe --class "$FORM_CLASS" rects "$MAIN_CAPTION")"
  client="$(rect_of client <<<"$main")"
  read -r left top right bottom <<<"$client"
  xdotool mousemove --sync $((left + 20)) $((top - 8)) click 1
  if ! wait_for "$WAIT" menu_open; then
    fail "no menu under \"Programm\""
    return
  fi
  menu="$(probe --class "$MENU_CLASS" rects "" | rect_of window)"
  read -r left top right bottom <<<"$menu"
  wine_screenshot "$ARTEFACTS/tray-7-quit-menu.png"
  xdotool mousemove --sync $(((left + right) / 2)) $((bottom - 10)) click 1
  park_pointer
  if ! wait_for "$WAIT" program_ended; then
    fail "\"Erinnerungsmodul komplett beenden\" did not end the program"
    return
  fi
  wait "$PROGRAM_PID" || status=$?
  ((status == 0)) || fail "the program ended with exit code $status"
  # Wine also takes away the icons of a program that has ended; the exit code 0 above says that
  # the program went through its own orderly end, which removes the icon first.
  wait_for "$WAIT" no_tray_icon || fail "the icon stayed after the program ended"
  wine_screenshot "$ARTEFACTS/tray-8-ended.png"
  echo "tray round trip in $((SECONDS - started)) s"
}

main() {
  local started=$SECONDS tmp
  build_what_is_missing
  wine_env_start "${ERM_WINE_PREFIX_NAME:-prefix}"
  mkdir -p "$ARTEFACTS"
  rm -f "$ARTEFACTS"/tray-*.png
  tmp="$(mktemp -d "${TMPDIR:-/tmp}/erm-e2e.XXXXXX")"
  wine_env_on_exit "rm -rf '$tmp'"

  test_tray_icon_carries_the_program "$tmp"

  echo "tray end-to-end test: $((SECONDS - started)) s, screenshots in $ARTEFACTS"
  if ((failures)); then
    echo "$failures tray check(s) failed" >&2
    exit 1
  fi
}

main "$@"
