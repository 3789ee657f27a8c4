#!/usr/bin/env bash
# Builds Orvane and runs every test under Wine; prints a summary with counts.
# Usage: scripts/test.sh [ctest arguments, e.g. -R strings]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${ORV_BUILD:-$here/build}
# In the emulated machine the host has built already.
[ -n "${ORV_IN_VM:-}" ] || "$here/scripts/setup.sh" "$build"
. "$here/scripts/machine.sh"

# Sums what the test programs report in the CTest logs named.
summary() {
  local passed failed
  passed=$(cat "$@" 2>/dev/null | grep -h '^\[  PASSED  \]' | awk '{s+=$4} END {print s+0}' || true)
  failed=$(cat "$@" 2>/dev/null | grep -cE "^\[  FAILED  \] .* \([0-9]+ ms\)$" || true)
  echo "== test cases: $passed passed, $failed failed"
  # Named last, where a shortened log still shows them.
  cat "$@" 2>/dev/null | grep -hE "^\[  FAILED  \] .* \([0-9]+ ms\)$" | sed 's/^/== failed: /' || true
}

# The CPU's busy and idle ticks since boot (idle counts waiting for I/O).
cpu_ticks() { awk '/^cpu / {print $2+$3+$4+$7+$8+$9, $5+$6}' /proc/stat; }
# Wall time of the run and the share of it the CPUs sat idle: a run that
# waits by the clock instead of for events shows a large idle share.
timing() {
  local start=$1 busy0=$2 idle0=$3 busy1 idle1
  read -r busy1 idle1 < <(cpu_ticks)
  echo "== wall time: $((SECONDS - start)) s, CPU idle $(( (idle1 - idle0) * 100 / ((busy1 - busy0) + (idle1 - idle0) + 1) ))%"
}
started=$SECONDS
read -r busy0 idle0 < <(cpu_ticks)

if [ -z "${ORV_IN_VM:-}" ] && ! orv_runs_32bit; then
  # Emulation keeps about one core busy per machine: two machines, each with
  # a part of the tests in their order (a test that reads what an earlier
  # one wrote stays in that test's part). The programs labelled "long" would
  # take them hours; ORV_LONG_TESTS=1 runs those as well.
  if [ -z "${ORV_LONG_TESTS:-}" ]; then
    set -- -LE long "$@"
    echo "== an emulated machine: the tests labelled long are left out (ORV_LONG_TESTS=1 runs them):" \
      $(ctest --test-dir "$build" -N -L long | awk '/Test +#/ {print $3}')
  fi
  "$here/scripts/in-vm.sh" --prepare "$build"
  # CTest counts -I over the tests the other arguments select: the second
  # part starts at the named test's place among them, or in the middle when
  # they leave it out; a single test runs in one machine.
  read -r count half < <(ctest --test-dir "$build" -N "$@" | awk -v n="$orv_second_part_from" '
    /Test +#/ { i++; if ($3 == n) at = i } END { print i + 0, (at > 1 ? at : int(i / 2) + 1) }')
  rm -rf "$build/part1" "$build/part2"
  if [ "$count" -lt 2 ]; then
    "$here/scripts/in-vm.sh" --cpus 1 --tag 1 "$build" env ORV_PART=1 ORV_PART_TESTS=1, scripts/test.sh "$@" &
    one=$! two=
  else
    "$here/scripts/in-vm.sh" --cpus 1 --tag 1 "$build" env ORV_PART=1 ORV_PART_TESTS="1,$((half - 1))" scripts/test.sh "$@" &
    one=$!
    "$here/scripts/in-vm.sh" --cpus 1 --tag 2 "$build" env ORV_PART=2 ORV_PART_TESTS="$half," scripts/test.sh "$@" &
    two=$!
  fi
  rc=0
  wait "$one" || rc=$?
  [ -z "$two" ] || wait "$two" || rc=$?
  echo
  for part in 1 2; do
    echo "== part $part: $(grep -E 'tests passed|tests failed' "$build/part$part/ctest.log" 2>/dev/null | tail -1)"
  done
  summary "$build"/part{1,2}/Testing/Temporary/LastTest.log
  for part in 1 2; do
    grep -h '^== wall time' "$build/part$part/timing.log" 2>/dev/null | sed "s/^== /== part $part: /" || true
  done
  echo "== wall time: $((SECONDS - started)) s in all"
  exit "$rc"
fi

. "$here/scripts/wine-session.sh"
trap orv_wine_stop EXIT
export ORV_SHOTS_UNIX="$build/screenshots"
mkdir -p "$ORV_SHOTS_UNIX"
export ORV_SHOTS=$(winepath -w "$ORV_SHOTS_UNIX" 2>/dev/null)
export WINEPATH="$(winepath -w "$build/bin" 2>/dev/null)"

# A part of the tests runs from a tree of its own, so that its logs are its own.
tests=$build
select=()
if [ -n "${ORV_PART:-}" ]; then
  tests="$build/part$ORV_PART"
  rm -rf "$tests"
  (cd "$build" && find . -path ./part1 -prune -o -path ./part2 -prune -o -name CTestTestfile.cmake -print |
     while read -r f; do mkdir -p "$tests/$(dirname "$f")"; cp "$f" "$tests/$f"; done)
  select=(-I "$ORV_PART_TESTS")
fi

echo "== running tests (screenshots in $ORV_SHOTS_UNIX)"
set +e
ctest --test-dir "$tests" --output-on-failure --no-tests=error "${select[@]}" "$@" | tee "$tests/ctest.log"
rc=${PIPESTATUS[0]}
set -e
# Every test ends what it started, also when it fails.
left=$(orv_ours_running)
if [ -n "$left" ]; then
  echo "== left running after the tests:"
  echo "$left"
  rc=1
fi

echo
echo "== summary: $(grep -E 'tests passed|tests failed' "$tests/ctest.log" | tail -1)"
summary "$tests"/Testing/Temporary/LastTest.log
timing "$started" "$busy0" "$idle0" | tee "$tests/timing.log"
exit "$rc"
