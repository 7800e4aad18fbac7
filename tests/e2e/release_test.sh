#!/usr/bin/env bash
# End-to-end test of the release under Wine: builds it with scripts/release into
# build/e2e/release, signed with a throwaway certificate, and, in a Wine prefix of its own made
# fresh for the run (installing writes a Run value and the installer's records, which must not
# reach the other tests' prefix):
#   0. every binary and package has a valid SHA-256 signature; German summary information;
#   1. the package installs silently for the user: the files in
#      %LOCALAPPDATA%\Programs\Erinnerungsmodul, the Start-menu shortcuts, the Run value and the
#      uninstall entry with version and publisher;
#   2. the installed program starts from the Run value's command line and shows its tray icon;
#      asked to end as an installer's restart manager asks, it ends with exit code 0;
#   3. a package with a higher version upgrades it in place, the two settings files unchanged
#      byte for byte, and one rebuilt with that same version replaces it again;
#   4. removal leaves exactly the two settings files, and no shortcut, Run value or uninstall
#      entry;
#   5. ADDLOCAL=Main installs the program without the Run value; its removal leaves no folder;
#   6. the package for all users with PLANERVERZEICHNIS: a user's first start takes the preset
#      and reminds, an upgrade keeps it, removal takes it, the HKLM Run value and shortcuts away;
#   7. the archive holds exactly its files and the administrative template, the guide with its
#      pictures inside, and its erinnerung-scan.exe, beside the settings files of the demo
#      planner, prints the report the native tool prints;
#   8. the administrative template passes packaging/check-admx, which fails each kind of broken
#      template, and a first start takes a policy's planner folder before the package's preset;
#   9. the guide's commands as it gives them: msiexec ADDLOCAL=Main,Autostart adds the Run value
#      to a program installed without it and keeps the program, with the installed package and
#      with a newer one; erinnerung-scan (the report into %USERPROFILE%\bericht.txt, --now,
#      --json) and dbfcat in a command prompt in the program folder, on the demo planner;
#  10. the package for all users over a per-user installation of the release before it: at
#      the first logon, whichever Run value starts first, one program runs on and reminds of the
#      user's accounts; at the next, only the one for all users starts, and shows no window.
# Run by scripts/test-windows, or alone; ERM_RELEASE_DIR=build/release tests a release made
# already instead of making one.
set -euo pipefail
cd "$(dirname "$0")/../.."
source scripts/wine-env

readonly TRAY_CAPTION="Wine System Tray"
readonly RUN_KEY='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
readonly MACHINE_RUN_KEY='HKLM\Software\Microsoft\Windows\CurrentVersion\Run'
readonly PRESET_KEY='HKLM\Software\QX-Brevantoliske\Erinnerungsmodul'
readonly UNINSTALL_KEY='Software\Microsoft\Windows\CurrentVersion\Uninstall'
readonly PUBLISHER="QX-Brevantoliske"
readonly SETTINGS_FILES=(erinnerung_config.txt erinnerung_konten.txt)
readonly ARCHIVE_FILES=(Anleitung.html LIESMICH.txt dbfcat.exe erinnerung-scan.exe erinnerung.exe)
readonly POLICY_FILES=(PolicyDefinitions/Erinnerungsmodul.admx
  PolicyDefinitions/{de-DE,en-US}/Erinnerungsmodul.adml)
readonly SHORTCUTS=(Erinnerungsmodul.lnk "Erinnerungsmodul - Anleitung.lnk")
readonly RELEASE="${ERM_RELEASE_DIR:-build/e2e/release}"
readonly NATIVE_BUILD="${ERM_NATIVE_BUILD:-build/native}"
readonly WINDOWS_BUILD=build/windows

source tests/e2e/lib/probe.bash

# Signed with a self-signed certificate made in $1 (cert.pem).
build_what_is_missing() {
  if [ -z "${ERM_RELEASE_DIR:-}" ]; then
    openssl req -x509 -newkey rsa:2048 -nodes -days 2 -keyout "$1/key.pem" -out "$1/cert.pem" \
      -subj "/CN=Erinnerungsmodul Test" -addext extendedKeyUsage=codeSigning 2>/dev/null
    openssl pkcs12 -export -inkey "$1/key.pem" -in "$1/cert.pem" -out "$1/cert.pfx" \
      -passout 'pass:Test-Kennwort 1'
    ERM_SIGN_PASSWORD='Test-Kennwort 1' scripts/release --allow-dirty --sign "$1/cert.pfx" \
      "$RELEASE" >/dev/null
  fi
  wine_build_windows window_probe >/dev/null
  cmake -S . -B "$NATIVE_BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$NATIVE_BUILD" --target make-demo-planner erinnerung-scan dbfcat >/dev/null
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
product_code() { msi_property "$1" ProductCode; }
msi_property() {
  msiinfo export "$1" Property | tr -d '\r' | awk -F'\t' -v name="$2" '$1 == name { print $2 }'
}

tray_icons() { probe rects "$TRAY_CAPTION" | awk -F'\t' '$1 == "child" { print $3 }' || true; }
one_tray_icon() { [ "$(tray_icons | wc -l)" = 1 ]; }
no_tray_icon() { [ -z "$(tray_icons)" ]; }

# --- the steps ---

# The signatures of the binaries (the archive holds the same files) and of both packages.
test_signatures() {
  local cert="$1" file
  for file in "$RELEASE"/win64/*.exe "$RELEASE"/*.msi; do
    osslsigncode verify -CAfile "$cert" -in "$file" >"$cert.log" 2>&1 &&
      grep -q '^Message digest algorithm *: SHA256' "$cert.log" ||
      fail "$(basename "$file") has no valid SHA-256 signature: $(tail -n 3 "$cert.log")"
  done
}

# What Windows Installer and Explorer show of a package, and the icon it takes from the exe.
test_package_tables() {
  msiinfo suminfo "$1" | grep -Ecx 'Title: Installationsdatenbank|Template: x64;1031' |
    grep -qx 2 || fail "the summary's title or language is not German"
  [ "$(msi_property "$1" ARPPRODUCTICON)" = erinnerung.exe ] || fail "icon name"
}

check_installed() {
  local dir="$1" version="$2" msi_file="$3" shortcuts="$4" entry name
  for name in "${ARCHIVE_FILES[@]}"; do
    cmp -s "$RELEASE/win64/$name" "$dir/$name" || fail "$name is not installed as released"
  done
  for name in "${SHORTCUTS[@]}"; do
    [ -f "$shortcuts/$name" ] || fail "no Start-menu shortcut $shortcuts/$name"
  done
  grep -aq 'Anleitung\.html' "$shortcuts/${SHORTCUTS[1]}" ||
    fail "the guide's shortcut does not lead to Anleitung.html"
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
  check_installed "$dir" "$version" "$msi_file" "$SHORTCUT_DIR"
  run_command="$(reg_value "$RUN_KEY" "$APP_TITLE")" || fail "no Run value"
  [ "$run_command" = "\"$WINDOWS_DIR\\erinnerung.exe\" /autostart" ] ||
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
  check_installed "$dir" "$version" "$new_msi" "$SHORTCUT_DIR"
  uninstall_entry "$(product_code "$old_msi")" >/dev/null && fail "the old version is still listed"
  for name in "${SETTINGS_FILES[@]}"; do
    cmp -s "$keep/$name" "$dir/$name" || fail "the upgrade changed $name"
  done
  # Rebuilt with the same version: a new product code, which must take the old one's place.
  cp "$new_msi" "$keep/previous.msi"
  packaging/make-msi "$version" "$RELEASE/win64" "$new_msi"
  msi /i "$(wine_path "$new_msi")" /qn || fail "the same version's rebuild did not install"
  uninstall_entry "$(product_code "$keep/previous.msi")" >/dev/null &&
    fail "the same version's rebuild was installed beside it"
  uninstall_entry "$(product_code "$new_msi")" >/dev/null || fail "the rebuild is not listed"
}

test_removal_leaves_the_settings() {
  local dir="$1" msi_file="$2"
  msi /x "$(wine_path "$msi_file")" /qn || fail "the silent removal failed"
  [ "$(ls -A "$dir" 2>/dev/null | sort | tr '\n' ' ')" = "${SETTINGS_FILES[*]} " ] ||
    fail "after removal the folder holds: $(ls -A "$dir" 2>/dev/null | tr '\n' ' ')"
  [ ! -e "$SHORTCUT_DIR/${SHORTCUTS[0]}" ] || fail "the shortcut stayed"
  reg_value "$RUN_KEY" "$APP_TITLE" >/dev/null && fail "the Run value stayed"
  uninstall_entry "$(product_code "$msi_file")" >/dev/null && fail "the uninstall entry stayed"
  return 0
}

test_main_feature_alone() {
  local dir="$1" msi_file="$2"
  msi /i "$(wine_path "$msi_file")" ADDLOCAL=Main /qn || fail "installing Main alone failed"
  [ -f "$dir/erinnerung.exe" ] || fail "ADDLOCAL=Main installed no program"
  reg_value "$RUN_KEY" "$APP_TITLE" >/dev/null && fail "ADDLOCAL=Main wrote the Run value"
  rm -f "${SETTINGS_FILES[@]/#/$dir/}"
  msi /x "$(wine_path "$msi_file")" /qn || fail "removing Main alone failed"
  [ ! -e "$(dirname "$dir")" ] || fail "removal left $(dirname "$dir")"
}

# The guide's commands, typed as it gives them; msiexec only gains /qn.
test_guide_commands() {
  local dir="$1" msi_file="$2" newer_msi="$3" demo="$4" tmp="$5" package report now out table
  msi /i "$(wine_path "$msi_file")" ADDLOCAL=Main /qn || fail "installing Main alone failed"
  for package in "$msi_file" "$newer_msi"; do
    msi /i "$(wine_path "$package")" ADDLOCAL=Main,Autostart /qn ||
      fail "ADDLOCAL=Main,Autostart with $(basename "$package") failed"
    [ -f "$dir/erinnerung.exe" ] ||
      fail "ADDLOCAL=Main,Autostart with $(basename "$package") removed the program"
    reg_value "$RUN_KEY" "$APP_TITLE" >/dev/null ||
      fail "ADDLOCAL=Main,Autostart with $(basename "$package") wrote no Run value"
  done

  cp "$demo"/programm/erinnerung_*.txt "$dir/"
  now="2026-12-24T09:00:00"
  out="$(wine_path "$tmp")"
  table="$(wine_path "$demo/planner")\\konten\\Familie\\erinnerung.dbf"
  printf '%s\r\n' "cd /d \"$WINDOWS_DIR\"" \
    'erinnerung-scan > "%USERPROFILE%\bericht.txt" 2>&1' \
    "erinnerung-scan --now $now > \"$out\\guide-now.txt\" 2>&1" \
    "erinnerung-scan --json > \"$out\\guide-json.txt\" 2>&1" \
    "dbfcat \"$table\" > \"$out\\guide-dbfcat.txt\" 2>&1" >"$tmp/guide.bat"
  wine_run 180 cmd /c "$(wine_path "$tmp/guide.bat")" >/dev/null 2>&1 || true
  "$NATIVE_BUILD/erinnerung-scan" --program-folder "$demo/programm" --planner "$demo/planner" \
    >"$tmp/native-report.txt"
  report="$(host_path "$(windows_variable USERPROFILE)\\bericht.txt")"
  tr -d '\r' 2>/dev/null <"$report" | diff -u "$tmp/native-report.txt" - >&2 ||
    fail "the guide's erinnerung-scan did not write the report into bericht.txt"
  "$NATIVE_BUILD/erinnerung-scan" --program-folder "$demo/programm" --planner "$demo/planner" \
    --now "$now" >"$tmp/native-now.txt"
  tr -d '\r' <"$tmp/guide-now.txt" | diff -u "$tmp/native-now.txt" - >&2 ||
    fail "the guide's erinnerung-scan --now reports otherwise than the native tool"
  grep -q '"due": \["' "$tmp/guide-json.txt" || fail "the guide's erinnerung-scan --json: no due"
  "$NATIVE_BUILD/dbfcat" "$demo/planner/konten/Familie/erinnerung.dbf" >"$tmp/native-dbfcat.txt"
  tr -d '\r' <"$tmp/guide-dbfcat.txt" | diff -u "$tmp/native-dbfcat.txt" - >&2 ||
    fail "the guide's dbfcat shows the table otherwise than the native tool"

  rm -f "${SETTINGS_FILES[@]/#/$dir/}"
  msi /x "$(wine_path "$newer_msi")" /qn || fail "removing the guide's installation failed"
}

test_for_all_users() {
  local msi_file="$1" demo="$2" preset dir shortcuts config
  [ "$(msi_property "$msi_file" ALLUSERS)" = 1 ] || fail "the package for all users lacks ALLUSERS"
  # As an administrator may type it, without the trailing backslash.
  preset="$(wine_path "$demo/planner")"
  msi /i "$(wine_path "$msi_file")" /qn "PLANERVERZEICHNIS=$preset" ||
    fail "the silent installation for all users failed"
  [ "$(reg_value "$PRESET_KEY" Planerverzeichnis)" = "$preset" ] || fail "no preset under HKLM"
  dir="$(host_path "$(windows_variable ProgramW6432)\\Erinnerungsmodul")"
  shortcuts="$(host_path "$(windows_variable ProgramData)\\Microsoft\\Windows\\Start Menu\\Programs")"
  # Wine puts them into the installing user's Start menu instead of the one for all users.
  [ -e "$shortcuts/${SHORTCUTS[0]}" ] || shortcuts="$SHORTCUT_DIR"
  check_installed "$dir" "$(cat "$RELEASE/version.txt")" "$msi_file" "$shortcuts"
  run_command="$(reg_value "$MACHINE_RUN_KEY" "$APP_TITLE")" || fail "no Run value under HKLM"
  # A first start with the demo's accounts chosen: active at once, its first scan reminds.
  cp "$demo/programm/erinnerung_konten.txt" "$dir/"
  wine_run 60 "$WINDOWS_BUILD/window_probe.exe" run "$run_command" >/dev/null 2>&1 ||
    fail "the Run value's command did not start"
  wine_wait_window "$WAIT" "$NOTICE_CAPTION" >/dev/null ||
    fail "the first start with the preset did not remind"
  # In the user's %APPDATA% on Windows; Wine lets the program write into its folder.
  config="$dir/erinnerung_config.txt"
  [ -f "$config" ] || config="$(host_path "$(windows_variable APPDATA)")/Erinnerungsmodul/erinnerung_config.txt"
  [ "$(cat "$config" 2>/dev/null)" = "$preset"$'\\\r' ] ||
    fail "the first settings file holds $(cat -A "$config" 2>/dev/null), not the preset"
  probe --class "$APP_CLASS" endsession "$APP_TITLE" >/dev/null || fail "the program did not end"
  msi /i "$(wine_path "$3")" /qn || fail "the upgrade for all users failed"
  [ "$(reg_value "$PRESET_KEY" Planerverzeichnis)" = "$preset" ] || fail "upgrade lost the preset"

  msi /x "$(wine_path "$3")" /qn || fail "the removal for all users failed"
  reg_value "$PRESET_KEY" Planerverzeichnis >/dev/null && fail "the preset stayed"
  reg_value "$MACHINE_RUN_KEY" "$APP_TITLE" >/dev/null && fail "the Run value under HKLM stayed"
  [ ! -e "$shortcuts/${SHORTCUTS[0]}" ] || fail "the shortcut for all users stayed"
  [ ! -e "$dir/erinnerung.exe" ] || fail "the program stayed in $dir"
}

# The planner folder that erinnerung-scan.exe in an empty program folder (a first start) finds.
first_planner() {
  wine_run 120 "$RELEASE/win64/erinnerung-scan.exe" --program-folder "$(wine_path "$1")" --json |
    python3 -c 'import json, sys; print(json.load(sys.stdin)["plannerDirectory"])'
}

test_group_policy() {
  local tmp="$1" template="$RELEASE/win64/PolicyDefinitions" written class key value broken
  written="$(packaging/check-admx "$template")" || fail "the administrative template is broken"
  read -r class key value <<<"${written//$'\t'/ }"
  [ "$class $value" = "Machine Planerverzeichnis" ] || fail "the template writes $class $value"
  # Each row breaks one file of a copy one way; the check must notice every one.
  for broken in 'Erinnerungsmodul.admx|s|</policies>||' 'Erinnerungsmodul.admx|s|windows:|win:|' \
    'de-DE/Erinnerungsmodul.adml|/<string id="Planerverzeichnis">/d' \
    'en-US/Erinnerungsmodul.adml|s|refId="Planerverzeichnis"|refId="Ordner"|'; do
    rm -rf "$tmp/broken" && cp -r "$template" "$tmp/broken"
    sed -i "${broken#*|}" "$tmp/broken/${broken%%|*}"
    packaging/check-admx "$tmp/broken" >/dev/null 2>&1 && fail "check-admx passed $broken"
  done
  mkdir -p "$tmp/first-start"
  wine_run 60 reg add "HKLM\\$key" /v "$value" /d 'C:\Richtlinie\Planer' /f >/dev/null
  wine_run 60 reg add "$PRESET_KEY" /v Planerverzeichnis /d 'C:\Paket\Planer' /f >/dev/null
  [ "$(first_planner "$tmp/first-start")" = 'C:\Richtlinie\Planer\' ] ||
    fail "the policy's planner folder is not the first start's"
  wine_run 60 reg delete "HKLM\\$key" /v "$value" /f >/dev/null
  [ "$(first_planner "$tmp/first-start")" = 'C:\Paket\Planer\' ] ||
    fail "without the policy the package's planner folder is not the first start's"
  wine_run 60 reg delete "$PRESET_KEY" /v Planerverzeichnis /f >/dev/null
  return 0
}

# Starts command $1 of a Run value as a logon does, its output in $2; its process id in LOGON_PID.
logon_start() {
  local exe="${1#\"}"
  exe="${exe%%\"*}"
  # shellcheck disable=SC2086  # the command's arguments, split as Windows splits them
  wine_start "$2" "$exe" ${1#\"$exe\"}
  LOGON_PID=$WINE_LAST_PID
  wine_env_on_exit "wine_stop_program $LOGON_PID"
}
end_program() {
  probe --class "$APP_CLASS" endsession "$APP_TITLE" >/dev/null && wait_for "$WAIT" no_tray_icon
}

# The package for all users over a per-user installation of the release before "/autostart"
# (its Run value rewritten without it), with the user's accounts chosen in its folder; then the
# Run values started as a logon does, each order once, and the logon after it.
test_over_a_user_installation() {
  local dir="$1" user_msi="$2" all_users_msi="$3" demo="$4" tmp="$5" order old new appdata
  msi /i "$(wine_path "$user_msi")" /qn || fail "the per-user installation failed"
  cp "$demo"/programm/erinnerung_*.txt "$dir/"
  old="\"$WINDOWS_DIR\\erinnerung.exe\""
  msi /i "$(wine_path "$all_users_msi")" /qn "PLANERVERZEICHNIS=$(wine_path "$demo/planner")" ||
    fail "the installation for all users over the per-user one failed"
  new="$(reg_value "$MACHINE_RUN_KEY" "$APP_TITLE")"
  appdata="$(host_path "$(windows_variable APPDATA)")/Erinnerungsmodul"
  for order in "$old" "$new"; do
    rm -rf "$appdata"
    wine_run 60 reg add "$RUN_KEY" /v "$APP_TITLE" /d "$old" /f >/dev/null
    logon_start "$order" "$tmp/first.log"
    wait_for "$WAIT" one_tray_icon || fail "($order first) the first start shows no tray icon"
    logon_start "$([ "$order" = "$old" ] && echo "$new" || echo "$old")" "$tmp/second.log"
    wait_for "$WAIT" eval "! kill -0 $LOGON_PID 2>/dev/null" || fail "($order first) the second start runs on"
    one_tray_icon || fail "($order first) not exactly one tray icon"
    reg_value "$RUN_KEY" "$APP_TITLE" >/dev/null && fail "($order first) the per-user Run value stayed"
    wine_wait_window "$WAIT" "$NOTICE_CAPTION" >/dev/null || fail "($order first) no reminder"
    [ "$order" = "$new" ] || main_window_hidden || fail "the logon start showed the main window"
    end_program || fail "the program did not end"
    # The next logon: only the one for all users starts, reminds of the user's accounts, and
    # shows no window.
    logon_start "$new" "$tmp/next.log"
    wine_wait_window "$WAIT" "$NOTICE_CAPTION" >/dev/null || fail "($order first) no reminder next"
    main_window_hidden || fail "($order first) the next logon showed the main window"
    cmp -s "$demo/programm/erinnerung_konten.txt" "$appdata/erinnerung_konten.txt" ||
      fail "($order first) the user's accounts were not taken over"
    end_program || fail "the program did not end"
  done
}

test_archive() {
  local zip_file="$1" demo="$2" tmp="$3" now
  [ "$(unzip -Z1 "$zip_file" | sort | tr '\n' ' ')" = \
    "$(printf '%s\n' "${ARCHIVE_FILES[@]}" "${POLICY_FILES[@]}" | sort | tr '\n' ' ')" ] ||
    fail "the archive holds: $(unzip -Z1 "$zip_file" | tr '\n' ' ')"
  mkdir -p "$tmp/archive"
  unzip -q "$zip_file" -d "$tmp/archive"
  # One file that opens without the source tree: every picture inside.
  grep -q 'src="data:image/png;base64,' "$tmp/archive/Anleitung.html" &&
    ! grep -Eq 'src="[^d]' "$tmp/archive/Anleitung.html" ||
    fail "the guide's pictures are not inside Anleitung.html"
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
  local started=$SECONDS tmp version next dir tool file
  # Under set -e a missing tool would end the test silently halfway through.
  for tool in msiinfo unzip wixl zip openssl osslsigncode; do
    command -v "$tool" >/dev/null && continue
    echo "release test: $tool is missing (scripts/bootstrap installs it)" >&2
    exit 1
  done
  # A prefix of this test's own, fresh, even when scripts/test-windows runs it in its prefix.
  ERM_WINE_ACTIVE=0 ERM_WINE_FRESH=1 wine_env_start release
  tmp="$(mktemp -d "${TMPDIR:-/tmp}/erm-release.XXXXXX")"
  wine_env_on_exit "rm -rf '$tmp'"
  build_what_is_missing "$tmp"
  "$NATIVE_BUILD/make-demo-planner" --windows-prefix Z: "$tmp/demo" >/dev/null

  version="$(cat "$RELEASE/version.txt")"
  next="${version%.*}.$((${version##*.} + 1))"
  packaging/make-msi "$next" "$RELEASE/win64" "$tmp/Erinnerungsmodul-$next-x64.msi"
  packaging/make-msi --per-machine "$next" "$RELEASE/win64" "$tmp/next-alle-Benutzer.msi"
  WINDOWS_DIR="$(windows_variable LOCALAPPDATA)\\Programs\\Erinnerungsmodul"
  dir="$(host_path "$WINDOWS_DIR")"
  SHORTCUT_DIR="$(host_path "$(windows_variable APPDATA)\\Microsoft\\Windows\\Start Menu\\Programs")"
  mkdir -p "$tmp/keep"

  local msi_file="$RELEASE/Erinnerungsmodul-$version-x64.msi"
  local all_users_msi="$RELEASE/Erinnerungsmodul-$version-x64-alle-Benutzer.msi"
  [ -n "${ERM_RELEASE_DIR:-}" ] || test_signatures "$tmp/cert.pem"
  for file in "$msi_file" "$all_users_msi"; do test_package_tables "$file"; done
  test_group_policy "$tmp"
  test_install_start_and_end "$dir" "$msi_file" "$version" "$tmp/demo"
  test_upgrade_keeps_settings "$dir" "$msi_file" "$tmp/Erinnerungsmodul-$next-x64.msi" "$next" \
    "$tmp/keep"
  test_removal_leaves_the_settings "$dir" "$tmp/Erinnerungsmodul-$next-x64.msi"
  test_main_feature_alone "$dir" "$msi_file"
  test_guide_commands "$dir" "$msi_file" "$tmp/Erinnerungsmodul-$next-x64.msi" "$tmp/demo" "$tmp"
  test_for_all_users "$all_users_msi" "$tmp/demo" "$tmp/next-alle-Benutzer.msi"
  test_over_a_user_installation "$dir" "$msi_file" "$all_users_msi" "$tmp/demo" "$tmp"
  test_archive "$RELEASE/Erinnerungsmodul-$version-win64.zip" "$tmp/demo" "$tmp"

  echo "release end-to-end test: $((SECONDS - started)) s"
  if ((failures)); then
    echo "$failures release check(s) failed" >&2
    exit 1
  fi
}

main "$@"
