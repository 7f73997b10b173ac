# Sourced by the lab tests of the simulator's ONVIF cameras: onvif-util, the npm client
# installed exactly as the lock file says, a camlab with vtcamsim running a
# site file in its camera namespace, and `ws` to run a command in the
# workstation namespace. The lab and the simulator go when the test ends.
# usage: source lab.sh; onvif_lab_prepare WORKDIR; onvif_lab_start CAMLAB VTCAMSIM SITE COUNT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

onvif_lab_prepare() {
    local work=$1 here
    here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
    [[ $(id -u) -eq 0 ]] || fail "the lab needs root (network namespaces)"
    command -v node >/dev/null && command -v npm >/dev/null || fail "node and npm are missing"
    command -v onvif-util >/dev/null || fail "onvif-util is missing (Debian onvif-tools; scripts/setup installs it)"
    mkdir -p "$work"
    cp "$here/package.json" "$here/package-lock.json" "$work/"
    if ! cmp -s "$work/package-lock.json" "$work/node_modules/.installed-lock.json" 2>/dev/null; then
        (cd "$work" && npm ci --no-audit --no-fund --loglevel=error) || fail "npm ci failed"
        cp "$work/package-lock.json" "$work/node_modules/.installed-lock.json"
    fi
    export NODE_PATH=$work/node_modules
}

lab_id=""
sim=""
onvif_lab_cleanup() {
    [[ -n $sim ]] && kill "$sim" 2>/dev/null && wait "$sim" 2>/dev/null
    [[ -n $lab_id ]] && bash "$onvif_lab_camlab" destroy "$lab_id" >/dev/null 2>&1
    true
}

onvif_lab_start() {
    onvif_lab_camlab=$1
    local vtcamsim=$2 site=$3 count=$4 log
    trap onvif_lab_cleanup EXIT
    eval "$(bash "$onvif_lab_camlab" create --owner $$)"
    lab_id=$CAMLAB_ID
    log=$(dirname "$site")/vtcamsim.log
    ip netns exec "$CAMLAB_CAM_NS" "$vtcamsim" --interface "$CAMLAB_CAM_IF" --count "$count" \
        --base-ip 192.168.5.100 --password qr7319 --config "$site" >"$log" 2>&1 &
    sim=$!
    for _ in $(seq 1 200); do
        grep -qs "vtcamsim ready" "$log" && break
        kill -0 "$sim" 2>/dev/null || break
        sleep 0.1
    done
    grep -q "vtcamsim ready" "$log" || fail "vtcamsim did not start: $(cat "$log")"
}

ws() { ip netns exec "$CAMLAB_WS_NS" "$@"; }
