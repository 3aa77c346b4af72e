#!/usr/bin/env bash
# The main job: builds the Windows program. (The demo game run comes with the launcher.)
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j"$(nproc)"
cmake --install build/win32 >/dev/null
echo "built: build/win32"
