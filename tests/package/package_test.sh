#!/usr/bin/env bash
# The packages as a user gets them. CPack builds zendrix and zendrix-vtcamsim;
# dpkg installs both into a scratch root (their maintainer scripts run against
# it through DPKG_ROOT), so the programs carry the capture capabilities there.
# The scratch /usr is then laid over the system's in a private mount namespace
# inside the lab, which puts every file where the package puts it (/usr/bin,
# /usr/lib/zendrix, /usr/share/zendrix) without touching the real system. As
# the user nobody, zendrix-cli must find the lab's cameras and the window must
# open capture, read its language files from the share folder and keep its
# files under $XDG_DATA_HOME/zendrix. Removing the package must take the
# capabilities away, also from a hard link to a program.
set -euo pipefail
cpack=${1:?usage: package_test.sh CPACK CPACK-CONFIG CAMLAB}
config=${2:?usage: package_test.sh CPACK CPACK-CONFIG CAMLAB}
camlab=${3:?usage: package_test.sh CPACK CPACK-CONFIG CAMLAB}
cameras=3

fail() {
    echo "FAIL: $*" >&2
    exit 1
}
[[ $(id -u) -eq 0 ]] || fail "the package test needs root (dpkg into a scratch root, setcap, network namespaces)"

scratch=$(mktemp -d "${TMPDIR:-/tmp}/zendrix-package.XXXXXX")
chmod 755 "$scratch"
root=$scratch/root
lab_id=""
children=()
cleanup() {
    local pid
    for pid in "${children[@]}"; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    [[ -z $lab_id ]] || bash "$camlab" destroy "$lab_id" >/dev/null 2>&1 || true
    rm -rf "$scratch"
}
trap cleanup EXIT

# --- the packages --------------------------------------------------------------
"$cpack" -G DEB --config "$config" -B "$scratch/out" >"$scratch/cpack.log" 2>&1 ||
    { cat "$scratch/cpack.log" >&2; fail "cpack could not build the packages"; }
program_deb=$(find "$scratch/out" -maxdepth 1 -name 'zendrix_*.deb')
simulator_deb=$(find "$scratch/out" -maxdepth 1 -name 'zendrix-vtcamsim_*.deb')
[[ -f $program_deb && -f $simulator_deb ]] || fail "cpack made no zendrix and zendrix-vtcamsim packages: $(ls "$scratch/out")"

depends=$(dpkg-deb -f "$program_deb" Depends)
for wanted in libcap2-bin libqt6widgets6 libpcap0.8 libc6; do
    [[ $depends == *"$wanted"* ]] || fail "zendrix does not depend on $wanted: $depends"
done
for wanted in libpcap0.8 libgstrtspserver-1.0-0 gstreamer1.0-plugins-ugly; do
    [[ $(dpkg-deb -f "$simulator_deb" Depends) == *"$wanted"* ]] || fail "zendrix-vtcamsim does not depend on $wanted"
done
contents=$(dpkg-deb -c "$program_deb")
[[ $contents != *vtcamsim* ]] || fail "the simulator is in the program's package"

# --- installed into the scratch root --------------------------------------------
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
touch "$root/var/lib/dpkg/status" "$root/var/lib/dpkg/available"
dpkg_scratch() {
    # The system's libraries are not in the scratch database: their absence is
    # no fault here. The scripts run unchrooted, with DPKG_ROOT set.
    dpkg --root="$root" --log="$scratch/dpkg.log" --force-script-chrootless --force-depends "$@" \
        >>"$scratch/dpkg.out" 2>&1 || { cat "$scratch/dpkg.out" >&2; fail "dpkg $* failed"; }
}
dpkg_scratch --install "$program_deb" "$simulator_deb"

for file in usr/bin/zendrix usr/bin/zendrix-cli usr/bin/vtcamsim usr/lib/zendrix/libtivox.so \
    usr/lib/zendrix/libVtIpcSDK.so usr/share/zendrix/Lang/English.lng usr/share/zendrix/Lang/SimplifiedChinese.lng \
    usr/share/applications/zendrix.desktop usr/share/icons/hicolor/scalable/apps/zendrix.svg \
    usr/share/icons/hicolor/48x48/apps/zendrix.png usr/share/icons/hicolor/256x256/apps/zendrix.png; do
    [[ -f $root/$file ]] || fail "the packages did not install /$file"
done
cmp -s "$root/usr/share/zendrix/Lang/SimplifiedChinese.lng" \
    "$(dirname "$0")/../../resources/Lang/SimplifiedChinese.lng" ||
    fail "the installed Chinese language file differs from the source (encoding changed?)"
grep -qx 'Exec=zendrix' "$root/usr/share/applications/zendrix.desktop" || fail "the desktop entry does not start zendrix"
for program in zendrix zendrix-cli; do
    caps=$(getcap "$root/usr/bin/$program")
    [[ $caps == *cap_net_admin,cap_net_raw=eip* ]] || fail "postinst did not grant the capture capabilities to $program: '$caps'"
done
[[ -z $(getcap "$root/usr/bin/vtcamsim") ]] || fail "the simulator got capabilities"
# An upgrade (here: the same version again) runs prerm before the new files
# come and postinst after: the new programs must carry the capabilities.
dpkg_scratch --install "$program_deb"
[[ $(getcap "$root/usr/bin/zendrix-cli") == *cap_net_admin,cap_net_raw=eip* ]] ||
    fail "reinstalling the package lost the capture capabilities"

# --- the lab, with the scratch /usr in place of the system's ---------------------
lab=$(bash "$camlab" create --owner $$) || fail "the camera lab could not be made"
eval "$lab"
lab_id=$CAMLAB_ID
# COMMAND in a lab namespace with the scratch /usr laid over the system's, in
# a mount namespace of its own; the background form keeps COMMAND's pid.
overlay='mount -t overlay zendrix-scratch -o "lowerdir=$0/usr:/usr" /usr && exec "$@"'
installed() { # installed NAMESPACE COMMAND...
    local namespace=$1
    shift
    ip netns exec "$namespace" unshare --mount -- sh -c "$overlay" "$root" "$@"
}
start_installed() { # start_installed OUTPUT NAMESPACE COMMAND...; sets started
    local output=$1 namespace=$2
    shift 2
    ip netns exec "$namespace" unshare --mount -- sh -c "$overlay" "$root" "$@" >"$output" 2>&1 &
    started=$!
    children+=("$started")
}

for file in /usr/bin/zendrix /usr/bin/zendrix-cli; do
    missing=$(installed "$CAMLAB_WS_NS" ldd "$file" | grep 'not found' || true)
    [[ -z $missing ]] || fail "$file does not find its libraries: $missing"
done

start_simulator() { # output file; sets simulator
    start_installed "$1" "$CAMLAB_CAM_NS" /usr/bin/vtcamsim --interface "$CAMLAB_CAM_IF" --count "$cameras" \
        --base-ip 192.168.7.10
    simulator=$started
    for _ in $(seq 100); do
        grep -q 'vtcamsim ready' "$1" && return 0
        sleep 0.1
    done
    cat "$1" >&2
    fail "the installed vtcamsim did not come up"
}
stop_simulator() {
    kill "$simulator"
    wait "$simulator" 2>/dev/null || true
}

# The user: nothing of root's, a home of its own.
home=$scratch/home
mkdir -m 700 "$home" "$home/data" "$home/config" "$home/runtime"
chown -R 65534:65534 "$home"
user=(setpriv --reuid=65534 --regid=65534 --clear-groups env -i PATH=/usr/bin:/bin HOME="$home"
    XDG_DATA_HOME="$home/data" XDG_CONFIG_HOME="$home/config" XDG_RUNTIME_DIR="$home/runtime" LC_ALL=C.UTF-8
    QT_QPA_PLATFORM=offscreen ZENDRIX_DEBUG=1 ZENDRIX_PASSWORD=admin)

# zendrix-cli finds every camera without root, thanks to its capabilities ...
start_simulator "$scratch/simulator-cli.log"
installed "$CAMLAB_WS_NS" "${user[@]}" /usr/bin/zendrix-cli discover --format json --wait 2 --iface "$CAMLAB_WS_IF" \
    >"$scratch/cli.out" 2>"$scratch/cli.err" || { cat "$scratch/cli.err" >&2; fail "the installed zendrix-cli failed"; }
found=$(grep -o '"mac"' "$scratch/cli.out" | wc -l)
[[ $found -eq $cameras ]] || fail "zendrix-cli found $found cameras, not $cameras: $(cat "$scratch/cli.out")"

# ... and only thanks to them: the same program without them finds nothing and says why.
cp "$root/usr/bin/zendrix-cli" "$root/usr/bin/zendrix-cli-plain"
[[ -z $(getcap "$root/usr/bin/zendrix-cli-plain") ]] || fail "cp kept the capabilities"
if installed "$CAMLAB_WS_NS" "${user[@]}" /usr/bin/zendrix-cli-plain discover --format json --wait 1 \
    --iface "$CAMLAB_WS_IF" >"$scratch/plain.out" 2>"$scratch/plain.err"; then
    fail "zendrix-cli without capabilities succeeded as nobody: $(cat "$scratch/plain.out")"
fi
grep -q 'cap_net_raw,cap_net_admin' "$scratch/plain.err" || fail "without the permission zendrix-cli does not say how to grant it: $(cat "$scratch/plain.err")"
rm "$root/usr/bin/zendrix-cli-plain"
stop_simulator

# The window, offscreen. The user chose Chinese in an earlier run: the choice
# holds only when the language files are found in /usr/share/zendrix/Lang.
data=$home/data/zendrix
install -d -m 700 -o 65534 -g 65534 "$data"
printf '[Main]\nLanguage=2052\n' >"$data/Language.ini"
chown 65534:65534 "$data/Language.ini"
start_simulator "$scratch/simulator-window.log"
start_installed "$scratch/window.log" "$CAMLAB_WS_NS" "${user[@]}" /usr/bin/zendrix
window=$started
opened=""
for _ in $(seq 200); do
    if grep -qs "Adapter:$CAMLAB_WS_IF" "$data"/Logs/vtlog*.txt; then
        opened=yes
        break
    fi
    kill -0 "$window" 2>/dev/null || break
    sleep 0.1
done
[[ -n $opened ]] || { cat "$scratch/window.log" >&2; fail "the installed window did not open the lab's adapter (no operation log under $data/Logs)"; }
sleep 3
kill -TERM "$window"
status=0
wait "$window" || status=$?
[[ $status -eq 0 ]] || fail "the window ended with status $status on SIGTERM: $(cat "$scratch/window.log")"
stop_simulator
if grep -q 'No capture device can be opened' "$scratch/window.log" "$data"/Logs/vtlog*.txt; then
    fail "the installed window found no capture permission as nobody: $(cat "$scratch/window.log")"
fi
# With ZENDRIX_DEBUG the debug output names each adapter and, on the next
# line, why it could not be opened (pseudo-devices such as nflog always fail).
after_lab=$(awk -v name="Adapter:$CAMLAB_WS_IF" 'found && NF { print; exit } index($0, name) { found = 1 }' "$scratch/window.log")
[[ $after_lab != *"Init Pcap Fail"* ]] || fail "the installed window could not open $CAMLAB_WS_IF as nobody: $after_lab"
requests=$(sed -n 's/^vtcamsim: \([0-9]*\) discovery and .* requests, \([0-9]*\) replies.*/\1 \2/p' "$scratch/simulator-window.log")
read -r asked answered <<<"${requests:-0 0}"
[[ $asked -ge 1 && $answered -ge $cameras ]] ||
    fail "the cameras saw no discovery from the window (simulator: '$requests')"
grep -qx 'Language=2052' "$data/Language.ini" ||
    fail "the window did not find the Chinese language file in /usr/share/zendrix/Lang: $(cat "$data/Language.ini")"
[[ $(stat -c '%U %a' "$data") == "nobody 700" ]] || fail "$data is not the user's private folder: $(stat -c '%U %a' "$data")"
[[ -z $(find "$root" -user 65534 -print -quit) ]] || fail "the program wrote into the installed tree: $(find "$root" -user 65534)"

# --- removal ----------------------------------------------------------------------
ln "$root/usr/bin/zendrix-cli" "$scratch/zendrix-cli-link"
dpkg_scratch --remove zendrix-vtcamsim zendrix
[[ ! -e $root/usr/bin/zendrix && ! -e $root/usr/bin/zendrix-cli && ! -e $root/usr/lib/zendrix ]] ||
    fail "removal left the programs or their libraries"
[[ -z $(getcap "$scratch/zendrix-cli-link") ]] || fail "a hard link kept the capabilities after removal"
echo "package: all checks passed"
