#!/usr/bin/env bash
# Short GStreamer pipelines through the frei0r filter on the GL renderer, several at once next
# to busy loops, RUNS of them. Each run starts and ends GStreamer's
# streaming threads with the effect's contexts current on them, which is where thread-exit
# faults in the GL stack show. Every run is made; a failed one keeps its log and core dump
# under OUT, and the script exits non-zero. Without failures a folder it made itself is removed.
#
#   gst_gl_stress.sh BUILD [RUNS [PARALLEL [OUT]]]
set -u
build=$(cd "${1:?usage: gst_gl_stress.sh BUILD [RUNS [PARALLEL [OUT]]]}" && pwd)
runs=${2:-300}
parallel=${3:-4}
own=0
if [ -n "${4:-}" ]; then out=$4; else out=$(mktemp -d /tmp/tessory-stress.XXXXXX); own=1; fi
mkdir -p "$out"
export FREI0R_PATH="$build/frei0r" GST_REGISTRY="$out/registry.bin" TESSORY_RENDERER=gl
ulimit -c unlimited

busy=()
keep=0  # failures found: their logs and cores stay
cleanup() {
    [ ${#busy[@]} -gt 0 ] && kill "${busy[@]}" 2>/dev/null
    wait 2>/dev/null
    [ $own -eq 1 ] && [ $keep -eq 0 ] && rm -rf "$out"
}
trap cleanup EXIT
trap 'exit 130' INT TERM
for _ in 1 2; do (while :; do :; done) & busy+=($!); done

# The registry once, so the runs do not race to write it.
gst-inspect-1.0 frei0r-filter-tessory > /dev/null 2>&1 ||
    { echo "gst_gl_stress: GStreamer does not find frei0r-filter-tessory in $build/frei0r" >&2; exit 2; }

one() {
    local n=$1 dir="$out/run$1"
    mkdir -p "$dir" && cd "$dir" || return 1
    gst-launch-1.0 -q videotestsrc num-buffers=8 ! video/x-raw,width=160,height=120 ! queue ! \
        videoconvert ! frei0r-filter-tessory instances=0.2 ! queue ! videoconvert ! \
        fakesink > log 2>&1
    local status=$?
    if [ $status -eq 0 ]; then
        cd "$out" && rm -rf "$dir"
    else
        echo "run $n: exit status $status ($dir)"
    fi
    return $status
}
export -f one
export out

failed=$(seq 1 "$runs" | xargs -P "$parallel" -I{} bash -c 'one {} || true' | tee /dev/stderr | wc -l)
echo "gst_gl_stress: $failed of $runs runs failed (results in $out)"
[ "$failed" -eq 0 ] && exit 0
keep=1
exit 1
