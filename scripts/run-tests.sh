#!/usr/bin/env bash
# Installs what is missing, builds everything, runs every test (headless),
# then builds the Debian package and checks it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cd build
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --parallel 2
cd ..
bash scripts/check-package.sh
