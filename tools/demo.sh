#!/bin/bash
# The main job: builds setup.exe and the tools for Windows, as they ship (32-bit).
#   bash tools/demo.sh
# Installs what is missing first.
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
bash tools/install-deps.sh || exit 1
cmake --preset release >/dev/null || exit 1
cmake --build build/release -j"$(nproc)" || exit 1
echo "demo: built $(ls build/release/bin | tr '\n' ' ')in build/release/bin"
