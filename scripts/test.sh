#!/usr/bin/env bash
# Builds the project and runs the whole suite twice, in a normal build and in a build with
# AddressSanitizer, UndefinedBehaviourSanitizer and LeakSanitizer, then the test programs where
# threads meet in a ThreadSanitizer build; the sanitizer builds fail on any report. The normal build's Debian package goes through lintian.
# Then each fuzz target runs briefly (scripts/fuzz.sh; DISCO_FUZZ_SECONDS per target, 15 by
# default: 75 s in all).
# Usage: scripts/test.sh [extra ctest arguments]
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

# Prints a step's header with the minutes and seconds the whole run has taken so far.
step() { printf '== %s (at %dm%02ds) ==\n' "$1" $((SECONDS / 60)) $((SECONDS % 60)); }

step "format check"
bash scripts/check-format.sh

build() {  # build <dir> <cmake args...> [--target <targets...>]
  local dir=$1; shift
  local args=() targets=()
  while [ $# -gt 0 ] && [ "$1" != --target ]; do args+=("$1"); shift; done
  [ $# -gt 0 ] && shift && targets=(--target "$@")
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDISCO_WERROR=ON "${args[@]}" >/dev/null
  cmake --build "$dir" -j "$jobs" "${targets[@]}"
}

step "normal build"
build build
(cd build && ctest --output-on-failure -j "$jobs" "$@")

# The Debian package of the normal build, as lintian judges it: any error fails the run.
step "package check"
(cd build && rm -f extreme-disco_*.deb && cpack -G DEB >/dev/null &&
  lintian --fail-on error extreme-disco_*.deb)

step "sanitizer build (ASan, UBSan, LSan)"
build build-asan -DDISCO_SANITIZE=ON
export ASAN_OPTIONS=detect_leaks=1:halt_on_error=1:abort_on_error=0:strict_string_checks=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export LSAN_OPTIONS=
(cd build-asan && ctest --output-on-failure -j "$jobs" "$@")

# Only the programs where threads meet: the host's engine and message bus, the net-snmp requester,
# the plug-in under the host, the engine's worker threads, the whole program, the pollers with
# their lease threads, and the web server's request threads over one store. The other test
# programs are single-threaded; the two builds above run them.
step "ThreadSanitizer build"
tsan_programs=(host_tests netsnmp_tests agent_tests run_tests engine_tests web_tests queue_tests)
build build-tsan -DDISCO_TSAN=ON --target "${tsan_programs[@]}"
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
(cd build-tsan && ctest --output-on-failure -j "$jobs" \
  -L "^($(IFS='|'; echo "${tsan_programs[*]}"))\$" "$@")

step "fuzzing"
bash scripts/fuzz.sh "${DISCO_FUZZ_SECONDS:-15}"
step "all three builds and the fuzzers passed"
