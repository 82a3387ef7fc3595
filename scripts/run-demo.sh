#!/usr/bin/env bash
# Installs what is missing, builds the program alone (not the tests), makes
# the demo data directory on first use and starts the program on it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh orvana-class
[ -e demo-data/Class.db ] || build/src/orvana-class --init-demo demo-data
exec build/src/orvana-class --data-dir demo-data "$@"
