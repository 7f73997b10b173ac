#!/usr/bin/env bash
# The simulator's ONVIF cameras as clients nobody here wrote see them:
# onvif-util (Debian's onvif-tools, on libonvif) discovers them by
# WS-Discovery and reads a camera's time and network; the npm package onvif
# logs in (WS-Security digest, and HTTP Digest), reads the device information
# and time, sets a manual time with a time zone and NTP, and reads them back,
# which the camera's status page shows too. Then the login rules (wrong
# password, stale Created, reused nonce) and Bye/Hello around a reboot.
# usage: onvif_clients_test.sh CAMLAB VTCAMSIM WORKDIR
set -euo pipefail
camlab=${1:?usage: onvif_clients_test.sh CAMLAB VTCAMSIM WORKDIR}
vtcamsim=${2:?}
work=${3:?}
here=$(cd "$(dirname "$0")" && pwd)
source "$here/onvif-clients/lab.sh"
onvif_lab_prepare "$work"

site=$work/site.json
cat >"$site" <<'JSON'
{"cameras": [
  {"index": 0, "name": "Family one"},
  {"index": 1, "protocol": "onvif", "maker": "Acme Optics", "model": "AX-200", "version": "2.1.0",
   "name": "Gate", "clockOffsetSec": 3600, "acceptReusedNonce": true},
  {"index": 2, "protocol": "onvif", "maker": "Borealis", "model": "BV-9", "version": "5.0.1",
   "name": "Dome", "onvifAuth": "http-digest"},
  {"index": 3, "protocol": "onvif", "maker": "Corvid", "model": "C-1", "version": "1.0.4",
   "name": "Skewed", "clockOffsetSec": -7200, "rebootMs": 1500},
  {"index": 5, "protocol": "onvif", "maker": "Borealis", "model": "BV-11", "version": "6.0", "name": "Tls",
   "https": true, "port": 443},
  {"index": 4, "ip": "10.44.7.20", "netmask": "255.255.255.0", "protocol": "onvif", "maker": "Corvid",
   "model": "C-1", "version": "1.0.4", "name": "Far"}
]}
JSON
onvif_lab_start "$camlab" "$vtcamsim" "$site" 6

# Discovery: the five ONVIF cameras, the one outside the subnet too, and no family camera.
found=$(ws timeout 30 onvif-util -a 2>&1) || fail "onvif-util -a failed: $found"
echo "$found"
grep -q "Found 5 cameras" <<<"$found" || fail "onvif-util found not 5 cameras"
for expected in "192.168.5.101 Gate(Gate AX-200)" "192.168.5.102 Dome(Dome BV-9)" "192.168.5.103 Skewed(Skewed C-1)" \
    "10.44.7.20 "; do
    grep -qF "$expected" <<<"$found" || fail "onvif-util did not list '$expected'"
done
grep -q "192.168.5.100" <<<"$found" && fail "a family camera answered WS-Discovery"

# onvif-util logs in and reads the time (with the camera's clock an hour ahead) and the network.
read_out=$(printf 'get time\nget network\nquit\n' | ws timeout 30 onvif-util -u admin -p qr7319 192.168.5.101 2>&1) ||
    fail "onvif-util login failed: $read_out"
echo "$read_out"
for expected in "name:   Gate AX-200" "serial: 025A" "Time Offset: 3600 seconds" "Time Set By: Manual" \
    "IP Address: 192.168.5.101" "DHCP:       NO"; do
    grep -qF "$expected" <<<"$read_out" || fail "onvif-util did not show '$expected'"
done
grep -q "ERROR" <<<"$read_out" && fail "onvif-util met an error"

# onvif-util gives a camera a new address: it moves there and is found there.
moved=$(printf 'set ip_address 192.168.5.150\nquit\n' | ws timeout 30 onvif-util -u admin -p qr7319 192.168.5.101 2>&1) ||
    fail "onvif-util set ip_address: $moved"
grep -q "IP Address has been changed" <<<"$moved" || fail "onvif-util could not change the address: $moved"
sleep 0.5
found=$(ws timeout 30 onvif-util -a 2>&1) || fail "onvif-util -a failed: $found"
grep -qF "192.168.5.150 Gate(Gate AX-200)" <<<"$found" || fail "the moved camera is not found on its new address: $found"
grep -q "192.168.5.101 " <<<"$found" && fail "the moved camera still answers on its old address"

# The npm client on a WS-Security camera whose clock is two hours behind, and on an HTTP Digest camera.
for ip in 192.168.5.103 192.168.5.102; do
    result=$(ws node "$here/onvif-clients/node-onvif-check.js" "$ip" 80 admin qr7319) ||
        fail "npm onvif on $ip: $result"
    echo "$ip: $result"
    [[ $(jq -r .manufacturer <<<"$result") != null && $(jq -r .manualSkewSec <<<"$result") -le 2 &&
        $(jq -r .ntpServer <<<"$result") == 192.168.0.250 && $(jq -r .ntpFromDhcp <<<"$result") == false ]] ||
        fail "npm onvif read back other values from $ip: $result"
    page=$(ws curl -sf "http://$ip/") || fail "no status page on $ip"
    for expected in "<th>DateTimeType</th><td>NTP</td>" "<th>TimeZone</th><td>CST-8</td>" \
        "<th>NTP</th><td>192.168.0.250</td>" "<th>Time</th><td>2031-05-17T08:3"; do
        grep -qF "$expected" <<<"$page" || fail "the status page of $ip does not show '$expected'"
    done
done

# The npm client over TLS: the camera's self-signed certificate, the same one its page names.
result=$(ws node "$here/onvif-clients/node-onvif-check.js" 192.168.5.105 443 admin qr7319 https) ||
    fail "npm onvif over https: $result"
echo "192.168.5.105: $result"
fingerprint=$(jq -r .fingerprint <<<"$result")
[[ $fingerprint =~ ^([0-9A-F]{2}:){31}[0-9A-F]{2}$ ]] || fail "no certificate fingerprint over https: $result"
page=$(ws curl -skf "https://192.168.5.105/") || fail "no status page over https"
grep -qF "$fingerprint" <<<"$page" || fail "the page names another certificate than the camera showed"
grep -qF "<th>NTP</th><td>192.168.0.250</td>" <<<"$page" || fail "the https camera does not show its NTP server"

# The login rules (by hand-made requests), Bye then Hello around a reboot, a firmware upgrade.
ws node "$here/onvif-clients/login-rules-check.js" 192.168.5.103 80 admin qr7319 "$CAMLAB_WS_IP" ||
    fail "login rules, reboot announcements or firmware upgrade"
echo "onvif clients: all checks passed"
