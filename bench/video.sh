#!/usr/bin/env bash
# Whole-program rates on one generated 1080p clip: FFmpeg with Debian's alphaspot frei0r
# filter against FFmpeg with our frei0r bridge (1 instance), and `tessory render`.
# Writes bench/results/video.json. Usage: bench/video.sh BUILD_DIR
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
results="$here/results"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$results"
frames=30
clip="$work/clip1080.mp4"

ffmpeg -hide_banner -loglevel error -y -f lavfi -i "testsrc2=size=1920x1080:rate=30" \
    -frames:v "$frames" -c:v mpeg4 -q:v 2 "$clip"

now() { date +%s.%N; }
# Wall seconds of a command, its output discarded.
timed() {
    local t0 t1
    t0=$(now)
    "$@" >/dev/null 2>&1 || { echo "failed: $*" >&2; exit 1; }
    t1=$(now)
    awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.3f", b - a }'
}

export TESSORY_PLUGIN="$build/plugins/Tessory.so"
decode=$(timed ffmpeg -hide_banner -nostdin -i "$clip" -f null -)
alphaspot=$(timed ffmpeg -hide_banner -nostdin -i "$clip" -vf "frei0r=filter_name=alphaspot" -f null -)
# Every parameter at its default but Instances (position 14: 0 is 1 instance).
params="Circle|0.15|0.025|0.5/0.5|0|Fill Outside|n|Shadow|0.1|0x000000|0.4|0.1666667|0x000000|1|0"
ours=$(FREI0R_PATH="$build/frei0r" timed ffmpeg -hide_banner -nostdin -i "$clip" \
    -vf "frei0r=filter_name=tessory:filter_params=$params" -f null -)
# The command-line host with the effect's defaults (5 instances), decoding and encoding.
cli=$(timed "$build/bin/tessory" --plugin "$TESSORY_PLUGIN" render --renderer gl -q -i "$clip" \
    -o "$work/out.mp4")
# The CPU renderer against FFmpeg's own transcode with tessory's encoder settings for .mp4,
# on a clip of 8 seconds so that neither program's start-up (loading its libraries) weighs.
long_frames=240
long_clip="$work/clip1080_long.mp4"
ffmpeg -hide_banner -loglevel error -y -f lavfi -i "testsrc2=size=1920x1080:rate=30" \
    -frames:v "$long_frames" -c:v mpeg4 -q:v 2 "$long_clip"
# Three runs each, taken in turn so that a slow spell of this shared machine weighs on
# both; the medians go into the ratio.
median() { printf '%s\n' "$@" | sort -g | sed -n 2p; }
transcodes=() cli_cpus=()
for _ in 1 2 3; do
    transcodes+=("$(timed ffmpeg -hide_banner -nostdin -y -i "$long_clip" -c:v libx264 \
        -preset fast -crf 18 -pix_fmt yuv420p "$work/plain.mp4")")
    cli_cpus+=("$(timed "$build/bin/tessory" --plugin "$TESSORY_PLUGIN" render --renderer cpu \
        -q -i "$long_clip" -o "$work/out_cpu.mp4")")
done
transcode=$(median "${transcodes[@]}")
cli_cpu=$(median "${cli_cpus[@]}")
cli_frames=$(ffprobe -v error -count_frames -select_streams v:0 \
    -show_entries stream=nb_read_frames -of csv=p=0 "$work/out.mp4")

# Minor page faults a frame of each host with the CPU renderer: the difference between runs of
# 30 frames and of the whole long clip, so that start-up cancels out. A host's start-up
# faults vary by more than 210 frames add, so each count is the median of three runs.
faults() { /usr/bin/time -o "$work/faults" -f %R "$@" >/dev/null 2>&1; cat "$work/faults"; }
median_of_3() { median "$("$@")" "$("$@")" "$("$@")"; }
per_frame() {
    local short long
    short=$(median_of_3 "$@" 30)
    long=$(median_of_3 "$@" "$long_frames")
    awk -v a="$short" -v b="$long" -v n="$((long_frames - 30))" 'BEGIN { printf "%.1f", (b - a) / n }'
}
cli_faults() {
    faults "$build/bin/tessory" --plugin "$TESSORY_PLUGIN" render --renderer cpu -q \
        -i "$long_clip" --frames "0-$(($1 - 1))" --codec ffv1 -o "$work/faults.mkv"
}
ffmpeg_faults() {
    FREI0R_PATH="$build/frei0r" TESSORY_RENDERER=cpu faults ffmpeg -nostdin -i "$long_clip" \
        -frames:v "$1" -vf frei0r=filter_name=tessory -f null -
}
melt_faults() {
    MLT_REPOSITORY="$build/mlt-repository" TESSORY_RENDERER=cpu faults melt -silent \
        "$long_clip" out="$(($1 - 1))" -filter tessory -consumer avformat:"$work/faults.mkv" \
        vcodec=ffv1 an=1 real_time=-1
}
plain_faults() { faults ffmpeg -nostdin -i "$long_clip" -frames:v "$1" -f null -; }

fps() { awk -v n="$frames" -v s="$1" 'BEGIN { printf "%.2f", n / s }'; }
cat >"$results/video.json" <<JSON
{
  "frames": $frames,
  "size": "1920x1080",
  "ffmpeg_decode_only_s": $decode,
  "ffmpeg_alphaspot_s": $alphaspot,
  "ffmpeg_tessory_1_instance_s": $ours,
  "tessory_render_5_instances_s": $cli,
  "tessory_render_frames_written": $cli_frames,
  "ffmpeg_decode_only_fps": $(fps "$decode"),
  "ffmpeg_alphaspot_fps": $(fps "$alphaspot"),
  "ffmpeg_tessory_1_instance_fps": $(fps "$ours"),
  "tessory_render_5_instances_fps": $(fps "$cli"),
  "transcode_frames": $long_frames,
  "ffmpeg_transcode_s": $transcode,
  "tessory_render_cpu_5_instances_s": $cli_cpu,
  "ffmpeg_transcode_runs_s": [$(IFS=,; echo "${transcodes[*]}")],
  "tessory_render_cpu_runs_s": [$(IFS=,; echo "${cli_cpus[*]}")],
  "tessory_render_cpu_per_transcode_rate": $(awk -v a="$transcode" -v b="$cli_cpu" 'BEGIN { printf "%.2f", a / b }'),
  "faults_per_frame_tessory_render": $(per_frame cli_faults),
  "faults_per_frame_ffmpeg_frei0r": $(per_frame ffmpeg_faults),
  "faults_per_frame_melt_mlt": $(per_frame melt_faults),
  "faults_per_frame_ffmpeg_alone": $(per_frame plain_faults)
}
JSON
echo "wrote $results/video.json"
