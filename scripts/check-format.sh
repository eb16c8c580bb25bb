#!/usr/bin/env bash
# Checks that C++ sources follow .clang-format. With no argument every tracked source is checked;
# with a git revision (e.g. origin/main) only the sources changed since it.
# Usage: scripts/check-format.sh [BASE]
set -euo pipefail
cd "$(dirname "$0")/.."
if ! command -v clang-format >/dev/null; then
  echo "check-format: clang-format is not installed (scripts/install-deps.sh installs it)" >&2
  exit 2
fi
if [ $# -gt 0 ]; then
  mapfile -t files < <(git diff --name-only --diff-filter=ACMR "$1" -- '*.cc' '*.h')
else
  mapfile -t files < <(git ls-files '*.cc' '*.h')
fi
bad=()
for f in "${files[@]}"; do
  clang-format --dry-run --Werror "$f" >/dev/null 2>&1 || bad+=("$f")
done
if [ ${#bad[@]} -gt 0 ]; then
  echo "check-format: ${#bad[@]} file(s) not formatted; run: clang-format -i ${bad[*]}" >&2
  exit 1
fi
echo "check-format: ${#files[@]} file(s) formatted"
