#!/usr/bin/env bash
# A real Shotcut under Xvfb lists the filter: its log says it added "QX Tessory" from our
# meta.qml, which it does only when MLT can make frei0r.tessory. Shotcut reads filters from
# the qml folder beside its own executable only, so the test makes a prefix of its own: a
# copy of the program, links to its qml folders, and our filter folder.
# Usage: shotcut_test.sh SOURCE_DIR FREI0R_DIR
set -euo pipefail
src=$1
frei0r=$2
tmp=$(mktemp -d)
pid=
cleanup() {
  # Shotcut itself is stopped, so that xvfb-run ends normally and takes its server along.
  if [ -n "$pid" ]; then
    pkill -TERM -P "$pid" -x shotcut 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  fi
  rm -rf "$tmp"
}
trap cleanup EXIT

mkdir -p "$tmp/bin" "$tmp/share/shotcut/qml/filters" "$tmp/home" "$tmp/appdata"
cp "$(command -v shotcut)" "$tmp/bin/shotcut"
for d in /usr/share/shotcut/*; do
  [ "$(basename "$d")" = qml ] || ln -s "$d" "$tmp/share/shotcut/"
done
for d in /usr/share/shotcut/qml/*; do
  [ "$(basename "$d")" = filters ] || ln -s "$d" "$tmp/share/shotcut/qml/"
done
for d in /usr/share/shotcut/qml/filters/*; do ln -s "$d" "$tmp/share/shotcut/qml/filters/"; done
mkdir "$tmp/share/shotcut/qml/filters/tessory"
cp "$src/Bridges/frei0r/shotcut/meta.qml" "$src/Bridges/frei0r/shotcut/ui.qml" \
  "$tmp/share/shotcut/qml/filters/tessory/"

log="$tmp/appdata/shotcut-log.txt"
FREI0R_PATH="$frei0r" HOME="$tmp/home" xvfb-run -a "$tmp/bin/shotcut" --noupgrade \
  --appdata "$tmp/appdata" >"$tmp/run.log" 2>&1 &
pid=$!
for _ in $(seq 120); do
  if grep -q 'added filter "QX Tessory"' "$log" 2>/dev/null; then
    echo "Shotcut added the filter:"
    grep 'filter metadata "tessory"\|added filter "QX Tessory"' "$log"
    exit 0
  fi
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.5
done
echo "FAIL: Shotcut did not add the filter" >&2
grep -i tessory "$log" "$tmp/run.log" >&2 || tail -20 "$tmp/run.log" >&2
exit 1
