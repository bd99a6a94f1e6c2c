#!/usr/bin/env bash
# A user's session in the real Kdenlive under Xvfb: a picture goes from the bin onto the
# timeline, "QX Tessory" is found in the effect list and added to the clip, the project is
# saved (OUT/fresh.kdenlive), Instances 8 and Scale X Offset 30 are typed into their
# sliders and the project is saved again (OUT/typed.kdenlive). Screenshots of the panel go
# beside them. Kdenlive has no scripting interface for this, so the steps are mouse and
# key events at the places a fresh Kdenlive 22.12 puts its panels in a 1600x1000 window.
# Usage: kdenlive_session.sh OUT PICTURE EFFECT_XML MLT_REPOSITORY   (PICTURE: 1920x1080)
set -euo pipefail
if [ -z "${TESSORY_IN_XVFB:-}" ]; then
  export TESSORY_IN_XVFB=1
  exec dbus-run-session -- xvfb-run -a -s "-screen 0 1600x1000x24" "$0" "$@"
fi
out=$1 picture=$2 xml=$3 repository=$4
t=$(mktemp -d)
. "$(dirname "$0")/editor_session.sh"
mkdir -p "$t"/{home,config,cache,run,tmp,data/kdenlive/effects}
chmod 700 "$t/run"
cp "$xml" "$t/data/kdenlive/effects/"
# A clean profile each time; Kdenlive's lock file lives in TMPDIR.
export HOME=$t/home XDG_DATA_HOME=$t/data XDG_CONFIG_HOME=$t/config XDG_CACHE_HOME=$t/cache \
  XDG_RUNTIME_DIR=$t/run TMPDIR=$t/tmp MLT_REPOSITORY=$repository LIBGL_ALWAYS_SOFTWARE=1 KDE_DEBUG=1
kdenlive -i "$picture" >"$out/kdenlive.log" 2>&1 &
pid=$!

main_window kdenlive Kdenlive 12 # the bin, monitors and timeline fill in after the window shows

# The picture from the bin onto track V1.
xdotool mousemove 62 115 mousedown 1
sleep 0.3
for x in 80 120 200 280 345; do
  xdotool mousemove "$x" $((115 + (x - 62) * 2))
  sleep 0.2
done
xdotool mousemove 345 700
sleep 0.5
xdotool mouseup 1
sleep 2
xdotool mousemove 374 715 click 1  # select the clip
sleep 1
# Effects tab, search, and a double click adds the effect to the selected clip.
xdotool mousemove 236 466 click 1
sleep 1
xdotool mousemove 200 77 click 1
sleep 0.5
xdotool type --delay 50 "Tessory"
sleep 2
shot list
xdotool mousemove 93 117 click --repeat 2 --delay 100 1
sleep 4
shot added

save() {
  xdotool key ctrl+s
  sleep 2
  if [ -n "${1:-}" ]; then
    xdotool type --delay 20 "$1"
    xdotool key Return
    sleep 3
  fi
}
save "$out/project.kdenlive"
[ -f "$out/project.kdenlive" ] || fail "the project was not saved"
grep -q '<property name="mlt_service">tessory</property>' "$out/project.kdenlive" ||
  fail "the effect is not in the saved project"
cp "$out/project.kdenlive" "$out/fresh.kdenlive"

# Typed values: a click on a slider's number box edits it.
type_into() {
  xdotool mousemove "$1" "$2" click 1
  sleep 0.5
  xdotool key ctrl+a
  xdotool type "$3"
  xdotool key Return
  sleep 1
}
xdotool mousemove 1400 850
for _ in $(seq 12); do
  xdotool click 5
  sleep 0.1
done
sleep 1
type_into 1562 671 8
type_into 1555 821 30
shot typed
save
cp "$out/project.kdenlive" "$out/typed.kdenlive"
echo "Kdenlive saved $out/fresh.kdenlive and $out/typed.kdenlive"
