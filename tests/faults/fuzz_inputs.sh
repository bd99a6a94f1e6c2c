#!/usr/bin/env bash
# Mutated inputs through `tessory render`, for the sanitizer build: PNG, TIFF, EXR, JPEG,
# MP4 and MKV files and preset JSON, each with a few random bytes overwritten and sometimes
# cut short. Every case must end in exit 0 or 2 within its time limit; anything else
# (a crash, a sanitizer report, a hang) is listed with the file kept for a reproduction.
# Not part of `make test`: about 20 minutes for 2,000 cases on two cores.
# Usage: tests/faults/fuzz_inputs.sh BUILD_DIR [CASES [SEED [JOBS]]]
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:?usage: fuzz_inputs.sh BUILD_DIR [CASES [SEED [JOBS]]]}" && pwd)
cases=${2:-2000} seed=${3:-1} jobs=${4:-2}
tessory="$build/bin/tessory"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures="$root/build-fuzz-failures"
export ASAN_OPTIONS=detect_leaks=1:intercept_tls_get_addr=0
export LSAN_OPTIONS=suppressions=$root/tests/sanitizer/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

# Seeds: small, so each case is about decoding, not rendering.
"$tessory" render -q -o "$work/seed.png" --downsample 30 >/dev/null 2>&1 ||
  ffmpeg -nostdin -v error -f lavfi -i testsrc=size=64x36 -frames:v 1 "$work/seed.png"
for ext in tif exr jpg; do
  ffmpeg -nostdin -v error -i "$work/seed.png" "$work/seed.$ext"
done
ffmpeg -nostdin -v error -f lavfi -i testsrc=size=64x36:rate=10 -t 0.5 -pix_fmt yuv420p \
  "$work/seed.mp4"
ffmpeg -nostdin -v error -f lavfi -i testsrc=size=64x36:rate=10 -t 0.5 -c:v ffv1 "$work/seed.mkv"
printf '%s' '{"Shape Type": "Hexagon", "Instances": 8, "Shape Size 1": [[0, 10], [1, 30]], "Shape Center": [20, 10], "Shadow Color": "#FF8000"}' \
  >"$work/seed.json"
kinds=(png tif exr jpg mp4 mkv json)

# One case: copy a seed, overwrite 1 to 8 bytes at random places, maybe cut it short.
mutate() {
  local src=$1 dst=$2 n size off i
  cp "$src" "$dst"
  size=$(stat -c %s "$dst")
  n=$((RANDOM % 8 + 1))
  for ((i = 0; i < n; i++)); do
    off=$(((RANDOM * 32768 + RANDOM) % size))
    printf "\\x$(printf %02x $((RANDOM % 256)))" |
      dd of="$dst" bs=1 seek="$off" conv=notrunc status=none
  done
  if ((RANDOM % 5 == 0)); then truncate -s $(((RANDOM * 32768 + RANDOM) % size)) "$dst"; fi
}

run_case() {
  local i=$1 kind=$2 file=$3 out status
  if [ "$kind" = json ]; then
    out="$work/out$i.png"
    timeout 60 "$tessory" render -q -i "$work/seed.png" -p "$file" -o "$out" >/dev/null 2>"$file.err"
  elif [ "$kind" = mp4 ] || [ "$kind" = mkv ]; then
    out="$work/out$i.mkv"
    timeout 60 "$tessory" render -q -i "$file" -o "$out" >/dev/null 2>"$file.err"
  else
    out="$work/out$i.png"
    timeout 60 "$tessory" render -q -i "$file" -o "$out" >/dev/null 2>"$file.err"
  fi
  status=$?
  rm -f "$out"
  echo "$status $kind $file"
}

RANDOM=$seed
: >"$work/results"
for ((i = 0; i < cases; i++)); do
  kind=${kinds[$((i % ${#kinds[@]}))]}
  file="$work/case$i.$kind"
  mutate "$work/seed.$kind" "$file"
  run_case "$i" "$kind" "$file" >>"$work/results" &
  while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do wait -n; done
done
wait

ok=0 refused=0 bad=0
while read -r status kind file; do
  case $status in
    0) ok=$((ok + 1)); rm -f "$file" "$file.err" ;;
    2) refused=$((refused + 1)); rm -f "$file" "$file.err" ;;
    *)
      bad=$((bad + 1))
      mkdir -p "$failures"
      cp "$file" "$file.err" "$failures/" 2>/dev/null
      echo "FAIL: exit $status on a mutated $kind ($failures/$(basename "$file"))"
      ;;
  esac
done <"$work/results"
echo "fuzz: $cases cases (seed $seed): $ok rendered, $refused refused with exit 2, $bad failed"
[ "$bad" -eq 0 ]
