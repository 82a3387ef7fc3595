#!/usr/bin/env bash
# Runs a benchmark (bench_definer unless named) against a throwaway PostgreSQL
# server on a Unix socket (as root the server runs as the postgres user).
# Usage: bench/run-on-server.sh [build dir] [benchmark]
set -euo pipefail
build=${1:-build}
benchmark=${2:-bench_definer}
bin=$(ls -d /usr/lib/postgresql/*/bin | sort -V | tail -1)
root=$(mktemp -d /tmp/orvbench-XXXXXX)
as_server=()
if [ "$(id -u)" -eq 0 ]; then chown postgres "$root"; as_server=(runuser -u postgres --); fi
trap '"${as_server[@]}" "$bin/pg_ctl" -D "$root/data" -m immediate stop >/dev/null 2>&1 || true; rm -rf "$root"' EXIT
"${as_server[@]}" "$bin/initdb" -D "$root/data" -A trust -U postgres -E UTF8 --locale=C.UTF-8 >/dev/null
# Durable as an office server is: fsync stays on.
"${as_server[@]}" "$bin/pg_ctl" -D "$root/data" -w -l "$root/log" -o "-k $root -c listen_addresses=''" start >/dev/null
"${as_server[@]}" psql -h "$root" -U postgres -qc "CREATE DATABASE orvana_bench" postgres
cat > "$root/server.ini" <<INI
[server]
host=$root
database=orvana_bench
user=postgres
INI
BENCH_SERVER_INI="$root/server.ini" "$build/bench/$benchmark"
