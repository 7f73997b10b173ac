#!/usr/bin/env bash
# The collection as Ansible reads it: ansible-lint (offline, nothing fetched),
# every plugin's documentation and the merged inventory written on the
# control machine.
set -euo pipefail
collection=$(realpath "${1:?usage: collection_test.sh COLLECTION-DIR}")
here=$(dirname "$(realpath "$0")")
work=$(mktemp -d /tmp/zendrix-collection-XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/ansible_collections/zendrix"
cp -r "$collection" "$work/ansible_collections/zendrix/cameras"
export ANSIBLE_COLLECTIONS_PATH=$work ANSIBLE_HOME=$work/home ANSIBLE_LOCAL_TEMP=$work/tmp ANSIBLE_NOCOLOR=1
for module in camera_facts camera_settings camera_address camera_firmware merged_inventory; do
    ansible-doc -t module "zendrix.cameras.$module" >/dev/null
done
ansible-doc -t filter zendrix.cameras.to_csv >/dev/null
mkdir "$work/merged"
ansible-playbook -i site2,site1, -c local "$here/merged_inventory_test.yml" -e work="$work/merged" >"$work/merged.log" 2>&1 ||
    { cat "$work/merged.log" >&2; exit 1; }
cd "$work/ansible_collections/zendrix/cameras"
ansible-lint --offline --nocolor
