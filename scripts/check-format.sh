#!/usr/bin/env bash
# Fails when any of our C++ sources differs from .clang-format.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files -co --exclude-standard -- 'src/*' 'tests/*' 'tools/*' 'bench/*' 'fuzz/*' |
  grep -E '\.(c|cc|cpp|h|hpp|mm)$' || true)
((${#files[@]} == 0)) && exit 0
clang-format --dry-run -Werror "${files[@]}"
echo "format: ${#files[@]} files clean"
