#!/usr/bin/env bash
# Fails when a C++ file strays from the repository's .clang-format layout.
set -euo pipefail
cd "$1"
find app retrieval util ui tests bench fuzz -name '*.cpp' -o -name '*.h' | sort |
    xargs clang-format --dry-run --Werror
echo "C++ layout matches .clang-format"
