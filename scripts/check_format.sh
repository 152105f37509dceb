#!/usr/bin/env bash
# Checks that every C++ file follows .clang-format; exits 77 (skipped) where
# clang-format is not installed. `scripts/check_format.sh --fix` rewrites them.
set -euo pipefail
cd "$(dirname "$0")/.."
if ! command -v clang-format >/dev/null; then
  echo "clang-format no está instalado: no se comprueba el formato."
  exit 77
fi
mapfile -t files < <(git ls-files '*.cpp' '*.h' 2>/dev/null || find src app emulator tests -name '*.cpp' -o -name '*.h')
if [[ "${1:-}" == --fix ]]; then
  clang-format -i "${files[@]}"
  exit 0
fi
clang-format --dry-run -Werror "${files[@]}"
echo "${#files[@]} archivos con el formato de .clang-format."
