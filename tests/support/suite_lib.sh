# What the shell suites of tests/suites.d and the scripts share (sourced):
#
#   check STATUS WHAT      counts a check: STATUS 0 passes, anything else
#                          fails and prints "FAILED: WHAT"
#   finish                 prints the closing "N passed, N failed"; its status
#                          is 1 when anything failed
#   start_stand_in FOLDER [ARGS...]
#                          starts the stand-in official servers
#                          (tests/support/official_server.py ARGS...) in the
#                          background, waits for the port file in FOLDER and
#                          exports WAKELORE_ARCHIVE_SERVER and
#                          WAKELORE_RACE_SITE; status 1 when it did not start
#   stop_stand_in          stops it again (safe to call when none runs)
#
# Callers call stop_stand_in from their EXIT trap.

suite_passed=0
suite_failed=0
stand_in_pid=""

check() {
  if [ "$1" -eq 0 ]; then
    suite_passed=$((suite_passed + 1))
  else
    suite_failed=$((suite_failed + 1))
    echo "FAILED: $2"
  fi
}

finish() {
  echo "$suite_passed passed, $suite_failed failed"
  [ "$suite_failed" -eq 0 ]
}

start_stand_in() {
  local folder=$1
  shift
  local root
  root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
  python3 "$root/tests/support/official_server.py" --port-file "$folder/port" "$@" \
    >"$folder/server.log" 2>&1 &
  stand_in_pid=$!
  for _ in $(seq 100); do [ -s "$folder/port" ] && break; sleep 0.1; done
  [ -s "$folder/port" ] || return 1
  WAKELORE_ARCHIVE_SERVER="$(head -n1 "$folder/port")"
  export WAKELORE_ARCHIVE_SERVER
  export WAKELORE_RACE_SITE="$WAKELORE_ARCHIVE_SERVER"
}

stop_stand_in() {
  if [ -n "$stand_in_pid" ]; then
    kill "$stand_in_pid" 2>/dev/null || true
    wait "$stand_in_pid" 2>/dev/null || true
    stand_in_pid=""
  fi
}
