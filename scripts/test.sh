#!/usr/bin/env bash
# Installs what is needed, checks the format of the sources, builds the
# normal and the sanitizer flavour, runs every test in both once, gives the
# INI fuzzer a short run and proves the Debian packages
# (scripts/package-check.sh: build, lintian,
# install, end-to-end tests against the installed programs, purge). Prints
# the time of each stage at the end.
set -euo pipefail
cd "$(dirname "$0")/.."

status=0
stages=()
# stage NAME COMMAND...: runs COMMAND, keeps its time, and marks the run
# failed (without stopping it) when COMMAND fails.
stage() {
  local name=$1 started result=passed
  shift
  echo "=== $name"
  started=$(date +%s)
  if ! "$@"; then
    result=FAILED
    status=1
  fi
  stages+=("$(printf '%-16s %5d s  %s' "$name" $(($(date +%s) - started)) "$result")")
}

run_tests() {
  # Leaks are reported in the sanitizer flavour; what system libraries keep
  # until the process ends by design is listed in scripts/lsan.supp.
  # Twice as many tests as cores: most of a test's time is spent waiting on
  # an X server, a compositor or a web server, and each test waits on the
  # state it needs, not on a time.
  ASAN_OPTIONS=detect_leaks=1 \
    LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=0" \
    UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir "build/$1" --output-on-failure -j"$((2 * $(nproc)))" --timeout 600
}

fuzz() {
  ./scripts/build.sh fuzz common_ini_fuzz || return 1
  mkdir -p build/fuzz/corpus
  cp common/ini/fuzz/seeds/* build/fuzz/corpus/ 2>/dev/null || true
  if ! build/fuzz/common/ini/common_ini_fuzz -max_total_time=60 -max_len=4096 build/fuzz/corpus \
       >build/fuzz/fuzz.log 2>&1; then
    tail -n 40 build/fuzz/fuzz.log
    echo "fuzzer found a failure"
    return 1
  fi
  grep -E '^(#[0-9]+\s+DONE|Done)' build/fuzz/fuzz.log | tail -n 1 || true
  echo "fuzzer: no failure in 60 s"
}

print_times() {
  echo "=== times"
  printf '%s\n' "${stages[@]}"
  printf '%-16s %5d s\n' total $(($(date +%s) - started_all))
}

started_all=$(date +%s)
stage "install build" ./scripts/install-deps.sh build
if [ $status -ne 0 ]; then
  print_times
  exit 1
fi
stage format ./scripts/format-check.sh
# What only the tests and the package check need (sessions, servers, lintian) is installed while
# the first flavour builds: unpacking is mostly waiting on the disk, compiling on the cores.
mkdir -p build
install_started=$(date +%s)
(
  rc=0
  ./scripts/install-deps.sh || rc=$?
  echo $(($(date +%s) - install_started)) >build/install-rest.time
  exit $rc
) >build/install-rest.log 2>&1 &
install_pid=$!
stage "build normal" ./scripts/build.sh normal
install_result=passed
if ! wait "$install_pid"; then
  install_result=FAILED
  status=1
  cat build/install-rest.log
fi
stages+=("$(printf '%-16s %5d s  %s' 'install (beside)' "$(cat build/install-rest.time)" "$install_result")")
if [ "$install_result" = FAILED ]; then
  print_times
  exit 1
fi
stage "test normal" run_tests normal
stage "build sanitize" ./scripts/build.sh sanitize
stage "test sanitize" run_tests sanitize
# The fuzzer's minute runs beside the package check: it keeps one core
# busy, while the package check mostly waits on apt, lintian and its test
# sessions. Its output is shown when both are done.
fuzz_beside() {
  local started rc=0
  started=$(date +%s)
  fuzz || rc=$?
  echo $(($(date +%s) - started)) >build/fuzz-stage.time
  return $rc
}
fuzz_beside >build/fuzz-stage.log 2>&1 &
fuzz_pid=$!
stage packages ./scripts/package-check.sh
fuzz_result=passed
if ! wait "$fuzz_pid"; then
  fuzz_result=FAILED
  status=1
fi
echo "=== fuzz (beside the packages)"
cat build/fuzz-stage.log
stages+=("$(printf '%-16s %5d s  %s' 'fuzz (beside)' "$(cat build/fuzz-stage.time)" "$fuzz_result")")

print_times
exit $status
