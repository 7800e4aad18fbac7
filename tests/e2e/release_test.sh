#!/usr/bin/env bash
# End-to-end test of the release under Wine: builds it with scripts/release into
# build/e2e/release and, in a Wine prefix of its own made fresh for the run (installing writes
# a Run value and the installer's records, which must not reach the other tests' prefix):
#   1. the package installs silently for the user: the files in
#      %LOCALAPPDATA%\Programs\Erinnerungsmodul, the Start-menu shortcut, the Run value and the
#      uninstall entry with version and publisher;
#   2. the installed program starts from the Run value's command line and shows its tray icon;
#      asked to end as an installer's restart manager asks, it ends with exit code 0;
#   3. a package with a higher version upgrades it in place, the two settings files unchanged
#      byte for byte;
#   4. removal leaves exactly the two settings files, and no shortcut, Run value or uninstall
#      entry;
#   5. ADDLOCAL=Main installs the program without the Run value;
#   6. the archive holds exactly its four files, and its erinnerung-scan.exe, beside the settings
#      files of the demo planner, prints the report the native tool prints.
# Run by scripts/test-windows, or alone; ERM_RELEASE_DIR=build/release tests a release made
# already instead of making one.
set -euo pipefail
cd "$(dirname "$0")/../.."
source scripts/wine-env

readonly TRAY_CAPTION="Wine System Tray"
readonly RUN_KEY='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
readonly UNINSTALL_KEY='Software\Microsoft\Windows\CurrentVersion\Uninstall'
readonly PUBLISHER="QX-Brevantoliske"
readonly SETTINGS_FILES=(erinnerung_config.txt erinnerung_konten.txt)
readonly ARCHIVE_FILES=(LIESMICH.txt dbfcat.exe erinnerung-scan.exe erinnerung.exe)
readonly RELEASE="${ERM_RELEASE_DIR:-build/e2e/release}"
readonly NATIVE_BUILD="${ERM_NATIVE_BUILD:-build/native}"
readonly WINDOWS_BUILD=build/windows

source tests/e2e/lib/probe.bash

build_what_is_missing() {
  [ -n "${ERM_RELEASE_DIR:-}" ] || scripts/release --allow-dirty "$RELEASE" >/dev/null
  wine_build_windows window_probe >/dev/null
  cmake -S . -B "$NATIVE_BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$NATIVE_BUILD" --target make-demo-planner erinnerung-scan >/dev/null
}

# --- Wine's side ---

# A value of the registry, or nothing (and status 1) when it is not there.
reg_value() {
  wine_run 60 reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' |
    awk -v name="$2" '$1 == name { sub(/^[ \t]*[^ \t]+[ \t]+REG_[A-Z_]+[ \t]+/, ""); print; f = 1 }
                      END { exit !f }'
}
windows_variable() { wine_run 60 cmd /c echo "%$1%" | tr -d '\r'; }
host_path() { wine_run 60 winepath -u "$1" | tr -d '\r'; }
msi() { wine_run 600 msiexec "$@"; }

# The uninstall entry of product $1, under the user's key or the machine's.
uninstall_entry() {
  local root
  for root in HKCU HKLM; do
    if reg_value "$root\\$UNINSTALL_KEY\\$1" DisplayVersion >/dev/null; then
      echo "$root\\$UNINSTALL_KEY\\$1"
      return 0
    fi
  done
  return 1
}
# The tables come out with CR LF line ends.
product_code() {
  msiinfo export "$1" Property | tr -d '\r' | awk -F'\t' '$1 == "ProductCode" { print $2 }'
}

tray_icons() { probe rects "$TRAY_CAPTION" | awk -F'\t' '$1 == "child" { print $3 }' || true; }
one_tray_icon() { [ "$(tray_icons | wc -l)" = 1 ]; }
no_tray_icon() { [ -z "$(tray_icons)" ]; }

# --- the steps ---

check_installed() {
  local dir="$1" version="$2" msi_file="$3" entry name
  for name in "${ARCHIVE_FILES[@]}"; do
    cmp -s "$RELEASE/win64/$name" "$dir/$name" || fail "$name is not installed as released"
  done
  [ -f "$SHORTCUT" ] || fail "no Start-menu shortcut $SHORTCUT"
  if entry="$(uninstall_entry "$(product_code "$msi_file")")"; then
    [ "$(reg_value "$entry" DisplayVersion)" = "$version" ] ||
      fail "the uninstall entry shows version $(reg_value "$entry" DisplayVersion), not $version"
    [ "$(reg_value "$entry" Publisher)" = "$PUBLISHER" ] || fail "the uninstall entry's publisher"
  else
    fail "no uninstall entry for version $version"
  fi
}

test_install_start_and_end() {
  local dir="$1" msi_file="$2" version="$3" demo="$4" run_command word_count
  # Per user without administrator rights: no ALLUSERS, and the summary's word count says that
  # the package needs no elevation (bit 3).
  msiinfo export "$msi_file" Property | grep -q '^ALLUSERS' && fail "the package sets ALLUSERS"
  word_count="$(msiinfo suminfo "$msi_file" | awk '$1 == "Source:" { print $2 }')"
  ((word_count & 8)) || fail "the package asks for elevation (word count $word_count)"
  msi /i "$(wine_path "$msi_file")" /qn || fail "the silent installation failed"
  check_installed "$dir" "$version" "$msi_file"
  run_command="$(reg_value "$RUN_KEY" "$APP_TITLE")" || fail "no Run value"
  [ "$run_command" = "\"$WINDOWS_DIR\\erinnerung.exe\"" ] ||
    fail "the Run value is $run_command"

  cp "$demo"/programm/erinnerung_*.txt "$dir/"
  # Not through probe's pipe: the program would inherit it and hold it open.
  wine_run 60 "$WINDOWS_BUILD/window_probe.exe" run "$run_command" >/dev/null 2>&1 ||
    fail "the Run value's command did not start"
  if wait_for "$WAIT" one_tray_icon; then
    local ended
    ended="$(probe --class "$APP_CLASS" endsession "$APP_TITLE")" ||
      fail "the program did not end on the restart manager's request"
    [ "$ended" = "exit 0" ] || fail "the program ended with \"$ended\", not exit 0"
    wait_for "$WAIT" no_tray_icon || fail "the icon stayed after the program ended"
  else
    fail "the program started from the Run value shows no tray icon"
  fi
}

test_upgrade_keeps_settings() {
  local dir="$1" old_msi="$2" new_msi="$3" version="$4" keep="$5" name
  for name in "${SETTINGS_FILES[@]}"; do cp "$dir/$name" "$keep/"; done
  msi /i "$(wine_path "$new_msi")" /qn || fail "the upgrade failed"
  check_installed "$dir" "$version" "$new_msi"
  uninstall_entry "$(product_code "$old_msi")" >/dev/null && fail "the old version is still listed"
  for name in "${SETTINGS_FILES[@]}"; do
    cmp -s "$keep/$name" "$dir/$name" || fail "the upgrade changed $name"
  done
}

test_removal_leaves_the_settings() {
  local dir="$1" msi_file="$2"
  msi /x "$(wine_path "$msi_file")" /qn || fail "the silent removal failed"
  [ "$(ls -A "$dir" 2>/dev/null | sort | tr '\n' ' ')" = "${SETTINGS_FILES[*]} " ] ||
    fail "after removal the folder holds: $(ls -A "$dir" 2>/dev/null | tr '\n' ' ')"
  [ ! -e "$SHORTCUT" ] || fail "the shortcut stayed"
  reg_value "$RUN_KEY" "$APP_TITLE" >/dev/null && fail "the Run value stayed"
  uninstall_entry "$(product_code "$msi_file")" >/dev/null && fail "the uninstall entry stayed"
  return 0
}

test_main_feature_alone() {
  local dir="$1" msi_file="$2"
  msi /i "$(wine_path "$msi_file")" ADDLOCAL=Main /qn || fail "installing Main alone failed"
  [ -f "$dir/erinnerung.exe" ] || fail "ADDLOCAL=Main installed no program"
  reg_value "$RUN_KEY" "$APP_TITLE" >/dev/null && fail "ADDLOCAL=Main wrote the Run value"
  msi /x "$(wine_path "$msi_file")" /qn || fail "removing Main alone failed"
}

test_archive() {
  local zip_file="$1" demo="$2" tmp="$3" now
  [ "$(unzip -Z1 "$zip_file" | sort | tr '\n' ' ')" = "${ARCHIVE_FILES[*]} " ] ||
    fail "the archive holds: $(unzip -Z1 "$zip_file" | tr '\n' ' ')"
  mkdir -p "$tmp/archive"
  unzip -q "$zip_file" -d "$tmp/archive"
  # Unpacked beside the program's settings files, as a user would run it: no arguments.
  cp "$demo"/programm/erinnerung_*.txt "$tmp/archive/"
  now="$(date +%F)T09:00:00"
  "$NATIVE_BUILD/erinnerung-scan" --program-folder "$demo/programm" --planner "$demo/planner" \
    --now "$now" >"$tmp/native.txt"
  wine_run 120 "$tmp/archive/erinnerung-scan.exe" --now "$now" | tr -d '\r' >"$tmp/wine.txt" ||
    fail "erinnerung-scan.exe from the archive failed"
  [ -s "$tmp/native.txt" ] && diff -u "$tmp/native.txt" "$tmp/wine.txt" >&2 ||
    fail "erinnerung-scan.exe reports otherwise than the native tool"
}

main() {
  local started=$SECONDS tmp version next dir tool
  # Under set -e a missing tool would end the test silently halfway through.
  for tool in msiinfo unzip wixl zip; do
    command -v "$tool" >/dev/null && continue
    echo "release test: $tool is missing (scripts/bootstrap installs it)" >&2
    exit 1
  done
  build_what_is_missing
  # A prefix of this test's own, fresh, even when scripts/test-windows runs it in its prefix.
  ERM_WINE_ACTIVE=0 ERM_WINE_FRESH=1 wine_env_start release
  tmp="$(mktemp -d "${TMPDIR:-/tmp}/erm-release.XXXXXX")"
  wine_env_on_exit "rm -rf '$tmp'"
  "$NATIVE_BUILD/make-demo-planner" --windows-prefix Z: "$tmp/demo" >/dev/null

  version="$(cat "$RELEASE/version.txt")"
  next="${version%.*}.$((${version##*.} + 1))"
  packaging/make-msi "$next" "$RELEASE/win64" "$tmp/Erinnerungsmodul-$next-x64.msi"
  WINDOWS_DIR="$(windows_variable LOCALAPPDATA)\\Programs\\Erinnerungsmodul"
  dir="$(host_path "$WINDOWS_DIR")"
  SHORTCUT="$(host_path "$(windows_variable APPDATA)\\Microsoft\\Windows\\Start Menu\\Programs")/Erinnerungsmodul.lnk"
  mkdir -p "$tmp/keep"

  local msi_file="$RELEASE/Erinnerungsmodul-$version-x64.msi"
  test_install_start_and_end "$dir" "$msi_file" "$version" "$tmp/demo"
  test_upgrade_keeps_settings "$dir" "$msi_file" "$tmp/Erinnerungsmodul-$next-x64.msi" "$next" \
    "$tmp/keep"
  test_removal_leaves_the_settings "$dir" "$tmp/Erinnerungsmodul-$next-x64.msi"
  test_main_feature_alone "$dir" "$msi_file"
  test_archive "$RELEASE/Erinnerungsmodul-$version-win64.zip" "$tmp/demo" "$tmp"

  echo "release end-to-end test: $((SECONDS - started)) s"
  if ((failures)); then
    echo "$failures release check(s) failed" >&2
    exit 1
  fi
}

main "$@"
