#!/usr/bin/env bash
# The install rules and the Debian package: what lands where, that the installed program
# and filter find the installed effect (never the build's), and the package's file list and
# dependencies. Usage: install_test.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
tmp=$(mktemp -d)
obs=
trap '[ -n "$obs" ] && kill "$obs" 2>/dev/null; rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

expected=(
  bin/tessory
  lib/tessory/Tessory.so
  lib/tessory/tessory-stills-oiio.so
  lib/frei0r-1/tessory.so
  lib/x86_64-linux-gnu/mlt-7/libmlttessory.so
  lib/x86_64-linux-gnu/obs-plugins/qx-tessory.so
  share/obs/obs-plugins/qx-tessory/locale/en-US.ini
  share/obs/obs-plugins/qx-tessory/tessory-copy.effect
  share/kdenlive/effects/tessory.xml
  share/shotcut/qml/filters/tessory/meta.qml
  share/shotcut/qml/filters/tessory/ui.qml
  share/man/man1/tessory.1
)

# Staged install under /usr, as a package would lay it out.
DESTDIR="$tmp/stage" cmake --install "$build" --prefix /usr >/dev/null
root="$tmp/stage/usr"
for f in "${expected[@]}"; do
  [ -f "$root/$f" ] || fail "installed tree lacks $f"
done
# MLT and GStreamer open every library in the frei0r folder as a filter.
[ "$(ls "$root/lib/frei0r-1")" = "tessory.so" ] || fail "lib/frei0r-1 holds more than the filter"
installed=$(find "$root" -type f | wc -l)
[ "$installed" -eq "${#expected[@]}" ] || fail "installed $installed files, expected ${#expected[@]}"

# The installed program and filter load the installed effect even with the build around.
unset TESSORY_PLUGIN FREI0R_PATH
"$root/bin/tessory" --help | grep -q -- "--plugin TEXT=$root/lib/tessory/Tessory.so" ||
  fail "the installed tessory does not default to the installed effect"
# OpenEXR is written through the still module, which the program finds beside the effect.
"$root/bin/tessory" render -q -o "$tmp/cli.exr" --set "Instances=3" ||
  fail "the installed tessory cannot render"
[ -s "$tmp/cli.exr" ] || fail "the installed tessory wrote no OpenEXR file"
FREI0R_PATH="$root/lib/frei0r-1" ffmpeg -nostdin -v error -f lavfi -i color=white:size=64x48 \
  -frames:v 1 -vf frei0r=filter_name=tessory -f rawvideo -pix_fmt rgba "$tmp/f.rgba" 2>"$tmp/err" ||
  fail "FFmpeg with the installed filter failed: $(cat "$tmp/err")"
if grep -q "pass through" "$tmp/err"; then fail "the installed filter did not find the effect"; fi
# melt finds the installed MLT module in a repository folder as MLT's own, and it finds the
# installed effect.
mkdir "$tmp/repository"
ln -s "$root/lib/x86_64-linux-gnu/mlt-7/libmlttessory.so" /usr/lib/x86_64-linux-gnu/mlt-7/*.so \
  "$tmp/repository/" 2>/dev/null || true
MLT_REPOSITORY="$tmp/repository" melt -silent color:white out=1 -filter tessory Instances=3 \
  -consumer avformat:"$tmp/m.mkv" vcodec=ffv1 an=1 real_time=-1 2>"$tmp/merr" >/dev/null ||
  fail "melt with the installed module failed: $(cat "$tmp/merr")"
if grep -q "tessory (mlt)" "$tmp/merr"; then fail "the installed module: $(cat "$tmp/merr")"; fi
[ -s "$tmp/m.mkv" ] || fail "melt with the installed module wrote nothing"

# OBS Studio's own program, under Xvfb, with the installed module as a user's plug-in: it
# loads the module and the filter of a scene collection, and logs both.
home="$tmp/home"
config="$home/.config/obs-studio"
mkdir -p "$config/plugins/qx-tessory/bin/64bit" "$config/basic/scenes"
ln -s "$root/lib/x86_64-linux-gnu/obs-plugins/qx-tessory.so" "$config/plugins/qx-tessory/bin/64bit/"
ln -s "$root/share/obs/obs-plugins/qx-tessory" "$config/plugins/qx-tessory/data"
ffmpeg -nostdin -v error -f lavfi -i testsrc2=s=320x240 -frames:v 1 "$tmp/picture.png"
cat >"$config/basic/scenes/Tessory.json" <<EOF
{"current_scene": "Scene", "current_program_scene": "Scene", "name": "Tessory",
 "scene_order": [{"name": "Scene"}],
 "sources": [
  {"id": "scene", "versioned_id": "scene", "name": "Scene",
   "settings": {"id_counter": 1, "items": [{"name": "Picture", "id": 1, "visible": true}]}},
  {"id": "image_source", "versioned_id": "image_source", "name": "Picture",
   "settings": {"file": "$tmp/picture.png"},
   "filters": [{"id": "qx_tessory", "versioned_id": "qx_tessory", "name": "QX Tessory",
                "settings": {"instances": 8}}]}]}
EOF
mkdir -m 700 "$tmp/runtime"
HOME="$home" XDG_RUNTIME_DIR="$tmp/runtime" xvfb-run -a -s "-screen 0 1280x800x24" obs --multi --disable-shutdown-check \
  --disable-updater --collection Tessory >"$tmp/obs.out" 2>&1 &
runner=$!
# The collection is logged once loaded; then OBS is asked to quit, and xvfb-run ends its
# server.
for _ in $(seq 120); do
  grep -qs "filter: \|Loaded scenes:" "$config"/logs/*.txt && break
  sleep 0.5
done
sleep 1
log=$(cat "$config"/logs/*.txt 2>/dev/null || true)
obs=$(pgrep -P "$runner" -x obs || true)
if [ -n "$obs" ]; then kill "$obs"; fi
wait "$runner" || true
obs=
grep -q "^[0-9:.]*:     qx-tessory.so$" <<<"$log" || fail "OBS did not load the module: $log"
grep -q "filter: 'QX Tessory' (qx_tessory)" <<<"$log" || fail "OBS has no QX Tessory filter: $log"
if grep -q "\[qx-tessory\]" <<<"$log"; then fail "the OBS module: $(grep qx-tessory <<<"$log")"; fi

# The package: the same files under /usr, and dependencies from the linked libraries.
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$tmp/pkg" >/dev/null
deb=$(ls "$tmp"/pkg/*.deb)
listing=$(dpkg-deb -c "$deb")
for f in "${expected[@]}"; do
  grep -q "\./usr/$f\$" <<<"$listing" || fail "package lacks /usr/$f"
done
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libglbinding libavcodec libegl1 libopenimageio libobs0; do
  grep -q "$lib" <<<"$depends" || fail "Depends lacks $lib: $depends"
done
echo "installed ${#expected[@]} files; package $(basename "$deb"); Depends: $depends"
