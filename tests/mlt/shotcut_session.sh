#!/usr/bin/env bash
# A user's session in the real Shotcut under Xvfb: a picture is opened, "QX Tessory" is
# added from the Filters panel and the project saved (OUT/fresh.mlt); then Shape Size 1 is
# typed in, saved as the preset "smaller", reset with its button, the preset chosen again,
# and the project saved (OUT/preset.mlt). Screenshots go beside them. Shotcut reads
# filters only from the qml folder beside its executable, so the session runs a copy of the
# program in a prefix of its own with our filter folder. The steps are mouse and key events
# at the places Shotcut 22.12 puts its panels in a 1600x1000 window.
# Usage: shotcut_session.sh OUT PICTURE SHOTCUT_FILTER_DIR MLT_REPOSITORY   (PICTURE: 1920x1080)
set -euo pipefail
if [ -z "${TESSORY_IN_XVFB:-}" ]; then
  export TESSORY_IN_XVFB=1
  exec xvfb-run -a -s "-screen 0 1600x1000x24" "$0" "$@"
fi
out=$1 picture=$2 panel=$3 repository=$4
t=$(mktemp -d)
. "$(dirname "$0")/editor_session.sh"

mkdir -p "$t/bin" "$t/share/shotcut/qml/filters" "$t/home" "$t/appdata"
cp "$(command -v shotcut)" "$t/bin/shotcut"
for d in /usr/share/shotcut/*; do
  [ "$(basename "$d")" = qml ] || ln -s "$d" "$t/share/shotcut/"
done
for d in /usr/share/shotcut/qml/*; do
  [ "$(basename "$d")" = filters ] || ln -s "$d" "$t/share/shotcut/qml/"
done
for d in /usr/share/shotcut/qml/filters/*; do ln -s "$d" "$t/share/shotcut/qml/filters/"; done
cp -r "$panel" "$t/share/shotcut/qml/filters/tessory"

HOME=$t/home MLT_REPOSITORY=$repository LIBGL_ALWAYS_SOFTWARE=1 \
  "$t/bin/shotcut" --noupgrade --appdata "$t/appdata" "$picture" >"$out/shotcut.log" 2>&1 &
pid=$!

main_window shotcut Shotcut 5
sleep 2
grep -q 'added filter "QX Tessory"' "$t/appdata/shotcut-log.txt" || fail "Shotcut did not list the filter"

# Filters panel, "+", search, and a click adds the filter to the open clip.
xdotool mousemove 103 710 click 1
sleep 2
xdotool mousemove 21 289 click 1
sleep 2
xdotool type --delay 50 "Tessory"
sleep 2
xdotool mousemove 93 207 click 1
sleep 4
shot added

save_as() {
  xdotool key ctrl+shift+s
  sleep 2
  xdotool key ctrl+a
  xdotool type --delay 20 "$1"
  xdotool key Return
  sleep 3
  [ -f "$1" ] || fail "the project was not saved as $1"
}
save_as "$out/fresh.mlt"

# Shape Size 1 typed in, kept as a preset, reset, and the preset chosen again.
xdotool mousemove 447 378 click --repeat 2 1
sleep 0.5
xdotool key ctrl+a
xdotool type "120"
xdotool key Return
sleep 1
xdotool mousemove 487 321 click 1
sleep 2
xdotool type "smaller"
xdotool key Return
sleep 2
[ -f "$t/appdata/presets/tessory/smaller" ] || fail "no preset was saved"
cp "$t/appdata/presets/tessory/smaller" "$out/preset.yml"
xdotool mousemove 532 378 click 1
sleep 1
shot reset
xdotool mousemove 320 321 click 1
sleep 1
xdotool mousemove 206 379 click 1
sleep 2
shot preset
save_as "$out/preset.mlt"
echo "Shotcut saved $out/fresh.mlt and $out/preset.mlt"
