#!/usr/bin/env bash
# What scripts/camlab promises: labs that never collide, no default route,
# labs of dead owners removed by the next create while live ones stay, an
# idempotent destroy, and a clear refusal without root.
set -euo pipefail
camlab=${1:?usage: camlab_test.sh PATH-TO-CAMLAB}
labs=()
helpers=()
cleanup() {
    local id pid
    for pid in "${helpers[@]}"; do kill "$pid" 2>/dev/null || true; done
    for id in "${labs[@]}"; do bash "$camlab" destroy "$id" >/dev/null 2>&1 || true; done
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
[[ $(id -u) -eq 0 ]] || fail "camlab tests need root (network namespaces)"

new_lab() { # owner pid -> sets CAMLAB_* variables
    local out
    out=$(bash "$camlab" create --owner "$1") || fail "create failed: $out"
    eval "$out"
    labs+=("$CAMLAB_ID")
}
ns_exists() { ip netns list | grep -qw "$1"; }

sleep 600 &
live=$!
helpers+=("$live")
sleep 600 &
doomed=$!
helpers+=("$doomed")

new_lab "$live"
first_id=$CAMLAB_ID first_ws=$CAMLAB_WS_NS first_cam=$CAMLAB_CAM_NS
[[ $first_id =~ ^[0-9a-f]{6}$ ]] || fail "lab id '$first_id' is not six hex digits"
[[ ${#CAMLAB_WS_IF} -le 15 && ${#CAMLAB_CAM_IF} -le 15 ]] || fail "interface names too long"
ip -n "$first_ws" -4 addr show dev "$CAMLAB_WS_IF" | grep -q "inet $CAMLAB_WS_IP/" || fail "workstation address missing"
for ns in "$first_ws" "$first_cam"; do
    [[ -z $(ip -n "$ns" route show default) ]] || fail "$ns has a default route"
    [[ -z $(ip -n "$ns" -6 route show default 2>/dev/null) ]] || fail "$ns has an IPv6 default route"
done
ip -n "$first_cam" link show "$CAMLAB_CAM_IF" >/dev/null || fail "camera end of the link missing"
ip -n "$first_ws" route show 224.0.0.0/4 | grep -q "dev $CAMLAB_WS_IF" || fail "workstation has no multicast route on the lab link"
ip -n "$first_cam" route show 224.0.0.0/4 | grep -q "dev $CAMLAB_CAM_IF" || fail "camera side has no multicast route on the lab link"
[[ $(bash "$camlab" run --id "$first_id" cat /proc/self/net/dev | grep -c "$CAMLAB_WS_IF") -eq 1 ]] ||
    fail "run does not execute in the workstation namespace"

new_lab "$doomed"
second_id=$CAMLAB_ID second_ws=$CAMLAB_WS_NS
[[ $second_id != "$first_id" ]] || fail "two labs got the same id"

# The second lab's owner dies; the next create removes that lab only.
kill "$doomed"
wait "$doomed" 2>/dev/null || true
new_lab "$live"
ns_exists "$second_ws" && fail "the lab of a dead owner was not removed"
[[ -d /run/zendrix-camlab/$second_id ]] && fail "the record of a removed lab stayed"
ns_exists "$first_ws" || fail "a lab with a live owner was removed"

bash "$camlab" destroy "$first_id" || fail "destroy failed"
bash "$camlab" destroy "$first_id" || fail "a second destroy of the same lab failed"
ns_exists "$first_ws" && fail "destroy left the namespace"

if message=$(setpriv --reuid=65534 --regid=65534 --clear-groups bash "$camlab" create 2>&1); then
    fail "create ran without root"
fi
[[ $message == *"needs root"* ]] || fail "refusal without root does not say why: $message"
echo "camlab: all checks passed"
