#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ (clang++, ASan and UBSan) in build-fuzz/ and runs each for
# a bounded time, starting from its seed corpus in fuzz/corpus/<target>/. New inputs the fuzzer
# finds go to build-fuzz/corpus/<target>/, never into the checked-in seeds; a crashing input is
# written to build-fuzz/artifacts/ and makes the script fail.
# Usage: scripts/fuzz.sh [SECONDS]   (SECONDS per target; default 20)
set -euo pipefail
cd "$(dirname "$0")/.."

usage() { echo "usage: scripts/fuzz.sh [SECONDS]  (seconds per fuzz target, default 20)"; }
case "${1:-}" in
  -h|--help) usage; exit 0 ;;
esac
if [ $# -gt 1 ] || { [ $# -eq 1 ] && ! [[ $1 =~ ^[1-9][0-9]*$ ]]; }; then
  usage >&2
  exit 2
fi
seconds=${1:-20}
dir=${DISCO_FUZZ_BUILD:-build-fuzz}
targets=(snmprec engine_probe record scope device device_text)

# Without -DDISCO_WERROR: the warnings that stop a build are those of the project's compiler (g++).
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DDISCO_FUZZ=ON -DDISCO_BUILD_TESTS=OFF -DDISCO_WERROR=OFF "${launcher[@]}" >/dev/null
cmake --build "$dir" -j "$(nproc)" --target "${targets[@]/#/fuzz_}"

export ASAN_OPTIONS=detect_leaks=1:halt_on_error=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
failed=()
for t in "${targets[@]}"; do
  echo "== fuzz_$t: $seconds s =="
  mkdir -p "$dir/corpus/$t" "$dir/artifacts"
  dict=()
  case $t in snmprec|device) dict=(-dict=fuzz/snmprec.dict) ;; esac
  if ! "$dir/fuzz/fuzz_$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="$dir/artifacts/$t-" "${dict[@]}" \
      "$dir/corpus/$t" "fuzz/corpus/$t" 2>"$dir/fuzz_$t.log"; then
    failed+=("$t")
    tail -n 60 "$dir/fuzz_$t.log"
  fi
  sed -n "/^stat::number_of_executed_units\|^stat::new_units_added/p" "$dir/fuzz_$t.log"
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz: ${failed[*]} failed; inputs in $dir/artifacts/" >&2
  exit 1
fi
echo "== every fuzz target ran $seconds s without a finding =="
