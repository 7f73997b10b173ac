#!/usr/bin/env bash
# The README's first command, as CI can run it: scripts/demo refuses to start
# without a display unless told to run offscreen, starts the whole demo site,
# runs the program and removes the lab when the program ends or when the
# script is told to stop; --screenshots takes every picture the user guide shows.
set -euo pipefail
demo=${1:?usage: demo_test.sh PATH-TO-DEMO BUILD-DIR}
export BUILD_DIR=${2:?usage: demo_test.sh PATH-TO-DEMO BUILD-DIR}
camlab=$(dirname "$demo")/camlab
out=$(mktemp)
shots=$(mktemp -d)
script=""
cleanup() {
    [[ -n $script ]] && kill "$script" 2>/dev/null || true
    rm -rf "$out" "$shots"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*" >&2
    cat "$out" >&2
    exit 1
}
[[ $(id -u) -eq 0 ]] || fail "the demo test needs root (network namespaces)"

lab_of() { sed -n 's/^demo: lab \([0-9a-f]\{6\}\) .*/\1/p' "$out" | head -1; }
lab_gone() { ! ip netns list | grep -q "zx-$1-" && [[ ! -d /run/zendrix-camlab/$1 ]]; }

# No display: it says so and makes no lab.
if env -u DISPLAY -u WAYLAND_DISPLAY bash "$demo" >"$out" 2>&1; then fail "started without a display"; fi
grep -q "there is no display" "$out" || fail "no word about the display"
[[ -z $(lab_of) ]] || fail "a lab was made without a display"

# Offscreen for a few seconds: the site's cameras run, the program ends, the lab goes.
env -u DISPLAY bash "$demo" --offscreen 4 >"$out" 2>&1 || fail "the offscreen run failed"
id=$(lab_of)
[[ -n $id ]] || fail "the demo named no lab"
grep -q "the program ran 4 s and was closed" "$out" || fail "the program did not run its time"
lab_gone "$id" || fail "lab $id is left behind"

# Stopped from outside while the program runs: the program closes and the lab goes.
# A busy machine may take a while to start it, so it is given up to two minutes.
env -u DISPLAY bash "$demo" --offscreen 300 >"$out" 2>&1 &
script=$!
for _ in $(seq 1 600); do
    grep -q "running offscreen" "$out" && break
    sleep 0.2
done
id=$(lab_of)
[[ -n $id ]] || fail "the demo named no lab"
grep -q "vtcamsim ready: 30 cameras" "/run/zendrix-camlab/$id/vtcamsim.log" || fail "the site's 30 cameras are not up"
addresses=$("$camlab" cam --id "$id" ip -4 -o addr show | grep -c "inet \(192\.168\.5\|10\.20\.30\|172\.16\.8\|10\.44\.7\)\.")
[[ $addresses -eq 29 ]] || fail "the site has 29 distinct camera addresses, the lab $addresses"
sleep 2
programs=$(ip netns pids "zx-$id-ws")
[[ -n $programs ]] || fail "nothing runs in the workstation namespace"
kill -TERM "$script"
wait "$script" || true
script=""
lab_gone "$id" || fail "lab $id is left behind after the script was stopped"
for pid in $programs; do
    if kill -0 "$pid" 2>/dev/null; then fail "process $pid of the program outlived its lab"; fi
done
# The guide's pictures: one command takes every one the guide shows.
bash "$demo" --screenshots "$shots" >"$out" 2>&1 || fail "the screenshots run failed"
guide=$(dirname "$demo")/../docs/user-guide.md
pictures=$(grep -o 'screenshots/[A-Za-z0-9_-]*\.png' "$guide" | sort -u)
[[ -n $pictures ]] || fail "the guide shows no screenshots"
for picture in $pictures; do
    [[ -s $shots/${picture#screenshots/} ]] || fail "the screenshots run did not take ${picture#screenshots/}"
done
[[ $(identify -format '%w' "$shots/network-en.png") -ge 800 ]] || fail "the window picture is too small"
echo "demo test passed"
