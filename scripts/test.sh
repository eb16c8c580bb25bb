#!/usr/bin/env bash
# Builds the project and runs the whole suite three times: a normal build, a build with
# AddressSanitizer, UndefinedBehaviourSanitizer and LeakSanitizer, and a ThreadSanitizer build;
# the sanitizer builds fail on any report. The normal build's Debian package goes through lintian.
# Then each fuzz target runs briefly (scripts/fuzz.sh; DISCO_FUZZ_SECONDS per target, 15 by
# default: 75 s in all).
# Usage: scripts/test.sh [extra ctest arguments]
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

echo "== format check =="
bash scripts/check-format.sh

build() {  # build <dir> <cmake args...>
  local dir=$1; shift
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDISCO_WERROR=ON "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
}

echo "== normal build =="
build build
(cd build && ctest --output-on-failure -j "$jobs" "$@")

# The Debian package of the normal build, as lintian judges it: any error fails the run.
echo "== package check =="
(cd build && rm -f extreme-disco_*.deb && cpack -G DEB >/dev/null &&
  lintian --fail-on error extreme-disco_*.deb)

echo "== sanitizer build (ASan, UBSan, LSan) =="
build build-asan -DDISCO_SANITIZE=ON
export ASAN_OPTIONS=detect_leaks=1:halt_on_error=1:abort_on_error=0:strict_string_checks=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export LSAN_OPTIONS=
(cd build-asan && ctest --output-on-failure -j "$jobs" "$@")

echo "== ThreadSanitizer build =="
build build-tsan -DDISCO_TSAN=ON
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
# The benchmarks' smoke run is single-threaded in what it adds; the other builds run it.
(cd build-tsan && ctest --output-on-failure -j "$jobs" -E bench_smoke "$@")

echo "== fuzzing =="
bash scripts/fuzz.sh "${DISCO_FUZZ_SECONDS:-15}"
echo "== all three builds and the fuzzers passed =="
