#!/usr/bin/env bash
# Sets everything up, makes the demo data directory on first use and starts
# the program on it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
[ -e demo-data/Class.db ] || build/src/orvana-class --init-demo demo-data
exec build/src/orvana-class --data-dir demo-data "$@"
