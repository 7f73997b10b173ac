#!/usr/bin/env bash
# The collection zendrix.cameras with the real Ansible engine on a small
# estate: three sites, each a camera lab (scripts/camlab) whose workstation
# namespace is the site host running sshd, and a control namespace joined to
# every site host by its own veth. ansible-playbook runs in the control
# namespace and reaches the sites over SSH only; nothing leaves the lab.
#
#   ansible_lab_test.sh CLI VTCAMSIM CAMLAB COLLECTION            the test (20 cameras a site)
#   ansible_lab_test.sh CLI VTCAMSIM CAMLAB COLLECTION --bench N  merged inventory of N cameras a site,
#                                                                 timed against the sites one after another
#                                                                 and against one site through Ansible
#                                                                 (medians of three runs)
set -Eeuo pipefail
cli=$(realpath "${1:?usage: ansible_lab_test.sh CLI VTCAMSIM CAMLAB COLLECTION [--bench N]}")
sim=$(realpath "$2")
camlab=$(realpath "$3")
collection=$(realpath "$4")
bench=0
[[ ${5:-} == --bench ]] && bench=${6:?--bench needs a camera count}
cameras=$((bench > 0 ? bench : 20))
# Seconds each discovery listens: short in the test, zendrix-cli's default in the benchmark.
wait=1.5
((bench == 0)) || wait=3
sites=3

fail() {
    echo "FAIL: $*" >&2
    exit 1
}
[[ $(id -u) -eq 0 ]] || fail "the Ansible lab needs root (network namespaces)"
for tool in ansible-playbook /usr/sbin/sshd ssh-keygen jq; do
    command -v "$tool" >/dev/null || fail "$tool is missing (scripts/setup installs it)"
done

run_id=$(od -An -N3 -tx1 /dev/urandom | tr -d ' \n')
ctl=zxa-$run_id-ctl
work=$(mktemp -d /tmp/zendrix-ansible-XXXXXX)
password=Lab$run_id
labs=()
pids=()
cleanup() {
    local pid id
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
    close_connections
    for id in "${labs[@]}"; do bash "$camlab" destroy "$id" >/dev/null 2>&1 || true; done
    ip netns delete "$ctl" 2>/dev/null || true
    rm -rf "$work"
}
# The SSH connections Ansible keeps open (ControlPersist) would outlive the lab.
close_connections() {
    local sock
    for sock in "$work"/cp/*; do
        [[ -S $sock ]] && ssh -o ControlPath="$sock" -O exit site >/dev/null 2>&1 || true
    done
}
trap cleanup EXIT
trap 'exit 1' INT TERM

declare -A ws_ns cam_ns ws_if cam_if sim_pid
site_addr() { echo "10.199.$1.2"; }

start_sim() { # site [vtcamsim arguments...]
    local k=$1
    shift
    ip netns exec "${cam_ns[$k]}" "$sim" --interface "${cam_if[$k]}" --count "$cameras" --seed "$k" \
        --password "$password" --flash-ms 300 --reboot-ms 1000 "$@" >"$work/sim$k.log" 2>&1 &
    sim_pid[$k]=$!
    pids+=("${sim_pid[$k]}")
    for _ in $(seq 1 100); do
        grep -q "vtcamsim ready" "$work/sim$k.log" && return 0
        sleep 0.1
    done
    cat "$work/sim$k.log" >&2
    fail "the simulator of site $k did not start"
}

stop_sim() {
    kill "${sim_pid[$1]}"
    wait "${sim_pid[$1]}" 2>/dev/null || true
}

# --- the estate --------------------------------------------------------------
ip netns add "$ctl"
ip -n "$ctl" link set lo up
ssh-keygen -q -t ed25519 -N '' -f "$work/id" -C "zendrix ansible lab $run_id"
cp "$work/id.pub" "$work/authorized_keys"
mkdir -p /run/sshd
: >"$work/known_hosts"
for k in $(seq 1 $sites); do
    eval "$(bash "$camlab" create --owner $$)"
    labs+=("$CAMLAB_ID")
    ws_ns[$k]=$CAMLAB_WS_NS cam_ns[$k]=$CAMLAB_CAM_NS ws_if[$k]=$CAMLAB_WS_IF cam_if[$k]=$CAMLAB_CAM_IF
    start_sim "$k"
    # The control link: addresses that exist only in these two namespaces.
    ip -n "$ctl" link add "zxa${run_id}c$k" type veth peer name "zxa${run_id}s$k" netns "${ws_ns[$k]}"
    ip netns exec "$ctl" sysctl -qw "net.ipv6.conf.zxa${run_id}c$k.disable_ipv6=1"
    ip netns exec "${ws_ns[$k]}" sysctl -qw "net.ipv6.conf.zxa${run_id}s$k.disable_ipv6=1"
    ip -n "$ctl" addr add "10.199.$k.1/30" dev "zxa${run_id}c$k"
    ip -n "${ws_ns[$k]}" addr add "$(site_addr "$k")/30" dev "zxa${run_id}s$k"
    ip -n "$ctl" link set "zxa${run_id}c$k" up
    ip -n "${ws_ns[$k]}" link set "zxa${run_id}s$k" up
    ssh-keygen -q -t ed25519 -N '' -f "$work/host$k" -C "site$k"
    echo "$(site_addr "$k") $(cut -d' ' -f1,2 "$work/host$k.pub")" >>"$work/known_hosts"
    cat >"$work/sshd$k.conf" <<EOF
ListenAddress $(site_addr "$k")
HostKey $work/host$k
AuthorizedKeysFile $work/authorized_keys
PermitRootLogin prohibit-password
PasswordAuthentication no
KbdInteractiveAuthentication no
UsePAM no
StrictModes no
PidFile $work/sshd$k.pid
EOF
    ip netns exec "${ws_ns[$k]}" /usr/sbin/sshd -D -e -f "$work/sshd$k.conf" 2>"$work/sshd$k.log" &
    pids+=($!)
done
for k in $(seq 1 $sites); do
    for _ in $(seq 1 50); do
        ip netns exec "$ctl" bash -c "exec 3<>/dev/tcp/$(site_addr "$k")/22" 2>/dev/null && break
        sleep 0.1
    done
done

{
    echo "all:"
    echo "  children:"
    echo "    sites:"
    echo "      hosts:"
    for k in $(seq 1 $sites); do
        echo "        site$k: {ansible_host: $(site_addr "$k"), zendrix_iface: [${ws_if[$k]}]}"
    done
    echo "      vars:"
    echo "        ansible_user: root"
    echo "        ansible_ssh_private_key_file: $work/id"
    echo "        ansible_ssh_common_args: -o UserKnownHostsFile=$work/known_hosts -o GlobalKnownHostsFile=/dev/null -o StrictHostKeyChecking=yes"
    echo "        zendrix_cli: $cli"
    echo "        zendrix_wait: $wait"
} >"$work/sites.yml"

mkdir -p "$work/collections/ansible_collections/zendrix"
ln -s "$collection" "$work/collections/ansible_collections/zendrix/cameras"
export ANSIBLE_COLLECTIONS_PATH=$work/collections ANSIBLE_HOME=$work/ansible-home
export ANSIBLE_LOCAL_TEMP=$work/ansible-local ANSIBLE_REMOTE_TEMP=$work/ansible-remote
# The collection's ansible.cfg, as users run it: forks, pipelining, kept SSH connections, the sites' Python.
export ANSIBLE_CONFIG=$collection/ansible.cfg ANSIBLE_NOCOLOR=1 ANSIBLE_RETRY_FILES_ENABLED=0
export ANSIBLE_SSH_CONTROL_PATH_DIR=$work/cp ANSIBLE_HOST_KEY_CHECKING=1 ANSIBLE_DEPRECATION_WARNINGS=0
# The password reaches the modules from the control machine's environment.
export ZENDRIX_PASSWORD=$password

playbook() { # log-name playbook [ansible-playbook arguments...]
    local log=$work/$1.log book=$2
    shift 2
    ip netns exec "$ctl" ansible-playbook -i "$work/sites.yml" "$collection/playbooks/$book" "$@" >"$log" 2>&1 || true
}
# "changed failed" of a host in the recap of a run's log.
recap() { sed -n "s/^$2 *: .*changed=\([0-9]*\).*failed=\([0-9]*\).*/\1 \2/p" "$work/$1.log"; }
expect_recap() { # log host changed-test failed
    local got
    got=$(recap "$1" "$2")
    [[ -n $got ]] || { cat "$work/$1.log" >&2; fail "$1: no recap for $2"; }
    read -r changed failed <<<"$got"
    if ! (( changed $3 )) || [[ $failed != "$4" ]]; then
        cat "$work/$1.log" >&2
        fail "$1: $2 has changed=$changed failed=$failed, expected changed $3 and failed=$4"
    fi
}
site_cli() { # site command...: zendrix-cli on the site host, as a check from outside Ansible
    local k=$1
    shift
    ip netns exec "${ws_ns[$k]}" "$cli" "$@" --iface "${ws_if[$k]}" --wait "$wait" --password-stdin <<<"$password"
}
site_discover() { ip netns exec "${ws_ns[$1]}" "$cli" discover --format json --iface "${ws_if[$1]}" --wait "$wait"; }

if ((bench > 0)); then
    timed() { # command... -> its wall time in seconds
        local start
        start=$(date +%s.%N)
        "$@"
        awk -v a="$start" -v b="$(date +%s.%N)" 'BEGIN { printf "%.2f", b - a }'
    }
    one_after_another() {
        for k in $(seq 1 $sites); do site_cli "$k" inventory --format json >"$work/one$k.json"; done
    }
    expect_cameras() { # file count
        local found
        found=$(jq length "$1")
        [[ $found -eq $2 ]] || fail "$(basename "$1") holds $found cameras, not $2"
    }
    median() { printf '%s\n' "$@" | sort -g | sed -n "$((($# + 1) / 2))p"; }
    # Three runs of each, taken in turn so that other work on the machine weighs on all alike; every
    # Ansible run logs in afresh.
    seq_runs=() three_runs=() one_runs=()
    for run in 1 2 3; do
        seq_runs+=("$(timed one_after_another)")
        three_runs+=("$(timed playbook bench inventory.yml -e "zendrix_inventory_out=$work/merged")")
        expect_recap bench site1 ">= 0" 0
        expect_cameras "$work/merged.json" $((sites * cameras))
        close_connections
        one_runs+=("$(timed playbook bench-one inventory.yml --limit site1 -e "zendrix_inventory_out=$work/site1")")
        expect_recap bench-one site1 ">= 0" 0
        expect_cameras "$work/site1.json" "$cameras"
        close_connections
    done
    one_by_one=$(median "${seq_runs[@]}") parallel=$(median "${three_runs[@]}") one_ansible=$(median "${one_runs[@]}")
    one=$(awk -v a="$one_by_one" -v n=$sites 'BEGIN { print a / n }')
    ratio() { awk -v a="$1" -v b="$2" 'BEGIN { print a / b }'; }
    printf 'Medians of three runs. Merged inventory of %d sites of %d cameras through Ansible: %.2f s; zendrix-cli inventory on each site one after another: %.2f s (one site %.2f s); %.2f x one site (goal: at most 1.5)\n' \
        "$sites" "$cameras" "$parallel" "$one_by_one" "$one" "$(ratio "$parallel" "$one")"
    printf 'One site through Ansible: %.2f s; the %d sites through Ansible take %.2f x that\n' \
        "$one_ansible" "$sites" "$(ratio "$parallel" "$one_ansible")"
    echo "Every run (s): one after another ${seq_runs[*]}; $sites sites through Ansible ${three_runs[*]}; one site through Ansible ${one_runs[*]}"
    exit 0
fi

# Nobody's process list may show the password while the playbooks run.
(while :; do ps -eo args >>"$work/ps.log"; sleep 0.05; done) &
sampler=$!
pids+=("$sampler")

# --- merged inventory --------------------------------------------------------
for run in 1 2; do
    playbook "inventory$run" inventory.yml -e "zendrix_inventory_out=$work/merged"
    for k in $(seq 1 $sites); do expect_recap "inventory$run" "site$k" "$([[ $run == 2 || $k != 1 ]] && echo "== 0" || echo ">= 0")" 0; done
done
for k in $(seq 1 $sites); do
    # The simulator's own account of its cameras: the MAC range of its ready line, IPs from its base.
    first=$(sed -n 's/.* \(02:5a:[0-9a-f:]*\) (192.168.1.100) to .*/\1/p' "$work/sim$k.log" | tr a-f A-F)
    [[ -n $first ]] || fail "no MAC range in the simulator's ready line of site $k"
    for i in $(seq 1 $cameras); do
        printf 'site%d %s:%02X:%02X %s\n' "$k" "${first%:*:*}" $((i / 256)) $((i % 256)) "192.168.1.$((99 + i))"
    done
done | sort >"$work/expected"
jq -r '.[] | "\(.site) \(.mac) \(.ip)"' "$work/merged.json" | sort >"$work/merged.txt"
diff "$work/expected" "$work/merged.txt" || fail "the merged inventory is not the three simulators' cameras"
[[ $(wc -l <"$work/merged.csv") -eq $((sites * cameras + 1)) ]] || fail "the merged CSV has not one line per camera"
head -1 "$work/merged.csv" | grep -q '^site,name,mac,ip,' || fail "the merged CSV has no header"

# --- NTP and time zone everywhere --------------------------------------------
time_args=(-e zendrix_ntp=ntp.lab.invalid -e zendrix_time_zone=57)
ntp_set() { site_cli "$1" get system --all --format json | jq '[.[] | select(.ntp == "ntp.lab.invalid" and .time_zone_row == 57)] | length'; }
playbook time-check time.yml "${time_args[@]}" --check --diff
for k in $(seq 1 $sites); do
    expect_recap time-check "site$k" "== 1" 0
    [[ $(ntp_set "$k") -eq 0 ]] || fail "check mode changed cameras of site $k"
done
grep -q '"system.ntp"' "$work/time-check.log" && grep -q 'ntp.lab.invalid' "$work/time-check.log" ||
    fail "diff mode does not show the NTP server before and after"
playbook time1 time.yml "${time_args[@]}"
playbook time2 time.yml "${time_args[@]}"
for k in $(seq 1 $sites); do
    expect_recap time1 "site$k" "== 1" 0
    expect_recap time2 "site$k" "== 0" 0
    [[ $(ntp_set "$k") -eq $cameras ]] || fail "not every camera of site $k has the NTP server and time zone"
done

# --- firmware campaign with a failing canary at site 2 -----------------------
# Site 2's first camera (the lowest address, the one the campaign starts with)
# no longer answers logins; it is still discovered.
stop_sim 2
echo '{"cameras": [{"index": 0, "faults": ["unreachable"]}]}' >"$work/canary.json"
start_sim 2 --config "$work/canary.json"
head -c 200000 /dev/urandom >"$work/VT_VTFImage_50_31.4.1.2.bin"
versions() { # site -> "count-of-new count-of-old"
    site_discover "$1" | jq -r '[([.[] | select(.version == "31.4.1.2")] | length), ([.[] | select(.version != "31.4.1.2")] | length)] | join(" ")'
}
for run in 1 2; do
    playbook "firmware$run" firmware.yml -e "zendrix_image=$work/VT_VTFImage_50_31.4.1.2.bin" -e "zendrix_image_dir=$work"
    expect_recap "firmware$run" site2 ">= 0" 1
    for k in 1 3; do expect_recap "firmware$run" "site$k" "$([[ $run == 1 ]] && echo ">= 2" || echo "== 0")" 0; done
    sleep 3 # the upgraded cameras write the image and restart
    for k in 1 3; do
        [[ $(versions "$k") == "$cameras 0" ]] || fail "firmware run $run: site $k has $(versions "$k") cameras new and old"
    done
    [[ $(versions 2) == "0 $cameras" ]] || fail "firmware run $run: site 2 went on after its first camera failed"
    grep -q "the upgrade of .* failed" "$work/firmware$run.log" || fail "firmware run $run: site 2's failure is not reported"
done

# --- readdressing --------------------------------------------------------------
address() { # log plan...
    local log=$1
    shift
    ip netns exec "$ctl" ansible site3 -i "$work/sites.yml" -m zendrix.cameras.camera_address \
        -a "{\"cli\": \"{{ zendrix_cli }}\", \"iface\": \"{{ zendrix_iface }}\", \"wait\": $wait, \"password\": \"{{ lookup('env', 'ZENDRIX_PASSWORD') }}\", \"plan\": $1}" \
        >"$work/$log.log" 2>&1 || true
}
last=$(jq -r '[.[] | select(.site == "site3")] | last | .mac' "$work/merged.json")
previous=$(jq -r '[.[] | select(.site == "site3")] | .[-2].ip' "$work/merged.json")
address move1 "[{\"mac\": \"$last\", \"ip\": \"192.168.7.20\"}]"
grep -q 'CHANGED' "$work/move1.log" || { cat "$work/move1.log" >&2; fail "readdressing changed nothing"; }
address move2 "[{\"mac\": \"$last\", \"ip\": \"192.168.7.20\"}]"
grep -q 'SUCCESS' "$work/move2.log" || { cat "$work/move2.log" >&2; fail "readdressing again was not a no-op"; }
address clash "[{\"mac\": \"$last\", \"ip\": \"$previous\"}]"
grep -q 'already used' "$work/clash.log" || { cat "$work/clash.log" >&2; fail "an address conflict was not refused"; }
[[ $(site_discover 3 | jq -r ".[] | select(.mac == \"$last\") | .ip") == 192.168.7.20 ]] ||
    fail "the readdressed camera is not at its new address"

# --- the password stayed off every command line --------------------------------
kill "$sampler"
wait "$sampler" 2>/dev/null || true
grep -q -- '--password-stdin' "$work/ps.log" || fail "the process sampler never saw zendrix-cli run"
# (The simulators, standing in for the cameras, take theirs on their command line.)
shown=$(grep -v -- "$sim " "$work/ps.log" | grep -- "$password" | sed "s/$password/(the password)/g" | sort -u | head -3 || true)
[[ -z $shown ]] || fail "a command line showed the password: $shown"
for log in "$work"/inventory*.log "$work"/time*.log "$work"/firmware*.log "$work"/move*.log "$work"/clash.log; do
    ! grep -q -- "$password" "$log" || fail "Ansible's output in $(basename "$log") showed the password"
done
echo "ansible lab: all checks passed"
