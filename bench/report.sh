#!/usr/bin/env bash
# Turns bench/results/latest.json (Google Benchmark), video.json (bench/video.sh),
# startup.json (bench/startup.sh), colour.json (tessory_bench_colour), obs.json
# (tessory_bench_obs) and one
# memory probe per frame size into bench/results/REPORT.md and frame_time.png.
# Usage: bench/report.sh BUILD_DIR
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
results="$here/results"
json="$results/latest.json"
video="$results/video.json"
startup="$results/startup.json"
colour="$results/colour.json"
obs="$results/obs.json"
[ -f "$json" ] || { echo "no $json: run the benchmarks first" >&2; exit 1; }

renderer=$(jq -r '.context.gl_renderer // "unknown"' "$json")
samples=$(jq -r '.context.gl_samples // "?"' "$json")
host=$(jq -r '"\(.context.host_name), \(.context.num_cpus) CPUs, \(.context.date)"' "$json")

# Mean real time (ms) of one benchmark: name like BM_RenderCommand, w, h, instances; the
# name may go on with the run settings (/min_time:0.500/real_time).
# The median over the repetitions when the run has them, else the one measurement.
pick() {
    jq -r --arg n "$1/w:$2/h:$3/instances:$4" --arg c "$5" '
        [.benchmarks[] | select(.run_name == $n or (.run_name | startswith($n + "/")))] as $runs
        | ([$runs[] | select(.run_type == "aggregate" and .aggregate_name == "median")]
           + [$runs[] | select(.run_type == "iteration")])[0][$c] // empty' "$json"
}
ms() { pick "$1" "$2" "$3" "$4" real_time; }
counter() { pick "$1" "$2" "$3" "$4" "$5"; }
fmt() { awk -v v="$1" 'BEGIN { if (v == "") print "n/a"; else printf "%.1f", v }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (a == "" || b == "" || b == 0) print "n/a"; else printf "%.2f", a / b }'; }

sizes=("1280 720" "1920 1080" "3840 2160")
data="$results/frame_time.dat"
: >"$data"
{
    echo "# QX Tessory performance"
    echo
    echo "Made by \`make bench\` on $host."
    echo "GL renderer for every figure below: **$renderer** (multisample target: $samples samples)."
    echo "Absolute times hold only for this machine; compare the ratios."
    echo
    echo "## Render command through the host runtime"
    echo
    echo "Frame time in ms (wall time of one command 11, default settings but \"Instances\"; the median of"
    echo "$(jq -r '[.benchmarks[] | select(.run_type == "aggregate")] | length > 0' "$json" | sed 's/true/three runs of 2 s each/;s/false/one run of 2 s/'), 3 frames a run at 3840x2160)."
    echo "Floor: the same GL work in plain GL calls, its targets made once. Fresh floor: the same,"
    echo "but the input texture, the multisample renderbuffer and the resolve texture are made and"
    echo "deleted in every frame, as the effect's frame sequence does. Split: the command's steps called one by one"
    echo "with glFinish before each clock reading (begin = prepare + beginDrawing)."
    echo
    echo "| Size | Instances | Command | Floor | Command / floor | Fresh floor | Command / fresh floor | Split: begin | upload | prepare+draw | endDrawing | read-back |"
    echo "|---|---|---|---|---|---|---|---|---|---|---|---|"
    for s in "${sizes[@]}"; do
        read -r w h <<<"$s"
        for n in 1 5 20; do
            c=$(ms BM_RenderCommand "$w" "$h" "$n")
            f=$(ms BM_RawGLFloor "$w" "$h" "$n")
            ff=$(ms BM_RawGLFloorFresh "$w" "$h" "$n")
            row="| ${w}x${h} | $n | $(fmt "$c") | $(fmt "$f") | $(ratio "$c" "$f") | $(fmt "$ff") | $(ratio "$c" "$ff")"
            for k in begin_ms upload_ms prepare_draw_ms end_drawing_ms readback_ms; do
                row="$row | $(fmt "$(counter BM_RenderSplit "$w" "$h" "$n" "$k")")"
            done
            echo "$row |"
            echo "$w $h $n ${c:-nan} ${f:-nan}" >>"$data"
        done
    done
    echo
    c=$(ms BM_RenderCommand 1920 1080 5)
    f=$(ms BM_RawGLFloor 1920 1080 5)
    ff=$(ms BM_RawGLFloorFresh 1920 1080 5)
    echo "Overhead at 1920x1080, 5 instances: command / floor = **$(ratio "$c" "$f")** (goal < 1.10);"
    echo "command / fresh floor = **$(ratio "$c" "$ff")**, the part that is the effect's own code rather than"
    echo "the per-frame targets its frame sequence makes."
    echo
    vr() { fmt "$(counter BM_CommandVersusFloor 1920 1080 5 "$1")"; }
    vq() { awk -v v="$(counter BM_CommandVersusFloor 1920 1080 5 "$1")" 'BEGIN { if (v == "") print "n/a"; else printf "%.2f", v }'; }
    echo "The same three frame by frame in one benchmark (command, floor, fresh floor in turn, so the"
    echo "machine's drift falls on all three): command $(vr command_ms) ms, floor $(vr floor_ms) ms, fresh floor"
    echo "$(vr fresh_floor_ms) ms; command / floor = **$(vq command_per_floor)**, command / fresh floor = **$(vq command_per_fresh_floor)**."
    echo
    echo "## CPU renderer beside GL"
    echo
    echo "The render command with the host offering no GPU (the effect's own CPU renderer), the same"
    echo "command on GL, and the plain-GL floor, from this run; ms a frame."
    echo
    echo "| Size | Instances | CPU | GL | Floor | GL / CPU | Floor / CPU |"
    echo "|---|---|---|---|---|---|---|"
    for s in "${sizes[@]}"; do
        read -r w h <<<"$s"
        for n in 1 5 20; do
            cpu=$(ms BM_CpuRenderCommand "$w" "$h" "$n")
            gl=$(ms BM_RenderCommand "$w" "$h" "$n")
            f=$(ms BM_RawGLFloor "$w" "$h" "$n")
            echo "| ${w}x${h} | $n | $(fmt "$cpu") | $(fmt "$gl") | $(fmt "$f") | $(ratio "$gl" "$cpu") | $(ratio "$f" "$cpu") |"
        done
    done
    echo
    echo "Worst case for the CPU renderer (Fill Outside, 20 instances, input alpha 200 everywhere,"
    echo "1920x1080), per kernel build (\`TESSORY_CPU_KERNEL\`; a build the processor lacks runs the"
    echo "widest it has):"
    echo
    echo "| Build | ms a frame | rotated 23° a step, ms |"
    echo "|---|---|---|"
    k=0
    for kernel in portable avx2 avx512; do
        level=$(ms BM_CpuWorstCase 1920 1080 "20/kernel:$k/rotation:0")
        rotated=$(ms BM_CpuWorstCase 1920 1080 "20/kernel:$k/rotation:23")
        echo "| $kernel | $(fmt "$level") | $(fmt "$rotated") |"
        k=$((k + 1))
    done
    echo
    echo "Goals: the widest build at or under 25 ms, AVX2 at or under 30 ms."
    echo
    echo "![frame time against instances and size](frame_time.png)"
    echo
    if [ -f "$video" ]; then
        cmd_fps=$(awk -v t="$c" 'BEGIN { if (t == "" || t == 0) print ""; else printf "%.2f", 1000 / t }')
        cli_fps=$(jq -r '.tessory_render_5_instances_fps' "$video")
        echo "## Video"
        echo
        echo "One generated clip: $(jq -r '.frames' "$video") frames of testsrc2 at $(jq -r '.size' "$video") (MPEG-4 part 2), wall time of the whole program. Renderer: $renderer."
        echo
        echo "| Run | Seconds | Frames per second |"
        echo "|---|---|---|"
        echo "| ffmpeg, decode only | $(jq -r '.ffmpeg_decode_only_s' "$video") | $(jq -r '.ffmpeg_decode_only_fps' "$video") |"
        echo "| ffmpeg + frei0r alphaspot | $(jq -r '.ffmpeg_alphaspot_s' "$video") | $(jq -r '.ffmpeg_alphaspot_fps' "$video") |"
        echo "| ffmpeg + frei0r tessory, 1 instance | $(jq -r '.ffmpeg_tessory_1_instance_s' "$video") | $(jq -r '.ffmpeg_tessory_1_instance_fps' "$video") |"
        echo "| tessory render on GL, 5 instances (decode + effect + encode) | $(jq -r '.tessory_render_5_instances_s' "$video") | $cli_fps |"
        echo
        echo "- Peer: tessory bridge fps / alphaspot fps = **$(ratio "$(jq -r '.ffmpeg_tessory_1_instance_fps' "$video")" "$(jq -r '.ffmpeg_alphaspot_fps' "$video")")**."
        echo "- \`tessory render --renderer cpu\` (5 instances) against FFmpeg's own transcode with the same encoder settings, $(jq -r '.transcode_frames' "$video") frames: $(jq -r '.tessory_render_cpu_5_instances_s' "$video") s against $(jq -r '.ffmpeg_transcode_s' "$video") s, rate ratio **$(jq -r '.tessory_render_cpu_per_transcode_rate' "$video")** (goal >= 0.90)."
        echo "- Minor page faults a frame, CPU renderer, 1080p (30 frames against 240): \`tessory render\` $(jq -r '.faults_per_frame_tessory_render' "$video"), FFmpeg with the frei0r filter $(jq -r '.faults_per_frame_ffmpeg_frei0r' "$video"), melt with the MLT module $(jq -r '.faults_per_frame_melt_mlt' "$video"); FFmpeg decoding alone $(jq -r '.faults_per_frame_ffmpeg_alone' "$video")."
        echo "- \`tessory render --renderer gl\` fps / GL render command rate at 1080p, 5 instances ($cmd_fps fps) = **$(ratio "$cli_fps" "$cmd_fps")** (goal >= 0.90). Frames written: $(jq -r '.tessory_render_frames_written' "$video")."
        echo
    fi
    if [ -f "$colour" ]; then
        echo "## Colour conversion"
        echo
        echo "8-bit 4:2:0, BT.709 limited, 1920x1080 colour bars (\`tessory_bench_colour\`): ms a frame each"
        echo "way, and mean error in 8-bit steps of the round trip (whole picture; pixels within two"
        echo "of a colour edge) and of turning a frame whose chroma zimg filtered back into RGB (edges)."
        echo
        echo "| Converter | RGBA to YUV | YUV to RGBA | Round trip | Round trip, edges | Filtered frame, edges |"
        echo "|---|---|---|---|---|---|"
        for c in 0 1 2; do
            q() { jq -r --arg n "$1/converter:$c" '[.benchmarks[] | select(.name == $n)][0]' "$colour"; }
            from=$(q BM_ColourFromRgba)
            to=$(q BM_ColourToRgba)
            echo "| $(jq -r .label <<<"$from") | $(fmt "$(jq -r .real_time <<<"$from")") | $(fmt "$(jq -r .real_time <<<"$to")") | $(jq -r '.round_trip_error * 100 | round / 100' <<<"$from") | $(jq -r '.round_trip_edge_error * 100 | round / 100' <<<"$from") | $(jq -r '.decode_edge_error * 100 | round / 100' <<<"$from") |"
        done
        echo
    fi
    if [ -f "$obs" ]; then
        echo "## OBS Studio"
        echo
        echo "Headless libobs at 30 frames a second on llvmpipe, one picture source, the filter with"
        echo "its defaults (\`tessory_bench_obs\`): frames rendered a second, frames lagged, CPUs busy"
        echo "(llvmpipe's threads included), and the filter's own ms a frame from OBS's profiler."
        echo
        echo "| Size | Filter | Rendered fps | Lagged a second | CPUs busy | Filter ms | of which read-back | effect | upload |"
        echo "|---|---|---|---|---|---|---|---|---|"
        o() { jq -r --arg n "BM_ObsFrames/w:$1/h:$2/filter:$3/iterations:1/real_time" \
            "[.benchmarks[] | select(.name == \$n)][0].$4" "$obs"; }
        r() { jq -r '. * 100 | round / 100' <<<"$(o "$@")"; }
        for size in "1280 720" "1920 1080"; do
            read -r w h <<<"$size"
            for f in 0 1; do
                echo "| ${w}x$h | $([ $f = 1 ] && echo on || echo off) | $(r $w $h $f rendered_fps) | $(r $w $h $f lagged_per_s) | $(r $w $h $f cpus_busy) | $(r $w $h $f render_ms) | $(r $w $h $f stage_ms) | $(r $w $h $f effect_ms) | $(r $w $h $f upload_ms) |"
            done
        done
        echo
        for size in "1280 720" "1920 1080"; do
            read -r w h <<<"$size"
            echo "- ${w}x$h: rendered fps with / without the filter = **$(ratio "$(o $w $h 1 rendered_fps)" "$(o $w $h 0 rendered_fps)")**."
        done
        echo "- Goal at 1280x720: at least 0.9."
        echo
    fi
    if [ -f "$startup" ]; then
        su() { jq -r ".$1" "$startup"; }
        echo "## Start-up"
        echo
        echo "Best of $(su runs) runs each, in turn; \`tessory\` links $(su libraries) libraries (\`ldd\`)."
        echo
        echo "| Command | ms |"
        echo "|---|---|"
        echo "| \`ffmpeg -i in.png out.png\` (16x16) | $(su ffmpeg_png_ms) |"
        echo "| \`tessory render --renderer cpu -i in.png -o out.png\` | $(su render_png_ms) |"
        echo "| \`tessory --help\` | $(su help_ms) |"
        echo "| \`tessory --version\` | $(su version_ms) |"
        echo "| \`tessory params\` | $(su params_ms) |"
        echo
        echo "One-still render / FFmpeg's conversion = **$(ratio "$(su render_png_ms)" "$(su ffmpeg_png_ms)")** (goal: at most 1)."
        echo
    fi
    echo "## Memory"
    echo
    echo "One process per size rendering 3 frames through the render command, 5 instances."
    echo "GL estimate: RGBA32F input texture + ${samples}-sample RGBA8 target + resolved texture + output renderbuffer. Renderer: $renderer."
    echo
    echo "| Size | Peak resident (MiB) | Resident before first frame (MiB) | GL estimate (MiB) | Host layers in + out (MiB) |"
    echo "|---|---|---|---|---|"
    for s in "${sizes[@]}"; do
        read -r w h <<<"$s"
        if m=$("$build/bin/tessory_bench_memory" "$w" "$h" 5 3 2>/dev/null | tail -1) && [ -n "$m" ]; then
            echo "$m" | jq -r '"| \(.width)x\(.height) | \(.peak_rss_kib / 1024 | . * 10 | round / 10) | \(.rss_before_frames_kib / 1024 | . * 10 | round / 10) | \(.gl_frame_bytes / 1048576 | . * 10 | round / 10) | \(.host_layers_bytes / 1048576 | . * 10 | round / 10) |"'
        else
            echo "| ${w}x${h} | probe failed | | | |"
        fi
    done
} >"$results/REPORT.md"

gnuplot <<GP
set terminal pngcairo size 900,540 noenhanced
set output "$results/frame_time.png"
set title "Frame time, render command (solid) and plain-GL floor (dashed)\n$renderer"
set xlabel "Instances"
set ylabel "ms per frame"
set logscale y
set key left top
set grid
plot \
  "$data" using (\$1==1280 ? \$3 : 1/0):4 with linespoints lw 2 lc 1 title "1280x720", \
  "$data" using (\$1==1920 ? \$3 : 1/0):4 with linespoints lw 2 lc 2 title "1920x1080", \
  "$data" using (\$1==3840 ? \$3 : 1/0):4 with linespoints lw 2 lc 3 title "3840x2160", \
  "$data" using (\$1==1280 ? \$3 : 1/0):5 with linespoints dt 2 lc 1 notitle, \
  "$data" using (\$1==1920 ? \$3 : 1/0):5 with linespoints dt 2 lc 2 notitle, \
  "$data" using (\$1==3840 ? \$3 : 1/0):5 with linespoints dt 2 lc 3 notitle
GP
rm -f "$data"
echo "wrote $results/REPORT.md and $results/frame_time.png"
