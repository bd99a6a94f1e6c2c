#!/usr/bin/env bash
# Applies each deliberate fault of faults.tsv alone, rebuilds, and runs the test programs
# until one fails: the area's own programs first, then all the others. Prints one line per
# fault, "caught" or "MISSED", and restores the source after each. A fault whose text is not
# found once in its file counts as missed. --check only looks for each fault's text, building
# nothing: the table follows the code as files move and change.
# Usage: tests/faults/run.sh BUILD_DIR [fault-id...]
#        tests/faults/run.sh --check
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
table="$(dirname "$0")/faults.tsv"

# apply FILE TEXT REPLACEMENT [--dry]: the fault's text, once in FILE, replaced.
apply() {
    python3 - "$@" <<'PY'
import sys
path, old, new = sys.argv[1:4]
unescape = lambda s: s.replace("\\n", "\n").replace("\\t", "\t").replace("\\\\", "\\")
old, new = unescape(old), unescape(new)
text = open(path).read()
if text.count(old) != 1:
    sys.exit(f"{path}: the fault's text occurs {text.count(old)} times")
if sys.argv[4:] != ["--dry"]:
    open(path, "w").write(text.replace(old, new))
PY
}

check=false
if [[ "${1:-}" == --check ]]; then
    check=true
else
    build=$(cd "${1:?usage: run.sh BUILD_DIR [fault-id...]}" && pwd)
fi
shift
only=" $* "

declare -A first=(
    [render]="effect_tests gl_tests"
    [cpu]="effect_tests reliability_tests"
    [host]="host_tests effect_tests tessory_tests"
    [gl]="gl_tests effect_tests"
    [cli]="tessory_tests"
    [bridge]="frei0r_tests"
    [math]="math_tests effect_tests"
    [helper]="helper_tests reliability_tests"
)
all="effect_tests gl_tests host_tests helper_tests math_tests tessory_tests frei0r_tests reliability_tests"

caught=0 missed=0
# The table is read on its own descriptor: the programs under test must not eat it.
while IFS=$'\t' read -r -u 3 id area file text replacement; do
    [[ -z "$id" || "$id" == \#* ]] && continue
    [[ "$only" != "  " && "$only" != *" $id "* ]] && continue
    src="$root/$file"
    if ! apply "$src" "$text" "$replacement" --dry; then
        printf '%-20s %-7s %s\n' "$id" "$area" "MISSED (not applied)"
        missed=$((missed + 1))
        continue
    fi
    $check && continue
    backup=$(mktemp)
    cp "$src" "$backup"
    apply "$src" "$text" "$replacement"
    verdict=MISSED
    by=""
    if ! cmake --build "$build" >/dev/null 2>&1; then
        verdict="does not build"
    else
        seen=" "
        for prog in ${first[$area]} $all; do
            [[ "$seen" == *" $prog "* ]] && continue
            seen+="$prog "
            if ! (cd "$build" && timeout 600 "bin/$prog" --gtest_brief=1 </dev/null >/dev/null 2>&1); then
                verdict=caught
                by=$prog
                break
            fi
        done
    fi
    cp "$backup" "$src"
    touch "$src"
    rm -f "$backup"
    [[ $verdict == caught ]] && caught=$((caught + 1)) || missed=$((missed + 1))
    printf '%-20s %-7s %s %s\n' "$id" "$area" "$verdict" "$by"
done 3<"$table"
if $check; then
    echo "$missed faults not applicable"
else
    cmake --build "$build" >/dev/null 2>&1
    echo "caught $caught, not caught $missed"
fi
[[ $missed == 0 ]]
