# Shell helpers shared by the end-to-end tests, the idle-cost benchmark and the screenshot
# script: reading other programs' windows through window_probe.exe and waiting for a condition.
# Source it after scripts/wine-env. WINDOWS_BUILD names the Windows build (default
# build/windows).

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
