# Sourced by the editor sessions: the program's process, screenshots, failure, and its main
# window at the size the steps' coordinates are for. The caller sets `out` and `t` (a
# scratch folder) and starts the program as `pid`.

pid=
cleanup() {
  local status=$?
  # The editors do not always end on SIGTERM while a dialog is open.
  if [ -n "$pid" ]; then
    kill -KILL "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  fi
  rm -rf "$t"
  exit "$status"
}
trap cleanup EXIT

shot() { import -window root "$out/$1.png"; }
fail() {
  shot failed
  echo "FAIL: $1 (screen in $out/failed.png)" >&2
  exit 1
}

# The main window of program CLASS, not a splash screen: its title ends in " - TITLE" or
# " — TITLE". Waits for it, lets it fill in for SETTLE seconds and makes it 1600x1000.
# Usage: main_window CLASS TITLE SETTLE; sets `window`.
main_window() {
  window=
  for _ in $(seq 90); do
    for w in $(xdotool search --onlyvisible --class "$1" 2>/dev/null); do
      case "$(xdotool getwindowname "$w")" in *" $2") window=$w ;; esac
    done
    [ -n "$window" ] && break
    kill -0 "$pid" 2>/dev/null || fail "$2 ended"
    sleep 1
  done
  [ -n "$window" ] || fail "no $2 window"
  sleep "$3"
  # Without a window manager the first requests can be lost while the program lays itself out.
  local size=
  for _ in $(seq 15); do
    xdotool windowsize "$window" 1600 1000
    sleep 2
    size=$(xdotool getwindowgeometry "$window" | sed -n 's/.*Geometry: //p')
    [ "$size" = 1600x1000 ] && return
  done
  fail "the window did not take the size the steps expect"
}
