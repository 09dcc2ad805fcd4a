#!/usr/bin/env bash
# Kills nvmtool saves at random moments and checks what is left: the output is the old file or the complete new
# one (never torn or empty), no temporary file stays beside it, and no per-run folder stays under $TMPDIR (a run
# killed outright leaves its folder to the next run, which sweeps it).
#   scripts/soak_kill.sh [ROUNDS] [BUILD_DIR]        (defaults: 200 rounds, build)
set -uo pipefail
cd "$(dirname "$0")/.."
rounds=${1:-200}
bin=${2:-build}/bin
for tool in nvmtool nvmsim; do
    [ -x "$bin/$tool" ] || { echo "soak_kill: $bin/$tool is not built" >&2; exit 2; }
done
work=$(mktemp -d)
sim_pid=""
cleanup() {
    [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$work/out" "$work/new" "$work/tmp"
export TMPDIR=$work/tmp XDG_CONFIG_HOME=$work/config

# One server for the whole soak; a short pause per answer spreads a save over a few hundred milliseconds.
"$bin/nvmsim" --tcp 127.0.0.1:0 --image sim/images/small.img --delay-ms 5 >"$work/port" &
sim_pid=$!
for _ in $(seq 50); do [ -s "$work/port" ] && break; sleep 0.1; done
target=tcp:127.0.0.1:$(head -1 "$work/port")

verbs=("read --all -o" "changed-defaults -o" "export-header fix_small -o")
files=(read.nvm changed.nvm header.nvm)
for i in "${!verbs[@]}"; do
    # shellcheck disable=SC2086
    "$bin/nvmtool" ${verbs[$i]} "$work/new/${files[$i]}" --target "$target" -q || exit 2
done

failures=0
fail() { echo "soak_kill: round $1: $2" >&2; failures=$((failures + 1)); }
for round in $(seq "$rounds"); do
    i=$((RANDOM % ${#verbs[@]}))
    out=$work/out/${files[$i]}
    printf 'old\r\n' >"$out"
    signal=$(shuf -n1 -e INT TERM KILL)
    # shellcheck disable=SC2086
    "$bin/nvmtool" ${verbs[$i]} "$out" --target "$target" -q 2>/dev/null &
    pid=$!
    sleep "0.$(printf '%03d' $((RANDOM % 400)))"
    kill -s "$signal" "$pid" 2>/dev/null || true
    status=0
    wait "$pid" || status=$?
    if ! cmp -s "$out" <(printf 'old\r\n') && ! cmp -s "$out" "$work/new/${files[$i]}"; then
        fail "$round" "${verbs[$i]} killed by SIG$signal left a torn file ($(wc -c <"$out") bytes)"
    fi
    case "$signal:$status" in
        INT:130 | TERM:143 | KILL:137 | *:0) ;;
        *) fail "$round" "${verbs[$i]} killed by SIG$signal exited $status" ;;
    esac
    left=$(find "$work/out" -mindepth 1 ! -name "${files[$i]}" | head -3)
    [ -z "$left" ] || fail "$round" "left beside the output: $left"
    rm -f "$work"/out/*
    if [ "$signal" != KILL ]; then
        stale=$(find "$TMPDIR" -mindepth 1 -maxdepth 1 -name 'nvmtool-*' | head -3)
        [ -z "$stale" ] || fail "$round" "per-run folder left: $stale"
    fi
done
# The next run sweeps the folders of runs that were killed outright.
"$bin/nvmtool" groups --target "$target" -q >/dev/null
stale=$(find "$TMPDIR" -mindepth 1 -maxdepth 1 -name 'nvmtool-*' | head -3)
[ -z "$stale" ] || fail end "per-run folders not swept: $stale"
echo "soak_kill: $rounds rounds, $failures failures"
[ "$failures" -eq 0 ]
