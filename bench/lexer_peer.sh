#!/bin/sh
# Analyses the same generated BASIC text with the peer highlighter (its FreeBASIC definition)
# and with `orvex-cli lex --count`, and prints both times, peak memory and the speed ratio.
# Usage: bench/lexer_peer.sh [BUILD_DIR] [MB]      (defaults: build 10)
set -eu
build=${1:-build}
mb=${2:-10}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
input="$tmp/input.bas"
"$build/bench/lexer_bench" --write "$input" "$mb"
chars=$(wc -m < "$input")

measure() { # prints "seconds peak_kb" for the command
    /usr/bin/time -f '%e %M' -o "$tmp/time" "$@" > "$tmp/out" 2>/dev/null || true
    cat "$tmp/time"
}

set -- $(measure kate-syntax-highlighter --syntax FreeBASIC --output-format=ansi "$input")
peer_s=$1 peer_kb=$2
set -- $(measure "$build/src/cli/orvex-cli" lex --count "$input")
own_s=$1 own_kb=$2
tokens=$(cat "$tmp/out")

echo "input:         $mb MB, $chars characters"
echo "peer:          ${peer_s}s, peak ${peer_kb} kB"
echo "orvex-cli lex: ${own_s}s, peak ${own_kb} kB, $tokens tokens"
awk -v p="$peer_s" -v o="$own_s" -v kb="$own_kb" -v c="$chars" 'BEGIN {
    printf "speed ratio (peer time / own time): %.1f\n", p / (o > 0 ? o : 0.01)
    printf "own peak memory per character: %.1f bytes\n", kb * 1024 / c
}'
