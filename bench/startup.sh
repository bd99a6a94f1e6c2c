#!/usr/bin/env bash
# Start-up of the command-line host against FFmpeg's: a one-still render of a 16x16 PNG
# beside FFmpeg's conversion of the same file, and the commands that render nothing. Each
# is the best of RUNS, the programs taken in turn so that a slow spell of this shared
# machine weighs on both. Writes bench/results/startup.json.
# Usage: bench/startup.sh BUILD_DIR [RUNS] [TESSORY]  (TESSORY: another build's program)
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
runs=${2:-10}
tessory=${3:-$build/bin/tessory}
here=$(cd "$(dirname "$0")" && pwd)
results="$here/results"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$results"
ffmpeg -hide_banner -loglevel error -f lavfi -i testsrc2=size=16x16 -frames:v 1 "$work/in.png"

now() { date +%s%N; }
# Milliseconds of one run of a command, its output discarded.
once() {
    local t0
    t0=$(now)
    "$@" >/dev/null 2>&1 || { echo "failed: $*" >&2; exit 1; }
    echo $((($(now) - t0) / 1000000))
}
declare -A best
names=(ffmpeg render help version params)
for _ in $(seq "$runs"); do
    for n in "${names[@]}"; do
        case $n in
            ffmpeg) t=$(once ffmpeg -nostdin -y -i "$work/in.png" "$work/f.png") ;;
            render) t=$(once "$tessory" render --renderer cpu -q -i "$work/in.png" -o "$work/t.png") ;;
            help) t=$(once "$tessory" --help) ;;
            version) t=$(once "$tessory" --version) ;;
            params) t=$(once "$tessory" params) ;;
        esac
        if [ -z "${best[$n]:-}" ] || [ "$t" -lt "${best[$n]}" ]; then best[$n]=$t; fi
    done
done
libraries=$( (ldd "$tessory" 2>/dev/null || true) | wc -l)
cat >"$results/startup.json" <<JSON
{"runs": $runs, "libraries": $libraries, "ffmpeg_png_ms": ${best[ffmpeg]},
 "render_png_ms": ${best[render]}, "help_ms": ${best[help]}, "version_ms": ${best[version]},
 "params_ms": ${best[params]}}
JSON
cat "$results/startup.json"
